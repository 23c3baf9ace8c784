// Damaged images: truncated or overlong files, wild links and looping chains.
// Every operation must end with a clear result and read nothing outside the
// image or the track buffer.
#include "CoreTestSupport.h"
#include "core/DiskHeader.h"
#include "core/FileChain.h"
#include "core/ImageScan.h"
#include "core/ImageUpdate.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

namespace dyskel {
namespace {

using test::TempDir;

// File sizes around every boundary: track 1 ends at 5376, the header block at
// 91648, track 18 at 96256, 35 tracks at 174848, 40 tracks at 196608.
constexpr std::size_t Sizes[] = {0,      1,      255,    256,    5375,   5376,   91391,  91392,
                                 91647,  91648,  96255,  96256,  174847, 174848, 174849, 175530,
                                 175531, 175532, 196607, 196608, 196609, 262144};

class TruncatedImage : public ::testing::TestWithParam<std::size_t> {
  protected:
    TempDir dir;
    std::vector<std::uint8_t> bytes;
    std::string path;
    void SetUp() override {
        D64Builder disk("BROKEN", "01", 40);
        disk.AddPrg("GAME", 0x0801, std::vector<std::uint8_t>(300, 0xEA)); // blocks 1/0 and 1/1
        bytes = disk.Bytes();
        bytes.resize(GetParam(), 0);
        dir.Write("C.D64", bytes);
        path = dir.File("C.D64");
    }
};

TEST_P(TruncatedImage, EveryOperationEndsWithAClearResult) {
    const std::size_t size = GetParam();
    const bool hasHeader = size >= 91648, hasTrack1 = size >= 5376, hasTrack18 = size >= 96256;

    OpenImageState state;
    state.CurrentFolder = dir.Path();
    state.ImageFileName = "C.D64";
    state.ImageFindRec = FindImage(path);
    EXPECT_EQ(state.ImageFindRec.size, std::int64_t(size));
    EXPECT_EQ(ReadDiskHeader(state), hasHeader ? "\"BROKEN\" 012A" : "");
    EXPECT_EQ(ReadDiskLabel(dir.Path(), state.ImageFindRec).ok, hasHeader);

    TrackBuffer buffer;
    FreeMap map;
    std::uint16_t free = DecodeBAM(path, buffer, map);
    EXPECT_LE(free, 664);
    if (hasTrack18) {
        EXPECT_EQ(free, 662);
    }
    DirListing l = ListDirectory(buffer, free);
    EXPECT_LE(l.entries.size(), 144u);
    if (hasTrack18) {
        ASSERT_EQ(l.entries.size(), 1u);
        EXPECT_EQ(l.entries[0].cells[4], " 01,00");
    }

    FileOutcome out = ExportPRG(path, {1, 0}, dir.Path(), "GAME.PRG", buffer);
    EXPECT_EQ(out.failed, !hasTrack1);
    EXPECT_EQ(out.end, hasTrack1 ? ChainEnd::LastBlock : ChainEnd::BadLink);
    EXPECT_EQ(dir.Read("GAME.PRG").size(), hasTrack1 ? 302u : 0u);
    EXPECT_EQ(WriteHexDump(path, {1, 0}, dir.Path(), "\"GAME\"", " PRG", "    2", buffer).failed, !hasTrack1);

    UpdateOptions options;
    options.backupFiles = true;
    UpdateResult r = UpdateImageFile(dir.Path(), "C.D64", 18, buffer, options, {});
    EXPECT_EQ(r.status, hasTrack18 ? UpdateStatus::Updated : UpdateStatus::Failed);
    EXPECT_EQ(r.message.empty(), hasTrack18);
    EXPECT_EQ(dir.Read("C.D64").size(), size);
    if (!hasTrack18) {
        EXPECT_EQ(dir.Read("C.D64"), bytes);
    }
    EXPECT_EQ(dir.Exists("C.BAK"), hasTrack18);
}
INSTANTIATE_TEST_SUITE_P(Sizes, TruncatedImage, ::testing::ValuesIn(Sizes));

// --- Wild links ------------------------------------------------------------------

enum class Kind { Std, Err, Forty };

struct LinkCase {
    const char* what;
    Kind kind;
    int startTrack, startSector;
    int linkTrack, linkSector; // written into block 1/0 (when the chain starts there)
    ChainEnd end;
    int blocks;
};
const LinkCase LinkCases[] = {
    {"start on track 0", Kind::Std, 0, 0, 0, 0, ChainEnd::BadLink, 0},
    {"start on track 41", Kind::Forty, 41, 0, 0, 0, ChainEnd::BadLink, 0},
    {"start on track 36, 35 tracks", Kind::Std, 36, 0, 0, 0, ChainEnd::BadLink, 0},
    {"start on track 36, error bytes", Kind::Err, 36, 0, 0, 0, ChainEnd::BadLink, 0},
    {"start on track 36, 40 tracks", Kind::Forty, 36, 0, 0, 0, ChainEnd::LastBlock, 1},
    {"start on 40/16", Kind::Forty, 40, 16, 0, 0, ChainEnd::LastBlock, 1},
    {"start on 40/17", Kind::Forty, 40, 17, 0, 0, ChainEnd::BadLink, 0},
    {"start on 1/21", Kind::Std, 1, 21, 0, 0, ChainEnd::BadLink, 0},
    {"start on 18/19", Kind::Std, 18, 19, 0, 0, ChainEnd::BadLink, 0},
    {"start on 99/99", Kind::Std, 99, 99, 0, 0, ChainEnd::BadLink, 0},
    {"link to track 36, 35 tracks", Kind::Std, 1, 0, 36, 0, ChainEnd::BadLink, 1},
    {"link to track 36, error bytes", Kind::Err, 1, 0, 36, 0, ChainEnd::BadLink, 1},
    {"link to track 41", Kind::Forty, 1, 0, 41, 0, ChainEnd::BadLink, 1},
    {"link to 1/21", Kind::Std, 1, 0, 1, 21, ChainEnd::BadLink, 1},
    {"link to 18/19", Kind::Std, 1, 0, 18, 19, ChainEnd::BadLink, 1},
    {"link to 255/255", Kind::Std, 1, 0, 255, 255, ChainEnd::BadLink, 1},
    {"self loop", Kind::Std, 1, 0, 1, 0, ChainEnd::Loop, 1},
    {"two-block loop", Kind::Std, 1, 0, 1, 1, ChainEnd::Loop, 2}, // 1/1 links back to 1/0
};

class WildLink : public ::testing::TestWithParam<LinkCase> {};

TEST_P(WildLink, WalkExportAndDumpStopSafely) {
    const LinkCase& c = GetParam();
    TempDir dir;
    D64Builder disk("WILD", "01", c.kind == Kind::Forty ? 40 : 35, c.kind == Kind::Err);
    disk.Block(1, 0)[0] = std::uint8_t(c.linkTrack);
    disk.Block(1, 0)[1] = std::uint8_t(c.linkTrack == 0 ? 255 : c.linkSector);
    disk.Block(1, 1)[0] = 1;
    disk.Block(1, 1)[1] = 0;
    ASSERT_TRUE(disk.Save(dir.File("W.D64")));
    const std::string path = dir.File("W.D64");

    TrackBuffer buffer = test::FilledBuffer(0x33);
    buffer.track = 7;
    ChainWalk w = WalkChain(path, {c.startTrack, c.startSector}, buffer, ExportBlockLimit, {});
    EXPECT_EQ(w.end, c.end) << c.what;
    EXPECT_EQ(w.blocks, c.blocks) << c.what;
    if (c.blocks == 0) {
        EXPECT_EQ(buffer.track, 7) << "nothing read for " << c.what;
        EXPECT_EQ(buffer.bytes, test::FilledBuffer(0x33).bytes);
    }

    const bool fails = c.end != ChainEnd::LastBlock;
    FileOutcome out = ExportPRG(path, {c.startTrack, c.startSector}, dir.Path(), "W.PRG", buffer);
    EXPECT_EQ(out.failed, fails) << c.what;
    EXPECT_EQ(out.message, fails ? "File Export FAILED!" : "");
    EXPECT_TRUE(dir.Exists("W.PRG"));
    out = WriteHexDump(path, {c.startTrack, c.startSector}, dir.Path(), "\"W\"", " PRG", "    1", buffer);
    EXPECT_EQ(out.failed, fails) << c.what;
    auto text = dir.Read("W.PRG_HexDump.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 19 * c.blocks);
}
INSTANTIATE_TEST_SUITE_P(Table, WildLink, ::testing::ValuesIn(LinkCases));

TEST(MissingImage, NothingIsReadOrWritten) {
    TempDir dir;
    TrackBuffer buffer;
    const std::string path = dir.File("gone.d64");
    EXPECT_EQ(WalkChain(path, {1, 0}, buffer, 0, {}).end, ChainEnd::BadLink);
    EXPECT_TRUE(ExportPRG(path, {1, 0}, dir.Path(), "X.PRG", buffer).failed);
    UpdateOptions options;
    EXPECT_EQ(UpdateImageFile(dir.Path(), "gone.d64", 18, buffer, options, {}).status, UpdateStatus::Failed);
    EXPECT_FALSE(dir.Exists("gone.d64"));
    EXPECT_FALSE(dir.Exists("gone.BAK"));
}

TEST(DirectoryOnTheHeaderBlock, ALinkToSector0ReadsTheHeaderAsEntries) {
    D64Builder disk;
    for (int i = 0; i < 8; ++i) disk.Block(18, 1)[32 * i + 2] = 0x82;
    disk.Block(18, 1)[0] = 18;
    disk.Block(18, 1)[1] = 0;
    TrackBuffer b;
    for (int s = 0; s < 19; ++s) std::copy_n(disk.Block(18, s), 256, b.Block(s));
    // The header's "type bytes" at 2, 34, 66, 98, 130 and 162 are the format
    // byte, four BAM bytes and the first ID letter; the one at 194 is 0.
    DirListing l = ListDirectory(b, 0);
    EXPECT_EQ(l.entries.size(), 8u + 6u);
    EXPECT_EQ(l.entries[8].cells[3], ">SEQ"); // 0x41
    EXPECT_FALSE(l.cut);
    // With the header's eighth place in use too, its link back to sector 1 cuts the walk.
    b.Block(0)[194] = 0x82;
    b.Block(0)[226] = 0x82;
    l = ListDirectory(b, 0);
    EXPECT_EQ(l.entries.size(), 16u);
    EXPECT_TRUE(l.cut);
}

} // namespace
} // namespace dyskel
