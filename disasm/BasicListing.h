// A BASIC V2 program listed as the C64's LIST shows it, and the SYS line
// that starts the machine code behind most programs.
//
// A program in memory is a chain of lines: two bytes link to the next line,
// two bytes hold the line number, then the tokenised text up to a 0 byte.  A
// link whose high byte is 0 ends the program.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dyskel {

// One listed line.  text holds the characters to show as PETSCII bytes,
// keywords spelled out; reversed flags the characters the C64 shows in
// reverse.  Those are the control codes: LIST prints a string's colour,
// cursor and clear codes in quote mode, where the screen shows each as the
// reversed character whose screen code the control code's low bits give: the
// codes $00-$1F as reversed @ A-Z [ £ ] ↑ ← (PETSCII $40-$5F), the codes
// $80-$9F as the reversed graphics of $C0-$DF.  CHR$(147), clear screen,
// shows as a reversed heart ($D3), CHR$(5), white, as a reversed E ($45).
// text holds that glyph's byte ($D3, $45) with its reversed flag set.
// Control codes outside quotes, which the C64's screen would act on, show the
// same way, so that nothing of the line is hidden; RETURN and DEL too.
struct BasicLine {
    std::uint16_t address = 0; // of the line's link
    std::uint16_t number = 0;
    std::string text;           // glyph bytes, without the line number
    std::vector<bool> reversed; // one flag per byte of text
};

// Why the walk along the links ended.
enum class BasicEnd : std::uint8_t {
    EndMarker,        // a link with high byte 0: the program's proper end
    FileEnd,          // the file ends where a line's link should be
    LineUnterminated, // the file ends inside a line
    LinkBackwards,    // a link points below its own line
    LinkIntoItself,   // a link points into its own line
    LinkOutside,      // a link points past the end of the file
};

struct BasicListing {
    std::vector<BasicLine> lines; // a line whose link is bad is listed, last
    BasicEnd end = BasicEnd::EndMarker;
    std::uint16_t at = 0;   // the end marker, the line with the bad link, or where the file ended
    std::uint16_t link = 0; // the bad link's target
    [[nodiscard]] bool Broken() const { return end != BasicEnd::EndMarker; }
};

// Lists the program whose bytes load at the load address.
[[nodiscard]] BasicListing ListBasic(std::span<const std::uint8_t> bytes, std::uint16_t load);

// Why a broken listing stopped, as one sentence without a full stop
// ("line 20 at $080F links backwards to $0801"); "" for a proper end.
[[nodiscard]] std::string BasicEndText(const BasicListing& listing);

// The bytes LIST sends to the screen for the line's text: control codes as
// the codes themselves, everything else as in text.
[[nodiscard]] std::string ListedBytes(const BasicLine& line);

// The listing as UTF-8 text, one line each ("10 PRINT"..."\n"), the
// characters through the program's PETSCII display table, which draws
// control codes as their reversed glyphs.
[[nodiscard]] std::string BasicListingUtf8(const BasicListing& listing);

// The machine code start of a program that loads at $0801 and whose first
// line is SYS and a decimal address inside the file ("10 SYS2061", blanks
// allowed around and between the digits, as BASIC skips them); nothing for
// any other program.
[[nodiscard]] std::optional<std::uint16_t> SysStart(std::span<const std::uint8_t> bytes, std::uint16_t load);

} // namespace dyskel
