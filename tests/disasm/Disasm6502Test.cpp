// The 6502 instruction formatter against the NMOS 6502 instruction set.
#include "disasm/Disasm6502.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace dyskel {
namespace {

struct Documented {
    int opcode;
    const char* text; // with operand bytes lo = $34, hi = $12
    int length;
};

// Every documented opcode of the NMOS 6502, grouped by mnemonic as a
// programmer's reference card lists them.
const std::vector<Documented> DocumentedOpcodes = {
    {0x69, "ADC #$34", 2},    {0x65, "ADC $34", 2},     {0x75, "ADC $34,X", 2},   {0x6D, "ADC $1234", 3},
    {0x7D, "ADC $1234,X", 3}, {0x79, "ADC $1234,Y", 3}, {0x61, "ADC ($34,X)", 2}, {0x71, "ADC ($34),Y", 2},
    {0x29, "AND #$34", 2},    {0x25, "AND $34", 2},     {0x35, "AND $34,X", 2},   {0x2D, "AND $1234", 3},
    {0x3D, "AND $1234,X", 3}, {0x39, "AND $1234,Y", 3}, {0x21, "AND ($34,X)", 2}, {0x31, "AND ($34),Y", 2},
    {0x0A, "ASL", 1},         {0x06, "ASL $34", 2},     {0x16, "ASL $34,X", 2},   {0x0E, "ASL $1234", 3},
    {0x1E, "ASL $1234,X", 3}, {0x90, "BCC +$34", 2},    {0xB0, "BCS +$34", 2},    {0xF0, "BEQ +$34", 2},
    {0x24, "BIT $34", 2},     {0x2C, "BIT $1234", 3},   {0x30, "BMI +$34", 2},    {0xD0, "BNE +$34", 2},
    {0x10, "BPL +$34", 2},    {0x00, "BRK", 1},         {0x50, "BVC +$34", 2},    {0x70, "BVS +$34", 2},
    {0x18, "CLC", 1},         {0xD8, "CLD", 1},         {0x58, "CLI", 1},         {0xB8, "CLV", 1},
    {0xC9, "CMP #$34", 2},    {0xC5, "CMP $34", 2},     {0xD5, "CMP $34,X", 2},   {0xCD, "CMP $1234", 3},
    {0xDD, "CMP $1234,X", 3}, {0xD9, "CMP $1234,Y", 3}, {0xC1, "CMP ($34,X)", 2}, {0xD1, "CMP ($34),Y", 2},
    {0xE0, "CPX #$34", 2},    {0xE4, "CPX $34", 2},     {0xEC, "CPX $1234", 3},   {0xC0, "CPY #$34", 2},
    {0xC4, "CPY $34", 2},     {0xCC, "CPY $1234", 3},   {0xC6, "DEC $34", 2},     {0xD6, "DEC $34,X", 2},
    {0xCE, "DEC $1234", 3},   {0xDE, "DEC $1234,X", 3}, {0xCA, "DEX", 1},         {0x88, "DEY", 1},
    {0x49, "EOR #$34", 2},    {0x45, "EOR $34", 2},     {0x55, "EOR $34,X", 2},   {0x4D, "EOR $1234", 3},
    {0x5D, "EOR $1234,X", 3}, {0x59, "EOR $1234,Y", 3}, {0x41, "EOR ($34,X)", 2}, {0x51, "EOR ($34),Y", 2},
    {0xE6, "INC $34", 2},     {0xF6, "INC $34,X", 2},   {0xEE, "INC $1234", 3},   {0xFE, "INC $1234,X", 3},
    {0xE8, "INX", 1},         {0xC8, "INY", 1},         {0x4C, "JMP $1234", 3},   {0x6C, "JMP ($1234)", 3},
    {0x20, "JSR $1234", 3},   {0xA9, "LDA #$34", 2},    {0xA5, "LDA $34", 2},     {0xB5, "LDA $34,X", 2},
    {0xAD, "LDA $1234", 3},   {0xBD, "LDA $1234,X", 3}, {0xB9, "LDA $1234,Y", 3}, {0xA1, "LDA ($34,X)", 2},
    {0xB1, "LDA ($34),Y", 2}, {0xA2, "LDX #$34", 2},    {0xA6, "LDX $34", 2},     {0xB6, "LDX $34,Y", 2},
    {0xAE, "LDX $1234", 3},   {0xBE, "LDX $1234,Y", 3}, {0xA0, "LDY #$34", 2},    {0xA4, "LDY $34", 2},
    {0xB4, "LDY $34,X", 2},   {0xAC, "LDY $1234", 3},   {0xBC, "LDY $1234,X", 3}, {0x4A, "LSR", 1},
    {0x46, "LSR $34", 2},     {0x56, "LSR $34,X", 2},   {0x4E, "LSR $1234", 3},   {0x5E, "LSR $1234,X", 3},
    {0xEA, "NOP", 1},         {0x09, "ORA #$34", 2},    {0x05, "ORA $34", 2},     {0x15, "ORA $34,X", 2},
    {0x0D, "ORA $1234", 3},   {0x1D, "ORA $1234,X", 3}, {0x19, "ORA $1234,Y", 3}, {0x01, "ORA ($34,X)", 2},
    {0x11, "ORA ($34),Y", 2}, {0x48, "PHA", 1},         {0x08, "PHP", 1},         {0x68, "PLA", 1},
    {0x28, "PLP", 1},         {0x2A, "ROL", 1},         {0x26, "ROL $34", 2},     {0x36, "ROL $34,X", 2},
    {0x2E, "ROL $1234", 3},   {0x3E, "ROL $1234,X", 3}, {0x6A, "ROR", 1},         {0x66, "ROR $34", 2},
    {0x76, "ROR $34,X", 2},   {0x6E, "ROR $1234", 3},   {0x7E, "ROR $1234,X", 3}, {0x40, "RTI", 1},
    {0x60, "RTS", 1},         {0xE9, "SBC #$34", 2},    {0xE5, "SBC $34", 2},     {0xF5, "SBC $34,X", 2},
    {0xED, "SBC $1234", 3},   {0xFD, "SBC $1234,X", 3}, {0xF9, "SBC $1234,Y", 3}, {0xE1, "SBC ($34,X)", 2},
    {0xF1, "SBC ($34),Y", 2}, {0x38, "SEC", 1},         {0xF8, "SED", 1},         {0x78, "SEI", 1},
    {0x85, "STA $34", 2},     {0x95, "STA $34,X", 2},   {0x8D, "STA $1234", 3},   {0x9D, "STA $1234,X", 3},
    {0x99, "STA $1234,Y", 3}, {0x81, "STA ($34,X)", 2}, {0x91, "STA ($34),Y", 2}, {0x86, "STX $34", 2},
    {0x96, "STX $34,Y", 2},   {0x8E, "STX $1234", 3},   {0x84, "STY $34", 2},     {0x94, "STY $34,X", 2},
    {0x8C, "STY $1234", 3},   {0xAA, "TAX", 1},         {0xA8, "TAY", 1},         {0xBA, "TSX", 1},
    {0x8A, "TXA", 1},         {0x9A, "TXS", 1},         {0x98, "TYA", 1},
};

TEST(OpcodeTable, HoldsExactlyTheDocumentedInstructionSet) {
    ASSERT_EQ(DocumentedOpcodes.size(), 151u);
    std::map<int, const Documented*> byOpcode;
    for (const auto& d : DocumentedOpcodes) byOpcode[d.opcode] = &d;
    ASSERT_EQ(byOpcode.size(), 151u) << "an opcode is listed twice";

    for (int op = 0; op < 256; ++op) {
        SCOPED_TRACE(op);
        auto b = static_cast<std::uint8_t>(op);
        auto it = byOpcode.find(op);
        if (it == byOpcode.end()) {
            EXPECT_EQ(Disasm6502(b, 0x34, 0x12), "???");
            EXPECT_EQ(OpcodeLength6502(b), 1);
            EXPECT_EQ(Opcode6502(b).mode, AddrMode::None);
            EXPECT_STREQ(Opcode6502(b).mnemonic, "???");
        } else {
            EXPECT_EQ(Disasm6502(b, 0x34, 0x12), it->second->text);
            EXPECT_EQ(OpcodeLength6502(b), it->second->length);
            EXPECT_EQ(std::string(Opcode6502(b).mnemonic), std::string(it->second->text, 3));
        }
    }
}

TEST(OpcodeTable, HasFiftySixMnemonics) {
    std::map<std::string, int> mnemonics;
    for (int op = 0; op < 256; ++op)
        if (Opcode6502(static_cast<std::uint8_t>(op)).mode != AddrMode::None)
            ++mnemonics[Opcode6502(static_cast<std::uint8_t>(op)).mnemonic];
    EXPECT_EQ(mnemonics.size(), 56u);
}

struct Case {
    std::array<std::uint8_t, 3> bytes;
    const char* text;
    int length;
};

class FormatterCase : public ::testing::TestWithParam<Case> {};

TEST_P(FormatterCase, GivesTextAndLength) {
    const Case& c = GetParam();
    EXPECT_EQ(Disasm6502(c.bytes[0], c.bytes[1], c.bytes[2]), c.text);
    EXPECT_EQ(OpcodeLength6502(c.bytes[0]), c.length);
}

INSTANTIATE_TEST_SUITE_P(
    NotationEdges, FormatterCase,
    ::testing::Values(Case{{0xFF, 0x00, 0x00}, "???", 1}, // undocumented
                      Case{{0x0A, 0x12, 0x34}, "ASL", 1}, // accumulator: no "A"
                      Case{{0xEA, 0x00, 0x00}, "NOP", 1}, //
                      Case{{0x00, 0xAA, 0xBB}, "BRK", 1}, // BRK is one byte
                      Case{{0x6C, 0x0C, 0xA0}, "JMP ($A00C)", 3},
                      Case{{0xB1, 0xFB, 0x99}, "LDA ($FB),Y", 2}, // third byte ignored
                      Case{{0x81, 0xFB, 0x00}, "STA ($FB,X)", 2}, Case{{0x91, 0xFB, 0x00}, "STA ($FB),Y", 2},
                      Case{{0x94, 0x10, 0x00}, "STY $10,X", 2}, Case{{0x96, 0x10, 0x00}, "STX $10,Y", 2},
                      Case{{0xD0, 0xF6, 0x00}, "BNE +$F6", 2},  // raw offset, no target
                      Case{{0x20, 0xD2, 0xFF}, "JSR $FFD2", 3}, // hi before lo
                      Case{{0xA9, 0x0A, 0x00}, "LDA #$0A", 2}, Case{{0x85, 0xFB, 0x00}, "STA $FB", 2},
                      Case{{0x9D, 0x00, 0xD8}, "STA $D800,X", 3}, Case{{0xB9, 0x00, 0xC1}, "LDA $C100,Y", 3},
                      Case{{0xAD, 0x05, 0x00}, "LDA $0005", 3}, // leading zeros kept
                      Case{{0x10, 0x00, 0x00}, "BPL +$00", 2}));

TEST(Formatter, TextsStayWithinFourteenCharacters) {
    std::size_t longest = 0;
    for (int op = 0; op < 256; ++op)
        longest = std::max(longest, Disasm6502(static_cast<std::uint8_t>(op), 0xFF, 0xFF).size());
    EXPECT_EQ(longest, 11u);
}

struct DescriptionCase {
    std::array<std::uint8_t, 3> bytes;
    const char* line;
};

class DescriptionLine : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(DescriptionLine, IsDescriptionThenInstruction) {
    const auto& c = GetParam();
    EXPECT_EQ(Describe6502(c.bytes[0], c.bytes[1], c.bytes[2]), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DescriptionLine,
    ::testing::Values(
        DescriptionCase{{0xA9, 0x00, 0x00}, "Load Accumulator with memory: LDA #$00"},
        DescriptionCase{{0xFF, 0x00, 0x00}, "Future Expansion or not part of program code."},
        DescriptionCase{{0x02, 0x00, 0x00}, "Future Expansion or not part of program code."},
        DescriptionCase{{0xC9, 0x41, 0x00}, "Compare memory and Accoumulator: CMP #$41"},
        DescriptionCase{{0x29, 0x0F, 0x00}, "\"AND\" memory with Accumulator: AND #$0F"},
        DescriptionCase{{0x49, 0xFF, 0x00}, "\"Exclusive-OR\" memory with Accumulator: EOR #$FF"},
        DescriptionCase{{0x09, 0x80, 0x00}, "\"OR\" memory with Accumulator: ORA #$80"},
        DescriptionCase{{0x20, 0xD2, 0xFF}, "Jump to new location, saving return address: JSR $FFD2"},
        DescriptionCase{{0x60, 0x00, 0x00}, "Return from SubRoutine: RTS"},
        DescriptionCase{{0x0A, 0x00, 0x00}, "Shift left on bit (memory or Accumulator): ASL"},
        DescriptionCase{{0xD0, 0xF6, 0x00}, "Branch on result not zero: BNE +$F6"},
        DescriptionCase{{0x9A, 0x00, 0x00}, "Transfer index X to stack pointer: TXS"},
        DescriptionCase{{0x78, 0x00, 0x00}, "Set Interrupt disable status: SEI"},
        DescriptionCase{{0xE9, 0x01, 0x00}, "Subtract memory from Accumulator with borrow: SBC #$01"}));

TEST(DescriptionLine, EveryDocumentedOpcodeEndsInColonBlankAndItsText) {
    for (const auto& d : DocumentedOpcodes) {
        SCOPED_TRACE(d.text);
        std::string line = Describe6502(static_cast<std::uint8_t>(d.opcode), 0x34, 0x12);
        std::string tail = std::string(": ") + d.text;
        ASSERT_GT(line.size(), tail.size());
        EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    }
}

// Cross-check with cc65's disassembler when it is installed: the documented
// opcodes, each followed by the operand bytes our table gives it, must decode
// to the same mnemonics in the same order (a wrong length would desynchronise
// da65), and every undocumented byte must be data to it.
std::vector<std::string> Da65Mnemonics(const std::vector<std::uint8_t>& code,
                                       const std::string& cpu = "6502") {
    char binTemplate[] = "/tmp/dyskel-da65-XXXXXX";
    int fd = mkstemp(binTemplate);
    if (fd < 0) return {};
    std::string bin = binTemplate;
    {
        std::ofstream out(bin, std::ios::binary);
        out.write(reinterpret_cast<const char*>(code.data()), static_cast<std::streamsize>(code.size()));
    }
    std::string cmd = "da65 --cpu " + cpu + " --start-addr 0xC000 " + bin + " 2>/dev/null";
    std::vector<std::string> mnemonics;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char line[512];
        while (fgets(line, sizeof line, p)) {
            std::string s(line);
            if (s.empty() || s[0] == ';' || s.find(":=") != std::string::npos) continue;
            if (s[0] != ' ') { // a label in column 0 may stand before code: "LC04E:  eor ..."
                auto colon = s.find(':');
                if (colon == std::string::npos) continue;
                s.erase(0, colon + 1);
            }
            std::istringstream words(s);
            std::string word;
            if (!(words >> word) || word == ".setcpu") continue;
            if (word == ".byte") {
                // One ".byte" line may hold several undocumented bytes.
                std::string rest;
                std::getline(words, rest);
                for (char ch : rest)
                    if (ch == '$') mnemonics.push_back("???");
                continue;
            }
            for (auto& ch : word) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            mnemonics.push_back(word);
        }
        pclose(p);
    }
    std::remove(bin.c_str());
    return mnemonics;
}

// Every opcode of the set, followed by the operand bytes the set gives it,
// against da65 on the given CPU; da65Name holds the names da65 spells
// otherwise.
void ExpectDa65Agrees(OpcodeSet set, const std::string& cpu,
                      const std::map<std::string, std::string>& da65Name = {}) {
    std::vector<std::uint8_t> code;
    std::vector<std::string> ours;
    for (int op = 0; op < 256; ++op) {
        auto b = static_cast<std::uint8_t>(op);
        code.push_back(b);
        for (int i = 1; i < OpcodeLength6502(b, set); ++i)
            code.push_back(0x00); // branches land on the next row
        std::string name = Opcode6502(b, set).mnemonic;
        ours.push_back(da65Name.count(name) ? da65Name.at(name) : name);
    }
    std::vector<std::string> theirs = Da65Mnemonics(code, cpu);
    ASSERT_FALSE(theirs.empty()) << "da65 gave no output";
    for (std::size_t i = 0; i < std::min(theirs.size(), ours.size()); ++i)
        ASSERT_EQ(theirs[i], ours[i]) << "at opcode $" << std::hex << i;
    EXPECT_EQ(theirs.size(), ours.size());
}

TEST(OpcodeTable, AgreesWithDa65) {
    if (std::system("command -v da65 >/dev/null 2>&1") != 0) GTEST_SKIP() << "da65 (cc65) not installed";
    ExpectDa65Agrees(OpcodeSet::Documented, "6502");
}

// --- Undocumented opcodes ------------------------------------------------

struct UndocumentedCase {
    std::array<std::uint8_t, 3> bytes;
    const char* text;
    int length;
};

class UndocumentedName : public ::testing::TestWithParam<UndocumentedCase> {};

TEST_P(UndocumentedName, GivesCommonNameModeAndLength) {
    const auto& c = GetParam();
    const auto all = OpcodeSet::WithUndocumented;
    EXPECT_EQ(Disasm6502(c.bytes[0], c.bytes[1], c.bytes[2], all), c.text);
    EXPECT_EQ(OpcodeLength6502(c.bytes[0], all), c.length);
    // The default set still knows nothing of them.
    EXPECT_EQ(Disasm6502(c.bytes[0], c.bytes[1], c.bytes[2]), "???");
    EXPECT_EQ(OpcodeLength6502(c.bytes[0]), 1);
}

// The NMOS 6502's undocumented opcodes as the usual opcode charts give them.
INSTANTIATE_TEST_SUITE_P(Charts, UndocumentedName,
                         ::testing::Values(UndocumentedCase{{0xA7, 0x12, 0x34}, "LAX $12", 2},
                                           UndocumentedCase{{0xAF, 0x34, 0x12}, "LAX $1234", 3},
                                           UndocumentedCase{{0xB3, 0x12, 0x00}, "LAX ($12),Y", 2},
                                           UndocumentedCase{{0xB7, 0x12, 0x00}, "LAX $12,Y", 2},
                                           UndocumentedCase{{0xAB, 0x12, 0x00}, "LAX #$12", 2},
                                           UndocumentedCase{{0x87, 0x12, 0x00}, "SAX $12", 2},
                                           UndocumentedCase{{0x97, 0x12, 0x00}, "SAX $12,Y", 2},
                                           UndocumentedCase{{0x83, 0x12, 0x00}, "SAX ($12,X)", 2},
                                           UndocumentedCase{{0xC7, 0x12, 0x00}, "DCP $12", 2},
                                           UndocumentedCase{{0xDB, 0x34, 0x12}, "DCP $1234,Y", 3},
                                           UndocumentedCase{{0xE7, 0x12, 0x00}, "ISC $12", 2},
                                           UndocumentedCase{{0xFF, 0x34, 0x12}, "ISC $1234,X", 3},
                                           UndocumentedCase{{0x07, 0x12, 0x00}, "SLO $12", 2},
                                           UndocumentedCase{{0x23, 0x12, 0x00}, "RLA ($12,X)", 2},
                                           UndocumentedCase{{0x5F, 0x34, 0x12}, "SRE $1234,X", 3},
                                           UndocumentedCase{{0x73, 0x12, 0x00}, "RRA ($12),Y", 2},
                                           UndocumentedCase{{0x0B, 0x12, 0x00}, "ANC #$12", 2},
                                           UndocumentedCase{{0x2B, 0x12, 0x00}, "ANC #$12", 2},
                                           UndocumentedCase{{0x4B, 0x12, 0x00}, "ALR #$12", 2},
                                           UndocumentedCase{{0x6B, 0x12, 0x00}, "ARR #$12", 2},
                                           UndocumentedCase{{0x8B, 0x12, 0x00}, "ANE #$12", 2},
                                           UndocumentedCase{{0xCB, 0x12, 0x00}, "SBX #$12", 2},
                                           UndocumentedCase{{0xEB, 0x12, 0x00}, "SBC #$12", 2},
                                           UndocumentedCase{{0xBB, 0x34, 0x12}, "LAS $1234,Y", 3},
                                           UndocumentedCase{{0x93, 0x12, 0x00}, "SHA ($12),Y", 2},
                                           UndocumentedCase{{0x9F, 0x34, 0x12}, "SHA $1234,Y", 3},
                                           UndocumentedCase{{0x9E, 0x34, 0x12}, "SHX $1234,Y", 3},
                                           UndocumentedCase{{0x9C, 0x34, 0x12}, "SHY $1234,X", 3},
                                           UndocumentedCase{{0x9B, 0x34, 0x12}, "TAS $1234,Y", 3},
                                           UndocumentedCase{{0x02, 0x12, 0x00}, "JAM", 1},
                                           UndocumentedCase{{0xF2, 0x12, 0x00}, "JAM", 1},
                                           UndocumentedCase{{0x1A, 0x12, 0x00}, "NOP", 1},
                                           UndocumentedCase{{0x80, 0x12, 0x00}, "NOP #$12", 2},
                                           UndocumentedCase{{0x04, 0x12, 0x00}, "NOP $12", 2},
                                           UndocumentedCase{{0xF4, 0x12, 0x00}, "NOP $12,X", 2},
                                           UndocumentedCase{{0x0C, 0x34, 0x12}, "NOP $1234", 3},
                                           UndocumentedCase{{0xFC, 0x34, 0x12}, "NOP $1234,X", 3}));

TEST(UndocumentedName, DocumentedOpcodesReadAlikeInBothSets) {
    for (const auto& d : DocumentedOpcodes) {
        auto op = static_cast<std::uint8_t>(d.opcode);
        EXPECT_EQ(Disasm6502(op, 0x34, 0x12, OpcodeSet::WithUndocumented), d.text);
        EXPECT_EQ(Describe6502(op, 0x34, 0x12, OpcodeSet::WithUndocumented), Describe6502(op, 0x34, 0x12));
    }
    EXPECT_EQ(Describe6502(0xA7, 0x12, 0x00, OpcodeSet::WithUndocumented),
              "Load Accumulator and index X with memory (undocumented): LAX $12");
}

// da65's 6502X mode decodes the undocumented opcodes too, three of them
// under other names: every one must take as many bytes as ours.
TEST(OpcodeTable, UndocumentedAgreeWithDa65) {
    if (std::system("command -v da65 >/dev/null 2>&1") != 0) GTEST_SKIP() << "da65 (cc65) not installed";
    ExpectDa65Agrees(OpcodeSet::WithUndocumented, "6502x", {{"ANE", "XAA"}, {"SBX", "AXS"}, {"SHA", "AHX"}});
}

} // namespace
} // namespace dyskel
