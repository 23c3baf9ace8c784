// A disk's directory as the C64's screen shows it after LOAD"$",8 and LIST,
// built the way the machines build it:
//
// 1. The 1541 DOS sends the directory as a BASIC program: a line for the
//    header, one for each entry (the blocks as the line number, the name
//    between quotes, the type) and the BLOCKS FREE line.
// 2. BASIC V2 relinks the lines after LOAD (each line ends at its first 0
//    byte) and LIST prints them: the line number, a blank and the text, bytes
//    from 0x80 outside quotes spelled out as keywords.
// 3. The screen editor prints those characters: in quote mode control codes
//    show reversed, outside it they act (colours, cursor moves, reverse on
//    and off, clear).  RETURN ends a line and quote mode, DEL deletes, a quote
//    toggles quote mode, wherever they stand.
//
// The result is a grid of 40-column rows of screen cells; which glyph a
// screen code draws depends on the character set shown.
#pragma once

#include "core/Bam.h"
#include "core/Directory.h"
#include "core/Result.h"
#include "core/Uglobal.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dyskel {

constexpr int C64Columns = 40;
constexpr int C64ScreenRows = 25;

// The C64's two character sets: upper case and graphics (at power on), and
// lower and upper case.
enum class C64Charset : std::uint8_t { Upper, Lower };

// The 16 colours by number (0 black ... 15 light grey) as 0xRRGGBB.
extern const std::array<std::uint32_t, 16> C64Palette;
constexpr std::uint8_t C64Blue = 6;       // the screen's background at power on
constexpr std::uint8_t C64LightBlue = 14; // the border and the text at power on

struct ScreenCell {
    std::uint8_t code = 0x20; // screen code 0x00-0x7F
    bool reversed = false;
    std::uint8_t colour = C64LightBlue;
    bool operator==(const ScreenCell&) const = default;
};
using ScreenRow = std::array<ScreenCell, C64Columns>;

struct C64Screen {
    std::vector<ScreenRow> rows;            // from the first printed row down, never scrolled away
    C64Charset charset = C64Charset::Upper; // the set shown at the end (0x0E and 0x8E switch it)
    std::uint8_t background = C64Blue;
    std::uint8_t border = C64LightBlue;
};

// The code point in the "C-64" font of a screen code's glyph (0x00-0x7F; the
// reversed half is the same glyph drawn reversed).
char32_t ScreenCodeGlyph(std::uint8_t code, C64Charset charset);

// --- 1. The 1541 -------------------------------------------------------------------------

// BLOCKS FREE as a stock 1541 counts it: the free counts of the BAM entries of
// tracks 1 to 35 but 18, as they stand (bitmaps are not looked at; tracks past
// 35 are not counted).
std::uint16_t StockBlocksFree(const Block& header);
// The same as the drive of the BAM's format counts it, from the free counts
// as they stand: a 1541 as above; a 1571 the tracks of both sides but 18
// (tracks 36 to 70 from the counts at 18/0 0xDD-0xFF); a 1581 every track
// but 40.
std::uint16_t StockBlocksFree(const Bam& bam);
// The same read from an image, as its drive counts it.
[[nodiscard]] Result<std::uint16_t> StockBlocksFree(const DiskImage& image);

// The bytes a 1541 sends for LOAD"$",8, without the load address ($0801):
// the header line (reverse on, the name between quotes: the 16 bytes at
// labelOffset, 0x90 on a 1541, 0x04 on a 1581; a blank, the 5 bytes 2 after
// them; every 0xA0 as a blank), a line for every entry whose type
// byte is not 0 (the blocks as line number, blanks to line the names up, the
// name's 16 bytes between quotes: the closing quote takes the place of the
// first 0xA0, or follows the 16th byte; the other 0xA0 become blanks; the
// bytes after the first 0xA0 follow as they are; then "*" for a file not
// closed, the type and "<" for a locked file; blanks to 31 bytes), the BLOCKS
// FREE line and the program's end.  Line links are the DOS's dummy $0101.
std::vector<std::uint8_t> DosDirectoryProgram(const Block& header, const std::vector<DirEntry>& entries,
                                              std::uint16_t blocksFree,
                                              std::size_t labelOffset = D64Format.labelOffset);

// --- 2. BASIC V2 -------------------------------------------------------------------------

// The characters LIST sends to the screen for a program loaded at $0801 and
// relinked as LOAD does it: each line starts after the 0 byte of the one
// before (found from its fifth byte on); a line whose link's high byte is 0
// ends the program.  Lines start with RETURN but the first; READY. follows.
std::string ListedCharacters(std::vector<std::uint8_t> program);

// --- 3. The screen editor ----------------------------------------------------------------

// The screen after printing the characters from the home position of an
// empty screen in the character set given.  Rows left blank at the bottom are
// not kept.
C64Screen PrintToScreen(std::string_view characters, C64Charset charset);

// All three steps for a D64's header block and directory entries.
C64Screen DirectoryScreen(const Block& header, const std::vector<DirEntry>& entries, C64Charset charset);
// The same for any format: the disk name at labelOffset of the header block,
// the free count as the drive counts it.
C64Screen DirectoryScreen(const Block& header, std::size_t labelOffset, std::uint16_t blocksFree,
                          const std::vector<DirEntry>& entries, C64Charset charset);
// The same read from an image (its header and every entry of the directory).
[[nodiscard]] Result<C64Screen> DirectoryScreen(const DiskImage& image, C64Charset charset);

// The characters LIST prints for the directory of the image file at path
// (steps 1 and 2), for a view that prints them in the set it shows.
[[nodiscard]] Result<std::string> DirectoryCharacters(const std::string& path);

// A row's glyphs as UTF-8 text (through ScreenCodeGlyph; reverse not shown).
std::string RowText(const ScreenRow& row, C64Charset charset);

} // namespace dyskel
