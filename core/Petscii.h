// The program's one PETSCII display table: which character shows a disk byte.
// Disk texts stay raw bytes everywhere; only the screen edge maps them.
#pragma once

#include "core/Result.h"

#include <cstdint>
#include <string>

namespace dyskel {

// The code point that draws byte b as the C64 shows it (upper-case/graphics
// character set) in the "C-64" font.
char32_t PetsciiGlyph(std::uint8_t b);

// Appends a code point to UTF-8 text.
void AppendUtf8(std::string& out, char32_t c);

// Raw PETSCII bytes as UTF-8 text through PetsciiGlyph.
std::string PetsciiToUtf8(const std::string& bytes);

// The byte a glyph stands for (the inverse of PetsciiGlyph for the glyphs it
// gives, plain ASCII for the rest); -1 when none.
int PetsciiFromGlyph(char32_t c);

// UTF-8 text typed by a user (or a host file name) as the C64 bytes its
// characters stand for.  Fails, naming what, when the text is not UTF-8 or
// holds a character the C64 cannot show.
[[nodiscard]] Result<std::string> PetsciiFromUtf8(const std::string& text, const std::string& what);

} // namespace dyskel
