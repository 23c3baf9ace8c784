// The 6502 instruction formatter.
#pragma once

#include <cstdint>
#include <string>

namespace dyskel {

enum class AddrMode : std::uint8_t {
    None, // undocumented opcode
    Implied,
    Accumulator,
    Immediate,
    ZeroPage,
    ZeroPageX,
    ZeroPageY,
    Absolute,
    AbsoluteX,
    AbsoluteY,
    Indirect,
    IndexedIndirect, // (zp,X)
    IndirectIndexed, // (zp),Y
    Relative,
};

struct OpcodeEntry {
    const char* mnemonic; // "???" for an undocumented opcode
    AddrMode mode;
};

const OpcodeEntry& Opcode6502(std::uint8_t opcode);

// 1, 2 or 3; 1 for every undocumented opcode.
int OpcodeLength6502(std::uint8_t opcode);

// The instruction's text ("LDA #$0A", "JMP ($A00C)", "BNE +$F6"), "???" for an
// undocumented opcode.  lo and hi are the two bytes after the opcode.
std::string Disasm6502(std::uint8_t opcode, std::uint8_t lo, std::uint8_t hi);

// The description line: the mnemonic's description followed by the
// instruction's text, or "Future Expansion or not part of program code.".
std::string Describe6502(std::uint8_t opcode, std::uint8_t lo, std::uint8_t hi);

} // namespace dyskel
