// The directory listing cells, the walk over the directory blocks, reading
// the cells back, and the rename helpers.
#include "core/Directory.h"
#include "CoreTestSupport.h"
#include "core/ImageUpdate.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

namespace dyskel {
namespace {

using test::TempDir;

// A 32-byte entry: type, first block, name bytes (padded with 0xA0), size.
std::array<std::uint8_t, 32> Entry(std::uint8_t type, std::uint8_t track, std::uint8_t sector,
                                   const std::string& name, std::uint8_t sizeLo, std::uint8_t sizeHi) {
    std::array<std::uint8_t, 32> e{};
    e[0x02] = type;
    e[0x03] = track;
    e[0x04] = sector;
    for (std::size_t i = 0; i < 16; ++i) e[0x05 + i] = i < name.size() ? std::uint8_t(name[i]) : 0xA0;
    e[0x1E] = sizeLo;
    e[0x1F] = sizeHi;
    return e;
}

std::string A0(int n) {
    return std::string(std::size_t(n), '\xA0');
}

TEST(ReadDirEntry, SizeNameTypeAndBlockCells) {
    auto e = Entry(0x82, 17, 0, "ABC", 0x2C, 0x01);
    auto cells = ReadDirEntry(e.data());
    EXPECT_EQ(cells[0], "  300");
    EXPECT_EQ(cells[1], "\"ABC\"" + A0(12));
    EXPECT_EQ(cells[1].size(), 17u);
    EXPECT_EQ(cells[2], " PRG");
    EXPECT_EQ(cells[3], " 17,00");
}

TEST(ReadDirEntry, SixteenLettersGetAQuoteAtEachEnd) {
    auto e = Entry(0x82, 1, 0, "ABCDEFGHIJKLMNOP", 1, 0);
    auto cells = ReadDirEntry(e.data());
    EXPECT_EQ(cells[1], "\"ABCDEFGHIJKLMNOP\"");
    EXPECT_EQ(cells[0], "    1");
    EXPECT_EQ(cells[3], " 01,00");
}

TEST(ReadDirEntry, OnlyTheFirstPaddingByteBecomesTheQuote) {
    auto e = Entry(0x81, 3, 9, "AB", 0xFF, 0xFF);
    e[0x05 + 3] = 'C';
    e[0x05 + 4] = 'D';
    auto cells = ReadDirEntry(e.data());
    EXPECT_EQ(cells[1], "\"AB\"CD" + A0(11));
    EXPECT_EQ(cells[0], "65535");
    EXPECT_EQ(cells[3], " 03,09");
}

TEST(ReadDirEntry, OutOfRangeAddressesKeepTheirPlaces) {
    auto e = Entry(0x82, 150, 255, "X", 0, 0);
    EXPECT_EQ(ReadDirEntry(e.data())[3], " 99,99");
    e[0x03] = 99;
    e[0x04] = 100;
    EXPECT_EQ(ReadDirEntry(e.data())[3], " 99,99");
    e[0x03] = 40;
    e[0x04] = 20;
    EXPECT_EQ(ReadDirEntry(e.data())[3], " 40,20");
}

struct TypeRow {
    std::uint8_t typeByte;
    const char* cell;
};
constexpr TypeRow TypeRows[] = {
    {0x80, " DEL"}, {0x81, " SEQ"}, {0x82, " PRG"}, {0x83, " USR"}, {0x84, " REL"},
    {0x85, " ???"}, {0x86, " ???"}, {0x87, " ???"}, {0xC2, ">PRG"}, {0x42, ">PRG"},
    {0x02, " PRG"}, {0xC0, ">DEL"}, {0xC7, ">???"}, {0x01, " SEQ"}, {0xA4, " REL"}, // bit 5 is not shown
};
class TypeCell : public ::testing::TestWithParam<TypeRow> {};
TEST_P(TypeCell, LockMarkAndName) {
    auto e = Entry(GetParam().typeByte, 1, 0, "X", 0, 0);
    EXPECT_EQ(ReadDirEntry(e.data())[2], GetParam().cell);
}
INSTANTIATE_TEST_SUITE_P(Table, TypeCell, ::testing::ValuesIn(TypeRows));

// --- The walk over the directory blocks ------------------------------------

class ListTest : public ::testing::Test {
  protected:
    D64Builder disk;
    TrackBuffer Track18() {
        TrackBuffer b;
        for (int s = 0; s < 19; ++s) std::copy_n(disk.Block(18, s), 256, b.Block(s));
        b.track = 18;
        return b;
    }
    void AddEntries(int n) {
        for (int i = 0; i < n; ++i) disk.AddDirEntry(0x82, {1, i}, "F" + std::to_string(i + 1), 1);
    }
};

TEST_F(ListTest, FreshDiskGivesOnlyTheFreeBlocksRow) {
    DirListing l = ListDirectory(Track18(), 664);
    EXPECT_TRUE(l.entries.empty());
    EXPECT_EQ(l.RowCount(), 2);
    EXPECT_FALSE(l.cut);
    EXPECT_EQ(l.freeRow, (DirCells{"", "  664", "BLOCKS FREE", "", ""}));
}

TEST_F(ListTest, TenEntriesGiveTwelveRowsWithNumbersAndPlaces) {
    AddEntries(10);
    DirListing l = ListDirectory(Track18(), 7);
    ASSERT_EQ(l.entries.size(), 10u);
    EXPECT_EQ(l.RowCount(), 12);
    EXPECT_EQ(l.entries[0].cells, (DirCells{"  1", "    1", "\"F1\"" + A0(13), " PRG", " 01,00"}));
    EXPECT_EQ(l.entries[9].cells[0], " 10");
    EXPECT_EQ(l.entries[9].cells[4], " 01,09");
    EXPECT_EQ(l.entries[3].sector, 1);
    EXPECT_EQ(l.entries[3].offset, 96);
    // The ninth entry is the first of the next directory block.
    int next = disk.Block(18, 1)[1];
    EXPECT_EQ(l.entries[8].sector, next);
    EXPECT_EQ(l.entries[8].offset, 0);
    EXPECT_EQ(l.entries[9].offset, 32);
    EXPECT_EQ(l.entries[9].typeByte, 0x82);
    EXPECT_EQ(l.freeRow[1], "    7");
    EXPECT_FALSE(l.cut);
}

TEST_F(ListTest, TypeByteZeroEndsTheListingEvenWithEntriesAfterIt) {
    AddEntries(4);
    disk.Block(18, 1)[32 * 1 + 2] = 0x00;
    DirListing l = ListDirectory(Track18(), 0);
    EXPECT_EQ(l.entries.size(), 1u);
    EXPECT_FALSE(l.cut);
}

TEST_F(ListTest, ClosedDeletedEntryIsListed) {
    disk.AddDirEntry(0x80, {0, 0}, "GONE", 0);
    DirListing l = ListDirectory(Track18(), 0);
    ASSERT_EQ(l.entries.size(), 1u);
    EXPECT_EQ(l.entries[0].cells[3], " DEL");
    EXPECT_EQ(l.entries[0].cells[4], " 00,00");
}

TEST_F(ListTest, FullLastBlockEndsAfterItsEighthEntry) {
    AddEntries(8);
    ASSERT_EQ(disk.Block(18, 1)[0], 0);
    DirListing l = ListDirectory(Track18(), 0);
    EXPECT_EQ(l.entries.size(), 8u);
    EXPECT_FALSE(l.cut);
}

struct LinkRow {
    const char* what;
    std::uint8_t track, sector; // link of sector 1
    std::size_t entries;
    bool cut;
};
constexpr LinkRow LinkRows[] = {
    {"self loop", 18, 1, 8, true},
    {"sector 19", 18, 19, 8, true},
    {"sector 255", 18, 255, 8, true},
    {"other track, sector 1", 17, 1, 8, true}, // only the sector counts: back to 1
    {"two-block loop", 18, 2, 16, true},
};
class DirLinks : public ListTest, public ::testing::WithParamInterface<LinkRow> {};
TEST_P(DirLinks, WalkEndsAndSaysItWasCut) {
    AddEntries(8);
    disk.Block(18, 1)[0] = GetParam().track;
    disk.Block(18, 1)[1] = GetParam().sector;
    // Sector 2: eight entries linking back to sector 1.
    for (int i = 0; i < 8; ++i) {
        auto e = Entry(0x81, 2, std::uint8_t(i), "S", 1, 0);
        std::copy(e.begin() + 2, e.end(), disk.Block(18, 2) + 32 * i + 2);
    }
    disk.Block(18, 2)[0] = 18;
    disk.Block(18, 2)[1] = 1;
    DirListing l = ListDirectory(Track18(), 0);
    EXPECT_EQ(l.entries.size(), GetParam().entries) << GetParam().what;
    EXPECT_EQ(l.cut, GetParam().cut) << GetParam().what;
}
INSTANTIATE_TEST_SUITE_P(Table, DirLinks, ::testing::ValuesIn(LinkRows));

TEST_F(ListTest, EveryBlockOfTrack18InOneChainIsBounded) {
    // Sectors 1..18 all full and chained in a ring: 18 blocks, 144 entries.
    for (int s = 1; s <= 18; ++s) {
        std::uint8_t* b = disk.Block(18, s);
        for (int i = 0; i < 8; ++i) b[32 * i + 2] = 0x82;
        b[0] = 18;
        b[1] = std::uint8_t(s == 18 ? 1 : s + 1);
    }
    DirListing l = ListDirectory(Track18(), 0);
    EXPECT_EQ(l.entries.size(), 144u);
    EXPECT_EQ(l.entries[143].cells[0], "144");
    EXPECT_TRUE(l.cut);
}

// --- Reading cells back ------------------------------------------------------

TEST(ParseTrackSectorCell, DigitsAtTheirPlaces) {
    auto a = ParseTrackSectorCell(" 17,05");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->track, 17);
    EXPECT_EQ(a->sector, 5);
    a = ParseTrackSectorCell(" 99,99");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->track, 99);
    for (const char* bad : {"", " ", " 1", " 17,5", " 1x,05", " 17,0-", "BLOCKS FREE"})
        EXPECT_FALSE(ParseTrackSectorCell(bad)) << bad;
}

TEST(NameFromCell, CharactersTwoTo17CutAtAQuote) {
    EXPECT_EQ(NameFromCell("\"ABC\"" + A0(12)), "ABC");
    EXPECT_EQ(NameFromCell("\"ABCDEFGHIJKLMNOP\""), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(NameFromCell("\"\"" + A0(15)), "");
    EXPECT_EQ(NameFromCell(""), "");
}

// --- Rename ------------------------------------------------------------------

struct RenameRow {
    const char* typed;
    const char* stored;
};
const RenameRow RenameRows[] = {
    {"hello", "\"HELLO\""},
    {"\"abc", "\"ABC\""},
    {"\"ABC\"", "\"ABC\""},
    {"\"AB\"\xA0\xA0", "\"AB\"\xA0\xA0"},
    {"", "\"\""},
    {"\"", "\"\""},
    {"\"ABCDEFGHIJKLMNOPQRS", "\"ABCDEFGHIJKLMNOPQRS"},      // 20 characters: no room for the quote
    {"ABCDEFGHIJKLMNOPQRS", "\"ABCDEFGHIJKLMNOPQRS"},        // 19 + the opening quote
    {"ABCDEFGHIJKLMNOPQR", "\"ABCDEFGHIJKLMNOPQR\""},        // 18 + both quotes
    {"abcdefghijklmnopqrstuvwxyz", "\"ABCDEFGHIJKLMNOPQRS"}, // cut to 20 first
    {"\"ABCDEFGHIJKLMNOPQRSTUVW\"", "\"ABCDEFGHIJKLMNOPQRS"},
    {"a-b 1", "\"A-B 1\""},
};
class Rename : public ::testing::TestWithParam<RenameRow> {};
TEST_P(Rename, NormalisedAsEnterStoresIt) {
    EXPECT_EQ(NormaliseRenameText(GetParam().typed), GetParam().stored);
}
INSTANTIATE_TEST_SUITE_P(Table, Rename, ::testing::ValuesIn(RenameRows));

TEST(WriteEntryName, NameBytesPaddedWithA0AndNothingElseTouched) {
    TrackBuffer b;
    b.bytes.fill(0x11);
    b.track = 18;
    ASSERT_TRUE(WriteEntryName(b, 1, 32, "\"NEW\""));
    const std::uint8_t* e = b.Block(1) + 32;
    const std::uint8_t expected[16] = {'N',  'E',  'W',  0xA0, 0xA0, 0xA0, 0xA0, 0xA0,
                                       0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0};
    EXPECT_TRUE(std::equal(expected, expected + 16, e + 5));
    for (int i : {0, 1, 2, 3, 4, 21, 31, 32}) EXPECT_EQ(e[i], 0x11) << i;

    ASSERT_TRUE(WriteEntryName(b, 18, 224, "\"ABCDEFGHIJKLMNOPQRS"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.Block(18) + 229), 16), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(b.Block(18)[229 + 16], 0x11);

    ASSERT_TRUE(WriteEntryName(b, 2, 0, "\"AB\"\xA0\xA0"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.Block(2) + 5), 16), "AB" + A0(14));
}

TEST(WriteEntryName, RefusesPlacesThatAreNoEntryOfTrack18) {
    TrackBuffer b;
    b.bytes.fill(0x11);
    b.track = 18;
    EXPECT_FALSE(WriteEntryName(b, 19, 0, "\"X\""));
    EXPECT_FALSE(WriteEntryName(b, -1, 0, "\"X\""));
    EXPECT_FALSE(WriteEntryName(b, 1, 16, "\"X\""));
    EXPECT_FALSE(WriteEntryName(b, 1, 256, "\"X\""));
    b.track = 17; // the buffer holds another track: writing it back would corrupt track 18
    EXPECT_FALSE(WriteEntryName(b, 1, 0, "\"X\""));
    EXPECT_EQ(b.bytes, [] {
        TrackBuffer f;
        f.bytes.fill(0x11);
        return f.bytes;
    }());
}

TEST(RenameRoundTrip, TypedNameReachesTheImageAndTheListing) {
    TempDir dir;
    D64Builder disk;
    disk.AddPrg("OLD NAME", 0x0801, {1, 2, 3});
    disk.AddPrg("SECOND", 0x0801, {4});
    ASSERT_TRUE(disk.Save(dir.File("R.D64")));
    TrackBuffer b;
    ReadTrack(dir.File("R.D64"), 18, b);
    DirListing before = ListDirectory(b, 0);
    ASSERT_EQ(before.entries.size(), 2u);
    const DirRow& row = before.entries[1];
    std::string cell = NormaliseRenameText("new/one");
    ASSERT_TRUE(WriteEntryName(b, row.sector, row.offset, cell));
    UpdateOptions opts;
    ASSERT_EQ(UpdateImageFile(dir.Path(), "R.D64", 18, b, opts, {}).status, UpdateStatus::Updated);
    TrackBuffer again;
    ReadTrack(dir.File("R.D64"), 18, again);
    DirListing after = ListDirectory(again, 0);
    ASSERT_EQ(after.entries.size(), 2u);
    EXPECT_EQ(after.entries[1].cells[2], "\"NEW/ONE\"" + A0(8));
    EXPECT_EQ(after.entries[0].cells[2], "\"OLD NAME\"" + A0(7));
}

} // namespace
} // namespace dyskel
