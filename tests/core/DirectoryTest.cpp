// Directory entries and the cells of their rows, the walk over the directory
// blocks, and the rename helpers.
#include "core/Directory.h"
#include "CoreTestSupport.h"
#include "core/DiskEdits.h"
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

// The entry e placed at offset of an otherwise empty block, decoded.
DirEntry Decoded(const std::array<std::uint8_t, 32>& e, int sector = 1, int offset = 0) {
    Block b{};
    std::copy(e.begin(), e.end(), b.begin() + offset);
    return DecodeDirEntry(b, sector, offset);
}

TEST(DecodeDirEntry, EveryFieldFromItsByte) {
    Block b{};
    b.fill(0x11);
    auto e = Entry(0xC1, 17, 3, "ABC", 0x2C, 0x01);
    std::copy(e.begin() + 2, e.end(), b.begin() + 96 + 2); // the link bytes stay 0x11
    DirEntry d = DecodeDirEntry(b, 4, 96);
    EXPECT_EQ(d.typeByte, 0xC1);
    EXPECT_EQ(d.first, (BlockAddress{17, 3}));
    EXPECT_EQ(d.blocks, 300);
    EXPECT_EQ(d.sector, 4);
    EXPECT_EQ(d.offset, 96);
    const std::array<std::uint8_t, 16> name = {'A',  'B',  'C',  0xA0, 0xA0, 0xA0, 0xA0, 0xA0,
                                               0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0};
    EXPECT_EQ(d.name, name);
    EXPECT_EQ(d.Name(), "ABC");
    EXPECT_TRUE(d.Locked());
    EXPECT_TRUE(d.Closed());
    EXPECT_EQ(d.TypeCode(), 1);
    EXPECT_FALSE(d.Scratched());
    // Another offset reads its own bytes.
    EXPECT_EQ(DecodeDirEntry(b, 4, 224).typeByte, 0x11);
    EXPECT_EQ(DecodeDirEntry(b, 4, 224).offset, 224);
}

struct FlagRow {
    std::uint8_t typeByte;
    bool locked, closed, scratched;
    std::uint8_t code;
};
constexpr FlagRow FlagRows[] = {
    {0x00, false, false, true, 0},  {0x80, false, true, false, 0}, {0x82, false, true, false, 2},
    {0x02, false, false, false, 2}, {0xC2, true, true, false, 2},  {0x44, true, false, false, 4},
    {0xFF, true, true, false, 7},   {0x40, true, false, false, 0},
};
class EntryFlags : public ::testing::TestWithParam<FlagRow> {};
TEST_P(EntryFlags, FromTheTypeByte) {
    DirEntry d = Decoded(Entry(GetParam().typeByte, 1, 0, "X", 1, 0));
    EXPECT_EQ(d.Locked(), GetParam().locked);
    EXPECT_EQ(d.Closed(), GetParam().closed);
    EXPECT_EQ(d.Scratched(), GetParam().scratched);
    EXPECT_EQ(d.TypeCode(), GetParam().code);
}
INSTANTIATE_TEST_SUITE_P(Table, EntryFlags, ::testing::ValuesIn(FlagRows));

struct NameRow {
    std::string bytes; // the 16 name bytes
    std::string name;
};
const NameRow NameRows[] = {
    {"ABC" + A0(13), "ABC"},
    {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
    {A0(16), ""},
    {"AB" + A0(1) + "CD" + A0(11), "AB"}, // up to the first padding byte
    {"A\"B" + A0(13), "A\"B"},            // a quote is a name byte like any
    {std::string("\x00\x01", 2) + A0(14), std::string("\x00\x01", 2)},
};
class EntryName : public ::testing::TestWithParam<NameRow> {};
TEST_P(EntryName, UpToTheFirstPaddingByte) {
    auto e = Entry(0x82, 1, 0, "", 1, 0);
    std::copy(GetParam().bytes.begin(), GetParam().bytes.end(), e.begin() + 5);
    EXPECT_EQ(Decoded(e).Name(), GetParam().name);
}
INSTANTIATE_TEST_SUITE_P(Table, EntryName, ::testing::ValuesIn(NameRows));

TEST(DirRowCells, NumberSizeNameTypeAndBlockCells) {
    auto cells = DirRowCells(Decoded(Entry(0x82, 17, 0, "ABC", 0x2C, 0x01)), 1);
    EXPECT_EQ(cells, (DirCells{"  1", "  300", "\"ABC\"" + A0(12), " PRG", " 17,00"}));
    EXPECT_EQ(cells[2].size(), 17u);
    EXPECT_EQ(DirRowCells(Decoded(Entry(0x82, 1, 0, "X", 0, 0)), 144)[0], "144");
}

TEST(DirRowCells, SixteenLettersGetAQuoteAtEachEnd) {
    auto cells = DirRowCells(Decoded(Entry(0x82, 1, 0, "ABCDEFGHIJKLMNOP", 1, 0)), 7);
    EXPECT_EQ(cells[2], "\"ABCDEFGHIJKLMNOP\"");
    EXPECT_EQ(cells[1], "    1");
    EXPECT_EQ(cells[4], " 01,00");
}

TEST(DirRowCells, OnlyTheFirstPaddingByteBecomesTheQuote) {
    auto e = Entry(0x81, 3, 9, "AB", 0xFF, 0xFF);
    e[0x05 + 3] = 'C';
    e[0x05 + 4] = 'D';
    auto cells = DirRowCells(Decoded(e), 1);
    EXPECT_EQ(cells[2], "\"AB\"CD" + A0(11));
    EXPECT_EQ(cells[1], "65535");
    EXPECT_EQ(cells[4], " 03,09");
}

struct AddressRow {
    std::uint8_t track, sector;
    const char* cell;
};
constexpr AddressRow AddressRows[] = {
    {0, 0, " 00,00"},       {1, 0, " 01,00"},     {17, 5, " 17,05"},   {40, 20, " 40,20"},
    {99, 99, " 99,99"},     {99, 100, " 99,100"}, {100, 5, " 100,05"}, // above 99: shown as it is
    {150, 255, " 150,255"}, {255, 0, " 255,00"},
};
class AddressCell : public ::testing::TestWithParam<AddressRow> {};
TEST_P(AddressCell, TwoDigitsAtLeastAndNoClamp) {
    auto e = Entry(0x82, GetParam().track, GetParam().sector, "X", 0, 0);
    EXPECT_EQ(DirRowCells(Decoded(e), 1)[4], GetParam().cell);
}
INSTANTIATE_TEST_SUITE_P(Table, AddressCell, ::testing::ValuesIn(AddressRows));

struct TypeRow {
    std::uint8_t typeByte;
    const char* cell;
};
constexpr TypeRow TypeRows[] = {
    {0x80, " DEL"}, {0x81, " SEQ"}, {0x82, " PRG"}, {0x83, " USR"}, {0x84, " REL"},
    {0x85, " ???"}, {0x86, " ???"}, {0x87, " ???"}, {0xC2, ">PRG"}, {0x42, ">PRG"},
    {0x02, " PRG"}, {0xC0, ">DEL"}, {0xC7, ">???"}, {0x01, " SEQ"}, {0xA4, " REL"}, // bit 5 is not shown
    {0x00, " DEL"},                                                                 // scratched
};
class TypeCell : public ::testing::TestWithParam<TypeRow> {};
TEST_P(TypeCell, LockMarkAndName) {
    auto e = Entry(GetParam().typeByte, 1, 0, "X", 0, 0);
    EXPECT_EQ(DirRowCells(Decoded(e), 1)[3], GetParam().cell);
}
INSTANTIATE_TEST_SUITE_P(Table, TypeCell, ::testing::ValuesIn(TypeRows));

TEST(FreeRowCells, CountFiveWide) {
    EXPECT_EQ(FreeRowCells(664), (DirCells{"", "  664", "BLOCKS FREE", "", ""}));
    EXPECT_EQ(FreeRowCells(0), (DirCells{"", "    0", "BLOCKS FREE", "", ""}));
    EXPECT_EQ(FreeRowCells(65535), (DirCells{"", "65535", "BLOCKS FREE", "", ""}));
}

// --- The walk over the directory blocks ------------------------------------

class ListTest : public ::testing::Test {
  protected:
    D64Builder disk;
    DiskImage Image() const { return test::InMemory(disk.Bytes(), "/nonexistent/L.D64"); }
    DirListing List(bool ignoreDeleted = true) {
        Result<DirListing> l = ListDirectory(Image(), ignoreDeleted);
        EXPECT_TRUE(l) << l.Error();
        return l ? *l : DirListing{};
    }
    void AddEntries(int n) {
        for (int i = 0; i < n; ++i) disk.AddDirEntry(0x82, {1, i}, "F" + std::to_string(i + 1), 1);
    }
    static std::vector<std::string> Names(const DirListing& l) {
        std::vector<std::string> names;
        for (const DirEntry& e : l.entries) names.push_back(e.Name());
        return names;
    }
};

TEST_F(ListTest, FreshDiskHasNoEntries) {
    DirListing l = List();
    EXPECT_TRUE(l.entries.empty());
    EXPECT_FALSE(l.cut);
    EXPECT_EQ(l.note, "");
}

TEST_F(ListTest, TenEntriesWithNumbersAndPlaces) {
    AddEntries(10);
    DirListing l = List();
    ASSERT_EQ(l.entries.size(), 10u);
    EXPECT_EQ(DirRowCells(l.entries[0], 1), (DirCells{"  1", "    1", "\"F1\"" + A0(13), " PRG", " 01,00"}));
    EXPECT_EQ(DirRowCells(l.entries[9], 10)[0], " 10");
    EXPECT_EQ(DirRowCells(l.entries[9], 10)[4], " 01,09");
    EXPECT_EQ(l.entries[3].sector, 1);
    EXPECT_EQ(l.entries[3].offset, 96);
    // The ninth entry is the first of the next directory block.
    int next = disk.Block(18, 1)[1];
    EXPECT_EQ(l.entries[8].sector, next);
    EXPECT_EQ(l.entries[8].offset, 0);
    EXPECT_EQ(l.entries[9].offset, 32);
    EXPECT_EQ(l.entries[9].typeByte, 0x82);
    EXPECT_EQ(l.entries[9].first, (BlockAddress{1, 9}));
    EXPECT_FALSE(l.cut);
}

// Entries F1 to F4 in 18/1, with entry 2 (offset 32) changed as given.
struct SlotRow {
    const char* what;
    bool wipeSlot;         // all 30 bytes after the link 0
    std::uint8_t typeByte; // else: its type byte
    bool ignoreDeleted;
    std::vector<std::string> names;
    const char* type2; // type cell of the second row, "" when there is none
};
const SlotRow SlotRows[] = {
    {"scratched, left out", false, 0x00, true, {"F1", "F3", "F4"}, " PRG"},
    {"scratched, listed", false, 0x00, false, {"F1", "F2", "F3", "F4"}, " DEL"},
    {"closed DEL, ignoring deleted", false, 0x80, true, {"F1", "F2", "F3", "F4"}, " DEL"},
    {"closed DEL, listed", false, 0x80, false, {"F1", "F2", "F3", "F4"}, " DEL"},
    {"open PRG, ignoring deleted", false, 0x02, true, {"F1", "F2", "F3", "F4"}, " PRG"},
    {"open SEQ, ignoring deleted", false, 0x01, true, {"F1", "F2", "F3", "F4"}, " SEQ"},
    {"locked open DEL, ignoring deleted", false, 0x40, true, {"F1", "F2", "F3", "F4"}, ">DEL"},
    {"never used, ignoring deleted", true, 0x00, true, {"F1", "F3", "F4"}, " PRG"},
    {"never used, listing deleted", true, 0x00, false, {"F1", "F3", "F4"}, " PRG"},
};
class DirSlots : public ListTest, public ::testing::WithParamInterface<SlotRow> {};
TEST_P(DirSlots, TheListingGoesOnToTheEndOfTheChain) {
    const SlotRow& r = GetParam();
    AddEntries(4);
    std::uint8_t* slot = disk.Block(18, 1) + 32;
    if (r.wipeSlot)
        std::fill(slot + 2, slot + 32, 0);
    else
        slot[2] = r.typeByte;
    DirListing l = List(r.ignoreDeleted);
    EXPECT_EQ(Names(l), r.names) << r.what;
    ASSERT_GE(l.entries.size(), 2u);
    EXPECT_EQ(DirRowCells(l.entries[1], 2)[3], r.type2) << r.what;
    EXPECT_FALSE(l.cut);
}
INSTANTIATE_TEST_SUITE_P(Table, DirSlots, ::testing::ValuesIn(SlotRows));

TEST_F(ListTest, EntriesAfterAnEmptyBlockAreStillListed) {
    // 18/1 holds nothing but its link; the entries lie in 18/2.
    AddEntries(9);
    std::fill(disk.Block(18, 1) + 2, disk.Block(18, 1) + 256, 0);
    DirListing l = List();
    EXPECT_EQ(Names(l), (std::vector<std::string>{"F9"}));
    EXPECT_EQ(l.entries[0].sector, 2);
    EXPECT_FALSE(l.cut);
}

// A slot with any one of its 30 bytes after the link set is an entry
// (scratched unless it is the type byte); one whose only bytes are the link
// of its block is none.
class SlotByte : public ListTest, public ::testing::WithParamInterface<int> {};
TEST_P(SlotByte, AnyByteAfterTheLinkMakesAnEntry) {
    const int byte = GetParam();
    disk.Block(18, 1)[32 + byte] = 5;
    DirListing all = List(false);
    ASSERT_EQ(all.entries.size(), 1u) << "byte " << byte;
    EXPECT_EQ(all.entries[0].offset, 32);
    EXPECT_EQ(all.entries[0].Scratched(), byte != 2);
    EXPECT_EQ(List(true).entries.size(), byte == 2 ? 1u : 0u);
}
INSTANTIATE_TEST_SUITE_P(Bytes, SlotByte, ::testing::Range(2, 32));

TEST_F(ListTest, TheLinkBytesOfABlockMakeNoEntry) {
    disk.Block(18, 1)[0] = 0;
    disk.Block(18, 1)[1] = 0xFF;
    EXPECT_TRUE(List(false).entries.empty());
}

TEST_F(ListTest, FullLastBlockEndsAfterItsEighthEntry) {
    AddEntries(8);
    ASSERT_EQ(disk.Block(18, 1)[0], 0);
    DirListing l = List();
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
    {"last block", 0, 2, 8, false}, // link track 0 ends the chain whatever the sector
    {"last block, sector 0", 0, 0, 8, false},
    {"self loop", 18, 1, 8, true},
    {"sector 0, the header block", 18, 0, 8, true},
    {"sector 19", 18, 19, 8, true},
    {"sector 255", 18, 255, 8, true},
    {"other track, sector 1", 17, 1, 8, true}, // only the sector counts: back to 1
    {"other track, sector 0", 17, 0, 8, true},
    {"two-block loop", 18, 2, 16, true},
    {"other track, sector 2", 40, 2, 16, true},
};
class DirLinks : public ListTest, public ::testing::WithParamInterface<LinkRow> {};
TEST_P(DirLinks, WalkEndsAndSaysWhetherItWasCut) {
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
    DirListing l = List();
    EXPECT_EQ(l.entries.size(), GetParam().entries) << GetParam().what;
    EXPECT_EQ(l.cut, GetParam().cut) << GetParam().what;
    EXPECT_EQ(l.note, "") << GetParam().what;
    for (const DirEntry& e : l.entries) EXPECT_NE(e.sector, 0) << "the header block is never read as entries";
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
    DirListing l = List();
    EXPECT_EQ(l.entries.size(), 144u);
    EXPECT_EQ(DirRowCells(l.entries[143], 144)[0], "144");
    EXPECT_EQ(l.entries[143].sector, 18);
    EXPECT_EQ(l.entries[143].offset, 224);
    EXPECT_TRUE(l.cut);
}

TEST_F(ListTest, ABlockTheFileDoesNotHoldCutsTheListingWithANote) {
    // 18/1 links to 18/2, which starts at 91904; the file ends before it.
    AddEntries(9);
    std::vector<std::uint8_t> bytes = disk.Bytes();
    bytes.resize(91904 + 255);
    Result<DirListing> l = ListDirectory(test::InMemory(bytes, "/d/CUT.D64"), true);
    ASSERT_TRUE(l) << l.Error();
    EXPECT_EQ(l->entries.size(), 8u);
    EXPECT_TRUE(l->cut);
    EXPECT_NE(l->note.find("track 18, sector 2"), std::string::npos) << l->note;
    EXPECT_NE(l->note.find("/d/CUT.D64"), std::string::npos) << l->note;
}

TEST_F(ListTest, AFirstBlockTheFileDoesNotHoldFails) {
    for (std::size_t size : {std::size_t(0), std::size_t(91648), std::size_t(91903)}) {
        std::vector<std::uint8_t> bytes = disk.Bytes();
        bytes.resize(size);
        Result<DirListing> l = ListDirectory(test::InMemory(bytes, "/d/CUT.D64"), true);
        ASSERT_FALSE(l) << size;
        EXPECT_EQ(l.Error().find("Reading track 18, sector 1 of \"/d/CUT.D64\" failed"), 0u) << l.Error();
    }
}

// --- Header, BAM and directory together ----------------------------------------

TEST_F(ListTest, DiskViewJoinsHeaderBamAndDirectory) {
    disk = D64Builder("VIEW", "VW");
    disk.AddPrg("ONE", 0x0801, {1, 2, 3});
    disk.AddDirEntry(0x00, {1, 5}, "GONE", 1);
    Result<DiskView> view = ReadDiskView(Image(), true);
    ASSERT_TRUE(view) << view.Error();
    EXPECT_EQ(view->header.label, "\"VIEW\" VW2A");
    EXPECT_EQ(view->bam.freeBlocks, 663);
    EXPECT_EQ(view->bam.freeMap.used[1][0], 1);
    ASSERT_EQ(view->dir.entries.size(), 1u);
    EXPECT_EQ(view->dir.entries[0].Name(), "ONE");
    view = ReadDiskView(Image(), false);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->dir.entries.size(), 2u);
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

struct CellRow {
    std::string cell;
    std::string bytes; // the 16 name bytes
};
const CellRow CellRows[] = {
    {"\"NEW\"", "NEW" + A0(13)},
    {"NEW", "NEW" + A0(13)},                       // no quote to drop
    {"\"ABCDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNOP"}, // cut to 16
    {"\"AB\"\xA0\xA0", "AB" + A0(14)},             // the name ends at the quote
    {"\"\"", A0(16)},
    {"", A0(16)},
    {"\"A B\"", "A B" + A0(13)},
};
class NameBytes : public ::testing::TestWithParam<CellRow> {};
TEST_P(NameBytes, QuotesRemovedCutTo16AndPadded) {
    const auto bytes = NameBytesFromCell(GetParam().cell);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), GetParam().bytes) << GetParam().cell;
}
INSTANTIATE_TEST_SUITE_P(Table, NameBytes, ::testing::ValuesIn(CellRows));

TEST(PaddedName, AtMost16BytesPaddedWithA0) {
    auto text = [](const std::array<std::uint8_t, 16>& a) { return std::string(a.begin(), a.end()); };
    EXPECT_EQ(text(PaddedName("")), A0(16));
    EXPECT_EQ(text(PaddedName("HELLO")), "HELLO" + A0(11));
    EXPECT_EQ(text(PaddedName("ABCDEFGHIJKLMNOPQRS")), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(text(PaddedName("A\"B")), "A\"B" + A0(13)); // bytes as they are
}

TEST(UpperAscii, OnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii("abc xyz"), "ABC XYZ");
    EXPECT_EQ(UpperAscii("A-b_1{}`"), "A-B_1{}`");
    EXPECT_EQ(UpperAscii("\xE9\xC1"), "\xE9\xC1");
}

class RenameEdit : public ::testing::Test {
  protected:
    D64Builder disk;
    DirEntry entry;
    void SetUp() override {
        disk.AddPrg("OLD NAME", 0x0801, {1, 2, 3});
        disk.AddPrg("SECOND", 0x0801, {4});
        Result<DirListing> l = ListDirectory(test::InMemory(disk.Bytes()), true);
        ASSERT_TRUE(l);
        ASSERT_EQ(l->entries.size(), 2u);
        entry = l->entries[1];
    }
};

TEST_F(RenameEdit, ChangesTheNameBytesOfOneBlockAndNothingElse) {
    Result<EditPlan> plan = RenameEntry(entry, NameBytesFromCell("\"NEW\""))(test::InMemory(disk.Bytes()));
    ASSERT_TRUE(plan) << plan.Error();
    const ChangeSet* changes = &plan->changes;
    ASSERT_EQ(changes->size(), 1u);
    EXPECT_EQ((*changes)[0].at, (BlockAddress{18, 1}));
    Block expected = test::BlockAt(disk.Block(18, 1));
    const std::uint8_t name[16] = {'N',  'E',  'W',  0xA0, 0xA0, 0xA0, 0xA0, 0xA0,
                                   0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0};
    std::copy(std::begin(name), std::end(name), expected.begin() + 32 + 5); // entry 2 at offset 32
    EXPECT_EQ((*changes)[0].bytes, expected);
}

TEST(DiskLabelEdit, WritesTheHeaderLineBytesAndKeepsTheBam) {
    D64Builder disk;
    disk.AddPrg("A", 0x0801, {1});
    const std::array<std::uint8_t, 16> name{0x12, 'A',  'R',  'T',  0x92, 0xA0, 0xA0, 0xA0,
                                            0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0};
    const std::array<std::uint8_t, 5> idAndType{'X', 'Y', 0xA0, '2', 'A'};
    Result<EditPlan> plan = SetDiskLabel(name, idAndType)(test::InMemory(disk.Bytes()));
    ASSERT_TRUE(plan) << plan.Error();
    ASSERT_EQ(plan->changes.size(), 1u);
    EXPECT_EQ(plan->changes[0].at, (BlockAddress{18, 0}));
    Block expected = test::BlockAt(disk.Block(18, 0));
    std::copy(name.begin(), name.end(), expected.begin() + 0x90);
    std::copy(idAndType.begin(), idAndType.end(), expected.begin() + 0xA2);
    EXPECT_EQ(plan->changes[0].bytes, expected);
}

struct StaleRow {
    const char* what;
    int sector, offset; // where the entry is said to lie
    std::uint8_t typeByte;
};
constexpr StaleRow StaleRows[] = {
    {"the header block", 0, 32, 0x82},
    {"an offset inside an entry", 1, 16, 0x82},
    {"an offset whose entry runs past the block", 1, 256 - 32 + 16, 0x82},
    {"another type byte on the disk", 1, 32, 0x81},
    {"another entry at that place", 1, 0, 0x82},
};
class RenameStale : public RenameEdit, public ::testing::WithParamInterface<StaleRow> {};
TEST_P(RenameStale, IsRefusedWithNothingChanged) {
    DirEntry e = entry;
    e.sector = std::uint8_t(GetParam().sector);
    e.offset = std::uint8_t(GetParam().offset);
    e.typeByte = GetParam().typeByte;
    Result<EditPlan> changes = RenameEntry(e, NameBytesFromCell("\"X\""))(test::InMemory(disk.Bytes()));
    EXPECT_FALSE(changes) << GetParam().what;
    EXPECT_NE(changes.Error().find("nothing was written"), std::string::npos) << changes.Error();
}
INSTANTIATE_TEST_SUITE_P(Table, RenameStale, ::testing::ValuesIn(StaleRows));

TEST_F(RenameEdit, APlaceThatIsNoEntryIsRefusedEvenWhenItsBytesMatch) {
    // The header block read as if it held an entry at 0, and 18/1 read at an
    // offset inside an entry: the bytes there agree with the entry as given,
    // yet writing a name there would overwrite the BAM or two entries.
    const DiskImage image = test::InMemory(disk.Bytes());
    for (auto [sector, offset] : {std::pair{0, 0}, std::pair{0, 64}, std::pair{1, 16}, std::pair{1, 208}}) {
        const DirEntry e = DecodeDirEntry(*image.ReadBlock({18, sector}), sector, offset);
        Result<EditPlan> changes = RenameEntry(e, NameBytesFromCell("\"X\""))(image);
        EXPECT_FALSE(changes) << sector << "/" << offset;
    }
}

TEST_F(RenameEdit, ADirectoryBlockBeyondTrack18IsRefused) {
    DirEntry e = entry;
    e.sector = 19;
    Result<EditPlan> changes = RenameEntry(e, NameBytesFromCell("\"X\""))(test::InMemory(disk.Bytes()));
    ASSERT_FALSE(changes);
    EXPECT_NE(changes.Error().find("track 18, sector 19"), std::string::npos) << changes.Error();
}

} // namespace
} // namespace dyskel
