// BASIC V2 listings against hand-typed programs and their listings.
#include "disasm/BasicListing.h"

#include "support/BasicProgram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dyskel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A listed line as number, text and a mask with 'R' under each reversed
// character.
struct Listed {
    int number;
    std::string text;
    std::string mask;
    bool operator==(const Listed&) const = default;
};

std::vector<Listed> Lines(const BasicListing& listing) {
    std::vector<Listed> out;
    for (const BasicLine& line : listing.lines) {
        std::string mask;
        for (bool r : line.reversed) mask += r ? 'R' : '.';
        out.push_back({line.number, line.text, mask});
    }
    return out;
}

std::string Plain(const std::string& text) {
    return std::string(text.size(), '.');
}

Bytes Program(const std::vector<std::pair<int, Bytes>>& lines) {
    return test::LinkBasic(lines);
}

TEST(BasicListing, ShortProgramAsListShowsIt) {
    // 10 PRINT"HELLO" / 20 GOTO 10, typed as the C64 stores it.
    const Bytes program = {0x0E, 0x08, 0x0A, 0x00, 0x99, 0x22, 0x48, 0x45, 0x4C, 0x4C, 0x4F, 0x22,
                           0x00, 0x17, 0x08, 0x14, 0x00, 0x89, 0x20, 0x31, 0x30, 0x00, 0x00, 0x00};
    BasicListing l = ListBasic(program, 0x0801);
    std::vector<Listed> expected = {{10, "PRINT\"HELLO\"", "............"}, {20, "GOTO 10", "......."}};
    EXPECT_EQ(Lines(l), expected);
    EXPECT_EQ(l.end, BasicEnd::EndMarker);
    EXPECT_EQ(l.at, 0x0817);
    EXPECT_FALSE(l.Broken());
    EXPECT_EQ(BasicEndText(l), "");
    EXPECT_EQ(l.lines[1].address, 0x080E);
    EXPECT_EQ(BasicListingUtf8(l), "10 PRINT\"HELLO\"\n20 GOTO 10\n");
}

TEST(BasicListing, EveryKeywordInTokenOrder) {
    Bytes line;
    for (int token = 0x80; token <= 0xCB; ++token) {
        if (token != 0x80) line.push_back(':');
        line.push_back(static_cast<std::uint8_t>(token));
    }
    const std::string expected =
        "END:FOR:NEXT:DATA:INPUT#:INPUT:DIM:READ:LET:GOTO:RUN:IF:RESTORE:GOSUB:RETURN:REM:"
        "STOP:ON:WAIT:LOAD:SAVE:VERIFY:DEF:POKE:PRINT#:PRINT:CONT:LIST:CLR:CMD:SYS:OPEN:"
        "CLOSE:GET:NEW:TAB(:TO:FN:SPC(:THEN:NOT:STEP:+:-:*:/:^:AND:"
        "OR:>:=:<:SGN:INT:ABS:USR:FRE:POS:SQR:RND:LOG:EXP:COS:SIN:"
        "TAN:ATN:PEEK:LEN:STR$:VAL:ASC:CHR$:LEFT$:RIGHT$:MID$:GO";
    BasicListing l = ListBasic(Program({{1, line}}), 0x0801);
    ASSERT_EQ(l.lines.size(), 1u);
    EXPECT_EQ(l.lines[0].text, expected);
    EXPECT_EQ(l.end, BasicEnd::EndMarker);
}

TEST(BasicListing, ControlCodesInQuotesShowReversed) {
    // 10 PRINT"{CLR}{WHT}HI{RED}" then a shifted graphic $C0 and {BLK} ($90),
    // then ;CHR$(147) outside the quotes.
    const Bytes text = {0x99, 0x22, 0x93, 0x05, 0x48, 0x49, 0x1C, 0xC0, 0x90,
                        0x22, 0x3B, 0xC7, 0x28, 0x31, 0x34, 0x37, 0x29};
    BasicListing l = ListBasic(Program({{10, text}}), 0x0801);
    // Reversed heart, reversed E, reversed pound, the graphic itself, the
    // reversed shifted P; the token after the closing quote is a keyword.
    std::vector<Listed> expected = {
        {10, "PRINT\"\xD3\x45HI\x5C\xC0\xD0\";CHR$(147)", "......RR..R.R" + Plain("\";CHR$(147)")}};
    EXPECT_EQ(Lines(l), expected);
    EXPECT_EQ(ListedBytes(l.lines[0]), "PRINT\"\x93\x05HI\x1C\xC0\x90\";CHR$(147)");
}

TEST(BasicListing, TokensInsideQuotesStayCharactersAndQuotesToggle) {
    // 10 A$="{GOTO}"+"B":PRINT A$ with a $89 byte between the first quotes
    // and a $C0 byte after an odd quote.
    const Bytes text = {0x41, 0x24, 0xB2, 0x22, 0x89, 0x22, 0xAA, 0x22, 0x42, 0x22, 0x3A, 0x99, 0x22, 0xC0};
    BasicListing l = ListBasic(Program({{10, text}}), 0x0801);
    ASSERT_EQ(l.lines.size(), 1u);
    EXPECT_EQ(l.lines[0].text, "A$=\"\xC9\"+\"B\":PRINT\"\xC0");
    EXPECT_EQ(Lines(l)[0].mask, "....R" + Plain("\"+\"B\":PRINT\"\xC0"));
}

TEST(BasicListing, UnknownTokensAndPiOutsideQuotes) {
    // $CC-$FE are no V2 keywords and $FF is pi: each stays its own character.
    BasicListing l = ListBasic(Program({{5, {0x97, 0xCC, 0xFE, 0xFF}}}), 0x0801);
    EXPECT_EQ(l.lines[0].text, "POKE\xCC\xFE\xFF");
    EXPECT_EQ(Lines(l)[0].mask, Plain("POKE\xCC\xFE\xFF"));
}

TEST(BasicListing, PlainTextShowsReversedGlyphsOfTheControlCodes) {
    // {CLR} in quotes: the font's reversed heart U+2661, not the heart U+2665.
    BasicListing l = ListBasic(Program({{10, {0x99, 0x22, 0x93, 0x22}}}), 0x0801);
    EXPECT_EQ(BasicListingUtf8(l), "10 PRINT\"\u2661\"\n");
}

TEST(BasicListing, LinksAreLoadAddresses) {
    // 10 RUN at $1001, as a VIC-20 would hold it.
    const Bytes program = {0x07, 0x10, 0x0A, 0x00, 0x8A, 0x00, 0x00, 0x00};
    BasicListing l = ListBasic(program, 0x1001);
    std::vector<Listed> expected = {{10, "RUN", "..."}};
    EXPECT_EQ(Lines(l), expected);
    EXPECT_EQ(l.end, BasicEnd::EndMarker);
    EXPECT_EQ(l.at, 0x1007);
}

struct BrokenCase {
    const char* name;
    Bytes program; // at $0801
    std::size_t lines;
    BasicEnd end;
    std::uint16_t at;
    const char* text;
};

class BrokenChain : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenChain, StopsAndSaysWhereAndWhy) {
    const BrokenCase& c = GetParam();
    BasicListing l = ListBasic(c.program, 0x0801);
    EXPECT_EQ(l.lines.size(), c.lines);
    EXPECT_EQ(l.end, c.end);
    EXPECT_EQ(l.at, c.at);
    EXPECT_EQ(l.Broken(), c.end != BasicEnd::EndMarker);
    EXPECT_EQ(BasicEndText(l), c.text);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Links, BrokenChain, ::testing::Values(
    BrokenCase{"Backwards", {0x07, 0x08, 0x0A, 0x00, 0x41, 0x00, 0x01, 0x08, 0x14, 0x00, 0x42, 0x00}, 2, BasicEnd::LinkBackwards, 0x0807, "line 20 at $0807 links backwards to $0801"},
    BrokenCase{"ToItself", {0x01, 0x08, 0x0A, 0x00, 0x41, 0x00, 0x00, 0x00}, 1, BasicEnd::LinkIntoItself, 0x0801, "line 10 at $0801 links into itself, to $0801"},
    BrokenCase{"IntoItsOwnZeroByte", {0x06, 0x08, 0x0A, 0x00, 0x41, 0x00, 0x00, 0x00}, 1, BasicEnd::LinkIntoItself, 0x0801, "line 10 at $0801 links into itself, to $0806"},
    BrokenCase{"PastTheFile", {0x00, 0x90, 0x0A, 0x00, 0x41, 0x00, 0x00, 0x00}, 1, BasicEnd::LinkOutside, 0x0801, "line 10 at $0801 links to $9000, outside the file"},
    BrokenCase{"ToTheFileEndWithoutMarker", {0x07, 0x08, 0x0A, 0x00, 0x41, 0x00}, 1, BasicEnd::LinkOutside, 0x0801, "line 10 at $0801 links to $0807, outside the file"},
    BrokenCase{"LineWithoutZeroByte", {0x09, 0x08, 0x0A, 0x00, 0x41, 0x42}, 1, BasicEnd::LineUnterminated, 0x0801, "the file ends inside the line at $0801"},
    BrokenCase{"CutInsideTheLineNumber", {0x09, 0x08, 0x0A}, 0, BasicEnd::LineUnterminated, 0x0801, "the file ends inside the line at $0801"},
    BrokenCase{"EmptyFile", {}, 0, BasicEnd::FileEnd, 0x0801, "the file ends at $0801 without the program's end marker"},
    BrokenCase{"OnlyTheEndMarker", {0x00, 0x00}, 0, BasicEnd::EndMarker, 0x0801, ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct SysCase {
    const char* name;
    std::uint16_t load;
    Bytes text;          // of line 10
    std::size_t padding; // bytes after the program
    std::optional<std::uint16_t> start;
};

class SysLine : public ::testing::TestWithParam<SysCase> {};

TEST_P(SysLine, GivesTheStartInsideTheFile) {
    const SysCase& c = GetParam();
    Bytes program = Program({{10, c.text}});
    program.resize(program.size() + c.padding, 0xEA);
    EXPECT_EQ(SysStart(program, c.load), c.start);
}

// "10 SYS2061" is 12 bytes at $0801; the code follows at $080D (2061).
INSTANTIATE_TEST_SUITE_P(
    FirstLine, SysLine,
    ::testing::Values(SysCase{"Plain", 0x0801, {0x9E, '2', '0', '6', '1'}, 4, 0x080D},
                      SysCase{"BlanksAround", 0x0801, {' ', 0x9E, ' ', '2', '0', '6', '1'}, 4, 0x080D},
                      SysCase{"BlanksBetweenDigits", 0x0801, {0x9E, '2', '0', ' ', '6', '3'}, 4, 0x080F},
                      SysCase{"FollowedByMore", 0x0801, {0x9E, '2', '0', '6', '1', ':', 0x80}, 4, 0x080D},
                      SysCase{"FirstByteOfTheFile", 0x0801, {0x9E, '2', '0', '4', '9'}, 0, 0x0801},
                      SysCase{"TargetAtTheFileEnd", 0x0801, {0x9E, '2', '0', '6', '1'}, 0, std::nullopt},
                      SysCase{"TargetBelowTheFile", 0x0801, {0x9E, '2', '0', '4', '8'}, 4, std::nullopt},
                      SysCase{"TargetPastTheFile", 0x0801, {0x9E, '4', '9', '1', '5', '2'}, 4, std::nullopt},
                      SysCase{"TooLarge", 0x0801, {0x9E, '9', '9', '9', '9', '9'}, 4, std::nullopt},
                      SysCase{"NoDigits", 0x0801, {0x9E, 'A'}, 4, std::nullopt},
                      SysCase{"NotSys", 0x0801, {0x99, '2', '0', '6', '1'}, 4, std::nullopt},
                      SysCase{"OtherLoadAddress", 0x1001, {0x9E, '4', '1', '0', '9'}, 4, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SysLine, EmptyProgramHasNoStart) {
    EXPECT_EQ(SysStart(Bytes{0x00, 0x00}, 0x0801), std::nullopt);
    EXPECT_EQ(SysStart(Bytes{}, 0x0801), std::nullopt);
}

} // namespace
} // namespace dyskel
