// Disk geometry, reading blocks and tracks, the image path and the hex texts.
#include "CoreTestSupport.h"
#include "core/HexText.h"
#include "core/Uglobal.h"

#include <gtest/gtest.h>

namespace dyskel {
namespace {

using test::NumberedImage;
using test::TempDir;

struct TrackRow {
    int track;
    int sectors;
    int startBlock;
    std::int64_t offset;
};

// Zone boundaries and the checkpoints of the 1541 layout, typed by hand.
constexpr TrackRow TrackRows[] = {
    {1, 21, 0, 0},         //
    {2, 21, 21, 5376},     //
    {17, 21, 336, 86016},  //
    {18, 19, 357, 91392},  //
    {19, 19, 376, 96256},  //
    {24, 19, 471, 120576}, //
    {25, 18, 490, 125440}, //
    {30, 18, 580, 148480}, //
    {31, 17, 598, 153088}, //
    {35, 17, 666, 170496}, //
    {36, 17, 683, 174848}, //
    {40, 17, 751, 192256}, //
};

class TrackTable : public ::testing::TestWithParam<TrackRow> {};

TEST_P(TrackTable, SectorsAndStartBlock) {
    const TrackRow& r = GetParam();
    EXPECT_EQ(SectorsPerTrack(r.track), r.sectors);
    EXPECT_EQ(TrackStartBlock[std::size_t(r.track)], r.startBlock);
    EXPECT_EQ(std::int64_t(TrackStartBlock[std::size_t(r.track)]) * BlockSize, r.offset);
    EXPECT_EQ(BlockOffset(r.track, 0), r.offset);
    EXPECT_EQ(BlockOffset(r.track, r.sectors - 1), r.offset + (r.sectors - 1) * 256);
    EXPECT_TRUE(ValidBlock(r.track, 0));
    EXPECT_TRUE(ValidBlock(r.track, r.sectors - 1));
    EXPECT_FALSE(ValidBlock(r.track, r.sectors));
    EXPECT_FALSE(ValidBlock(r.track, -1));
}
INSTANTIATE_TEST_SUITE_P(Checkpoints, TrackTable, ::testing::ValuesIn(TrackRows));

TEST(Geometry, FortyTracksHold768BlocksAndTracksOutsideHaveNoSectors) {
    EXPECT_EQ(TrackStartBlock[40] + SectorsPerTrack(40), 768);
    EXPECT_EQ(SectorsPerTrack(0), 0);
    EXPECT_EQ(SectorsPerTrack(41), 0);
    EXPECT_EQ(SectorsPerTrack(-1), 0);
    // The last block of a 35-track image ends exactly at the standard size.
    EXPECT_EQ((TrackStartBlock[35] + 16 + 1) * 256, 174848);
    EXPECT_FALSE(ValidBlock(0, 0));
    EXPECT_FALSE(ValidBlock(41, 0));
    EXPECT_EQ(HeaderOffset, 91392);
}

struct SizeRow {
    std::int64_t size;
    int trackLimit; // what the editor offers
    int d64Tracks;  // 0: no D64 size
    std::int64_t blockBytes;
    int lastWholeTrack; // the highest track the file holds whole
};
// The four D64 sizes and their neighbours, typed from the 1541 layout.
constexpr SizeRow SizeRows[] = {
    {-1, 40, 0, -1, 0}, // what a size read from a failing file system call looks like
    {0, 40, 0, 0, 0},
    {5375, 40, 0, 5375, 0},
    {5376, 40, 0, 5376, 1},
    {96255, 40, 0, 96255, 17},
    {96256, 40, 0, 96256, 18},
    {174847, 40, 0, 174847, 34},
    {174848, 35, 35, 174848, 35},
    {174849, 40, 0, 174849, 35},
    {175530, 40, 0, 175530, 35},
    {175531, 35, 35, 174848, 35}, // the error bytes are no blocks
    {175532, 40, 0, 175532, 35},
    {179200, 40, 0, 179200, 36},
    {196607, 40, 0, 196607, 39},
    {196608, 40, 40, 196608, 40},
    {196609, 40, 0, 196609, 40},
    {197375, 40, 0, 197375, 40},
    {197376, 40, 40, 196608, 40}, // 40 tracks and their error bytes
    {262144, 40, 0, 262144, 40},
};
class SizeTable : public ::testing::TestWithParam<SizeRow> {};
TEST_P(SizeTable, TracksOfAFileOfThisSize) {
    const SizeRow& r = GetParam();
    EXPECT_EQ(TrackLimitForSize(r.size), r.trackLimit);
    EXPECT_EQ(TracksOfD64Size(r.size).value_or(0), r.d64Tracks);
    EXPECT_EQ(BlockBytesOfSize(r.size), r.blockBytes);
    for (int t = 0; t <= 41; ++t)
        EXPECT_EQ(ImageHoldsTrack(r.size, t), t >= 1 && t <= r.lastWholeTrack) << "track " << t;
    if (r.size < 0) return;
    EXPECT_EQ(DiskImage::FromBytes("x", std::vector<std::uint8_t>(std::size_t(r.size))).Tracks(),
              r.lastWholeTrack);
}
INSTANTIATE_TEST_SUITE_P(Sizes, SizeTable, ::testing::ValuesIn(SizeRows));

TEST(BlockAddress, ComparesByTrackThenSector) {
    EXPECT_TRUE((BlockAddress{1, 20} < BlockAddress{2, 0}));
    EXPECT_TRUE((BlockAddress{18, 0} < BlockAddress{18, 1}));
    EXPECT_FALSE((BlockAddress{18, 1} < BlockAddress{18, 1}));
    EXPECT_FALSE((BlockAddress{19, 0} < BlockAddress{18, 18}));
    EXPECT_EQ((BlockAddress{17, 5}), (BlockAddress{17, 5}));
    EXPECT_NE((BlockAddress{17, 5}), (BlockAddress{5, 17}));
}

// The folder of an opened image, where its exports and hex dumps go.
struct FolderRow {
    const char* path;
    const char* folder;
};
constexpr FolderRow FolderRows[] = {
    {"/disks/GAMES.D64", "/disks"}, {"/GAMES.D64", "/"}, {"/disks//GAMES.D64", "/disks"},
    {"rel/dir/x.d64", "rel/dir"},   {"GAMES.D64", ""},
};
class ImageFolder : public ::testing::TestWithParam<FolderRow> {};
TEST_P(ImageFolder, NoTrailingSeparatorButTheRoot) {
    EXPECT_EQ((ImageRef{GetParam().path, {}, {}}.Folder()), GetParam().folder);
}
INSTANTIATE_TEST_SUITE_P(Table, ImageFolder, ::testing::ValuesIn(FolderRows));

// --- Reading blocks and tracks --------------------------------------------

class ReadTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string Image(std::size_t size) {
        dir.Write("img.d64", NumberedImage(size));
        return dir.File("img.d64");
    }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

// Block k of a numbered image starts with k (low, high), then 0x40 + k % 64.
struct BlockRow {
    int track, sector;
    int fileBlock;    // from the 1541 layout
    int trackSectors; // blocks ReadTrack returns for the track
};
constexpr BlockRow BlockRows[] = {
    {1, 0, 0, 21},     {1, 20, 20, 21},   {2, 0, 21, 21},    {17, 20, 356, 21}, {18, 0, 357, 19},
    {18, 1, 358, 19},  {18, 18, 375, 19}, {19, 0, 376, 19},  {24, 18, 489, 19}, {25, 0, 490, 18},
    {30, 17, 597, 18}, {31, 0, 598, 17},  {35, 16, 682, 17}, {36, 0, 683, 17},  {40, 16, 767, 17},
};
class ReadBlockTable : public ReadTest, public ::testing::WithParamInterface<BlockRow> {};
TEST_P(ReadBlockTable, EveryWayOfReadingFindsTheSameBlock) {
    const BlockRow& r = GetParam();
    const std::string path = Image(196608);
    Block expected;
    expected.fill(std::uint8_t(0x40 + r.fileBlock % 64));
    expected[0] = std::uint8_t(r.fileBlock & 0xFF);
    expected[1] = std::uint8_t(r.fileBlock >> 8);

    Result<DiskImage> image = DiskImage::Load(path);
    ASSERT_TRUE(image) << image.Error();
    Result<Block> fromImage = image->ReadBlock({r.track, r.sector});
    ASSERT_TRUE(fromImage) << fromImage.Error();
    EXPECT_EQ(*fromImage, expected);

    Result<Block> fromFile = ReadBlock(path, {r.track, r.sector});
    ASSERT_TRUE(fromFile) << fromFile.Error();
    EXPECT_EQ(*fromFile, expected);

    Result<TrackData> track = ReadTrack(path, r.track);
    ASSERT_TRUE(track) << track.Error();
    EXPECT_EQ(track->track, r.track);
    EXPECT_EQ(track->bytes.size(), std::size_t(r.trackSectors) * 256);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), track->Block(r.sector)));
}
INSTANTIATE_TEST_SUITE_P(Layout, ReadBlockTable, ::testing::ValuesIn(BlockRows));

struct MissingTrackRow {
    const char* what;
    std::size_t size; // 0: no image file at all
    int track;
};
constexpr MissingTrackRow MissingTrackRows[] = {
    {"track 36 of a standard image", 174848, 36},
    {"track 36 of an image with error bytes", 175531, 36}, // the 683 error bytes are no track
    {"track 18 of a file cut inside it", 91392 + 300, 18},
    {"track 18 of a file one byte short", 96255, 18},
    {"track 0", 196608, 0},
    {"track 41", 196608, 41},
    {"track -1", 196608, -1},
    {"track 255", 196608, 255},
};
class MissingTrack : public ReadTest, public ::testing::WithParamInterface<MissingTrackRow> {};
TEST_P(MissingTrack, FailsNamingTheTrackAndTheFile) {
    const MissingTrackRow& r = GetParam();
    const std::string path = Image(r.size);
    Result<TrackData> t = ReadTrack(path, r.track);
    ASSERT_FALSE(t) << r.what;
    EXPECT_TRUE(Has(t.Error(), "track " + std::to_string(r.track))) << t.Error();
    EXPECT_TRUE(Has(t.Error(), path)) << t.Error();
}
INSTANTIATE_TEST_SUITE_P(Table, MissingTrack, ::testing::ValuesIn(MissingTrackRows));

TEST_F(ReadTest, NothingIsReadFromAMissingFileOrAFolder) {
    for (const std::string& path : {dir.File("missing.d64"), dir.Path()}) {
        Result<TrackData> t = ReadTrack(path, 1);
        EXPECT_FALSE(t) << path;
        EXPECT_TRUE(Has(t.Error(), path)) << t.Error();
        Result<Block> b = ReadBlock(path, {1, 0});
        EXPECT_FALSE(b) << path;
        EXPECT_TRUE(Has(b.Error(), "track 1, sector 0")) << b.Error();
    }
    Result<DiskImage> missing = DiskImage::Load(dir.File("missing.d64"));
    ASSERT_FALSE(missing);
    EXPECT_TRUE(Has(missing.Error(), dir.File("missing.d64"))) << missing.Error();
    Result<DiskImage> folder = DiskImage::Load(dir.Path());
    ASSERT_FALSE(folder);
    EXPECT_TRUE(Has(folder.Error(), "not a regular file")) << folder.Error();
}

// Which blocks a file of each size holds: a block must lie whole inside the
// file, and the error bytes of the two error sizes are no block.
struct HoldRow {
    std::size_t size;
    BlockAddress at;
    bool held;
};
constexpr HoldRow HoldRows[] =
    {
        {0, {1, 0}, false},       {255, {1, 0}, false},     {256, {1, 0}, true},
        {256, {1, 1}, false},     {91647, {18, 0}, false},  {91648, {18, 0}, true},
        {91648, {18, 1}, false},  {174848, {35, 16}, true}, {174848, {36, 0}, false},
        {175531, {35, 16}, true}, {175531, {36, 0}, false}, // 683 error bytes: room for two blocks, yet none
        {175531, {36, 1}, false}, {175531, {36, 2}, false}, {196608, {40, 16}, true},
        {197376, {40, 16}, true}, {197376, {1, 21}, false}, // no such sector
        {197376, {41, 0}, false},                           // no such track
        {197376, {0, 0}, false},  {262144, {40, 16}, true},
};
class HoldsBlock : public ReadTest, public ::testing::WithParamInterface<HoldRow> {};
TEST_P(HoldsBlock, AndReadsItOnlyThen) {
    const HoldRow& r = GetParam();
    const std::string path = Image(r.size);
    Result<DiskImage> image = DiskImage::Load(path);
    ASSERT_TRUE(image) << image.Error();
    EXPECT_EQ(image->FileSize(), std::int64_t(r.size));
    EXPECT_EQ(image->Path(), path);
    EXPECT_EQ(image->HoldsBlock(r.at), r.held);
    Result<Block> b = image->ReadBlock(r.at);
    EXPECT_EQ(b.Ok(), r.held);
    EXPECT_EQ(ReadBlock(path, r.at).Ok(), r.held) << "straight from the file";
    if (!r.held) {
        const std::string where =
            "track " + std::to_string(r.at.track) + ", sector " + std::to_string(r.at.sector);
        EXPECT_TRUE(Has(b.Error(), where)) << b.Error();
        EXPECT_TRUE(Has(b.Error(), path)) << b.Error();
    }
}
INSTANTIATE_TEST_SUITE_P(Table, HoldsBlock, ::testing::ValuesIn(HoldRows));

TEST_F(ReadTest, LoadKeepsTheErrorBytesAndNothingPastThem) {
    Result<DiskImage> image = DiskImage::Load(Image(175531));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Bytes().size(), 175531u);
    EXPECT_EQ(image->Bytes()[174848], 0xE0);
    EXPECT_EQ(image->Bytes()[175530], 0xE0 + 682 % 16);
    // A file longer than 40 tracks with error bytes: the rest is not read.
    image = DiskImage::Load(Image(300000));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->FileSize(), 300000);
    EXPECT_EQ(image->Bytes().size(), 197376u);
    EXPECT_EQ(image->Tracks(), 40);
}

TEST(DiskImageInMemory, PutBlockChangesOnlyThatBlockOfTheCopy) {
    DiskImage image = DiskImage::FromBytes("mem.d64", NumberedImage(174848));
    EXPECT_EQ(image.Path(), "mem.d64");
    Block b;
    b.fill(0x5A);
    image.PutBlock({18, 1}, b);
    EXPECT_EQ(*image.ReadBlock({18, 1}), b);
    const auto& bytes = image.Bytes();
    EXPECT_EQ(bytes[91648 - 1], 0x40 + 357 % 64); // end of 18/0
    EXPECT_EQ(bytes[91648], 0x5A);
    EXPECT_EQ(bytes[91904 - 1], 0x5A);
    EXPECT_EQ(bytes[91904], 359 & 0xFF); // 18/2 starts with its number
    // A block the image does not hold is not added.
    image.PutBlock({36, 0}, b);
    EXPECT_EQ(image.Bytes().size(), 174848u);
    EXPECT_FALSE(image.ReadBlock({36, 0}));
}

TEST(BlockReadError, NamesTheBlockAndTheFile) {
    EXPECT_EQ(BlockReadError("/d/G.D64", {18, 1}, "why."),
              "Reading track 18, sector 1 of \"/d/G.D64\" failed: why.");
}

// --- Hex texts --------------------------------------------------------------

TEST(HexText, WordAndByteForms) {
    EXPECT_EQ(WordToHex(0), "0000");
    EXPECT_EQ(WordToHex(2049), "0801");
    EXPECT_EQ(WordToHex(0xABCD), "ABCD");
    EXPECT_EQ(WordToHex(65535), "FFFF");
    EXPECT_EQ(ByteToHex(0), "00");
    EXPECT_EQ(ByteToHex(10), "0A");
    EXPECT_EQ(ByteToHex(0x9F), "9F");
    EXPECT_EQ(ByteToHex(255), "FF");
}

} // namespace
} // namespace dyskel
