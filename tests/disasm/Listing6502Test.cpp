// Gathering a program file along its chain and listing it.
#include "disasm/Listing6502.h"

#include "support/BasicProgram.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace dyskel {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Gather : public ::testing::Test {
  protected:
    // Saves the disk and walks the chain from (track, sector).
    GatherResult Walk(D64Builder::Address at) { return Walk(at.track, at.sector); }
    GatherResult Walk(int track, int sector) {
        std::string path = dir.File("T.D64");
        EXPECT_TRUE(disk.Save(path));
        Result<DiskImage> image = DiskImage::Load(path);
        EXPECT_TRUE(image) << image.Error();
        return GatherFile6502(*image, {track, sector}, file);
    }
    std::vector<std::string> Row(const Listing6502& l, int row) {
        std::vector<std::string> cells;
        for (int c = 0; c < l.ColumnCount(); ++c) cells.push_back(l.Cell(row, c));
        return cells;
    }

    test::TempDir dir;
    D64Builder disk;
    FileBuffer6502 file;
};

Bytes Pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

// One block whose last-byte index is L: the data are bytes 4 to L.
struct OneBlock {
    int lastIndex;
    std::uint32_t length;
};
class OneBlockFile : public Gather, public ::testing::WithParamInterface<OneBlock> {};

TEST_P(OneBlockFile, HoldsBytesFourToLastIndex) {
    Bytes data = Pattern(254);
    data[0] = 0x01; // load address $0801
    data[1] = 0x08;
    auto at = disk.AddFile("ONE", 0x82, data);
    disk.Block(at.track, at.sector)[1] = static_cast<std::uint8_t>(GetParam().lastIndex);

    GatherResult r = Walk(at);
    EXPECT_EQ(r.blocks, 1);
    EXPECT_FALSE(r.cut());
    EXPECT_EQ(file.loadAddress, 0x0801);
    ASSERT_EQ(file.length, GetParam().length);
    for (std::uint32_t i = 0; i < file.length; ++i) ASSERT_EQ(file.bytes[i], data[2 + i]) << i;
    EXPECT_EQ(file.bytes[file.length], 0) << "the byte after the data is cleared";
}

INSTANTIATE_TEST_SUITE_P(LastByteIndex, OneBlockFile,
                         ::testing::Values(OneBlock{255, 252}, OneBlock{10, 7}, OneBlock{5, 2},
                                           OneBlock{4, 1}, OneBlock{3, 0}, OneBlock{2, 0}, OneBlock{1, 0},
                                           OneBlock{0, 0}));

TEST_F(Gather, TwoBlocksGiveFirstBlockAndSecondUpToItsIndex) {
    auto at = disk.AddPrg("TWO", 0x0801, Pattern(252 + 99));
    GatherResult r = Walk(at);
    EXPECT_EQ(r.blocks, 2);
    // Second block's last-byte index is 100: 252 + (100 - 1) bytes.
    EXPECT_EQ(disk.Block(at.track, at.sector + 1)[1], 100);
    EXPECT_EQ(file.length, 351u);
    EXPECT_EQ(BlocksCaption(r, file), "2 / 351");
    EXPECT_EQ(LoadAdrCaption(file), "$0801");
    EXPECT_EQ(EndAdrCaption(file), "$0960");
}

TEST_F(Gather, ThreeBlocksJoinWithoutLosingOrRepeatingBytes) {
    Bytes code = Pattern(252 + 254 + 100);
    auto at = disk.AddPrg("THREE", 0xC000, code);
    GatherResult r = Walk(at);
    EXPECT_EQ(r.blocks, 3);
    ASSERT_EQ(file.length, code.size());
    EXPECT_TRUE(std::equal(code.begin(), code.end(), file.bytes.begin()));
    // Around the block seams: the last byte of one block, the first of the next.
    EXPECT_EQ(file.bytes[251], code[251]);
    EXPECT_EQ(file.bytes[252], code[252]);
    EXPECT_EQ(file.bytes[505], code[505]);
    EXPECT_EQ(file.bytes[506], code[506]);
}

TEST_F(Gather, CaptionsOfThreeHundredBytesAtBasicStart) {
    auto at = disk.AddPrg("P", 0x0801, Pattern(300));
    GatherResult r = Walk(at);
    EXPECT_EQ(BlocksCaption(r, file), "2 / 300");
    EXPECT_EQ(EndAdrCaption(file), "$092D");
}

TEST_F(Gather, CountsMoreThan255Blocks) {
    // 258 full blocks: 2 load-address bytes and 65530 bytes of code.
    auto at = disk.AddPrg("BIG", 0x0000, Bytes(65530, 0xEA));
    GatherResult r = Walk(at);
    EXPECT_EQ(r.blocks, 258);
    EXPECT_FALSE(r.cut());
    EXPECT_EQ(file.length, 65530u);
    EXPECT_EQ(BlocksCaption(r, file), "258 / 65530");
}

TEST_F(Gather, StopsBeforeTheBufferOverflowsKeepingWhatFits) {
    Bytes code = Pattern(65530 + 3 * 254); // 261 full blocks: the walk stops in the 259th
    auto at = disk.AddPrg("HUGE", 0x1000, code);
    GatherResult r = Walk(at);
    EXPECT_TRUE(r.cut());
    EXPECT_EQ(r.end, ChainEnd::Stopped);
    EXPECT_EQ(r.blocks, 259);
    ASSERT_EQ(file.length, 65533u);
    EXPECT_EQ(file.bytes[65530], code[65530]);
    EXPECT_EQ(file.bytes[65532], code[65532]);
    EXPECT_EQ(
        GatherCutLines(r, file),
        (std::vector<std::string>{"The file's block chain ends early (the 64 KiB file buffer is full) after "
                                  "259 blocks.",
                                  "The listing shows the 65533 bytes read up to there."}));
}

TEST_F(Gather, LoopEndsTheWalkWithWhatWasGathered) {
    auto a = disk.Allocate();
    auto b = disk.Allocate();
    disk.AddFile("LOOP", 0x82, Pattern(600), {a, b});
    std::uint8_t* last = disk.Block(b.track, b.sector);
    last[0] = static_cast<std::uint8_t>(a.track); // back to the first block
    last[1] = static_cast<std::uint8_t>(a.sector);
    GatherResult r = Walk(a);
    EXPECT_EQ(r.end, ChainEnd::Loop);
    EXPECT_TRUE(r.cut());
    EXPECT_EQ(r.blocks, 2);
    EXPECT_EQ(file.length, 252u + 254u);
    EXPECT_EQ(GatherCutLines(r, file),
              (std::vector<std::string>{"The file's block chain ends early (the chain links back to a block "
                                        "already read) after 2 blocks.",
                                        "The listing shows the 506 bytes read up to there."}));
}

TEST_F(Gather, LinkBeyondTheTrackEndsTheWalk) {
    auto at = disk.AddPrg("BAD", 0x0801, Pattern(400));
    disk.Block(at.track, at.sector)[1] = 21; // track 1 has sectors 0 to 20
    GatherResult r = Walk(at);
    EXPECT_EQ(r.end, ChainEnd::BadLink);
    EXPECT_EQ(r.blocks, 1);
    EXPECT_EQ(file.length, 252u);
    EXPECT_EQ(GatherCutLines(r, file),
              (std::vector<std::string>{"The file's block chain ends early (a link names a block outside the "
                                        "image) after 1 block.",
                                        "The listing shows the 252 bytes read up to there."}));
}

TEST_F(Gather, EmptyImageGathersNothing) {
    file.length = 77;
    file.bytes[0] = 0x55;
    file.loadAddress = 0x1234;
    GatherResult r = GatherFile6502(DiskImage::FromBytes(dir.File("NONE.D64"), {}), {17, 0}, file);
    EXPECT_TRUE(r.cut());
    EXPECT_EQ(r.end, ChainEnd::BadLink);
    EXPECT_EQ(r.blocks, 0);
    EXPECT_EQ(file.length, 0u);
    EXPECT_EQ(file.loadAddress, 0);
    EXPECT_EQ(file.bytes[0], 0);
    EXPECT_EQ(GatherCutLines(r, file),
              (std::vector<std::string>{"The file's block chain ends early (a link names a block outside the "
                                        "image) after 0 blocks.",
                                        "The listing shows the 0 bytes read up to there."}));
}

TEST_F(Gather, StartOutsideTheImageGathersNothing) {
    disk.AddPrg("P", 0x0801, Pattern(10));
    for (BlockAddress start : {BlockAddress{0, 0}, BlockAddress{36, 0}, BlockAddress{1, 21}}) {
        GatherResult r = Walk(start.track, start.sector);
        EXPECT_EQ(r.end, ChainEnd::BadLink) << start.track << "/" << start.sector;
        EXPECT_EQ(r.blocks, 0);
        EXPECT_EQ(file.length, 0u);
    }
}

TEST_F(Gather, ANewWalkClearsTheWholeBuffer) {
    // Nothing of an earlier, longer file shows after the end of the next one.
    auto big = disk.AddPrg("BIG", 0x0801, Bytes(40000, 0xFF));
    auto small = disk.AddPrg("SMALL", 0x0801, Bytes{0xA9, 0x00});
    Walk(big);
    ASSERT_EQ(file.bytes[39999], 0xFF);
    Walk(small);
    EXPECT_EQ(file.length, 2u);
    EXPECT_EQ(file.bytes[0], 0xA9);
    EXPECT_EQ(file.bytes[2], 0x00);
    EXPECT_EQ(file.bytes[16383], 0x00);
    EXPECT_EQ(file.bytes[16384], 0x00);
    EXPECT_EQ(file.bytes[19999], 0x00);
    EXPECT_EQ(file.bytes[39999], 0x00);
    EXPECT_EQ(std::count(file.bytes.begin(), file.bytes.end(), 0xFF), 0);
}

// --- Listing --------------------------------------------------------------

using Cells = std::vector<std::string>;

FileBuffer6502 Buffer(std::uint16_t load, const Bytes& bytes) {
    FileBuffer6502 f;
    std::copy(bytes.begin(), bytes.end(), f.bytes.begin());
    f.length = static_cast<std::uint32_t>(bytes.size());
    f.loadAddress = load;
    return f;
}

std::vector<Cells> Rows(const Listing6502& l) {
    std::vector<Cells> rows;
    for (int r = 1; r < l.RowCount(); ++r) {
        Cells cells;
        for (int c = 0; c < l.ColumnCount(); ++c) cells.push_back(l.Cell(r, c));
        rows.push_back(cells);
    }
    return rows;
}

TEST(Listing, HeadersOfTheThreeModes) {
    FileBuffer6502 f;
    Listing6502 asmList(f, ListingMode::Asm);
    ASSERT_EQ(asmList.ColumnCount(), 5);
    const Cells asmHeaders = {" ADR", "OC1", "OC2", "OC3", "6502 ASSEMBLER COMMAND"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(asmList.Cell(0, c), asmHeaders[c]);
    Listing6502 text(f, ListingMode::Text);
    ASSERT_EQ(text.ColumnCount(), 3);
    EXPECT_EQ(text.Cell(0, 0), " ADR");
    EXPECT_EQ(text.Cell(0, 1), "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
    EXPECT_EQ(text.Cell(0, 2), "      TEXT");
    Listing6502 basic(f, ListingMode::Basic);
    ASSERT_EQ(basic.ColumnCount(), 2);
    EXPECT_EQ(basic.Cell(0, 0), " LINE");
    EXPECT_EQ(basic.Cell(0, 1), "BASIC V2");
}

TEST(Listing, DisassemblyRowsWithUnusedByteCells) {
    // LDA #$00 / STA $D020 / RTS at $C000.
    FileBuffer6502 f = Buffer(0xC000, {0xA9, 0x00, 0x8D, 0x20, 0xD0, 0x60});
    Listing6502 l(f, ListingMode::Asm);
    std::vector<Cells> expected = {
        {"$C000", "$A9 ", "$00 ", "    ", "LDA #$00"},
        {"$C002", "$8D ", "$20 ", "$D0 ", "STA $D020"},
        {"$C005", "$60 ", "    ", "    ", "RTS"},
        {"$C006", "$00 ", "    ", "    ", "BRK"}, // the row at the end address
    };
    EXPECT_EQ(Rows(l), expected);
}

TEST(Listing, InstructionRunningPastTheEndShowsTheBytesBeyond) {
    FileBuffer6502 f = Buffer(0x0801, {0x20, 0xD2});
    Listing6502 l(f, ListingMode::Asm);
    std::vector<Cells> expected = {{"$0801", "$20 ", "$D2 ", "$00 ", "JSR $00D2"}};
    EXPECT_EQ(Rows(l), expected);
}

TEST(Listing, AddressesWrapPastFFFF) {
    FileBuffer6502 f = Buffer(0xFFF0, Bytes(0x20, 0xEA));
    EXPECT_EQ(EndAdrCaption(f), "$0010");
    Listing6502 l(f, ListingMode::Asm);
    ASSERT_EQ(l.RowCount(), 1 + 33);
    EXPECT_EQ(l.Cell(16, 0), "$FFFF");
    EXPECT_EQ(l.Cell(17, 0), "$0000");
    EXPECT_EQ(l.Cell(33, 0), "$0010");
    EXPECT_EQ(l.Cell(33, 4), "BRK");

    Listing6502 t(f, ListingMode::Text);
    EXPECT_EQ(t.Cell(1, 0), "$FFF0");
    EXPECT_EQ(t.Cell(2, 0), "$0000");
    EXPECT_EQ(t.Cell(16, 0), "$00E0");
}

TEST(Listing, NothingWalkedListsTheZeroedBuffer) {
    FileBuffer6502 f;
    std::vector<Cells> expected = {{"$0000", "$00 ", "    ", "    ", "BRK"}};
    EXPECT_EQ(Rows(Listing6502(f, ListingMode::Asm)), expected);

    Listing6502 t(f, ListingMode::Text);
    ASSERT_EQ(t.RowCount(), 17);
    EXPECT_EQ(t.Cell(1, 0), "$0000");
    EXPECT_EQ(t.Cell(16, 0), "$00F0");
    EXPECT_EQ(t.Cell(16, 1), "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(t.Cell(16, 2), std::string(16, '\0'));
}

TEST(Listing, TextRowHexAndRawBytes) {
    Bytes bytes(20);
    for (int i = 0; i < 20; ++i) bytes[i] = static_cast<std::uint8_t>(0x41 + i);
    bytes[3] = 0xA0;
    FileBuffer6502 f = Buffer(0x0801, bytes);
    Listing6502 t(f, ListingMode::Text);
    EXPECT_EQ(t.Cell(1, 0), "$0801");
    EXPECT_EQ(t.Cell(1, 1), "41 42 43 A0 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50");
    EXPECT_EQ(t.Cell(1, 2), "ABC\xA0"
                            "EFGHIJKLMNOP");
    EXPECT_EQ(t.Cell(2, 0), "$0811");
    EXPECT_EQ(t.Cell(2, 1), "51 52 53 54 00 00 00 00 00 00 00 00 00 00 00 00");
}

struct PageCase {
    std::uint32_t length;
    int rows; // data rows
};
class TextPages : public ::testing::TestWithParam<PageCase> {};

TEST_P(TextPages, WholePagesOfSixteenRows) {
    FileBuffer6502 f;
    f.length = GetParam().length;
    EXPECT_EQ(Listing6502(f, ListingMode::Text).RowCount(), 1 + GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Lengths, TextPages,
                         ::testing::Values(PageCase{0, 16}, PageCase{1, 16}, PageCase{256, 16},
                                           PageCase{257, 32}, PageCase{512, 32}, PageCase{513, 48},
                                           PageCase{65533, 4096}));

TEST(Listing, LongestFileStaysInsideTheBuffer) {
    // JSR everywhere: rows at 0, 3, ..., 65532, the last reading the buffer's
    // final two bytes.
    FileBuffer6502 f;
    f.bytes.fill(0x20);
    f.length = FileBuffer6502::MaxLength;
    Listing6502 l(f, ListingMode::Asm);
    ASSERT_EQ(l.RowCount(), 1 + 21845);
    EXPECT_EQ(l.Cell(21845, 0), "$FFFC");
    EXPECT_EQ(l.Cell(21845, 4), "JSR $2020");
    EXPECT_EQ(l.Cell(21846, 0), "") << "no row past the last";
}

TEST_F(Gather, ModeSwitchListsTheSameFileAgain) {
    auto at = disk.AddPrg("P", 0x0801, {0xA2, 0x05, 0xCA, 0xD0, 0xFD, 0x60});
    Walk(at);
    std::vector<Cells> expected = {
        {"$0801", "$A2 ", "$05 ", "    ", "LDX #$05"}, {"$0803", "$CA ", "    ", "    ", "DEX"},
        {"$0804", "$D0 ", "$FD ", "    ", "BNE +$FD"}, {"$0806", "$60 ", "    ", "    ", "RTS"},
        {"$0807", "$00 ", "    ", "    ", "BRK"},
    };
    EXPECT_EQ(Rows(Listing6502(file, ListingMode::Asm)), expected);
    EXPECT_EQ(Listing6502(file, ListingMode::Text).Cell(1, 1),
              "A2 05 CA D0 FD 60 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(Rows(Listing6502(file, ListingMode::Asm)), expected);
}

// --- Listing options --------------------------------------------------------

// "10 SYS2061" then LDX #$00 / JSR $FFD2 / RTS.
const Bytes SysProgram = test::BehindSys2061({0xA2, 0x00, 0x20, 0xD2, 0xFF, 0x60});

TEST(ListingOptions, BytesBeforeTheStartAreDataRows) {
    FileBuffer6502 f = Buffer(0x0801, SysProgram);
    AsmOptions options;
    options.start = 0x080D;
    Listing6502 l(f, ListingMode::Asm, options);
    EXPECT_EQ(l.StartOffset(), 12u);
    std::vector<Cells> expected = {
        {"$0801", "    ", "    ", "    ", ".BYTE $0B,$08,$0A,$00,$9E,$32,$30,$36"},
        {"$0809", "    ", "    ", "    ", ".BYTE $31,$00,$00,$00"},
        {"$080D", "$A2 ", "$00 ", "    ", "LDX #$00"},
        {"$080F", "$20 ", "$D2 ", "$FF ", "JSR $FFD2"},
        {"$0812", "$60 ", "    ", "    ", "RTS"},
        {"$0813", "$00 ", "    ", "    ", "BRK"},
    };
    EXPECT_EQ(Rows(l), expected);
}

TEST(ListingOptions, StartOutsideTheFileListsFromTheLoadAddress) {
    FileBuffer6502 f = Buffer(0x0801, SysProgram);
    for (std::uint16_t start : {0x0800, 0x0813, 0xC000}) {
        AsmOptions options;
        options.start = start;
        EXPECT_EQ(Rows(Listing6502(f, ListingMode::Asm, options)), Rows(Listing6502(f, ListingMode::Asm)))
            << start;
    }
}

TEST(ListingOptions, SymbolColumnNamesTheOperands) {
    FileBuffer6502 f = Buffer(0xC000, {0x8D, 0x20, 0xD0, 0xB1, 0xFB, 0xA9, 0x01, 0x20, 0xD2, 0xFF});
    AsmOptions options;
    options.symbols = true;
    Listing6502 l(f, ListingMode::Asm, options);
    ASSERT_EQ(l.ColumnCount(), 6);
    EXPECT_EQ(l.Cell(0, 5), "C64 SYMBOL");
    std::vector<std::string> symbols;
    for (int r = 1; r < l.RowCount(); ++r) symbols.push_back(l.Cell(r, 5));
    EXPECT_EQ(symbols, (std::vector<std::string>{"EXTCOL", "(FREKZP),Y", "", "CHROUT", ""}));
    EXPECT_EQ(l.Cell(1, 4), "STA $D020") << "the command column stays as it was";
}

TEST(ListingOptions, UndocumentedNamesChangeTheRowLengths) {
    // LAX $12 / DCP $1234,Y / RTS; without the names each byte is a row.
    FileBuffer6502 f = Buffer(0xC000, {0xA7, 0x12, 0xDB, 0x34, 0x12, 0x60});
    AsmOptions options;
    options.opcodes = OpcodeSet::WithUndocumented;
    std::vector<Cells> expected = {
        {"$C000", "$A7 ", "$12 ", "    ", "LAX $12"},
        {"$C002", "$DB ", "$34 ", "$12 ", "DCP $1234,Y"},
        {"$C005", "$60 ", "    ", "    ", "RTS"},
        {"$C006", "$00 ", "    ", "    ", "BRK"},
    };
    EXPECT_EQ(Rows(Listing6502(f, ListingMode::Asm, options)), expected);
    EXPECT_EQ(Listing6502(f, ListingMode::Asm).Cell(1, 4), "???");
    EXPECT_EQ(Listing6502(f, ListingMode::Asm).RowCount(), 1 + 7);
}

} // namespace
} // namespace dyskel
