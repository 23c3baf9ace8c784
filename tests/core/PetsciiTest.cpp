// The display table against a PETSCII chart of the upper-case/graphics set.
#include "core/Petscii.h"

#include <gtest/gtest.h>

#include <set>

namespace dyskel {
namespace {

struct ChartRow {
    std::uint8_t byte;
    char32_t glyph;
    const char* what;
};

// Written out from the C64's character chart, not from the table.
constexpr ChartRow Chart[] = {
    {0x20, U' ', "blank"},
    {0x22, U'"', "double quote"},
    {0x30, U'0', "digit zero"},
    {0x41, U'A', "unshifted A is a capital"},
    {0x5A, U'Z', "unshifted Z"},
    {0x5C, U'£', "pound sign"},
    {0x5E, U'↑', "up arrow"},
    {0x5F, U'←', "left arrow"},
    {0xA0, 0x00A0, "shifted blank, the name padding"},
    {0xC1, U'♠', "shifted A: spade"},
    {0xD3, U'♥', "shifted S: heart"},
    {0xD1, U'●', "shifted Q: ball"},
    {0xD7, U'○', "shifted W: circle"},
    {0xD8, U'♣', "shifted X: club"},
    {0xDA, U'♦', "shifted Z: diamond"},
    {0xDE, U'π', "pi"},
    {0xFF, U'π', "pi again"},
    {0x61, U'♠', "0x60-0x7F repeat the shifted graphics"},
    {0xA1, U'▌', "left half block"},
    {0xA2, U'▄', "lower half block"},
    {0xE2, U'▄', "0xE0-0xFE repeat 0xA0-0xBE"},
    {0x93, U'♡', "clear screen between quotes: reversed heart"},
};

TEST(PetsciiTable, MatchesTheChart) {
    for (const auto& row : Chart) EXPECT_EQ(PetsciiGlyph(row.byte), row.glyph) << row.what;
}

TEST(PetsciiTable, ControlCodesShowReversedLetters) {
    // Between quotes the C64 shows CHR$(5) as a reversed E and CHR$(18) as a
    // reversed R: the reversed letters are 0xE015 (A) onwards in the font.
    EXPECT_EQ(PetsciiGlyph(0x05), 0xE019u);
    EXPECT_EQ(PetsciiGlyph(0x12), 0xE026u);
    EXPECT_NE(PetsciiGlyph(0x05), PetsciiGlyph(0x85));
}

TEST(PetsciiTable, EveryByteHasAGlyphThatReadsBackToAByteShowingTheSame) {
    for (int b = 0; b < 256; ++b) {
        char32_t g = PetsciiGlyph(static_cast<std::uint8_t>(b));
        ASSERT_NE(g, 0u) << b;
        int back = PetsciiFromGlyph(g);
        ASSERT_GE(back, 0) << b;
        EXPECT_EQ(PetsciiGlyph(static_cast<std::uint8_t>(back)), g) << b;
    }
}

TEST(PetsciiTable, BytesOutsideTheRepeatedRangesAreDistinct) {
    // Only the C64's own repeats (0x60-0x7F, 0xE0-0xFF, and 0xDD, which draws
    // the same line as 0xC2) share a glyph.
    std::set<char32_t> seen;
    for (int b = 0; b < 0x60; ++b) EXPECT_TRUE(seen.insert(PetsciiGlyph(b)).second) << b;
    for (int b = 0x80; b < 0xE0; ++b) {
        if (b != 0xDD) EXPECT_TRUE(seen.insert(PetsciiGlyph(b)).second) << b;
    }
}

TEST(PetsciiTable, TypedTextReadsBackAsTheBytesTheC64Stores) {
    EXPECT_EQ(PetsciiFromGlyph(U'a'), 0x41); // typed letters are capitals
    EXPECT_EQ(PetsciiFromGlyph(U'Q'), 0x51);
    EXPECT_EQ(PetsciiFromGlyph(U'♥'), 0xD3);
    EXPECT_EQ(PetsciiFromGlyph(0x00A0), 0xA0);
    EXPECT_EQ(PetsciiFromGlyph(U'€'), -1);
}

TEST(PetsciiTable, Utf8OfADiskName) {
    std::string name = "\x22GAMES\xA0\xD3\x22";
    EXPECT_EQ(PetsciiToUtf8(name), "\"GAMES\u00A0\u2665\"");
    EXPECT_EQ(PetsciiToUtf8(std::string(1, '\0')), "\xEE\x80\x94"); // U+E014
}

} // namespace
} // namespace dyskel
