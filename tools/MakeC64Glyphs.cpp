// Renders the 8x8 glyphs of the "C-64" font for every screen code of both
// character sets into a C++ table (tools/C64Font.h), once at build time, so
// that pictures of the C64 screen need no font engine at run time.
//
// Usage: make-c64-glyphs FONT.ttf OUT.cpp
#include "disasm/C64Screen.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace {

// The font draws one C64 pixel as one pixel at 8 pixels a line: 7 above the
// base line and 1 below.
std::array<std::uint8_t, 8> Render(FT_Face face, char32_t c) {
    std::array<std::uint8_t, 8> rows{};
    FT_UInt index = FT_Get_Char_Index(face, c);
    if (index == 0 && c == 0x2592) index = FT_Get_Char_Index(face, 0x2593); // its checkerboard
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME))
        return rows;
    const FT_GlyphSlot g = face->glyph;
    for (int y = 0; y < static_cast<int>(g->bitmap.rows); ++y)
        for (int x = 0; x < static_cast<int>(g->bitmap.width); ++x) {
            const int row = 7 - g->bitmap_top + y, col = g->bitmap_left + x;
            const bool on = (g->bitmap.buffer[y * g->bitmap.pitch + x / 8] >> (7 - x % 8)) & 1;
            if (on && row >= 0 && row < 8 && col >= 0 && col < 8)
                rows[static_cast<std::size_t>(row)] |= static_cast<std::uint8_t>(0x80 >> col);
        }
    return rows;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make-c64-glyphs FONT.ttf OUT.cpp\n";
        return 2;
    }
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face) ||
        FT_Set_Pixel_Sizes(face, 0, 8)) {
        std::cerr << "make-c64-glyphs: cannot read the font " << argv[1] << '\n';
        return 1;
    }
    std::ofstream out(argv[2]);
    out << "// Made by make-c64-glyphs from the \"C-64\" font; do not edit.\n"
           "#include \"tools/C64Font.h\"\n\nnamespace dyskel {\n\n"
           "const std::array<std::array<std::uint8_t, 8>, 256> C64Glyphs = {{\n";
    for (auto set : {dyskel::C64Charset::Upper, dyskel::C64Charset::Lower})
        for (int code = 0; code < 128; ++code) {
            const auto rows = Render(face, dyskel::ScreenCodeGlyph(static_cast<std::uint8_t>(code), set));
            char line[80];
            std::snprintf(line, sizeof line,
                          "    {{0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X}},\n",
                          rows[0], rows[1], rows[2], rows[3], rows[4], rows[5], rows[6], rows[7]);
            out << line;
        }
    out << "}};\n\n} // namespace dyskel\n";
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return out ? 0 : 1;
}
