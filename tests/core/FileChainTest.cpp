// Following a file's blocks, the PRG export and the hex dump text.
#include "core/FileChain.h"
#include "CoreTestSupport.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace dyskel {
namespace {

using test::BlocksInFileOrder;
using test::TempDir;

std::string A0(int n) {
    return std::string(std::size_t(n), '\xA0');
}
std::string Text(const std::vector<std::uint8_t>& v) {
    return {v.begin(), v.end()};
}

// Links the given blocks into one chain; the last gets link (0, lastByte).
void Chain(D64Builder& disk, const std::vector<std::pair<int, int>>& blocks, std::uint8_t lastByte) {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        std::uint8_t* b = disk.Block(blocks[i].first, blocks[i].second);
        bool last = i + 1 == blocks.size();
        b[0] = last ? 0 : std::uint8_t(blocks[i + 1].first);
        b[1] = last ? lastByte : std::uint8_t(blocks[i + 1].second);
        for (int k = 2; k < 256; ++k) b[k] = std::uint8_t(i * 7 + std::size_t(k));
    }
}

// --- Names ---------------------------------------------------------------------

TEST(SafeFileName, StaysInsideItsFolder) {
    EXPECT_EQ(SafeFileName(""), "_");
    EXPECT_EQ(SafeFileName("."), "_");
    EXPECT_EQ(SafeFileName(".."), "_");
    EXPECT_EQ(SafeFileName("..."), "...");
    EXPECT_EQ(SafeFileName("A/B/C"), "A_B_C");
    EXPECT_EQ(SafeFileName(std::string("A\0B", 3)), "A_B");
    EXPECT_EQ(SafeFileName("GAME \x93!"), "GAME \x93!"); // raw bytes stay
}

struct BaseRow {
    std::string cell;
    std::string base;
};
const BaseRow BaseRows[] = {
    {"\"ABC\"" + A0(12), "ABC"},
    {"\"abc\"" + A0(12), "ABC"},
    {"\"ABCDEFGHIJKLMNOP\"", "ABCDEFGHIJKLMNOP"},
    {"\"A/B/C\"" + A0(10), "AB_C"}, // first "/" removed, the second made safe
    {"\"/\"" + A0(14), "_"},
    {"\"..\"" + A0(13), "_"},
    {"\"\"" + A0(15), "_"},
    {"\"ABC\"DE" + A0(10), "ABC"},
    {"\" LEAD\"" + A0(11), " LEAD"},
};
class BaseName : public ::testing::TestWithParam<BaseRow> {};
TEST_P(BaseName, FromTheNameCell) {
    EXPECT_EQ(ExportBaseName(GetParam().cell), GetParam().base);
}
INSTANTIATE_TEST_SUITE_P(Table, BaseName, ::testing::ValuesIn(BaseRows));

TEST(HexDumpFileName, BaseTypeAndSuffix) {
    EXPECT_EQ(HexDumpFileName("\"LOG\"" + A0(12), " SEQ"), "LOG.SEQ_HexDump.txt");
    EXPECT_EQ(HexDumpFileName("\"game\"" + A0(11), ">prg"), "GAME.PRG_HexDump.txt");
    EXPECT_EQ(HexDumpFileName("\"  X\"" + A0(12), " USR"), "X.USR_HexDump.txt");
    EXPECT_EQ(HexDumpFileName("\"A/B/C\"" + A0(10), " PRG"), "AB_C.PRG_HexDump.txt");
    EXPECT_EQ(HexDumpFileName("\"\"" + A0(15), " REL"), ".REL_HexDump.txt");
}

TEST(SavedMessage, NameCountAndFolder) {
    EXPECT_EQ(SavedMessage("GAME.PRG", 12, "/disks"), "File \"GAME.PRG\" (12 Blocks) saved in:\n\r/disks");
}

// --- The walk --------------------------------------------------------------------

class ChainTest : public ::testing::Test {
  protected:
    TempDir dir;
    TrackBuffer buffer;
    std::string Save(const D64Builder& disk, const std::string& name = "T.D64") {
        disk.Save(dir.File(name));
        return dir.File(name);
    }
};

TEST_F(ChainTest, VisitsEachBlockInOrderAndLeavesTheLastTrack) {
    D64Builder disk;
    Chain(disk, {{1, 0}, {17, 5}, {20, 3}, {2, 1}}, 10);
    std::string path = Save(disk);
    std::vector<std::tuple<int, int, int>> seen;
    ChainWalk w = WalkChain(path, {1, 0}, buffer, 0, [&](int t, int s, const std::uint8_t* block, int i) {
        seen.emplace_back(t, s, i);
        EXPECT_EQ(block[2], std::uint8_t((i - 1) * 7 + 2));
        return true;
    });
    EXPECT_EQ(w.end, ChainEnd::LastBlock);
    EXPECT_EQ(w.blocks, 4);
    EXPECT_EQ(seen, (std::vector<std::tuple<int, int, int>>{{1, 0, 1}, {17, 5, 2}, {20, 3, 3}, {2, 1, 4}}));
    EXPECT_EQ(buffer.track, 2);
}

TEST_F(ChainTest, LimitStopsEvenOnTheLastBlockAndVisitorCanStop) {
    D64Builder disk;
    Chain(disk, {{1, 0}, {1, 1}, {1, 2}}, 10);
    std::string path = Save(disk);
    EXPECT_EQ(WalkChain(path, {1, 0}, buffer, 3, {}).end, ChainEnd::TooLong);
    EXPECT_EQ(WalkChain(path, {1, 0}, buffer, 4, {}).end, ChainEnd::LastBlock);
    ChainWalk w =
        WalkChain(path, {1, 0}, buffer, 0, [](int, int, const std::uint8_t*, int i) { return i < 2; });
    EXPECT_EQ(w.end, ChainEnd::Stopped);
    EXPECT_EQ(w.blocks, 2);
    EXPECT_STRNE(ChainEndText(ChainEnd::Loop), "");
}

// --- Export ------------------------------------------------------------------------

TEST_F(ChainTest, OneBlockWithSecondByte10GivesItsBytes2To10) {
    D64Builder disk;
    const std::vector<std::uint8_t> data = {0x01, 0x08, 0x0B, 0x08, 0x0A, 0x00, 0x9E, 0x32, 0x30};
    auto first = disk.AddFile("ONE", 0x82, data);
    ASSERT_EQ(disk.Block(first.track, first.sector)[1], 10);
    std::string path = Save(disk);
    FileOutcome out = ExportPRG(path, {first.track, first.sector}, dir.Path(), "ONE.PRG", buffer);
    EXPECT_FALSE(out.failed) << out.message;
    EXPECT_EQ(out.blocks, 1);
    EXPECT_EQ(out.path, dir.File("ONE.PRG"));
    EXPECT_EQ(dir.Read("ONE.PRG"), data);
}

TEST_F(ChainTest, ThreeFullBlocksGive762Bytes) {
    D64Builder disk;
    std::vector<std::uint8_t> data(762);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 13);
    auto first = disk.AddFile("THREE", 0x82, data, {{3, 0}, {3, 10}, {19, 4}});
    ASSERT_EQ(disk.Block(19, 4)[1], 255);
    std::string path = Save(disk);
    FileOutcome out = ExportPRG(path, {first.track, first.sector}, dir.Path(), "THREE.PRG", buffer);
    EXPECT_FALSE(out.failed);
    EXPECT_EQ(out.blocks, 3);
    EXPECT_EQ(dir.Read("THREE.PRG"), data);
    EXPECT_EQ(buffer.track, 19);
}

TEST_F(ChainTest, LastBlockWithSecondByte1Or0ContributesNothing) {
    for (std::uint8_t n : {std::uint8_t(1), std::uint8_t(0)}) {
        D64Builder disk;
        Chain(disk, {{1, 0}, {1, 1}}, n);
        std::string path = Save(disk);
        FileOutcome out = ExportPRG(path, {1, 0}, dir.Path(), "X.PRG", buffer);
        EXPECT_FALSE(out.failed);
        auto bytes = dir.Read("X.PRG");
        ASSERT_EQ(bytes.size(), 254u) << int(n);
        EXPECT_EQ(bytes[0], 2);
        EXPECT_EQ(bytes[253], 255);
    }
}

TEST_F(ChainTest, ExistingFileIsOverwritten) {
    D64Builder disk;
    Chain(disk, {{1, 0}}, 3);
    std::string path = Save(disk);
    dir.Write("X.PRG", std::vector<std::uint8_t>(1000, 0x77));
    EXPECT_FALSE(ExportPRG(path, {1, 0}, dir.Path(), "X.PRG", buffer).failed);
    EXPECT_EQ(dir.Read("X.PRG"), (std::vector<std::uint8_t>{2, 3}));
}

TEST_F(ChainTest, ExportCountReaching731Fails) {
    // A 40-track image holds 768 blocks: room for chains of 730 and 731.
    for (auto [length, fails] : {std::pair{730, false}, std::pair{731, true}}) {
        D64Builder disk("LONG", "01", 40);
        Chain(disk, BlocksInFileOrder(std::size_t(length)), 255);
        std::string path = Save(disk);
        FileOutcome out = ExportPRG(path, {1, 0}, dir.Path(), "L.PRG", buffer);
        EXPECT_EQ(out.failed, fails) << length;
        EXPECT_EQ(out.blocks, length);
        EXPECT_EQ(out.message, fails ? "File Export FAILED!" : "");
        EXPECT_EQ(out.end, fails ? ChainEnd::TooLong : ChainEnd::LastBlock);
        EXPECT_EQ(dir.Read("L.PRG").size(), std::size_t(length) * 254);
    }
}

TEST_F(ChainTest, LoopFailsAndThePartialFileStays) {
    D64Builder disk;
    Chain(disk, {{1, 0}, {1, 1}}, 0);
    disk.Block(1, 1)[0] = 1; // back to 1/0
    disk.Block(1, 1)[1] = 0;
    std::string path = Save(disk);
    FileOutcome out = ExportPRG(path, {1, 0}, dir.Path(), "LOOP.PRG", buffer);
    EXPECT_TRUE(out.failed);
    EXPECT_EQ(out.end, ChainEnd::Loop);
    EXPECT_EQ(out.blocks, 2);
    EXPECT_EQ(out.message, "File Export FAILED!");
    EXPECT_EQ(dir.Read("LOOP.PRG").size(), 508u);
}

TEST_F(ChainTest, FileThatCannotBeCreatedIsReportedByName) {
    D64Builder disk;
    Chain(disk, {{1, 0}}, 3);
    std::string path = Save(disk);
    std::filesystem::create_directory(dir.File("X.PRG"));
    FileOutcome out = ExportPRG(path, {1, 0}, dir.Path(), "X.PRG", buffer);
    EXPECT_TRUE(out.failed);
    EXPECT_NE(out.message.find(dir.File("X.PRG")), std::string::npos) << out.message;
    out = ExportPRG(path, {1, 0}, dir.File("no/such"), "Y.PRG", buffer);
    EXPECT_TRUE(out.failed);
    EXPECT_NE(out.message.find("Y.PRG"), std::string::npos);
}

TEST_F(ChainTest, ExportAndDumpNeverOverwriteTheImageTheyRead) {
    D64Builder disk;
    Chain(disk, {{1, 0}}, 3);
    for (const char* name : {"A.D64.PRG", "A.PRG_HexDump.txt"}) {
        std::string path = Save(disk, name);
        FileOutcome out = std::string(name) == "A.D64.PRG"
                              ? ExportPRG(path, {1, 0}, dir.Path(), name, buffer)
                              : WriteHexDump(path, {1, 0}, dir.Path(), "\"A\"", " PRG", "    1", buffer);
        EXPECT_TRUE(out.failed) << name;
        EXPECT_FALSE(out.message.empty());
        EXPECT_EQ(dir.Read(name), disk.Bytes());
    }
}

// --- Hex dump ----------------------------------------------------------------------

TEST_F(ChainTest, OneBlockDumpByHand) {
    D64Builder disk;
    std::uint8_t* b = disk.Block(17, 5);
    const std::uint8_t head[] = {0x00, 0xFF, 0x01, 0x08, 0x0B, 0x08, 0x0A, 0x00, 0x9E, 0x32};
    std::copy(std::begin(head), std::end(head), b);
    b[0x10] = 0xAB;
    b[0xFF] = 0xCD;
    std::string path = Save(disk);
    FileOutcome out = WriteHexDump(path, {17, 5}, dir.Path(), "\"LOG\"" + A0(12), " SEQ", "    1", buffer);
    EXPECT_FALSE(out.failed);
    EXPECT_EQ(out.blocks, 1);
    EXPECT_EQ(out.path, dir.File("LOG.SEQ_HexDump.txt"));
    const std::string zeros = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n";
    const std::string expected = "FILENAME: \"LOG.PRG\"      SIZE: 1 BLOCKS\r\n"
                                 "\r\n"
                                 "TRACK: 17  SECTOR: 05  (BLOCK #1)\r\n"
                                 "        00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n"
                                 "$0000 : 00 FF 01 08 0B 08 0A 00 9E 32 00 00 00 00 00 00\r\n"
                                 "$0010 : AB 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
                                 "$0020 :" +
                                 zeros + "$0030 :" + zeros + "$0040 :" + zeros + "$0050 :" + zeros +
                                 "$0060 :" + zeros + "$0070 :" + zeros + "$0080 :" + zeros +
                                 "$0090 :" + zeros + "$00A0 :" + zeros + "$00B0 :" + zeros +
                                 "$00C0 :" + zeros + "$00D0 :" + zeros + "$00E0 :" + zeros +
                                 "$00F0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 CD\r\n";
    EXPECT_EQ(Text(dir.Read("LOG.SEQ_HexDump.txt")), expected);
}

TEST_F(ChainTest, ThirdBlockTitleAndSizeTextFromTheCell) {
    D64Builder disk;
    Chain(disk, {{1, 0}, {1, 1}, {17, 5}}, 2);
    std::string path = Save(disk);
    HexDumpText d = BuildHexDump(path, {1, 0}, "\"abc\"" + A0(12), "  300 extra", buffer);
    EXPECT_FALSE(d.failed);
    EXPECT_EQ(d.text.substr(0, d.text.find("\r\n")), "FILENAME: \"ABC.PRG\"      SIZE: 300 BLOCKS");
    EXPECT_NE(d.text.find("\r\n\r\nTRACK: 17  SECTOR: 05  (BLOCK #3)\r\n"), std::string::npos);
    EXPECT_NE(d.text.find("\r\n\r\nTRACK: 01  SECTOR: 01  (BLOCK #2)\r\n"), std::string::npos);
    EXPECT_EQ(std::count(d.text.begin(), d.text.end(), '\n'), 1 + 3 * 19);
}

TEST_F(ChainTest, DumpFailsAfterWritingThe732ndBlock) {
    for (auto [length, fails, written] :
         {std::tuple{731, false, 731}, std::tuple{732, true, 732}, std::tuple{733, true, 732}}) {
        D64Builder disk("LONG", "01", 40);
        Chain(disk, BlocksInFileOrder(std::size_t(length)), 255);
        std::string path = Save(disk);
        FileOutcome out = WriteHexDump(path, {1, 0}, dir.Path(), "\"L\"", " PRG", "  731", buffer);
        EXPECT_EQ(out.failed, fails) << length;
        EXPECT_EQ(out.blocks, written);
        std::string text = Text(dir.Read("L.PRG_HexDump.txt"));
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 19 * written) << length;
        EXPECT_NE(text.find("(BLOCK #" + std::to_string(written) + ")\r\n"), std::string::npos);
    }
}

TEST_F(ChainTest, BrokenChainDumpFailsWithTheTextSoFar) {
    D64Builder disk;
    Chain(disk, {{1, 0}, {1, 1}}, 0);
    disk.Block(1, 1)[0] = 36; // a track the 35-track image does not hold
    std::string path = Save(disk);
    FileOutcome out = WriteHexDump(path, {1, 0}, dir.Path(), "\"B\"", " PRG", "    2", buffer);
    EXPECT_TRUE(out.failed);
    EXPECT_EQ(out.end, ChainEnd::BadLink);
    EXPECT_EQ(out.message, "File Export FAILED!");
    std::string text = Text(dir.Read("B.PRG_HexDump.txt"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 19 * 2);
}

} // namespace
} // namespace dyskel
