// Disk geometry, the track buffer reader, path joining and the hex texts.
#include "CoreTestSupport.h"
#include "core/HexText.h"
#include "core/Uglobal.h"

#include <gtest/gtest.h>

namespace dyskel {
namespace {

using test::FilledBuffer;
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
    EXPECT_EQ(TrackStartBlock[r.track], r.startBlock);
    EXPECT_EQ(std::int64_t(TrackStartBlock[r.track]) * BlockSize, r.offset);
}
INSTANTIATE_TEST_SUITE_P(Checkpoints, TrackTable, ::testing::ValuesIn(TrackRows));

TEST(Geometry, FortyTracksHold768BlocksAndTracksOutsideHaveNoSectors) {
    EXPECT_EQ(TrackStartBlock[40] + SectorsPerTrack(40), 768);
    EXPECT_EQ(SectorsPerTrack(0), 0);
    EXPECT_EQ(SectorsPerTrack(41), 0);
    EXPECT_EQ(SectorsPerTrack(-1), 0);
    // The last block of a 35-track image ends exactly at the standard size.
    EXPECT_EQ((TrackStartBlock[35] + 16 + 1) * 256, 174848);
}

TEST(Geometry, ImageHoldsTrack) {
    EXPECT_TRUE(ImageHoldsTrack(174848, 35));
    EXPECT_FALSE(ImageHoldsTrack(174848, 36));
    EXPECT_TRUE(ImageHoldsTrack(175531, 35));
    EXPECT_FALSE(ImageHoldsTrack(175531, 36)); // the error bytes are no track
    EXPECT_TRUE(ImageHoldsTrack(196608, 40));
    EXPECT_FALSE(ImageHoldsTrack(196608, 41));
    EXPECT_FALSE(ImageHoldsTrack(196608, 0));
    EXPECT_TRUE(ImageHoldsTrack(96256, 18));
    EXPECT_FALSE(ImageHoldsTrack(96255, 18));
    EXPECT_FALSE(ImageHoldsTrack(-1, 1));
    EXPECT_FALSE(ImageHoldsTrack(0, 1));
}

TEST(Geometry, TrackLimitForSize) {
    EXPECT_EQ(TrackLimitForSize(174848), 35);
    EXPECT_EQ(TrackLimitForSize(175531), 35);
    EXPECT_EQ(TrackLimitForSize(196608), 40);
    EXPECT_EQ(TrackLimitForSize(0), 40);
}

TEST(JoinPath, SeparatorOnlyWhereNeeded) {
    EXPECT_EQ(OpenImageState::JoinPath("", "GAMES.D64"), "GAMES.D64");
    EXPECT_EQ(OpenImageState::JoinPath("/disks", "GAMES.D64"), "/disks/GAMES.D64");
    EXPECT_EQ(OpenImageState::JoinPath("/disks/", "GAMES.D64"), "/disks/GAMES.D64");
    EXPECT_EQ(OpenImageState::JoinPath("/", "GAMES.D64"), "/GAMES.D64");
    OpenImageState s;
    s.CurrentFolder = "/a";
    s.ImageFileName = "b.d64";
    EXPECT_EQ(s.ImagePath(), "/a/b.d64");
}

// --- ReadTrack ------------------------------------------------------------

class ReadTrackTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string Image(std::size_t size) {
        dir.Write("img.d64", NumberedImage(size));
        return dir.File("img.d64");
    }
};

TEST_F(ReadTrackTest, Track18Reads19BlocksAndLeavesBlocks19And20) {
    std::string path = Image(174848);
    TrackBuffer b = FilledBuffer(0xEE);
    EXPECT_EQ(ReadTrack(path, 18, b), 19u * 256);
    EXPECT_EQ(b.track, 18);
    // Buffer block 0 is file block 357 = 0x0165, block 18 is 375 = 0x0177.
    EXPECT_EQ(b.bytes[0], 0x65);
    EXPECT_EQ(b.bytes[1], 0x01);
    EXPECT_EQ(b.bytes[18 * 256], 0x77);
    EXPECT_EQ(b.bytes[18 * 256 + 1], 0x01);
    EXPECT_EQ(b.bytes[19 * 256 - 1], 0x40 + 375 % 64);
    EXPECT_EQ(b.bytes[19 * 256], 0xEE);
    EXPECT_EQ(b.bytes[21 * 256 - 1], 0xEE);
}

TEST_F(ReadTrackTest, Track17And31StartWhereTheTableSays) {
    std::string path = Image(174848);
    TrackBuffer b = FilledBuffer(0xEE);
    EXPECT_EQ(ReadTrack(path, 17, b), 21u * 256);
    EXPECT_EQ(b.bytes[0], 0x50); // block 336 = 0x0150
    EXPECT_EQ(b.bytes[1], 0x01);
    EXPECT_EQ(b.bytes[20 * 256], 0x64); // block 356 = 0x0164
    EXPECT_EQ(ReadTrack(path, 31, b), 17u * 256);
    EXPECT_EQ(b.bytes[0], 0x56); // block 598 = 0x0256
    EXPECT_EQ(b.bytes[1], 0x02);
    EXPECT_EQ(b.bytes[17 * 256], 0x61); // block 353 = 0x0161, left from track 17
    EXPECT_EQ(b.track, 31);
}

TEST_F(ReadTrackTest, Track36OfAStandardImageReadsNothing) {
    std::string path = Image(174848);
    TrackBuffer b = FilledBuffer(0xEE);
    b.track = 5;
    EXPECT_EQ(ReadTrack(path, 36, b), 0u);
    EXPECT_EQ(b.track, 5);
    EXPECT_EQ(b.bytes, FilledBuffer(0xEE).bytes);
}

TEST_F(ReadTrackTest, Track36OfAnErrorImageReadsTheErrorBytes) {
    std::string path = Image(175531);
    TrackBuffer b = FilledBuffer(0xEE);
    EXPECT_EQ(ReadTrack(path, 36, b), 683u);
    EXPECT_EQ(b.track, 0); // not a whole track
    EXPECT_EQ(b.bytes[0], 0xE0);
    EXPECT_EQ(b.bytes[17], 0xE1);
    EXPECT_EQ(b.bytes[682], 0xE0 + 682 % 16);
    EXPECT_EQ(b.bytes[683], 0xEE);
}

TEST_F(ReadTrackTest, ShortFileFillsWhatItHolds) {
    std::string path = Image(91392 + 300);
    TrackBuffer b = FilledBuffer(0xEE);
    b.track = 7;
    EXPECT_EQ(ReadTrack(path, 18, b), 300u);
    EXPECT_EQ(b.track, 7);
    EXPECT_EQ(b.bytes[0], 0x65);
    EXPECT_EQ(b.bytes[299], 0x40 + 358 % 64);
    EXPECT_EQ(b.bytes[300], 0xEE);
}

TEST_F(ReadTrackTest, NothingIsReadOutsideTracks1To40OrFromAMissingFile) {
    std::string path = Image(196608);
    TrackBuffer b = FilledBuffer(0xEE);
    for (int t : {-1, 0, 41, 255}) EXPECT_EQ(ReadTrack(path, t, b), 0u) << t;
    EXPECT_EQ(ReadTrack(dir.File("missing.d64"), 1, b), 0u);
    EXPECT_EQ(ReadTrack(dir.Path(), 1, b), 0u); // a folder
    EXPECT_EQ(b.bytes, FilledBuffer(0xEE).bytes);
    EXPECT_EQ(b.track, 0);
    EXPECT_EQ(ReadTrack(path, 40, b), 17u * 256);
    EXPECT_EQ(b.bytes[0], 0xEF); // block 751 = 0x02EF
    EXPECT_EQ(b.bytes[1], 0x02);
}

// --- Hex texts --------------------------------------------------------------

TEST(HexText, WordByteAndBinaryForms) {
    EXPECT_EQ(WordToHex(0), "0000");
    EXPECT_EQ(WordToHex(2049), "0801");
    EXPECT_EQ(WordToHex(0xABCD), "ABCD");
    EXPECT_EQ(WordToHex(65535), "FFFF");
    EXPECT_EQ(ByteToHex(0), "00");
    EXPECT_EQ(ByteToHex(10), "0A");
    EXPECT_EQ(ByteToHex(0x9F), "9F");
    EXPECT_EQ(ByteToHex(255), "FF");
    EXPECT_EQ(ByteToBin(0), "00000000");
    EXPECT_EQ(ByteToBin(1), "00000001");
    EXPECT_EQ(ByteToBin(128), "10000000");
    EXPECT_EQ(ByteToBin(0xA5), "10100101");
    EXPECT_EQ(ByteToBin(255), "11111111");
}

} // namespace
} // namespace dyskel
