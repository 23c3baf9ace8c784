// Following a file's blocks, the PRG export and the hex dump text.
#include "core/FileChain.h"
#include "CoreTestSupport.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

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

// An entry named by its 16 name bytes.
DirEntry Named(const std::string& nameBytes, std::uint8_t typeByte = 0x82) {
    DirEntry e = test::MakeEntry(typeByte, {1, 0}, "", 1);
    std::copy(nameBytes.begin(), nameBytes.end(), e.name.begin());
    return e;
}

struct BaseRow {
    std::string nameBytes;
    std::string base;
};
const BaseRow BaseRows[] = {
    {"ABC" + A0(13), "ABC"},
    {"abc" + A0(13), "ABC"},
    {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
    {"A/B/C" + A0(11), "AB_C"}, // first "/" removed, the second made safe
    {"/" + A0(15), "_"},
    {".." + A0(14), "_"},
    {A0(16), "_"},
    {"ABC" + A0(1) + "DE" + A0(10), "ABC"}, // up to the padding
    {"AB\"C" + A0(12), "AB"},               // cut before a quote
    {" LEAD" + A0(11), " LEAD"},
    {"x\xC1y" + A0(13), "X\u2660Y"},       // only a to z made capitals; graphics as UTF-8
    {"\x5C\x12" + A0(14), "\u00A3\uE026"}, // pound sign, reversed R
};
class BaseName : public ::testing::TestWithParam<BaseRow> {};
TEST_P(BaseName, FromTheNameBytes) {
    EXPECT_EQ(ExportBaseName(Named(GetParam().nameBytes)), GetParam().base);
}
INSTANTIATE_TEST_SUITE_P(Table, BaseName, ::testing::ValuesIn(BaseRows));

struct DumpNameRow {
    std::string nameBytes;
    std::uint8_t typeByte;
    const char* file;
};
const DumpNameRow DumpNameRows[] = {
    {"LOG" + A0(13), 0x81, "LOG.SEQ_HexDump.txt"},
    {"game" + A0(12), 0xC2, "GAME.PRG_HexDump.txt"}, // the lock mark is not part of it
    {"  X" + A0(13), 0x83, "X.USR_HexDump.txt"},     // leading blanks removed
    {A0(16), 0x82, "_.PRG_HexDump.txt"},             // empty name: never a hidden file
    {"  " + A0(14), 0x81, "_.SEQ_HexDump.txt"},
    {"\xD3\xD3" + A0(14), 0x82, "\u2665\u2665.PRG_HexDump.txt"},
    {"A/B/C" + A0(11), 0x82, "AB_C.PRG_HexDump.txt"},
    {A0(16), 0x84, "_.REL_HexDump.txt"},
    {"GONE" + A0(12), 0x00, "GONE.DEL_HexDump.txt"},
    {"ODD" + A0(13), 0x86, "ODD.???_HexDump.txt"},
};
class DumpName : public ::testing::TestWithParam<DumpNameRow> {};
TEST_P(DumpName, BaseTypeAndSuffix) {
    EXPECT_EQ(HexDumpFileName(Named(GetParam().nameBytes, GetParam().typeByte)), GetParam().file);
}
INSTANTIATE_TEST_SUITE_P(Table, DumpName, ::testing::ValuesIn(DumpNameRows));

TEST(SavedLines, NameCountAndFolder) {
    EXPECT_EQ(SavedLines("GAME.PRG", 12, "/disks"),
              (std::vector<std::string>{"File \"GAME.PRG\" (12 Blocks) saved in:", "/disks"}));
    EXPECT_EQ(SavedLines("X.PRG", 1, "."),
              (std::vector<std::string>{"File \"X.PRG\" (1 Blocks) saved in:", "."}));
}

TEST(BlockCountText, OneBlockManyBlocks) {
    EXPECT_EQ(BlockCountText(0), "0 blocks");
    EXPECT_EQ(BlockCountText(1), "1 block");
    EXPECT_EQ(BlockCountText(2), "2 blocks");
    EXPECT_EQ(BlockCountText(731), "731 blocks");
}

struct FailureRow {
    const char* what;
    ChainEnd end;
    int blocks;
    std::vector<std::string> lines;
};
const FailureRow FailureRows[] = {
    {"loop",
     ChainEnd::Loop,
     2,
     {"File Export FAILED!", "The file's block chain is broken: the chain links back to a block already read "
                             "(after 2 blocks)."}},
    {"bad link",
     ChainEnd::BadLink,
     1,
     {"File Export FAILED!", "The file's block chain is broken: a link names a block outside the image "
                             "(after 1 block)."}},
    {"bad start",
     ChainEnd::BadLink,
     0,
     {"File Export FAILED!", "The file's block chain is broken: a link names a block outside the image "
                             "(after 0 blocks)."}},
    {"too long",
     ChainEnd::TooLong,
     731,
     {"File Export FAILED!", "The file is too long: the chain holds too many blocks."}},
};
class FailureText : public ::testing::TestWithParam<FailureRow> {};
TEST_P(FailureText, SaysWhyTheChainFailed) {
    FileOutcome out;
    out.failed = true;
    out.end = GetParam().end;
    out.blocks = GetParam().blocks;
    EXPECT_EQ(FailureLines(out), GetParam().lines) << GetParam().what;
}
INSTANTIATE_TEST_SUITE_P(Table, FailureText, ::testing::ValuesIn(FailureRows));

TEST(FailureText, AFileErrorIsSaid) {
    FileOutcome out;
    out.failed = true;
    out.fileError = "Could not create file \"/x/A.PRG\": Permission denied";
    // The file error says it all: it stands alone, whatever the walk did.
    EXPECT_EQ(FailureLines(out), std::vector<std::string>{out.fileError});
    out.end = ChainEnd::Stopped;
    out.blocks = 3;
    EXPECT_EQ(FailureLines(out), std::vector<std::string>{out.fileError});
}

// --- The walk --------------------------------------------------------------------

class ChainTest : public ::testing::Test {
  protected:
    TempDir dir;
    // Saves the disk and loads it back as the image the walk reads.
    DiskImage Save(const D64Builder& disk, const std::string& name = "T.D64") {
        EXPECT_TRUE(disk.Save(dir.File(name)));
        Result<DiskImage> image = DiskImage::Load(dir.File(name));
        EXPECT_TRUE(image) << image.Error();
        return image ? *image : DiskImage{};
    }
    static DirEntry At(BlockAddress first, const std::string& name = "X", std::uint8_t typeByte = 0x82,
                       std::uint16_t blocks = 1) {
        return test::MakeEntry(typeByte, first, name, blocks);
    }
};

TEST_F(ChainTest, VisitsEachBlockInOrder) {
    D64Builder disk;
    Chain(disk, {{1, 0}, {17, 5}, {20, 3}, {2, 1}}, 10);
    DiskImage image = Save(disk);
    std::vector<std::tuple<int, int, int>> seen;
    ChainWalk w = WalkChain(image, {1, 0}, 0, [&](BlockAddress at, const Block& block, int i) {
        seen.emplace_back(at.track, at.sector, i);
        EXPECT_EQ(block[2], std::uint8_t((i - 1) * 7 + 2));
        return true;
    });
    EXPECT_EQ(w.end, ChainEnd::LastBlock);
    EXPECT_EQ(w.blocks, 4);
    EXPECT_EQ(w.last, (BlockAddress{2, 1}));
    EXPECT_EQ(seen, (std::vector<std::tuple<int, int, int>>{{1, 0, 1}, {17, 5, 2}, {20, 3, 3}, {2, 1, 4}}));
    ChainWalk again;
    EXPECT_EQ(ChainBlocks(image, {1, 0}, &again),
              (std::vector<BlockAddress>{{1, 0}, {17, 5}, {20, 3}, {2, 1}}));
    EXPECT_EQ(again.end, ChainEnd::LastBlock);
    EXPECT_EQ(again.blocks, 4);
}

TEST_F(ChainTest, LimitStopsEvenOnTheLastBlockAndVisitorCanStop) {
    D64Builder disk;
    Chain(disk, {{1, 0}, {1, 1}, {1, 2}}, 10);
    DiskImage image = Save(disk);
    EXPECT_EQ(WalkChain(image, {1, 0}, 3, {}).end, ChainEnd::TooLong);
    EXPECT_EQ(WalkChain(image, {1, 0}, 2, {}).blocks, 2);
    EXPECT_EQ(WalkChain(image, {1, 0}, 4, {}).end, ChainEnd::LastBlock);
    ChainWalk w = WalkChain(image, {1, 0}, 0, [](BlockAddress, const Block&, int i) { return i < 2; });
    EXPECT_EQ(w.end, ChainEnd::Stopped);
    EXPECT_EQ(w.blocks, 2);
    EXPECT_EQ(w.last, (BlockAddress{1, 1}));
}

TEST_F(ChainTest, ChainBlocksStopsAtABreakAndSaysWhere) {
    D64Builder disk;
    Chain(disk, {{1, 0}, {1, 1}, {1, 2}}, 0);
    disk.Block(1, 2)[0] = 1; // back to 1/1
    disk.Block(1, 2)[1] = 1;
    DiskImage image = Save(disk);
    ChainWalk w;
    EXPECT_EQ(ChainBlocks(image, {1, 0}, &w), (std::vector<BlockAddress>{{1, 0}, {1, 1}, {1, 2}}));
    EXPECT_EQ(w.end, ChainEnd::Loop);
    EXPECT_EQ(w.blocks, 3);
    EXPECT_EQ(w.last, (BlockAddress{1, 1})) << "the loop target";
    disk.Block(1, 2)[0] = 36; // a track the 35-track image does not hold
    EXPECT_EQ(ChainBlocks(Save(disk), {1, 0}, &w).size(), 3u);
    EXPECT_EQ(w.end, ChainEnd::BadLink);
    EXPECT_EQ(w.last, (BlockAddress{36, 1})) << "the bad link";
    EXPECT_TRUE(ChainBlocks(image, {0, 0}).empty());
}

// --- Export ------------------------------------------------------------------------

TEST_F(ChainTest, OneBlockWithSecondByte10GivesItsBytes2To10) {
    D64Builder disk;
    const std::vector<std::uint8_t> data = {0x01, 0x08, 0x0B, 0x08, 0x0A, 0x00, 0x9E, 0x32, 0x30};
    auto first = disk.AddFile("ONE", 0x82, data);
    ASSERT_EQ(disk.Block(first.track, first.sector)[1], 10);
    DiskImage image = Save(disk);
    FileOutcome out = ExportPRG(image, At({first.track, first.sector}), dir.Path(), "ONE.PRG");
    EXPECT_FALSE(out.failed) << out.fileError;
    EXPECT_EQ(out.fileError, "");
    EXPECT_EQ(out.blocks, 1);
    EXPECT_EQ(out.end, ChainEnd::LastBlock);
    EXPECT_EQ(out.path, dir.File("ONE.PRG"));
    EXPECT_EQ(dir.Read("ONE.PRG"), data);
}

TEST_F(ChainTest, ThreeFullBlocksGive762Bytes) {
    D64Builder disk;
    std::vector<std::uint8_t> data(762);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 13);
    auto first = disk.AddFile("THREE", 0x82, data, {{3, 0}, {3, 10}, {19, 4}});
    ASSERT_EQ(disk.Block(19, 4)[1], 255);
    DiskImage image = Save(disk);
    FileOutcome out = ExportPRG(image, At({first.track, first.sector}), dir.Path(), "THREE.PRG");
    EXPECT_FALSE(out.failed);
    EXPECT_EQ(out.blocks, 3);
    EXPECT_EQ(dir.Read("THREE.PRG"), data);
}

TEST_F(ChainTest, LastBlockWithSecondByte1Or0ContributesNothing) {
    for (std::uint8_t n : {std::uint8_t(1), std::uint8_t(0)}) {
        D64Builder disk;
        Chain(disk, {{1, 0}, {1, 1}}, n);
        DiskImage image = Save(disk);
        FileOutcome out = ExportPRG(image, At({1, 0}), dir.Path(), "X.PRG");
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
    DiskImage image = Save(disk);
    dir.Write("X.PRG", std::vector<std::uint8_t>(1000, 0x77));
    EXPECT_FALSE(ExportPRG(image, At({1, 0}), dir.Path(), "X.PRG").failed);
    EXPECT_EQ(dir.Read("X.PRG"), (std::vector<std::uint8_t>{2, 3}));
}

TEST_F(ChainTest, TheImageInMemoryIsReadNotTheFile) {
    D64Builder disk;
    Chain(disk, {{1, 0}}, 3);
    DiskImage image = Save(disk);
    dir.Write("T.D64", {}); // the file is emptied after it was read
    FileOutcome out = ExportPRG(image, At({1, 0}), dir.Path(), "X.PRG");
    EXPECT_FALSE(out.failed);
    EXPECT_EQ(dir.Read("X.PRG"), (std::vector<std::uint8_t>{2, 3}));
}

TEST_F(ChainTest, ExportCountReaching731Fails) {
    // A 40-track image holds 768 blocks: room for chains of 730 and 731.
    for (auto [length, fails] : {std::pair{730, false}, std::pair{731, true}}) {
        D64Builder disk("LONG", "01", 40);
        Chain(disk, BlocksInFileOrder(std::size_t(length)), 255);
        DiskImage image = Save(disk);
        FileOutcome out = ExportPRG(image, At({1, 0}), dir.Path(), "L.PRG");
        EXPECT_EQ(out.failed, fails) << length;
        EXPECT_EQ(out.blocks, length);
        EXPECT_EQ(out.fileError, "");
        EXPECT_EQ(out.end, fails ? ChainEnd::TooLong : ChainEnd::LastBlock);
        if (fails) {
            EXPECT_EQ(FailureLines(out),
                      (std::vector<std::string>{"File Export FAILED!",
                                                "The file is too long: the chain holds too many blocks."}));
        }
        EXPECT_EQ(dir.Read("L.PRG").size(), std::size_t(length) * 254);
    }
}

TEST_F(ChainTest, FileThatCannotBeCreatedIsReportedByName) {
    D64Builder disk;
    Chain(disk, {{1, 0}}, 3);
    DiskImage image = Save(disk);
    std::filesystem::create_directory(dir.File("X.PRG"));
    FileOutcome out = ExportPRG(image, At({1, 0}), dir.Path(), "X.PRG");
    EXPECT_TRUE(out.failed);
    EXPECT_NE(out.fileError.find(dir.File("X.PRG")), std::string::npos) << out.fileError;
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("X.PRG")));
    out = ExportPRG(image, At({1, 0}), dir.File("no/such"), "Y.PRG");
    EXPECT_TRUE(out.failed);
    EXPECT_NE(out.fileError.find(dir.File("no/such/Y.PRG")), std::string::npos) << out.fileError;
    EXPECT_NE(out.fileError.find("No such file or directory"), std::string::npos) << out.fileError;
}

// What lies at the target's name: only a regular file is replaced.
enum class Target { Link, DanglingLink, Pipe, Folder };
struct TargetRow {
    const char* what;
    Target target;
    const char* why;
};
const TargetRow TargetRows[] = {
    {"a link to a file", Target::Link, "symbolic link"},
    {"a link to nothing", Target::DanglingLink, "symbolic link"},
    {"a named pipe", Target::Pipe, "no regular file"},
    {"a folder", Target::Folder, "no regular file"},
};
class ExportTarget : public ChainTest, public ::testing::WithParamInterface<TargetRow> {};
TEST_P(ExportTarget, IsRefusedAndLeftAsItWas) {
    const TargetRow& r = GetParam();
    D64Builder disk;
    Chain(disk, {{1, 0}}, 3);
    DiskImage image = Save(disk);
    dir.Write("victim", {9, 9, 9});
    for (const std::string name : {"X.PRG", "X.PRG_HexDump.txt"}) {
        const std::string path = dir.File(name);
        switch (r.target) {
        case Target::Link:
            std::filesystem::create_symlink(dir.File("victim"), path);
            break;
        case Target::DanglingLink:
            std::filesystem::create_symlink(dir.File("nothing"), path);
            break;
        case Target::Pipe:
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
            break;
        case Target::Folder:
            std::filesystem::create_directory(path);
            break;
        }
    }
    FileOutcome out = ExportPRG(image, At({1, 0}), dir.Path(), "X.PRG");
    EXPECT_TRUE(out.failed) << r.what;
    EXPECT_NE(out.fileError.find(dir.File("X.PRG")), std::string::npos) << out.fileError;
    EXPECT_NE(out.fileError.find(r.why), std::string::npos) << out.fileError;
    out = WriteHexDump(image, At({1, 0}), dir.Path());
    EXPECT_TRUE(out.failed) << r.what;
    EXPECT_NE(out.fileError.find(dir.File("X.PRG_HexDump.txt")), std::string::npos) << out.fileError;
    EXPECT_EQ(dir.Read("victim"), (std::vector<std::uint8_t>{9, 9, 9}));
    EXPECT_FALSE(dir.Exists("nothing"));
}
INSTANTIATE_TEST_SUITE_P(Table, ExportTarget, ::testing::ValuesIn(TargetRows));

TEST_F(ChainTest, ExportAndDumpNeverOverwriteTheImageTheyRead) {
    D64Builder disk;
    Chain(disk, {{1, 0}}, 3);
    for (const char* name : {"A.D64.PRG", "A.PRG_HexDump.txt"}) {
        DiskImage image = Save(disk, name);
        FileOutcome out = std::string(name) == "A.D64.PRG"
                              ? ExportPRG(image, At({1, 0}, "A"), dir.Path(), name)
                              : WriteHexDump(image, At({1, 0}, "A"), dir.Path());
        EXPECT_TRUE(out.failed) << name;
        EXPECT_NE(out.fileError.find("is the open image itself"), std::string::npos) << out.fileError;
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
    DiskImage image = Save(disk);
    FileOutcome out = WriteHexDump(image, At({17, 5}, "LOG", 0x81, 1), dir.Path());
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
    EXPECT_EQ(BuildHexDump(image, At({17, 5}, "LOG", 0x81, 1)).text, expected);
}

TEST_F(ChainTest, ThirdBlockTitleAndSizeFromTheEntry) {
    D64Builder disk;
    Chain(disk, {{1, 0}, {1, 1}, {17, 5}}, 2);
    DiskImage image = Save(disk);
    HexDumpText d = BuildHexDump(image, At({1, 0}, "abc", 0x82, 300));
    EXPECT_FALSE(d.failed);
    EXPECT_EQ(d.walk.blocks, 3);
    EXPECT_EQ(d.walk.end, ChainEnd::LastBlock);
    EXPECT_EQ(d.text.substr(0, d.text.find("\r\n")), "FILENAME: \"ABC.PRG\"      SIZE: 300 BLOCKS");
    EXPECT_NE(d.text.find("\r\n\r\nTRACK: 17  SECTOR: 05  (BLOCK #3)\r\n"), std::string::npos);
    EXPECT_NE(d.text.find("\r\n\r\nTRACK: 01  SECTOR: 01  (BLOCK #2)\r\n"), std::string::npos);
    EXPECT_EQ(std::count(d.text.begin(), d.text.end(), '\n'), 1 + 3 * 19);
    const std::string big = BuildHexDump(image, At({1, 0}, "abc", 0x82, 65535)).text;
    EXPECT_EQ(big.substr(0, big.find("\r\n")), "FILENAME: \"ABC.PRG\"      SIZE: 65535 BLOCKS");
}

TEST_F(ChainTest, DumpFailsAfterWritingThe732ndBlock) {
    for (auto [length, fails, written] :
         {std::tuple{731, false, 731}, std::tuple{732, true, 732}, std::tuple{733, true, 732}}) {
        D64Builder disk("LONG", "01", 40);
        Chain(disk, BlocksInFileOrder(std::size_t(length)), 255);
        DiskImage image = Save(disk);
        FileOutcome out = WriteHexDump(image, At({1, 0}, "L", 0x82, 731), dir.Path());
        EXPECT_EQ(out.failed, fails) << length;
        EXPECT_EQ(out.blocks, written);
        std::string text = Text(dir.Read("L.PRG_HexDump.txt"));
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 19 * written) << length;
        EXPECT_NE(text.find("(BLOCK #" + std::to_string(written) + ")\r\n"), std::string::npos);
    }
}

} // namespace
} // namespace dyskel
