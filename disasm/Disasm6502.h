// The 6502 instruction formatter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// Which opcodes the formatter names.  Documented: the 151 opcodes of the
// NMOS 6502's instruction set; every other byte is "???", one byte long.
// WithUndocumented: the other 105 as well, under their common names (LAX,
// SAX, DCP, ISC, SLO, RLA, SRE, RRA, ANC, ALR, ARR, SBX, LAS, SHA, SHX, SHY,
// TAS, ANE, JAM and the NOP variants), with their real lengths and modes.
enum class OpcodeSet : std::uint8_t { Documented, WithUndocumented };

[[nodiscard]] const OpcodeEntry& Opcode6502(std::uint8_t opcode, OpcodeSet set = OpcodeSet::Documented);

// 1, 2 or 3; 1 for every undocumented opcode of the documented set.
[[nodiscard]] int OpcodeLength6502(std::uint8_t opcode, OpcodeSet set = OpcodeSet::Documented);

// The instruction's text ("LDA #$0A", "JMP ($A00C)", "BNE +$F6"), "???" for an
// undocumented opcode of the documented set.  lo and hi are the two bytes
// after the opcode.
[[nodiscard]] std::string Disasm6502(std::uint8_t opcode, std::uint8_t lo, std::uint8_t hi,
                                     OpcodeSet set = OpcodeSet::Documented);

// The description line: the mnemonic's description followed by the
// instruction's text, or "Future Expansion or not part of program code.".
[[nodiscard]] std::string Describe6502(std::uint8_t opcode, std::uint8_t lo, std::uint8_t hi,
                                       OpcodeSet set = OpcodeSet::Documented);

// The address the operand names in the modes that name one (zero page and
// absolute, plain, indexed or indirect); nothing for the other modes.
[[nodiscard]] std::optional<std::uint16_t> OperandAddress(AddrMode mode, std::uint8_t lo, std::uint8_t hi);

// The operand of the mode around a value's text: "#v", "v", "v,X", "v,Y",
// "(v)", "(v,X)", "(v),Y", "+v"; "" for the modes without an operand.
[[nodiscard]] std::string OperandForm(AddrMode mode, std::string_view value);

} // namespace dyskel
