// Damaged images: truncated or overlong files, wild links and looping chains.
// Every operation must end with a clear result and read nothing outside the
// image.
#include "CoreTestSupport.h"
#include "core/Directory.h"
#include "core/DiskEdits.h"
#include "core/DiskHeader.h"
#include "core/FileChain.h"
#include "core/ImageScan.h"
#include "core/ImageUpdate.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

namespace dyskel {
namespace {

using test::TempDir;

// File sizes around every boundary: block 1/0 ends at 256, 1/1 at 512, track 1
// at 5376, the header block at 91648, 18/1 at 91904, track 18 at 96256, 35
// tracks at 174848, 40 tracks at 196608; 175531 and 197376 add error bytes.
constexpr std::size_t Sizes[] = {0,      1,      255,    256,    511,    512,    5375,   5376,
                                 91391,  91392,  91647,  91648,  91903,  91904,  96255,  96256,
                                 174847, 174848, 174849, 175530, 175531, 175532, 196607, 196608,
                                 196609, 197375, 197376, 197377, 262144};

bool IsD64Size(std::size_t size) {
    return size == 174848 || size == 175531 || size == 196608 || size == 197376;
}

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
    const bool hasHeader = size >= 91648, hasDir = size >= 91904;
    const int chainBlocks = size >= 512 ? 2 : size >= 256 ? 1 : 0;

    EXPECT_EQ(FindImage(path).size, std::int64_t(size));
    Result<HeaderInfo> header = ReadHeaderBlock(path);
    EXPECT_EQ(header.Ok(), hasHeader);
    if (hasHeader) {
        EXPECT_EQ(header->label, "\"BROKEN\" 012A");
    }
    EXPECT_EQ(ReadDiskLabel(dir.Path(), FindImage(path)).ok, hasHeader);

    Result<DiskImage> image = DiskImage::Load(path);
    ASSERT_TRUE(image) << image.Error();
    EXPECT_EQ(image->FileSize(), std::int64_t(size));
    Result<DiskView> view = ReadDiskView(*image, true);
    EXPECT_EQ(view.Ok(), hasDir) << view.Error();
    if (hasDir) {
        EXPECT_EQ(view->bam.freeBlocks, 662);
        ASSERT_EQ(view->dir.entries.size(), 1u);
        EXPECT_EQ(DirRowCells(view->dir.entries[0], 1)[4], " 01,00");
        EXPECT_FALSE(view->dir.cut);
    } else {
        EXPECT_NE(view.Error().find(hasHeader ? "track 18, sector 1" : "track 18, sector 0"),
                  std::string::npos)
            << view.Error();
        EXPECT_NE(view.Error().find(path), std::string::npos) << view.Error();
    }

    const DirEntry game = test::MakeEntry(0x82, {1, 0}, "GAME", 2);
    FileOutcome out = ExportPRG(*image, game, dir.Path(), "GAME.PRG");
    EXPECT_EQ(out.failed, chainBlocks < 2);
    EXPECT_EQ(out.blocks, chainBlocks);
    EXPECT_EQ(out.end, chainBlocks == 2 ? ChainEnd::LastBlock : ChainEnd::BadLink);
    EXPECT_EQ(dir.Read("GAME.PRG").size(), chainBlocks == 2 ? 302u : chainBlocks == 1 ? 254u : 0u);
    EXPECT_EQ(WriteHexDump(*image, game, dir.Path()).failed, chainBlocks < 2);

    // Only the four D64 sizes are written; any other is left as it is.
    UpdateOptions options;
    options.backupFiles = true;
    UpdateResult r = UpdateImage(dir.File("C.D64"), PutBlocks(test::WholeTrack(18, 0x5A)), options, {});
    EXPECT_EQ(r.status, IsD64Size(size) ? UpdateStatus::Updated : UpdateStatus::Failed) << r.message;
    EXPECT_EQ(r.message.empty(), IsD64Size(size)) << r.message;
    if (!IsD64Size(size)) {
        EXPECT_NE(r.message.find(std::to_string(size) + " bytes long"), std::string::npos) << r.message;
    }
    std::vector<std::uint8_t> expected = bytes;
    if (IsD64Size(size)) std::fill(expected.begin() + 91392, expected.begin() + 96256, 0x5A);
    EXPECT_EQ(dir.Read("C.D64"), expected);
    EXPECT_EQ(dir.Exists("C.BAK"), IsD64Size(size));
}
INSTANTIATE_TEST_SUITE_P(Sizes, TruncatedImage, ::testing::ValuesIn(Sizes));

// --- Wild links ------------------------------------------------------------------

enum class Kind { Std, Err, Forty, FortyErr };

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
    {"start on 40/16, 40 tracks and error bytes", Kind::FortyErr, 40, 16, 0, 0, ChainEnd::LastBlock, 1},
    {"start on 40/17", Kind::Forty, 40, 17, 0, 0, ChainEnd::BadLink, 0},
    {"start on 1/21", Kind::Std, 1, 21, 0, 0, ChainEnd::BadLink, 0},
    {"start on 18/19", Kind::Std, 18, 19, 0, 0, ChainEnd::BadLink, 0},
    {"start on 99/99", Kind::Std, 99, 99, 0, 0, ChainEnd::BadLink, 0},
    {"link to track 36, 35 tracks", Kind::Std, 1, 0, 36, 0, ChainEnd::BadLink, 1},
    {"link to track 36, error bytes", Kind::Err, 1, 0, 36, 0, ChainEnd::BadLink, 1},
    {"link to track 41", Kind::Forty, 1, 0, 41, 0, ChainEnd::BadLink, 1},
    {"link to track 41, 40 tracks and error bytes", Kind::FortyErr, 1, 0, 41, 0, ChainEnd::BadLink, 1},
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
    const bool forty = c.kind == Kind::Forty || c.kind == Kind::FortyErr;
    D64Builder disk("WILD", "01", forty ? 40 : 35, c.kind == Kind::Err);
    disk.Block(1, 0)[0] = std::uint8_t(c.linkTrack);
    disk.Block(1, 0)[1] = std::uint8_t(c.linkTrack == 0 ? 255 : c.linkSector);
    disk.Block(1, 1)[0] = 1;
    disk.Block(1, 1)[1] = 0;
    std::vector<std::uint8_t> bytes = disk.Bytes();
    if (c.kind == Kind::FortyErr) bytes.resize(197376, 0x01);
    dir.Write("W.D64", bytes);
    Result<DiskImage> image = DiskImage::Load(dir.File("W.D64"));
    ASSERT_TRUE(image) << image.Error();

    int visits = 0;
    ChainWalk w = WalkChain(*image, {c.startTrack, c.startSector}, ExportBlockLimit,
                            [&](BlockAddress, const Block&, int) { return ++visits, true; });
    EXPECT_EQ(w.end, c.end) << c.what;
    EXPECT_EQ(w.blocks, c.blocks) << c.what;
    EXPECT_EQ(visits, c.blocks) << c.what;
    if (c.end == ChainEnd::BadLink) {
        const BlockAddress bad = c.blocks == 0 ? BlockAddress{c.startTrack, c.startSector}
                                               : BlockAddress{c.linkTrack, c.linkSector};
        EXPECT_EQ(w.last, bad) << c.what;
    }

    const bool fails = c.end != ChainEnd::LastBlock;
    const DirEntry entry = test::MakeEntry(0x82, {c.startTrack, c.startSector}, "W", 1);
    FileOutcome out = ExportPRG(*image, entry, dir.Path(), "W.PRG");
    EXPECT_EQ(out.failed, fails) << c.what;
    EXPECT_EQ(out.fileError, "") << c.what;
    EXPECT_EQ(FailureLines(out).front(), "File Export FAILED!") << c.what;
    EXPECT_TRUE(dir.Exists("W.PRG"));
    // A broken chain leaves what was read so far, whole blocks of it.
    if (fails) EXPECT_EQ(dir.Read("W.PRG").size(), 254u * std::size_t(c.blocks)) << c.what;
    out = WriteHexDump(*image, entry, dir.Path());
    EXPECT_EQ(out.failed, fails) << c.what;
    auto text = dir.Read("W.PRG_HexDump.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 19 * c.blocks);
}
INSTANTIATE_TEST_SUITE_P(Table, WildLink, ::testing::ValuesIn(LinkCases));

TEST(MissingImage, NothingIsReadOrWritten) {
    TempDir dir;
    const std::string path = dir.File("gone.d64");
    Result<DiskImage> image = DiskImage::Load(path);
    ASSERT_FALSE(image);
    EXPECT_NE(image.Error().find(path), std::string::npos) << image.Error();
    EXPECT_EQ(WalkChain(test::InMemory({}, path), {1, 0}, 0, {}).end, ChainEnd::BadLink);
    UpdateOptions options;
    options.backupFiles = true;
    UpdateResult r = UpdateImage(path, PutBlocks(test::WholeTrack(18, 0)), options, {});
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
    EXPECT_FALSE(dir.Exists("gone.d64"));
    EXPECT_FALSE(dir.Exists("gone.BAK"));
}

} // namespace
} // namespace dyskel
