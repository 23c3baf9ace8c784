// The C64 screen after LOAD"$",8 and LIST, against screens typed by hand from
// how the 1541, BASIC V2's LIST and the screen editor behave.
#include "disasm/C64Screen.h"
#include "core/DiskFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dyskel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An expected row: its glyphs in the upper-case set and in the lower-case
// set (trailing blanks left out), an optional mask ('R' reversed, '.' not)
// and optional colours (a hex digit per cell), both checked as far as given.
struct Row {
    std::string upper, lower, mask, colours;
};

std::string Trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

void ExpectScreen(const std::string& bytesIn, const std::vector<Row>& expected, bool viaDos,
                  const Block& header = {}, const std::vector<DirEntry>& entries = {}) {
    for (C64Charset set : {C64Charset::Upper, C64Charset::Lower}) {
        const C64Screen screen = viaDos ? DirectoryScreen(header, entries, set) : PrintToScreen(bytesIn, set);
        ASSERT_EQ(screen.rows.size(), expected.size());
        for (std::size_t r = 0; r < expected.size(); ++r) {
            const Row& want = expected[r];
            EXPECT_EQ(Trimmed(RowText(screen.rows[r], set)),
                      set == C64Charset::Upper ? want.upper : want.lower)
                << "row " << r;
            for (std::size_t c = 0; c < want.mask.size(); ++c)
                EXPECT_EQ(screen.rows[r][c].reversed, want.mask[c] == 'R') << "row " << r << " column " << c;
            for (std::size_t c = 0; c < want.colours.size(); ++c)
                EXPECT_EQ(screen.rows[r][c].colour, std::stoi(std::string(1, want.colours[c]), nullptr, 16))
                    << "row " << r << " column " << c;
        }
    }
}

struct PrintCase {
    const char* name;
    Bytes bytes;
    std::vector<Row> rows;
};

class PrintRules : public testing::TestWithParam<PrintCase> {};

TEST_P(PrintRules, ScreenAsTheC64ShowsIt) {
    const PrintCase& c = GetParam();
    ExpectScreen(std::string(c.bytes.begin(), c.bytes.end()), c.rows, false);
}

INSTANTIATE_TEST_SUITE_P(
    ScreenEditor, PrintRules,
    testing::Values(
        PrintCase{"LettersAreCapitalsOrSmall", {'H', 'I', '1'}, {{"HI1", "hi1", "...", "eee"}}},
        PrintCase{"ShiftedLettersAreGraphicsOrCapitals", {0xC1, 0x61, 0xD3}, {{"♠♠♥", "AAS"}}},
        PrintCase{"PiIsPiOrChecker", {0xFF}, {{"π", "▓"}}},
        PrintCase{"ColourCodeInQuotesShowsReversedOutsideActs",
                  {'"', 0x05, 'A', '"', 0x05, 'B'},
                  {{"\"EA\"B", "\"ea\"b", ".R...", "eeee1"}}},
        PrintCase{"ShiftedControlInQuotesShowsItsReversedGraphic", {'"', 0x93}, {{"\"♥", "\"S", ".R"}}},
        PrintCase{"DelActsInQuoteMode", {'"', 'A', 'B', 0x14, 'C'}, {{"\"AC", "\"ac"}}},
        PrintCase{"ReturnEndsQuoteMode", {'"', 'A', 0x0D, 0x1C, 'B'}, {{"\"A", "\"a"}, {"B", "b", ".", "2"}}},
        PrintCase{"ReverseOnAndOff", {0x12, 'A', 0x92, 'B'}, {{"AB", "ab", "R."}}},
        PrintCase{"ReturnEndsReverse", {0x12, 'A', 0x0D, 'B'}, {{"A", "a", "R"}, {"B", "b", "."}}},
        PrintCase{"CursorLeftOverwrites", {'A', 0x9D, 'B'}, {{"B", "b"}}},
        PrintCase{"CursorDownKeepsTheColumn", {'A', 0x11, 'B'}, {{"A", "a"}, {" B", " b"}}},
        PrintCase{"InsertMakesTheNextControlCodeShow", {'A', 0x9D, 0x94, 0x05}, {{"EA", "ea", "R."}}},
        PrintCase{"FortyOneCharactersWrapAndReturnSkipsBoth",
                  Bytes(41, '-'),
                  {{std::string(40, '-'), std::string(40, '-')}, {"-", "-"}}},
        PrintCase{"ReturnAfterAWrappedLineGoesBelowIt",
                  [] {
                      Bytes b(41, '-');
                      b.push_back(0x0D);
                      b.push_back('X');
                      return b;
                  }(),
                  {{std::string(40, '-'), std::string(40, '-')}, {"-", "-"}, {"X", "x"}}}),
    [](const testing::TestParamInfo<PrintCase>& info) { return std::string(info.param.name); });

// A directory entry with name bytes padded with 0xA0.
DirEntry Entry(std::uint8_t type, std::uint16_t blocks, const Bytes& name) {
    DirEntry e;
    e.typeByte = type;
    e.blocks = blocks;
    e.name.fill(0xA0);
    for (std::size_t i = 0; i < name.size() && i < 16; ++i) e.name[i] = name[i];
    return e;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// Header "DISK", ID "AB", DOS type "2A"; BAM counts 21 (track 1), 17 (track
// 18, not counted) and 17 (track 35), bitmaps all 0.
Block Header() {
    Block h{};
    h[2] = 0x41;
    for (std::size_t i = 0x90; i < 0xAB; ++i) h[i] = 0xA0;
    for (std::size_t i = 0; i < 4; ++i) h[0x90 + i] = static_cast<std::uint8_t>("DISK"[i]);
    h[0xA2] = 'A';
    h[0xA3] = 'B';
    h[0xA5] = '2';
    h[0xA6] = 'A';
    h[4 * 1] = 21;
    h[4 * 18] = 17;
    h[4 * 35] = 17;
    return h;
}

struct DirCase {
    const char* name;
    std::vector<DirEntry> entries;
    std::vector<Row> rows; // between the header line and BLOCKS FREE
};

class DirRules : public testing::TestWithParam<DirCase> {};

TEST_P(DirRules, ListingAsTheC64ShowsIt) {
    const DirCase& c = GetParam();
    std::vector<Row> rows = {
        {"0 \"DISK            \" AB 2A", "0 \"disk            \" ab 2a", ".." + std::string(24, 'R') + "."}};
    rows.insert(rows.end(), c.rows.begin(), c.rows.end());
    rows.push_back({"38 BLOCKS FREE.", "38 blocks free."});
    rows.push_back({"READY.", "ready."});
    ExpectScreen({}, rows, true, Header(), c.entries);
}

INSTANTIATE_TEST_SUITE_P(
    Listing, DirRules,
    testing::Values(DirCase{"Empty", {}, {}},
                    DirCase{"ScratchedEntriesAreNotListed", {Entry(0x00, 3, Text("GONE"))}, {}},
                    DirCase{"ClosingQuoteAtTheFirstShiftedSpace",
                            {Entry(0x82, 1, Text("HELLO"))},
                            {{"1    \"HELLO\"            PRG", "1    \"hello\"            prg"}}},
                    DirCase{"LockedAndUnclosed",
                            {Entry(0x41, 12, Text("LOCKED"))},
                            {{"12   \"LOCKED\"          *SEQ<", "12   \"locked\"          *seq<"}}},
                    DirCase{"SixteenBytesAndThreeDigits",
                            {Entry(0x80, 100, Text("ABCDEFGHIJKLMNOP"))},
                            {{"100  \"ABCDEFGHIJKLMNOP\" DEL", "100  \"abcdefghijklmnop\" del"}}},
                    DirCase{"BytesAfterTheShiftedSpaceFollow",
                            {Entry(0x82, 0, {'G', 'A', 'M', 'E', 0xA0, ',', '8', ',', '1'})},
                            {{"0    \"GAME\",8,1         PRG", "0    \"game\",8,1         prg"}}},
                    DirCase{"TokenAfterTheClosingQuoteIsAKeyword",
                            {Entry(0x82, 1, {'X', 0xA0, 0x99})},
                            {{"1    \"X\"PRINT               PRG", "1    \"x\"print               prg"}}},
                    DirCase{"ZeroEndsTheLineAndTheRestBecomesALine",
                            // "CD" is the link, the closing quote and a blank the line number.
                            {Entry(0x82, 1, {'A', 'B', 0x00, 'C', 'D'})},
                            {{"1    \"AB", "1    \"ab"}, {"8226            PRG", "8226            prg"}}},
                    DirCase{"ControlCodeInTheNameShowsReversed",
                            {Entry(0x82, 1, {'A', 0x1C, 'B'})},
                            {{"1    \"A£B\"              PRG", "1    \"a£b\"              prg", ".......R"}}},
                    DirCase{
                        "ControlCodeAfterTheQuoteActs",
                        {Entry(0x82, 1, {'A', 0xA0, 0x1C, 'B'})},
                        {{"1    \"A\"B              PRG", "1    \"a\"b              prg", "", "eeeeeeee2"}}},
                    DirCase{"DelInTheNameDeletes",
                            {Entry(0x82, 1, {'A', 'B', 0x14, 'C'})},
                            {{"1    \"AC\"             PRG", "1    \"ac\"             prg"}}},
                    DirCase{"ReturnInTheNameBreaksTheLine",
                            {Entry(0x82, 1, {'A', 0x0D, 'B'})},
                            {{"1    \"A", "1    \"a"}, {"B\"              PRG", "b\"              prg"}}}),
    [](const testing::TestParamInfo<DirCase>& info) { return std::string(info.param.name); });

TEST(DirectoryProgram, BytesAsTheDriveSendsThem) {
    // One entry of 1 block, "A", PRG: typed from a 1541's answer to LOAD"$".
    const Bytes program = DosDirectoryProgram(Header(), {Entry(0x82, 1, Text("A"))}, 38);
    const Bytes entryLine = {0x01, 0x01, 0x01, 0x00, ' ', ' ', ' ', '"', 'A', '"', ' ',
                             ' ',  ' ',  ' ',  ' ',  ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                             ' ',  ' ',  ' ',  ' ',  'P', 'R', 'G', ' ', ' ', 0x00};
    ASSERT_GE(program.size(), 30u + entryLine.size());
    EXPECT_EQ(Bytes(program.begin() + 30, program.begin() + 30 + 32), entryLine);
    EXPECT_EQ(Bytes(program.end() - 2, program.end()), (Bytes{0x00, 0x00}));
}

TEST(DirectoryProgram, ControlCodeSwitchesTheCharacterSet) {
    EXPECT_EQ(PrintToScreen("\x0E", C64Charset::Upper).charset, C64Charset::Lower);
    EXPECT_EQ(PrintToScreen("\x8E", C64Charset::Lower).charset, C64Charset::Upper);
}

// The header line and BLOCKS FREE of other drives, from the counts as they
// stand: a 1571 adds the counts of side two at 18/0 0xDD-0xFF (a fresh disk
// has track 53 used: 1328 BLOCKS FREE), a 1581 every track but 40 from 40/1
// and 40/2 (3160 on a fresh disk), its name at 40/0 0x04.
struct FreeCase {
    const char* name;
    const DiskFormat* format;
    std::vector<std::pair<std::size_t, std::uint8_t>> pokes; // image offset, byte
    const char* header;
    const char* free;
};

class DriveScreen : public testing::TestWithParam<FreeCase> {};

TEST_P(DriveScreen, HeaderAndBlocksFreeAsTheDrivePrintsThem) {
    const FreeCase& c = GetParam();
    std::vector<std::uint8_t> bytes = NewImageBytes(*c.format, "ART DISK", "AB");
    for (const auto& [at, value] : c.pokes) bytes[at] = value;
    Result<C64Screen> screen = DirectoryScreen(DiskImage::FromBytes("mem", bytes), C64Charset::Upper);
    ASSERT_TRUE(screen) << screen.Error();
    ASSERT_GE(screen->rows.size(), 2u);
    EXPECT_EQ(Trimmed(RowText(screen->rows[0], C64Charset::Upper)), c.header);
    EXPECT_EQ(Trimmed(RowText(screen->rows[1], C64Charset::Upper)), c.free);
}

std::vector<std::pair<std::size_t, std::uint8_t>> SideTwoCountsZero() {
    std::vector<std::pair<std::size_t, std::uint8_t>> pokes;
    for (std::size_t at = 0x165DD; at <= 0x165FF; ++at) pokes.push_back({at, 0});
    return pokes;
}

INSTANTIATE_TEST_SUITE_P(
    C64Screen, DriveScreen,
    testing::Values(FreeCase{"D71", &D71Format, {}, "0 \"ART DISK        \" AB 2A", "1328 BLOCKS FREE."},
                    FreeCase{"D71SideTwoCountsZero", &D71Format, SideTwoCountsZero(),
                             "0 \"ART DISK        \" AB 2A", "664 BLOCKS FREE."},
                    FreeCase{"D81", &D81Format, {}, "0 \"ART DISK        \" AB 3D", "3160 BLOCKS FREE."},
                    // track 40's count is not counted; track 80's (40/2 0xFA) is
                    FreeCase{"D81Tracks40And80",
                             &D81Format,
                             {{0x619FA, 40}, {0x61AFA, 0}},
                             "0 \"ART DISK        \" AB 3D",
                             "3120 BLOCKS FREE."}),
    [](const testing::TestParamInfo<FreeCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace dyskel
