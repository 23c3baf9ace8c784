// C64 symbols against the addresses of the C64's documentation.
#include "disasm/C64Symbols.h"

#include <gtest/gtest.h>
#include <set>
#include <string_view>

#include <string>

namespace dyskel {
namespace {

struct Named {
    std::uint16_t address;
    const char* text;
};

class SymbolAt : public ::testing::TestWithParam<Named> {};

TEST_P(SymbolAt, NamesTheAddress) {
    EXPECT_EQ(C64SymbolText(GetParam().address), GetParam().text);
}

// The KERNAL jump table as the Programmer's Reference Guide lists it.
INSTANTIATE_TEST_SUITE_P(
    KernalJumpTable, SymbolAt,
    ::testing::Values(
        Named{0xFF81, "CINT"}, Named{0xFF84, "IOINIT"}, Named{0xFF87, "RAMTAS"}, Named{0xFF8A, "RESTOR"},
        Named{0xFF8D, "VECTOR"}, Named{0xFF90, "SETMSG"}, Named{0xFF93, "SECOND"}, Named{0xFF96, "TKSA"},
        Named{0xFF99, "MEMTOP"}, Named{0xFF9C, "MEMBOT"}, Named{0xFF9F, "SCNKEY"}, Named{0xFFA2, "SETTMO"},
        Named{0xFFA5, "ACPTR"}, Named{0xFFA8, "CIOUT"}, Named{0xFFAB, "UNTLK"}, Named{0xFFAE, "UNLSN"},
        Named{0xFFB1, "LISTEN"}, Named{0xFFB4, "TALK"}, Named{0xFFB7, "READST"}, Named{0xFFBA, "SETLFS"},
        Named{0xFFBD, "SETNAM"}, Named{0xFFC0, "OPEN"}, Named{0xFFC3, "CLOSE"}, Named{0xFFC6, "CHKIN"},
        Named{0xFFC9, "CHKOUT"}, Named{0xFFCC, "CLRCHN"}, Named{0xFFCF, "CHRIN"}, Named{0xFFD2, "CHROUT"},
        Named{0xFFD5, "LOAD"}, Named{0xFFD8, "SAVE"}, Named{0xFFDB, "SETTIM"}, Named{0xFFDE, "RDTIM"},
        Named{0xFFE1, "STOP"}, Named{0xFFE4, "GETIN"}, Named{0xFFE7, "CLALL"}, Named{0xFFEA, "UDTIM"},
        Named{0xFFED, "SCREEN"}, Named{0xFFF0, "PLOT"}, Named{0xFFF3, "IOBASE"}));

// A handful of I/O registers, system locations and ROM routines, and places
// without a name.
INSTANTIATE_TEST_SUITE_P(
    HandChecked, SymbolAt,
    ::testing::Values(
        Named{0xD020, "EXTCOL"}, Named{0xD021, "BGCOL0"}, Named{0xD011, "SCROLY"}, Named{0xD012, "RASTER"},
        Named{0xD015, "SPENA"}, Named{0xD018, "VMCSB"}, Named{0xD019, "VICIRQ"}, Named{0xD01A, "IRQMSK"},
        Named{0xD02E, "SP7COL"}, Named{0xD400, "FRELO1"}, Named{0xD418, "SIGVOL"}, Named{0xD41C, "ENV3"},
        Named{0xDC00, "CIAPRA"}, Named{0xDC0D, "CIAICR"}, Named{0xDD00, "CI2PRA"}, Named{0xDD0D, "CI2ICR"},
        Named{0x0001, "R6510"}, Named{0x00C6, "NDX"}, Named{0x002B, "TXTTAB"}, Named{0x002C, "TXTTAB+1"},
        Named{0x00A2, "TIME+2"}, Named{0x00FB, "FREKZP"}, Named{0x00FE, "FREKZP+3"}, Named{0x0277, "KEYD"},
        Named{0x0314, "CINV"}, Named{0x0315, "CINV+1"}, Named{0x0318, "NMINV"}, Named{0x0400, "VICSCN"},
        Named{0x07E7, "VICSCN+999"}, Named{0xAB1E, "STROUT"}, Named{0xBDCD, "LINPRT"},
        Named{0xFFFE, "IRQVEC"}, Named{0x0002, ""}, Named{0x07E8, ""}, Named{0xC000, ""}, Named{0xD02F, ""},
        Named{0xD800, ""}, Named{0xFFD3, ""}, Named{0xFFF6, ""}));

struct OperandCase {
    std::array<std::uint8_t, 3> bytes;
    OpcodeSet set;
    const char* text;
};

class OperandSymbol : public ::testing::TestWithParam<OperandCase> {};

TEST_P(OperandSymbol, WritesTheOperandWithTheSymbol) {
    const auto& c = GetParam();
    EXPECT_EQ(SymbolicOperand(c.bytes[0], c.bytes[1], c.bytes[2], c.set), c.text);
}

constexpr auto Doc = OpcodeSet::Documented;
constexpr auto All = OpcodeSet::WithUndocumented;

INSTANTIATE_TEST_SUITE_P(
    Modes, OperandSymbol,
    ::testing::Values(OperandCase{{0x8D, 0x20, 0xD0}, Doc, "EXTCOL"},       // STA $D020
                      OperandCase{{0x20, 0xD2, 0xFF}, Doc, "CHROUT"},       // JSR $FFD2
                      OperandCase{{0x20, 0xE4, 0xFF}, Doc, "GETIN"},        // JSR $FFE4
                      OperandCase{{0xA5, 0xC6, 0x00}, Doc, "NDX"},          // LDA $C6
                      OperandCase{{0xAD, 0xC6, 0x00}, Doc, "NDX"},          // LDA $00C6
                      OperandCase{{0xB1, 0xFB, 0x99}, Doc, "(FREKZP),Y"},   // LDA ($FB),Y
                      OperandCase{{0xA1, 0xFC, 0x00}, Doc, "(FREKZP+1,X)"}, // LDA ($FC,X)
                      OperandCase{{0xB5, 0xD9, 0x00}, Doc, "LDTB1,X"},      // LDA $D9,X
                      OperandCase{{0xB6, 0x2B, 0x00}, Doc, "TXTTAB,Y"},     // LDX $2B,Y
                      OperandCase{{0x9D, 0x00, 0x05}, Doc, "VICSCN+256,X"}, // STA $0500,X
                      OperandCase{{0xB9, 0x77, 0x02}, Doc, "KEYD,Y"},       // LDA $0277,Y
                      OperandCase{{0x6C, 0x14, 0x03}, Doc, "(CINV)"},       // JMP ($0314)
                      OperandCase{{0xA9, 0x20, 0xD0}, Doc, ""},             // LDA #$20: a value
                      OperandCase{{0xD0, 0xC6, 0x00}, Doc, ""},             // BNE: an offset
                      OperandCase{{0x60, 0x20, 0xD0}, Doc, ""},             // RTS
                      OperandCase{{0x8D, 0x00, 0xC0}, Doc, ""},             // STA $C000
                      OperandCase{{0xA5, 0xD2, 0xFF}, Doc, "PNT+1"},        // LDA $D2
                      OperandCase{{0xA7, 0xC6, 0x00}, All, "NDX"},          // LAX $C6
                      OperandCase{{0xA7, 0xC6, 0x00}, Doc, ""}));           // "???"

// ca65 source defines each name once, so no name may stand for two
// addresses.
TEST(C64SymbolsTable, EveryNameStandsForOneAddress) {
    std::set<std::string_view> names;
    for (const C64Symbol& s : C64Symbols()) EXPECT_TRUE(names.insert(s.name).second) << s.name;
}

} // namespace
} // namespace dyskel
