// The 6502 instruction formatter: the opcode table of the NMOS 6502 and the
// program's own assembler notation (HH before LL, raw branch offsets).
#include "disasm/Disasm6502.h"

#include "core/HexText.h"

#include <array>
#include <string_view>

namespace dyskel {

namespace {

using M = AddrMode;

// Indexed by opcode.  The 151 documented opcodes; every other byte is "???".
constexpr std::array<OpcodeEntry, 256> Opcodes = {{
    {"BRK", M::Implied},         // 00
    {"ORA", M::IndexedIndirect}, // 01
    {"???", M::None},            // 02
    {"???", M::None},            // 03
    {"???", M::None},            // 04
    {"ORA", M::ZeroPage},        // 05
    {"ASL", M::ZeroPage},        // 06
    {"???", M::None},            // 07
    {"PHP", M::Implied},         // 08
    {"ORA", M::Immediate},       // 09
    {"ASL", M::Accumulator},     // 0A
    {"???", M::None},            // 0B
    {"???", M::None},            // 0C
    {"ORA", M::Absolute},        // 0D
    {"ASL", M::Absolute},        // 0E
    {"???", M::None},            // 0F
    {"BPL", M::Relative},        // 10
    {"ORA", M::IndirectIndexed}, // 11
    {"???", M::None},            // 12
    {"???", M::None},            // 13
    {"???", M::None},            // 14
    {"ORA", M::ZeroPageX},       // 15
    {"ASL", M::ZeroPageX},       // 16
    {"???", M::None},            // 17
    {"CLC", M::Implied},         // 18
    {"ORA", M::AbsoluteY},       // 19
    {"???", M::None},            // 1A
    {"???", M::None},            // 1B
    {"???", M::None},            // 1C
    {"ORA", M::AbsoluteX},       // 1D
    {"ASL", M::AbsoluteX},       // 1E
    {"???", M::None},            // 1F
    {"JSR", M::Absolute},        // 20
    {"AND", M::IndexedIndirect}, // 21
    {"???", M::None},            // 22
    {"???", M::None},            // 23
    {"BIT", M::ZeroPage},        // 24
    {"AND", M::ZeroPage},        // 25
    {"ROL", M::ZeroPage},        // 26
    {"???", M::None},            // 27
    {"PLP", M::Implied},         // 28
    {"AND", M::Immediate},       // 29
    {"ROL", M::Accumulator},     // 2A
    {"???", M::None},            // 2B
    {"BIT", M::Absolute},        // 2C
    {"AND", M::Absolute},        // 2D
    {"ROL", M::Absolute},        // 2E
    {"???", M::None},            // 2F
    {"BMI", M::Relative},        // 30
    {"AND", M::IndirectIndexed}, // 31
    {"???", M::None},            // 32
    {"???", M::None},            // 33
    {"???", M::None},            // 34
    {"AND", M::ZeroPageX},       // 35
    {"ROL", M::ZeroPageX},       // 36
    {"???", M::None},            // 37
    {"SEC", M::Implied},         // 38
    {"AND", M::AbsoluteY},       // 39
    {"???", M::None},            // 3A
    {"???", M::None},            // 3B
    {"???", M::None},            // 3C
    {"AND", M::AbsoluteX},       // 3D
    {"ROL", M::AbsoluteX},       // 3E
    {"???", M::None},            // 3F
    {"RTI", M::Implied},         // 40
    {"EOR", M::IndexedIndirect}, // 41
    {"???", M::None},            // 42
    {"???", M::None},            // 43
    {"???", M::None},            // 44
    {"EOR", M::ZeroPage},        // 45
    {"LSR", M::ZeroPage},        // 46
    {"???", M::None},            // 47
    {"PHA", M::Implied},         // 48
    {"EOR", M::Immediate},       // 49
    {"LSR", M::Accumulator},     // 4A
    {"???", M::None},            // 4B
    {"JMP", M::Absolute},        // 4C
    {"EOR", M::Absolute},        // 4D
    {"LSR", M::Absolute},        // 4E
    {"???", M::None},            // 4F
    {"BVC", M::Relative},        // 50
    {"EOR", M::IndirectIndexed}, // 51
    {"???", M::None},            // 52
    {"???", M::None},            // 53
    {"???", M::None},            // 54
    {"EOR", M::ZeroPageX},       // 55
    {"LSR", M::ZeroPageX},       // 56
    {"???", M::None},            // 57
    {"CLI", M::Implied},         // 58
    {"EOR", M::AbsoluteY},       // 59
    {"???", M::None},            // 5A
    {"???", M::None},            // 5B
    {"???", M::None},            // 5C
    {"EOR", M::AbsoluteX},       // 5D
    {"LSR", M::AbsoluteX},       // 5E
    {"???", M::None},            // 5F
    {"RTS", M::Implied},         // 60
    {"ADC", M::IndexedIndirect}, // 61
    {"???", M::None},            // 62
    {"???", M::None},            // 63
    {"???", M::None},            // 64
    {"ADC", M::ZeroPage},        // 65
    {"ROR", M::ZeroPage},        // 66
    {"???", M::None},            // 67
    {"PLA", M::Implied},         // 68
    {"ADC", M::Immediate},       // 69
    {"ROR", M::Accumulator},     // 6A
    {"???", M::None},            // 6B
    {"JMP", M::Indirect},        // 6C
    {"ADC", M::Absolute},        // 6D
    {"ROR", M::Absolute},        // 6E
    {"???", M::None},            // 6F
    {"BVS", M::Relative},        // 70
    {"ADC", M::IndirectIndexed}, // 71
    {"???", M::None},            // 72
    {"???", M::None},            // 73
    {"???", M::None},            // 74
    {"ADC", M::ZeroPageX},       // 75
    {"ROR", M::ZeroPageX},       // 76
    {"???", M::None},            // 77
    {"SEI", M::Implied},         // 78
    {"ADC", M::AbsoluteY},       // 79
    {"???", M::None},            // 7A
    {"???", M::None},            // 7B
    {"???", M::None},            // 7C
    {"ADC", M::AbsoluteX},       // 7D
    {"ROR", M::AbsoluteX},       // 7E
    {"???", M::None},            // 7F
    {"???", M::None},            // 80
    {"STA", M::IndexedIndirect}, // 81
    {"???", M::None},            // 82
    {"???", M::None},            // 83
    {"STY", M::ZeroPage},        // 84
    {"STA", M::ZeroPage},        // 85
    {"STX", M::ZeroPage},        // 86
    {"???", M::None},            // 87
    {"DEY", M::Implied},         // 88
    {"???", M::None},            // 89
    {"TXA", M::Implied},         // 8A
    {"???", M::None},            // 8B
    {"STY", M::Absolute},        // 8C
    {"STA", M::Absolute},        // 8D
    {"STX", M::Absolute},        // 8E
    {"???", M::None},            // 8F
    {"BCC", M::Relative},        // 90
    {"STA", M::IndirectIndexed}, // 91
    {"???", M::None},            // 92
    {"???", M::None},            // 93
    {"STY", M::ZeroPageX},       // 94
    {"STA", M::ZeroPageX},       // 95
    {"STX", M::ZeroPageY},       // 96
    {"???", M::None},            // 97
    {"TYA", M::Implied},         // 98
    {"STA", M::AbsoluteY},       // 99
    {"TXS", M::Implied},         // 9A
    {"???", M::None},            // 9B
    {"???", M::None},            // 9C
    {"STA", M::AbsoluteX},       // 9D
    {"???", M::None},            // 9E
    {"???", M::None},            // 9F
    {"LDY", M::Immediate},       // A0
    {"LDA", M::IndexedIndirect}, // A1
    {"LDX", M::Immediate},       // A2
    {"???", M::None},            // A3
    {"LDY", M::ZeroPage},        // A4
    {"LDA", M::ZeroPage},        // A5
    {"LDX", M::ZeroPage},        // A6
    {"???", M::None},            // A7
    {"TAY", M::Implied},         // A8
    {"LDA", M::Immediate},       // A9
    {"TAX", M::Implied},         // AA
    {"???", M::None},            // AB
    {"LDY", M::Absolute},        // AC
    {"LDA", M::Absolute},        // AD
    {"LDX", M::Absolute},        // AE
    {"???", M::None},            // AF
    {"BCS", M::Relative},        // B0
    {"LDA", M::IndirectIndexed}, // B1
    {"???", M::None},            // B2
    {"???", M::None},            // B3
    {"LDY", M::ZeroPageX},       // B4
    {"LDA", M::ZeroPageX},       // B5
    {"LDX", M::ZeroPageY},       // B6
    {"???", M::None},            // B7
    {"CLV", M::Implied},         // B8
    {"LDA", M::AbsoluteY},       // B9
    {"TSX", M::Implied},         // BA
    {"???", M::None},            // BB
    {"LDY", M::AbsoluteX},       // BC
    {"LDA", M::AbsoluteX},       // BD
    {"LDX", M::AbsoluteY},       // BE
    {"???", M::None},            // BF
    {"CPY", M::Immediate},       // C0
    {"CMP", M::IndexedIndirect}, // C1
    {"???", M::None},            // C2
    {"???", M::None},            // C3
    {"CPY", M::ZeroPage},        // C4
    {"CMP", M::ZeroPage},        // C5
    {"DEC", M::ZeroPage},        // C6
    {"???", M::None},            // C7
    {"INY", M::Implied},         // C8
    {"CMP", M::Immediate},       // C9
    {"DEX", M::Implied},         // CA
    {"???", M::None},            // CB
    {"CPY", M::Absolute},        // CC
    {"CMP", M::Absolute},        // CD
    {"DEC", M::Absolute},        // CE
    {"???", M::None},            // CF
    {"BNE", M::Relative},        // D0
    {"CMP", M::IndirectIndexed}, // D1
    {"???", M::None},            // D2
    {"???", M::None},            // D3
    {"???", M::None},            // D4
    {"CMP", M::ZeroPageX},       // D5
    {"DEC", M::ZeroPageX},       // D6
    {"???", M::None},            // D7
    {"CLD", M::Implied},         // D8
    {"CMP", M::AbsoluteY},       // D9
    {"???", M::None},            // DA
    {"???", M::None},            // DB
    {"???", M::None},            // DC
    {"CMP", M::AbsoluteX},       // DD
    {"DEC", M::AbsoluteX},       // DE
    {"???", M::None},            // DF
    {"CPX", M::Immediate},       // E0
    {"SBC", M::IndexedIndirect}, // E1
    {"???", M::None},            // E2
    {"???", M::None},            // E3
    {"CPX", M::ZeroPage},        // E4
    {"SBC", M::ZeroPage},        // E5
    {"INC", M::ZeroPage},        // E6
    {"???", M::None},            // E7
    {"INX", M::Implied},         // E8
    {"SBC", M::Immediate},       // E9
    {"NOP", M::Implied},         // EA
    {"???", M::None},            // EB
    {"CPX", M::Absolute},        // EC
    {"SBC", M::Absolute},        // ED
    {"INC", M::Absolute},        // EE
    {"???", M::None},            // EF
    {"BEQ", M::Relative},        // F0
    {"SBC", M::IndirectIndexed}, // F1
    {"???", M::None},            // F2
    {"???", M::None},            // F3
    {"???", M::None},            // F4
    {"SBC", M::ZeroPageX},       // F5
    {"INC", M::ZeroPageX},       // F6
    {"???", M::None},            // F7
    {"SED", M::Implied},         // F8
    {"SBC", M::AbsoluteY},       // F9
    {"???", M::None},            // FA
    {"???", M::None},            // FB
    {"???", M::None},            // FC
    {"SBC", M::AbsoluteX},       // FD
    {"INC", M::AbsoluteX},       // FE
    {"???", M::None},            // FF
}};

// The 105 undocumented opcodes of the NMOS 6502 under the names most C64
// programmers know them by (as in the "No More Secrets" notes and the illegal
// opcode tables of the demo scene), with the length and mode the processor
// really gives them: the JAMs halt after one byte, the NOP variants read
// their operands, $EB is a second SBC #.
struct Undocumented {
    std::uint8_t opcode;
    const char* mnemonic;
    AddrMode mode;
};
// clang-format off
constexpr std::array<Undocumented, 105> UndocumentedOpcodes = {{
    {0x02, "JAM", M::Implied},
    {0x12, "JAM", M::Implied},
    {0x22, "JAM", M::Implied},
    {0x32, "JAM", M::Implied},
    {0x42, "JAM", M::Implied},
    {0x52, "JAM", M::Implied},
    {0x62, "JAM", M::Implied},
    {0x72, "JAM", M::Implied},
    {0x92, "JAM", M::Implied},
    {0xB2, "JAM", M::Implied},
    {0xD2, "JAM", M::Implied},
    {0xF2, "JAM", M::Implied},
    {0x03, "SLO", M::IndexedIndirect},
    {0x07, "SLO", M::ZeroPage},
    {0x0F, "SLO", M::Absolute},
    {0x13, "SLO", M::IndirectIndexed},
    {0x17, "SLO", M::ZeroPageX},
    {0x1B, "SLO", M::AbsoluteY},
    {0x1F, "SLO", M::AbsoluteX},
    {0x23, "RLA", M::IndexedIndirect},
    {0x27, "RLA", M::ZeroPage},
    {0x2F, "RLA", M::Absolute},
    {0x33, "RLA", M::IndirectIndexed},
    {0x37, "RLA", M::ZeroPageX},
    {0x3B, "RLA", M::AbsoluteY},
    {0x3F, "RLA", M::AbsoluteX},
    {0x43, "SRE", M::IndexedIndirect},
    {0x47, "SRE", M::ZeroPage},
    {0x4F, "SRE", M::Absolute},
    {0x53, "SRE", M::IndirectIndexed},
    {0x57, "SRE", M::ZeroPageX},
    {0x5B, "SRE", M::AbsoluteY},
    {0x5F, "SRE", M::AbsoluteX},
    {0x63, "RRA", M::IndexedIndirect},
    {0x67, "RRA", M::ZeroPage},
    {0x6F, "RRA", M::Absolute},
    {0x73, "RRA", M::IndirectIndexed},
    {0x77, "RRA", M::ZeroPageX},
    {0x7B, "RRA", M::AbsoluteY},
    {0x7F, "RRA", M::AbsoluteX},
    {0x83, "SAX", M::IndexedIndirect},
    {0x87, "SAX", M::ZeroPage},
    {0x8F, "SAX", M::Absolute},
    {0x97, "SAX", M::ZeroPageY},
    {0xA3, "LAX", M::IndexedIndirect},
    {0xA7, "LAX", M::ZeroPage},
    {0xAB, "LAX", M::Immediate},
    {0xAF, "LAX", M::Absolute},
    {0xB3, "LAX", M::IndirectIndexed},
    {0xB7, "LAX", M::ZeroPageY},
    {0xBF, "LAX", M::AbsoluteY},
    {0xC3, "DCP", M::IndexedIndirect},
    {0xC7, "DCP", M::ZeroPage},
    {0xCF, "DCP", M::Absolute},
    {0xD3, "DCP", M::IndirectIndexed},
    {0xD7, "DCP", M::ZeroPageX},
    {0xDB, "DCP", M::AbsoluteY},
    {0xDF, "DCP", M::AbsoluteX},
    {0xE3, "ISC", M::IndexedIndirect},
    {0xE7, "ISC", M::ZeroPage},
    {0xEF, "ISC", M::Absolute},
    {0xF3, "ISC", M::IndirectIndexed},
    {0xF7, "ISC", M::ZeroPageX},
    {0xFB, "ISC", M::AbsoluteY},
    {0xFF, "ISC", M::AbsoluteX},
    {0x0B, "ANC", M::Immediate},
    {0x2B, "ANC", M::Immediate},
    {0x4B, "ALR", M::Immediate},
    {0x6B, "ARR", M::Immediate},
    {0x8B, "ANE", M::Immediate},
    {0xCB, "SBX", M::Immediate},
    {0xEB, "SBC", M::Immediate},
    {0x93, "SHA", M::IndirectIndexed},
    {0x9F, "SHA", M::AbsoluteY},
    {0x9B, "TAS", M::AbsoluteY},
    {0x9C, "SHY", M::AbsoluteX},
    {0x9E, "SHX", M::AbsoluteY},
    {0xBB, "LAS", M::AbsoluteY},
    {0x1A, "NOP", M::Implied},
    {0x3A, "NOP", M::Implied},
    {0x5A, "NOP", M::Implied},
    {0x7A, "NOP", M::Implied},
    {0xDA, "NOP", M::Implied},
    {0xFA, "NOP", M::Implied},
    {0x80, "NOP", M::Immediate},
    {0x82, "NOP", M::Immediate},
    {0x89, "NOP", M::Immediate},
    {0xC2, "NOP", M::Immediate},
    {0xE2, "NOP", M::Immediate},
    {0x04, "NOP", M::ZeroPage},
    {0x44, "NOP", M::ZeroPage},
    {0x64, "NOP", M::ZeroPage},
    {0x14, "NOP", M::ZeroPageX},
    {0x34, "NOP", M::ZeroPageX},
    {0x54, "NOP", M::ZeroPageX},
    {0x74, "NOP", M::ZeroPageX},
    {0xD4, "NOP", M::ZeroPageX},
    {0xF4, "NOP", M::ZeroPageX},
    {0x0C, "NOP", M::Absolute},
    {0x1C, "NOP", M::AbsoluteX},
    {0x3C, "NOP", M::AbsoluteX},
    {0x5C, "NOP", M::AbsoluteX},
    {0x7C, "NOP", M::AbsoluteX},
    {0xDC, "NOP", M::AbsoluteX},
    {0xFC, "NOP", M::AbsoluteX},
}};
// clang-format on

// The full table: the documented opcodes with the undocumented ones filled in.
constexpr std::array<OpcodeEntry, 256> MakeFullTable() {
    std::array<OpcodeEntry, 256> table = Opcodes;
    for (const auto& u : UndocumentedOpcodes) table[u.opcode] = {u.mnemonic, u.mode};
    return table;
}
constexpr std::array<OpcodeEntry, 256> FullOpcodes = MakeFullTable();

constexpr bool FullTableHasNoGaps() {
    for (const auto& u : UndocumentedOpcodes)
        if (Opcodes[u.opcode].mode != M::None) return false; // a documented opcode listed again
    for (const auto& op : FullOpcodes)
        if (op.mode == M::None) return false; // an opcode left out
    return true;
}
static_assert(FullTableHasNoGaps(), "the undocumented opcodes must fill exactly the gaps of the table");

constexpr const std::array<OpcodeEntry, 256>& TableOf(OpcodeSet set) {
    return set == OpcodeSet::WithUndocumented ? FullOpcodes : Opcodes;
}

// How each addressing mode writes its operand: the text before the value, the
// number of operand bytes (written hi first) and the text after the value.
// The program's listing puts "+" before a branch's raw offset.
struct ModeForm {
    AddrMode mode;
    int operandBytes;
    const char* prefix;
    const char* suffix;
};
constexpr std::array<ModeForm, 14> ModeForms = {{
    {M::None, 0, "", ""},
    {M::Implied, 0, "", ""},
    {M::Accumulator, 0, "", ""},
    {M::Immediate, 1, "#", ""},
    {M::ZeroPage, 1, "", ""},
    {M::ZeroPageX, 1, "", ",X"},
    {M::ZeroPageY, 1, "", ",Y"},
    {M::Absolute, 2, "", ""},
    {M::AbsoluteX, 2, "", ",X"},
    {M::AbsoluteY, 2, "", ",Y"},
    {M::Indirect, 2, "(", ")"},
    {M::IndexedIndirect, 1, "(", ",X)"},
    {M::IndirectIndexed, 1, "(", "),Y"},
    {M::Relative, 1, "+", ""},
}};

constexpr const ModeForm& FormOf(AddrMode mode) {
    return ModeForms[static_cast<int>(mode)];
}

constexpr bool FormsInModeOrder() {
    for (std::size_t i = 0; i < ModeForms.size(); ++i)
        if (static_cast<std::size_t>(ModeForms[i].mode) != i) return false;
    return true;
}
static_assert(FormsInModeOrder(), "ModeForms must be indexed by AddrMode");

struct Description {
    std::string_view mnemonic;
    const char* text;
};
constexpr std::array<Description, 75> Descriptions = {{
    {"ADC", "Add memory to Accumulator with Carry: "},
    {"AND", "\"AND\" memory with Accumulator: "},
    {"ASL", "Shift left on bit (memory or Accumulator): "},
    {"BCC", "Branch on Carry Clear: "},
    {"BCS", "Branch on Carry Set: "},
    {"BEQ", "Branch on result zero: "},
    {"BIT", "Test bits in memory with Accumulator: "},
    {"BMI", "Branch on result minus: "},
    {"BNE", "Branch on result not zero: "},
    {"BPL", "Branch on result plus: "},
    {"BRK", "Force Break: "},
    {"BVC", "Branch on overflow Clear: "},
    {"BVS", "Branch on overflow Set: "},
    {"CLC", "Clear Carry flag: "},
    {"CLD", "Clear Decimal mode: "},
    {"CLI", "Clear Interrupt disable bit: "},
    {"CLV", "Clear overflow flag: "},
    {"CMP", "Compare memory and Accoumulator: "},
    {"CPX", "Compare memory and index X: "},
    {"CPY", "Compare memory and index Y: "},
    {"DEC", "Decrement memory by one: "},
    {"DEX", "Decrement index X by one: "},
    {"DEY", "Decrement index Y by one: "},
    {"EOR", "\"Exclusive-OR\" memory with Accumulator: "},
    {"INC", "Increment memory by one: "},
    {"INX", "Increment index X by one: "},
    {"INY", "Increment index Y by one: "},
    {"JMP", "Jump to new location: "},
    {"JSR", "Jump to new location, saving return address: "},
    {"LDA", "Load Accumulator with memory: "},
    {"LDX", "Load index X with memory: "},
    {"LDY", "Load index Y with memory: "},
    {"LSR", "Shift right on bit (memory or Accumulator): "},
    {"NOP", "No Operation: "},
    {"ORA", "\"OR\" memory with Accumulator: "},
    {"PHA", "Push Accumulator on stack: "},
    {"PHP", "Push processor status on stack: "},
    {"PLA", "Pull Accumulator from stack: "},
    {"PLP", "Pull processor status from stack: "},
    {"ROL", "Rotate one bit left (memory or Accumulator): "},
    {"ROR", "Rotate one bit right (memory or Accumulator): "},
    {"RTI", "Return from Interrupt: "},
    {"RTS", "Return from SubRoutine: "},
    {"SBC", "Subtract memory from Accumulator with borrow: "},
    {"SEC", "Set Carry flag: "},
    {"SED", "Set Decimal mode: "},
    {"SEI", "Set Interrupt disable status: "},
    {"STA", "Store Accumulator in memory: "},
    {"STX", "Store index X in memory: "},
    {"STY", "Store index Y in memory: "},
    {"TAX", "Transfer Accumulator to index X: "},
    {"TAY", "Transfer Accumulator to index Y: "},
    {"TSX", "Transfer stack pointer to index X: "},
    {"TXA", "Transfer index X to Accumulator: "},
    {"TXS", "Transfer index X to stack pointer: "},
    {"TYA", "Transfer index Y to Accumulator: "},
    // The undocumented instructions (NOP and SBC share the texts above).
    {"ALR", "\"AND\" memory with Accumulator, then shift right (undocumented): "},
    {"ANC", "\"AND\" memory with Accumulator, Carry from bit 7 (undocumented): "},
    {"ANE", "Index X \"AND\" memory to Accumulator, unstable (undocumented): "},
    {"ARR", "\"AND\" memory with Accumulator, then rotate right (undocumented): "},
    {"DCP", "Decrement memory, then compare with Accumulator (undocumented): "},
    {"ISC", "Increment memory, then subtract it from Accumulator (undocumented): "},
    {"JAM", "Halt the processor (undocumented): "},
    {"LAS", "Memory \"AND\" stack pointer to A, X and stack pointer (undocumented): "},
    {"LAX", "Load Accumulator and index X with memory (undocumented): "},
    {"RLA", "Rotate memory left, then \"AND\" with Accumulator (undocumented): "},
    {"RRA", "Rotate memory right, then add to Accumulator (undocumented): "},
    {"SAX", "Store Accumulator \"AND\" index X in memory (undocumented): "},
    {"SBX", "Accumulator \"AND\" X minus memory to index X (undocumented): "},
    {"SHA", "Store A \"AND\" X \"AND\" address high byte + 1 (undocumented): "},
    {"SHX", "Store X \"AND\" address high byte + 1 (undocumented): "},
    {"SHY", "Store Y \"AND\" address high byte + 1 (undocumented): "},
    {"SLO", "Shift memory left, then \"OR\" with Accumulator (undocumented): "},
    {"SRE", "Shift memory right, then \"Exclusive-OR\" with Accumulator (undocumented): "},
    {"TAS", "A \"AND\" X to stack pointer, then store as SHA (undocumented): "},
}};

constexpr const char* UndocumentedText = "Future Expansion or not part of program code.";

constexpr const char* DescriptionOf(std::string_view mnemonic) {
    for (const auto& d : Descriptions)
        if (d.mnemonic == mnemonic) return d.text;
    return nullptr;
}

constexpr bool EveryMnemonicDescribed() {
    for (const auto& op : FullOpcodes)
        if (op.mode != M::None && DescriptionOf(op.mnemonic) == nullptr) return false;
    return true;
}
static_assert(EveryMnemonicDescribed(), "a documented mnemonic lacks its description");

} // namespace

const OpcodeEntry& Opcode6502(std::uint8_t opcode, OpcodeSet set) {
    return TableOf(set)[opcode];
}

int OpcodeLength6502(std::uint8_t opcode, OpcodeSet set) {
    return 1 + FormOf(TableOf(set)[opcode].mode).operandBytes;
}

std::string Disasm6502(std::uint8_t opcode, std::uint8_t lo, std::uint8_t hi, OpcodeSet set) {
    const OpcodeEntry& op = TableOf(set)[opcode];
    const ModeForm& form = FormOf(op.mode);
    if (form.operandBytes == 0) return op.mnemonic;

    // The longest text, "JMP ($A00C)", has 11 characters: build it in place.
    char text[16];
    std::size_t n = 0;
    auto put = [&](std::string_view s) {
        for (char c : s) text[n++] = c;
    };
    put(op.mnemonic);
    text[n++] = ' ';
    put(form.prefix);
    text[n++] = '$';
    if (form.operandBytes == 2) put(ByteToHex(hi));
    put(ByteToHex(lo));
    put(form.suffix);
    return std::string(text, n);
}

std::string Describe6502(std::uint8_t opcode, std::uint8_t lo, std::uint8_t hi, OpcodeSet set) {
    const OpcodeEntry& op = TableOf(set)[opcode];
    if (op.mode == M::None) return UndocumentedText;
    return std::string(DescriptionOf(op.mnemonic)) + Disasm6502(opcode, lo, hi, set);
}

std::optional<std::uint16_t> OperandAddress(AddrMode mode, std::uint8_t lo, std::uint8_t hi) {
    switch (mode) {
    case M::ZeroPage:
    case M::ZeroPageX:
    case M::ZeroPageY:
    case M::IndexedIndirect:
    case M::IndirectIndexed:
        return lo;
    case M::Absolute:
    case M::AbsoluteX:
    case M::AbsoluteY:
    case M::Indirect:
        return static_cast<std::uint16_t>(lo | hi << 8);
    default:
        return std::nullopt;
    }
}

std::string OperandForm(AddrMode mode, std::string_view value) {
    const ModeForm& form = FormOf(mode);
    if (form.operandBytes == 0) return {};
    std::string text = form.prefix;
    text += value;
    text += form.suffix;
    return text;
}

} // namespace dyskel
