// The 8x8 glyphs of the "C-64" font for the screen codes of both character
// sets, made from the font at build time (tools/MakeC64Glyphs.cpp): eight row
// bytes a glyph, bit 7 the leftmost pixel.  Link dyskel_c64font for them.
#pragma once

#include "disasm/C64Screen.h"

#include <array>
#include <cstdint>
#include <vector>

namespace dyskel {

// Upper-case set first, then the lower-case set, 128 screen codes each.
extern const std::array<std::array<std::uint8_t, 8>, 256> C64Glyphs;

// A screen code's glyph (0x00-0x7F; the reversed half draws it reversed).
inline const std::array<std::uint8_t, 8>& C64Glyph(std::uint8_t code, C64Charset charset) {
    return C64Glyphs[(charset == C64Charset::Lower ? 128u : 0u) + (code & 0x7Fu)];
}

// The screen as RGB pixels (0xRRGGBB), 8 by 8 a cell, each pixel scale by
// scale: 320 * scale wide, 8 * scale a row high.
struct C64Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // row by row
};
C64Picture DrawScreen(const C64Screen& screen, int scale);

} // namespace dyskel
