// The header block: label text, flags, and the BAM decoded into the free map.
#include "CoreTestSupport.h"
#include "core/DiskHeader.h"
#include "core/ImageScan.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <array>

namespace dyskel {
namespace {

using test::TempDir;

// A header block with the name GAMES, ID 01 and format 2A laid out by hand.
Block GamesHeader() {
    Block h{};
    h[0x02] = 0x41;
    const char name[] = "GAMES";
    for (int i = 0; i < 16; ++i) h[0x90 + i] = i < 5 ? std::uint8_t(name[i]) : 0xA0;
    h[0xA0] = 0xA0;
    h[0xA1] = 0xA0;
    h[0xA2] = '0';
    h[0xA3] = '1';
    h[0xA4] = 0xA0;
    h[0xA5] = '2';
    h[0xA6] = 'A';
    return h;
}

TEST(LabelText, NameQuoteBlankThenIdAndFormat) {
    auto h = GamesHeader();
    EXPECT_EQ(LabelText(h), "\"GAMES\" 012A");
    EXPECT_EQ(LabelText(h).size(), 12u);
}

TEST(LabelText, KeepsOnly20_21And23To9D) {
    auto h = GamesHeader();
    const std::uint8_t name[16] = {0x20, 0x21, 0x22, 0x23, 0x0D, 0x9D, 0x9E, 0xC1,
                                   0xDA, 0xFF, 0x00, 0x1F, 0x41, 0x5A, 0x60, 0x7F};
    std::copy(std::begin(name), std::end(name), h.begin() + 0x90);
    h[0xA0] = 'X';  // the byte after the name is part of the label
    h[0xA1] = 'Y';  // never looked at
    h[0xA4] = 0x22; // a quote between ID and format is dropped
    std::string expected = "\"";
    expected += "\x20\x21\x23\x9D\x41\x5A\x60\x7F";
    expected += "X\" 012A";
    EXPECT_EQ(LabelText(h), expected);
}

TEST(LabelText, AllKeptGivesTheLongest25Characters) {
    Block h{};
    h.fill('Z');
    EXPECT_EQ(LabelText(h), "\"ZZZZZZZZZZZZZZZZZ\" ZZZZZ");
}

struct FlagRow {
    std::uint8_t format;
    std::uint8_t flags;
    bool writeProtected;
    bool doubleSided;
};
constexpr FlagRow FlagRows[] = {
    {0x41, 0x00, false, false}, //
    {0x42, 0x00, true, false},  //
    {0x00, 0x00, true, false},  //
    {0x61, 0x80, true, true},   //
    {0x41, 0x80, false, true},  //
    {0x41, 0x7F, false, false}, //
    {0x41, 0xFF, false, true},  //
};
class HeaderFlags : public ::testing::TestWithParam<FlagRow> {};
TEST_P(HeaderFlags, FormatAndDoubleSidedBytes) {
    auto h = GamesHeader();
    h[0x02] = GetParam().format;
    h[0x03] = GetParam().flags;
    HeaderInfo info = ParseHeader(h);
    EXPECT_EQ(info.label, "\"GAMES\" 012A");
    EXPECT_EQ(info.writeProtected, GetParam().writeProtected);
    EXPECT_EQ(info.doubleSided, GetParam().doubleSided);
}
INSTANTIATE_TEST_SUITE_P(Table, HeaderFlags, ::testing::ValuesIn(FlagRows));

class HeaderFile : public ::testing::Test {
  protected:
    TempDir dir;
    std::string path = dir.File("GAMES.D64");
    void Save(const std::vector<std::uint8_t>& bytes) { dir.Write("GAMES.D64", bytes); }
};

TEST_F(HeaderFile, ReadSetsFlagsFromTheHeaderAndTheScanFromTheSize) {
    D64Builder disk("GAMES", "01");
    disk.Header()[0x02] = 0x42;
    disk.Header()[0x03] = 0x80;
    Save(disk.Bytes());
    Result<HeaderInfo> info = ReadHeaderBlock(path);
    ASSERT_TRUE(info) << info.Error();
    EXPECT_EQ(info->label, "\"GAMES\" 012A");
    EXPECT_TRUE(info->writeProtected);
    EXPECT_TRUE(info->doubleSided);
    EXPECT_FALSE(ReadDiskLabel(dir.Path(), FindImage(path)).errorInfo);

    D64Builder errors("GAMES", "01", 35, true);
    Save(errors.Bytes());
    ASSERT_EQ(FindImage(path).size, 175531);
    info = ReadHeaderBlock(path);
    ASSERT_TRUE(info) << info.Error();
    EXPECT_EQ(info->label, "\"GAMES\" 012A");
    EXPECT_FALSE(info->writeProtected);
    EXPECT_FALSE(info->doubleSided);
    EXPECT_TRUE(ReadDiskLabel(dir.Path(), FindImage(path)).errorInfo);
}

TEST_F(HeaderFile, UnreadableHeaderFailsNamingTheFileAndTheBlock) {
    // The header block is bytes 91392 to 91647.
    for (std::size_t size : {std::size_t(0), std::size_t(91392), std::size_t(91392 + 255)}) {
        Save(std::vector<std::uint8_t>(size, 0x41));
        Result<HeaderInfo> info = ReadHeaderBlock(path);
        ASSERT_FALSE(info) << size;
        EXPECT_NE(info.Error().find("track 18, sector 0"), std::string::npos) << info.Error();
        EXPECT_NE(info.Error().find(path), std::string::npos) << info.Error();
    }
    Save(std::vector<std::uint8_t>(91392 + 256, 0x41));
    EXPECT_TRUE(ReadHeaderBlock(path));
    EXPECT_FALSE(ReadHeaderBlock(dir.Path()));
    EXPECT_FALSE(ReadHeaderBlock(dir.File("none.d64")));
}

TEST(HeaderTexts, ErrorInfoAndFormat) {
    EXPECT_STREQ(ErrorInfoText(true), "Image contains error information.");
    EXPECT_STREQ(ErrorInfoText(false), "Image does not contain error information.");
    EXPECT_STREQ(FormatText(true), "1571 disk image, Double Sided.");
    EXPECT_STREQ(FormatText(false), "1540/1541/1570 disk image, Single Sided.");
}

class BamTest : public ::testing::Test {
  protected:
    FreeMap map;
    std::uint16_t Decode(D64Builder& disk) {
        BamInfo bam = DecodeBAM(test::BlockAt(disk.Header()), 35);
        map = bam.freeMap;
        return bam.freeBlocks;
    }
};

TEST_F(BamTest, FreshDiskHas664Free) {
    D64Builder disk;
    EXPECT_EQ(Decode(disk), 664);
    for (int t = 1; t <= 35; ++t)
        for (int s = 0; s < SectorsPerTrack(t); ++s) EXPECT_EQ(map.used[t][s], 0) << t << "/" << s;
}

TEST_F(BamTest, OnlyTracks1To35But18AreFilledIn) {
    // A header whose BAM bits are all 0: every block of the BAM is used.
    BamInfo bam = DecodeBAM(Block{}, 35);
    EXPECT_EQ(bam.freeBlocks, 0);
    for (int t = 0; t <= 40; ++t)
        for (int s = 0; s < 21; ++s) {
            bool filled = t >= 1 && t <= 35 && t != 18 && s < SectorsPerTrack(t);
            EXPECT_EQ(bam.freeMap.used[t][s], filled ? 1 : 0) << t << "/" << s;
        }
}

TEST_F(BamTest, BitsAboveTheLastSectorAreIgnored) {
    D64Builder disk;
    // Every bit set on track 1 (21 sectors) and track 19 (19 sectors).
    for (int t : {1, 19})
        for (int i = 1; i <= 3; ++i) disk.Header()[4 * t + i] = 0xFF;
    EXPECT_EQ(Decode(disk), 664);
}

TEST_F(BamTest, TheCountBytesAreNotRead) {
    D64Builder disk;
    for (int t = 1; t <= 35; ++t) disk.Header()[4 * t] = 0;
    EXPECT_EQ(Decode(disk), 664);
}

TEST_F(BamTest, BitOrderWithinTheBitmapBytes) {
    D64Builder disk;
    // Track 5: free are sector 0 (bit 0 of byte 1), 15 (bit 7 of byte 2) and
    // 20 (bit 4 of byte 3); everything else used.
    disk.Header()[0x15] = 0x01;
    disk.Header()[0x16] = 0x80;
    disk.Header()[0x17] = 0x10;
    EXPECT_EQ(Decode(disk), 664 - 21 + 3);
    for (int s = 0; s < 21; ++s) EXPECT_EQ(map.used[5][s], (s == 0 || s == 15 || s == 20) ? 0 : 1) << s;
}

TEST_F(BamTest, UsedBlocksOfTheZoneEdges) {
    D64Builder disk;
    disk.SetFree(1, 0, false);
    disk.SetFree(17, 20, false);
    disk.SetFree(24, 18, false);
    disk.SetFree(35, 16, false);
    disk.SetFree(18, 5, false); // track 18 is not counted
    EXPECT_EQ(Decode(disk), 660);
    EXPECT_EQ(map.used[1][0], 1);
    EXPECT_EQ(map.used[17][20], 1);
    EXPECT_EQ(map.used[24][18], 1);
    EXPECT_EQ(map.used[35][16], 1);
    EXPECT_EQ(map.used[18][5], 0);
}

} // namespace
} // namespace dyskel
