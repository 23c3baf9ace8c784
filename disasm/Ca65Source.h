// A program file as ca65 assembler source that assembles back to the same
// bytes, load address included.
#pragma once

#include "disasm/Listing6502.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace dyskel {

// The ld65 configuration the source is written for: one memory area that
// takes the bytes as they come, so that the file is the load address and
// then the program.  Build the file with
//   ca65 -o prog.o prog.s
//   ld65 -C prg.cfg -o prog.prg prog.o
// where prg.cfg holds this text.  The source's header says the same.
inline constexpr std::string_view Ca65LinkerConfig =
    "MEMORY { PRG: file = %O, start = $0000, size = $20000; }\n"
    "SEGMENTS { CODE: load = PRG, type = rw; }\n";

// The source of the program whose bytes load at the load address, read as
// the disassembly with these options reads it: the bytes before the start as
// .byte rows, then one line per instruction.  Branch and jump targets at the
// start of a line inside the program get labels (L080F); with symbols on,
// operands outside it name the C64's addresses, defined at the top
// (CHROUT = $FFD2).  Every undocumented opcode is written as .byte, its
// common name in the line's comment when the options name them, and so is an
// instruction that runs past the end of the file.  Absolute operands below
// $0100 carry ca65's "a:" so that they keep their three bytes.
[[nodiscard]] std::string Ca65Source(std::span<const std::uint8_t> bytes, std::uint16_t load,
                                     const AsmOptions& options = {});

} // namespace dyskel
