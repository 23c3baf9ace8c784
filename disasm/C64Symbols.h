// Names of the C64's own addresses: the KERNAL jump table, BASIC ROM entry
// points, zero page and system RAM, the I/O chips and the hardware vectors.
#pragma once

#include "disasm/Disasm6502.h"

#include <cstdint>
#include <span>
#include <string>

namespace dyskel {

struct C64Symbol {
    std::uint16_t address;
    std::uint16_t size;      // bytes it spans; an address inside shows as NAME+n
    const char* name;        // upper case, a valid ca65 symbol
    const char* description; // a few words
};

// Every symbol, by address; no two overlap and no name is used twice.
[[nodiscard]] std::span<const C64Symbol> C64Symbols();

// The symbol at the address or spanning it; nullptr when none.
[[nodiscard]] const C64Symbol* FindC64Symbol(std::uint16_t address);

// "EXTCOL" for $D020, "TXTTAB+1" for $002C; "" when no symbol covers it.
[[nodiscard]] std::string C64SymbolText(std::uint16_t address);

// The operand of the instruction with its address written as a symbol:
// "EXTCOL", "VICSCN+256,X", "(FREKZP),Y", "(CINV)".  "" when the mode names
// no address (immediate, relative, implied) or no symbol covers it.  A zero
// page operand only ever names a zero page symbol.
[[nodiscard]] std::string SymbolicOperand(std::uint8_t opcode, std::uint8_t lo, std::uint8_t hi,
                                          OpcodeSet set = OpcodeSet::Documented);

} // namespace dyskel
