// Tokenised BASIC lines linked into a program as the C64 keeps it from
// $0801 on: each line's link, number, text and 0 byte, then the end marker.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace dyskel::test {

inline std::vector<std::uint8_t>
LinkBasic(const std::vector<std::pair<int, std::vector<std::uint8_t>>>& lines) {
    std::vector<std::uint8_t> out;
    for (const auto& [number, text] : lines) {
        const std::size_t next = 0x0801 + out.size() + 4 + text.size() + 1;
        out.insert(out.end(), {std::uint8_t(next), std::uint8_t(next >> 8), std::uint8_t(number),
                               std::uint8_t(number >> 8)});
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
    }
    out.insert(out.end(), {0, 0});
    return out;
}

// "10 SYS2061" at $0801 and the program's end marker: 12 bytes, so the machine
// code after them starts at $080D, the address the line calls.
inline const std::vector<std::uint8_t> Sys2061Line = {0x0B, 0x08, 0x0A, 0x00, 0x9E, '2',
                                                      '0',  '6',  '1',  0x00, 0x00, 0x00};

// The line, then the machine code given.
inline std::vector<std::uint8_t> BehindSys2061(std::initializer_list<std::uint8_t> code) {
    std::vector<std::uint8_t> program = Sys2061Line;
    program.insert(program.end(), code);
    return program;
}

// The sample disks' BORDER program: it cycles the border colour until a key
// is pressed. SEI / INC $D020 / LDA $C6 / BEQ / LDA #0 / STA $C6 / CLI / RTS.
inline const std::vector<std::uint8_t> BorderProgram =
    BehindSys2061({0x78, 0xEE, 0x20, 0xD0, 0xA5, 0xC6, 0xF0, 0xF9, 0xA9, 0x00, 0x85, 0xC6, 0x58, 0x60});

// 10 PRINT"{CLR}HI" / 20 A, whose link points back to line 10.
inline const std::vector<std::uint8_t> BrokenLinkBasic = {
    0x0C, 0x08, 0x0A, 0x00, 0x99, 0x22, 0x93, 0x48, 0x49, 0x22, 0x00, 0x01, 0x08, 0x14, 0x00, 0x41, 0x00};

} // namespace dyskel::test
