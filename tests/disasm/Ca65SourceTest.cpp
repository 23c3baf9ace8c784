// The ca65 source writer: hand-checked lines, and the round trip through
// cc65's ca65 and ld65 back to the very bytes of the file.
#include "disasm/Ca65Source.h"

#include "core/Directory.h"
#include "disasm/BasicListing.h"
#include "disasm/C64Symbols.h"
#include "support/BasicProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace dyskel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

bool HaveCc65() {
    return std::system("command -v ca65 >/dev/null 2>&1 && command -v ld65 >/dev/null 2>&1") == 0;
}

// The source's lines below the header comment, blanks squeezed to one.
Lines CodeLines(const std::string& source) {
    Lines out;
    std::istringstream in(source);
    std::string line;
    while (std::getline(in, line)) {
        std::string squeezed;
        for (char c : line)
            if (c != ' ' || (!squeezed.empty() && squeezed.back() != ' ')) squeezed += c;
        if (!squeezed.empty() && squeezed.back() == ' ') squeezed.pop_back();
        if (!squeezed.empty() && squeezed[0] != ';' && squeezed != ".setcpu \"6502\"")
            out.push_back(squeezed);
    }
    return out;
}

struct Build {
    std::string messages; // what ca65 and ld65 said
    Bytes file;
};

// Assembles and links the source the way its header says.
Build Assemble(const std::string& source) {
    test::TempDir dir;
    dir.Write("prog.s", Bytes(source.begin(), source.end()));
    dir.Write("prg.cfg", Bytes(Ca65LinkerConfig.begin(), Ca65LinkerConfig.end()));
    const std::string cmd =
        "cd '" + dir.Path() + "' && ca65 -o prog.o prog.s 2>&1 && ld65 -C prg.cfg -o prog.prg prog.o 2>&1";
    Build build;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char chunk[512];
        while (std::fgets(chunk, sizeof chunk, p)) build.messages += chunk;
        if (pclose(p) != 0) build.messages += "(failed)";
    }
    build.file = dir.Read("prog.prg");
    return build;
}

Bytes PrgFile(std::uint16_t load, const Bytes& bytes) {
    Bytes file = {static_cast<std::uint8_t>(load), static_cast<std::uint8_t>(load >> 8)};
    file.insert(file.end(), bytes.begin(), bytes.end());
    return file;
}

void ExpectRoundTrip(const Bytes& bytes, std::uint16_t load, const AsmOptions& options) {
    Build build = Assemble(Ca65Source(bytes, load, options));
    EXPECT_EQ(build.messages, "") << "ca65 and ld65 must take the source without a word";
    ASSERT_EQ(build.file.size(), bytes.size() + 2);
    EXPECT_EQ(build.file, PrgFile(load, bytes));
}

// --- Hand-checked sources ------------------------------------------------

TEST(Ca65Source, SysProgramWithSymbols) {
    AsmOptions options;
    options.start = SysStart(test::BorderProgram, 0x0801);
    options.symbols = true;
    const Lines expected = {
        "NDX = $C6 ; Keys in the keyboard buffer",
        "EXTCOL = $D020 ; Border colour",
        ".org $07FF",
        ".word $0801 ; the load address",
        ".org $0801",
        ".BYTE $0B,$08,$0A,$00,$9E,$32,$30,$36 ; $0801",
        ".BYTE $31,$00,$00,$00 ; $0809",
        "SEI ; $080D",
        "L080E: INC EXTCOL ; $080E",
        "LDA NDX ; $0811",
        "BEQ L080E ; $0813",
        "LDA #$00 ; $0815",
        "STA NDX ; $0817",
        "CLI ; $0819",
        "RTS ; $081A",
    };
    EXPECT_EQ(CodeLines(Ca65Source(test::BorderProgram, 0x0801, options)), expected);
}

TEST(Ca65Source, WithoutOptionsEverythingIsCodeAndHex) {
    const Lines code = CodeLines(Ca65Source(test::BorderProgram, 0x0801));
    ASSERT_GE(code.size(), 7u);
    EXPECT_EQ(code[3], ".BYTE $0B ; $0801") << "the BASIC line read as code";
    EXPECT_EQ(code[4], "PHP ; $0802");
    EXPECT_EQ(code[code.size() - 7], "L080E: INC $D020 ; $080E");
    EXPECT_EQ(code[code.size() - 6], "LDA $C6 ; $0811");
}

struct LineCase {
    const char* name;
    Bytes bytes; // at $C000
    OpcodeSet opcodes;
    Lines code; // after the three lines of load address and .org
};

class SourceLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(SourceLines, KeepEveryByte) {
    const LineCase& c = GetParam();
    AsmOptions options;
    options.opcodes = c.opcodes;
    const std::string source = Ca65Source(c.bytes, 0xC000, options);
    Lines code = CodeLines(source);
    ASSERT_GE(code.size(), 3u);
    EXPECT_EQ(Lines(code.begin() + 3, code.end()), c.code);
    if (HaveCc65()) ExpectRoundTrip(c.bytes, 0xC000, options);
}

constexpr auto Doc = OpcodeSet::Documented;
constexpr auto All = OpcodeSet::WithUndocumented;

INSTANTIATE_TEST_SUITE_P(
    Edges, SourceLines,
    ::testing::Values(
        LineCase{"AbsoluteBelowPageOne",
                 {0xAD, 0x12, 0x00, 0x9D, 0xFF, 0x00},
                 Doc,
                 {"LDA a:$0012 ; $C000", "STA a:$00FF,X ; $C003"}},
        LineCase{
            "ZeroPageStaysZeroPage", {0xA5, 0x12, 0xB6, 0x34}, Doc, {"LDA $12 ; $C000", "LDX $34,Y ; $C002"}},
        LineCase{"InstructionPastTheEnd",
                 {0xA9, 0x01, 0x20, 0xD2},
                 Doc,
                 {"LDA #$01 ; $C000", ".BYTE $20,$D2 ; $C002"}},
        LineCase{"UndocumentedNamedInTheComment",
                 {0xA7, 0x12, 0x60},
                 All,
                 {".BYTE $A7,$12 ; $C000 LAX $12", "RTS ; $C002"}},
        LineCase{"UndocumentedUnnamed",
                 {0xA7, 0x12, 0x60},
                 Doc,
                 {".BYTE $A7 ; $C000", ".BYTE $12 ; $C001", "RTS ; $C002"}},
        LineCase{"UndocumentedPastTheEnd", {0x60, 0x0C, 0x00}, All, {"RTS ; $C000", ".BYTE $0C,$00 ; $C001"}},
        LineCase{"BranchOutsideTheProgram",
                 {0xD0, 0x10, 0xF0, 0x80},
                 Doc,
                 {"BNE *+18 ; $C000", "BEQ *-126 ; $C002"}},
        LineCase{"BranchToItself", {0xD0, 0xFE}, Doc, {"LC000: BNE LC000 ; $C000"}},
        LineCase{"JumpIntoAnInstruction", {0x4C, 0x01, 0xC0}, Doc, {"JMP $C001 ; $C000"}},
        LineCase{"JumpAndIndirectJumpToLines",
                 {0x4C, 0x03, 0xC0, 0x6C, 0x00, 0xC0},
                 Doc,
                 {"LC000: JMP LC003 ; $C000", "LC003: JMP (LC000) ; $C003"}},
        LineCase{"Accumulator", {0x0A, 0x6A}, Doc, {"ASL A ; $C000", "ROR A ; $C001"}},
        LineCase{"Empty", {}, Doc, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Round trips ---------------------------------------------------------

// Every opcode three times, followed by operand bytes that name a low
// address, the KERNAL and a place inside the program.
Bytes AllOpcodes(std::uint16_t load, const Bytes& prefix = {}) {
    Bytes code = prefix;
    const std::uint16_t inside = static_cast<std::uint16_t>(load + 0x30);
    const std::uint8_t operands[3][2] = {
        {0x12, 0x00}, {0xD2, 0xFF}, {std::uint8_t(inside), std::uint8_t(inside >> 8)}};
    for (const auto& operand : operands)
        for (int op = 0; op < 256; ++op) code.insert(code.end(), {std::uint8_t(op), operand[0], operand[1]});
    return code;
}

struct TripCase {
    const char* name;
    std::uint16_t load;
    bool basicLine; // "10 SYS" and the code start behind it
    OpcodeSet opcodes;
    bool symbols;
};

class RoundTrip : public ::testing::TestWithParam<TripCase> {};

TEST_P(RoundTrip, AllOpcodesAssembleToTheSameFile) {
    if (!HaveCc65()) GTEST_SKIP() << "ca65 and ld65 (cc65) not installed";
    const TripCase& c = GetParam();
    const Bytes program = AllOpcodes(c.load, c.basicLine ? test::Sys2061Line : Bytes{});
    AsmOptions options;
    options.start = c.basicLine ? SysStart(program, c.load) : std::nullopt;
    options.opcodes = c.opcodes;
    options.symbols = c.symbols;
    ExpectRoundTrip(program, c.load, options);
}

INSTANTIATE_TEST_SUITE_P(Programs, RoundTrip,
                         ::testing::Values(TripCase{"AtC000", 0xC000, false, Doc, false},
                                           TripCase{"AtC000WithSymbolsAndNames", 0xC000, false, All, true},
                                           TripCase{"BehindSys", 0x0801, true, Doc, true},
                                           TripCase{"InZeroPage", 0x0002, false, All, true},
                                           TripCase{"AtZero", 0x0000, false, Doc, false},
                                           TripCase{"WrappingPastFFFF", 0xFE00, false, Doc, true},
                                           TripCase{"OverTheScreen", 0x03F0, false, Doc, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RoundTrip, EverySymbolIsAValidCa65Name) {
    if (!HaveCc65()) GTEST_SKIP() << "ca65 and ld65 (cc65) not installed";
    Bytes program; // LDA of every symbol's address
    for (const C64Symbol& s : C64Symbols())
        program.insert(program.end(), {0xAD, std::uint8_t(s.address), std::uint8_t(s.address >> 8)});
    AsmOptions options;
    options.symbols = true;
    const std::string source = Ca65Source(program, 0xC000, options);
    EXPECT_NE(source.find("LDA IRQVEC"), std::string::npos);
    ExpectRoundTrip(program, 0xC000, options);
}

// The sample disks, made by the program that ships them: every PRG file on
// them, found through its directory entry.
TEST(RoundTrip, EveryProgramOnTheSampleDisks) {
    if (!HaveCc65()) GTEST_SKIP() << "ca65 and ld65 (cc65) not installed";
    test::TempDir dir;
    ASSERT_EQ(std::system((std::string(DYSKEL_MAKE_SAMPLES) + " '" + dir.Path() + "'").c_str()), 0);
    int programs = 0;
    for (const char* disk : {"DEMO.D64", "GAMES.D64", "FORTY.D64", "ERRORS.D64", "twosides.d64"}) {
        Result<DiskImage> image = DiskImage::Load(dir.File(disk));
        ASSERT_TRUE(image) << image.Error();
        Result<DirListing> listing = ListDirectory(*image, true);
        ASSERT_TRUE(listing) << listing.Error();
        EXPECT_FALSE(listing->cut) << disk;
        for (const DirEntry& entry : listing->entries) {
            if ((entry.typeByte & 0x8F) != 0x82) continue; // closed PRG files only
            const auto [track, sector] = entry.first;
            SCOPED_TRACE(std::string(disk) + " " + std::to_string(track) + "/" + std::to_string(sector));
            auto file = std::make_unique<FileBuffer6502>();
            ASSERT_FALSE(GatherFile6502(*image, entry.first, *file).cut());
            const Bytes bytes(file->bytes.begin(), file->bytes.begin() + file->length);
            AsmOptions options;
            options.start = SysStart(bytes, file->loadAddress);
            options.symbols = true;
            ExpectRoundTrip(bytes, file->loadAddress, options);
            ++programs;
        }
    }
    EXPECT_EQ(programs, 19) << "DEMO 5, GAMES 11, FORTY 2, ERRORS 1";
}

} // namespace
} // namespace dyskel
