// The reading commands: info, dir, bam, block, list, scan and op.
#include "CliFixture.h"
#include "support/BasicProgram.h"

#include <ctime>
#include <sys/stat.h>
#include <utime.h>

namespace dyskel::test {
namespace {

std::time_t LocalTime(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

void SetMtime(const std::string& path, std::time_t t) {
    utimbuf times{t, t};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}

TEST_F(Cli, InfoOfAStandardImage) {
    SetMtime(image, LocalTime(2024, 3, 5, 14, 7, 9));
    CliResult r = Run({"info", image});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "File Name: GAMES.D64\n"
                     "Header & ID: \"GAMES\" 012A\n"
                     "Blocks Free: 659\n"
                     "Error Correction: Image does not contain error information.\n"
                     "Write Protection: Off\n"
                     "Image Time Stamp: 2024-03-05 14:07:09\n"
                     "Format Designation: 1540/1541/1570 disk image, Single Sided.\n"
                     "Tracks: 35\n");
}

TEST_F(Cli, InfoOfADoubleSidedProtectedImageWithErrorBytes) {
    D64Builder ds("TWO SIDES", "ZZ", 35, true);
    ds.Header()[2] = 0x42; // format letter B: soft write-protected
    ds.Header()[3] = 0x80; // double-sided flag
    ASSERT_TRUE(ds.Save(dir.File("DS.D64")));
    SetMtime(dir.File("DS.D64"), LocalTime(1999, 12, 31, 23, 59, 58));
    CliResult r = Run({"info", dir.File("DS.D64")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "File Name: DS.D64\n"
                     "Header & ID: \"TWO SIDES\" ZZ2A\n"
                     "Blocks Free: 664\n"
                     "Error Correction: Image contains error information.\n"
                     "Write Protection: On\n"
                     "Image Time Stamp: 1999-12-31 23:59:58\n"
                     "Format Designation: 1571 disk image, Double Sided.\n"
                     "Tracks: 35\n");
}

TEST_F(Cli, InfoOfAFortyTrackImage) {
    D64Builder forty("FORTY", "40", 40);
    ASSERT_TRUE(forty.Save(dir.File("F.D64")));
    CliResult r = Run({"info", dir.File("F.D64")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("\nTracks: 40\n"), std::string::npos) << r.out;
}

TEST_F(Cli, DirRawGivesTheCellsAsTheDiskHoldsThem) {
    CliResult r = Run({"dir", "--raw", image});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    const std::string a0(1, '\xA0');
    std::string expected = "\"GAMES\" 012A\n"
                           "  1\t    1\t\"HELLO\"" +
                           std::string(10, '\xA0') +
                           "\t PRG\t 01,00\n"
                           "  2\t    2\t\"LOG\"" +
                           std::string(12, '\xA0') +
                           "\t SEQ\t 01,01\n"
                           "  3\t    1\t\"LOCKED PROGRAM16\"\t>PRG\t 01,03\n"
                           "\t  659\tBLOCKS FREE\t\t\n";
    EXPECT_EQ(r.out, expected);
}

TEST_F(Cli, DirShowsPaddingThroughTheDisplayTable) {
    CliResult r = Run({"dir", image});
    EXPECT_EQ(r.exitCode, 0);
    std::string expected = "\"GAMES\" 012A\n"
                           "  1\t    1\t\"HELLO\"" +
                           Nbsp(10) +
                           "\t PRG\t 01,00\n"
                           "  2\t    2\t\"LOG\"" +
                           Nbsp(12) +
                           "\t SEQ\t 01,01\n"
                           "  3\t    1\t\"LOCKED PROGRAM16\"\t>PRG\t 01,03\n"
                           "\t  659\tBLOCKS FREE\t\t\n";
    EXPECT_EQ(r.out, expected);
}

TEST_F(Cli, DirOfAFreshDiskHasOnlyTheFreeRow) {
    ASSERT_TRUE(D64Builder("EMPTY", "00").Save(dir.File("E.D64")));
    CliResult r = Run({"dir", dir.File("E.D64")});
    EXPECT_EQ(r.out, "\"EMPTY\" 002A\n\t  664\tBLOCKS FREE\t\t\n");
}

// GAMES.D64 with entry 2 (LOG, offset 32 of 18/1) scratched as the drive does
// it: type byte 0, the rest of the entry kept.
class ScratchedEntry : public Cli {
  protected:
    void SetUp() override {
        disk.Block(18, 1)[32 + 2] = 0x00;
        Cli::SetUp();
    }
};

TEST_F(ScratchedEntry, DirLeavesItOutUnlessAskedForDeletedEntries) {
    CliResult r = Run({"dir", "--raw", image});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "\"GAMES\" 012A\n"
                     "  1\t    1\t\"HELLO\"" +
                         std::string(10, '\xA0') +
                         "\t PRG\t 01,00\n"
                         "  2\t    1\t\"LOCKED PROGRAM16\"\t>PRG\t 01,03\n"
                         "\t  659\tBLOCKS FREE\t\t\n");
    r = Run({"dir", "--raw", "--deleted", image});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "\"GAMES\" 012A\n"
                     "  1\t    1\t\"HELLO\"" +
                         std::string(10, '\xA0') +
                         "\t PRG\t 01,00\n"
                         "  2\t    2\t\"LOG\"" +
                         std::string(12, '\xA0') +
                         "\t DEL\t 01,01\tscratched\n"
                         "  3\t    1\t\"LOCKED PROGRAM16\"\t>PRG\t 01,03\n"
                         "\t  659\tBLOCKS FREE\t\t\n");
}

TEST_F(ScratchedEntry, UndeleteTakesItBackAsTheTypeAsked) {
    disk.SetFree(1, 1, true), disk.SetFree(1, 2, true); // freed as the drive scratches
    Save();
    CliResult r = Run({"undelete", image, "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "dyskel-cli: entry 1 is not scratched\n");
    EXPECT_EQ(Run({"undelete", image, "2", "CBM"}).exitCode, 2);
    r = Run({"undelete", "--raw", image, "2", "seq"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "  2\t    2\t\"LOG\"" + std::string(12, '\xA0') + "\t SEQ\t 01,01\n");
    EXPECT_EQ(dir.Read("GAMES.D64")[0x16600 + 32 + 2], 0x81);
    EXPECT_EQ(Run({"validate", image}).out, "35,16: marked used in the BAM, but nothing owns it\n");
}

TEST_F(ScratchedEntry, EntryNumbersFollowTheListing) {
    CliResult r = Run({"export", image, "2"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(dir.Read("LOCKED PROGRAM16.PRG"), (Bytes{0x00, 0x10, 0xEA}));
    r = Run({"dir", image});
    EXPECT_NE(r.out.find("\n  2\t    1\t\"LOCKED PROGRAM16\"\t>PRG\t 01,03\n"), std::string::npos) << r.out;
}

TEST_F(Cli, BamChartsEverySectorOfTracks1To35) {
    CliResult r = Run({"bam", image});
    EXPECT_EQ(r.exitCode, 0);
    //                 tracks 1........10........20........30....35
    const char* expected = "#................T.................\n" // sector 0
                           "#................T.................\n"
                           "#................T.................\n"
                           "#................T.................\n" // sector 3
                           ".................T.................\n"
                           ".................T.................\n"
                           ".................T.................\n"
                           ".................T.................\n"
                           ".................T.................\n"
                           ".................T.................\n"
                           ".................T.................\n" // sector 10
                           ".................T.................\n"
                           ".................T.................\n"
                           ".................T.................\n"
                           ".................T.................\n"
                           ".................T.................\n"
                           ".................T................#\n" // sector 16: 35/16 used
                           ".................T............     \n" // tracks 31-35 end at 16
                           ".................T......           \n" // tracks 25-30 end at 17
                           ".................                  \n" // tracks 18-24 end at 18
                           ".................                  \n"
                           "659 BLOCKS FREE\n";
    EXPECT_EQ(r.out, expected);
}

TEST_F(Cli, BlockRawShowsOffsetsHexAndBytes) {
    CliResult r = Run({"block", "--raw", image, "1", "0"});
    EXPECT_EQ(r.exitCode, 0);
    std::string first = "00  00 09 01 08 A9 00 8D 20 D0 60 00 00 00 00 00 00  " +
                        std::string("\x00\x09\x01\x08\xA9\x00\x8D\x20\xD0\x60\0\0\0\0\0\0", 16) + "\n";
    std::string last = "F0  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00  " + std::string(16, '\0') + "\n";
    ASSERT_EQ(r.out.size(), 16 * first.size());
    EXPECT_EQ(r.out.substr(0, first.size()), first);
    EXPECT_EQ(r.out.substr(15 * first.size()), last);
    EXPECT_EQ(r.out.substr(first.size(), 4), "10  ");
}

TEST_F(Cli, BlockShowsCharactersThroughTheDisplayTable) {
    disk.Block(18, 0)[0xB0] = 0x5C; // the pound sign
    disk.Block(18, 0)[0xB1] = 0x5E; // up arrow
    Save();
    CliResult r = Run({"block", image, "18", "0"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("\n90  47 41 4D 45 53 A0 A0 A0 A0 A0 A0 A0 A0 A0 A0 A0  GAMES" + Nbsp(11) + "\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\nB0  5C 5E 00"), std::string::npos);
    EXPECT_NE(r.out.find("  \xC2\xA3\xE2\x86\x91"), std::string::npos) << "£ and ↑";
}

TEST_F(Cli, ListDisassemblesAPrgEntry) {
    CliResult r = Run({"list", image, "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "$0801\t1 / 6\t$0807\n"
                     "$0801\t$A9 \t$00 \t    \tLDA #$00\n"
                     "$0803\t$8D \t$20 \t$D0 \tSTA $D020\n"
                     "$0806\t$60 \t    \t    \tRTS\n"
                     "$0807\t$00 \t    \t    \tBRK\n");
}

TEST_F(Cli, ListTextGivesWholePageOfHexAndBytes) {
    CliResult r = Run({"list", "--text", "--raw", image, "1"});
    EXPECT_EQ(r.exitCode, 0);
    std::string zeros = "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    std::string expected = "$0801\t1 / 6\t$0807\n"
                           "$0801\tA9 00 8D 20 D0 60 00 00 00 00 00 00 00 00 00 00\t" +
                           std::string("\xA9\x00\x8D\x20\xD0\x60", 6) + std::string(10, '\0') + "\n";
    const char* addresses[] = {"$0811", "$0821", "$0831", "$0841", "$0851", "$0861", "$0871", "$0881",
                               "$0891", "$08A1", "$08B1", "$08C1", "$08D1", "$08E1", "$08F1"};
    for (const char* a : addresses)
        expected += std::string(a) + "\t" + zeros + "\t" + std::string(16, '\0') + "\n";
    EXPECT_EQ(r.out, expected);
}

struct ListCase {
    const char* name;
    std::vector<std::string> options;
    std::string line; // a whole line of the output
};

class ListOptions : public Cli, public ::testing::WithParamInterface<ListCase> {};

TEST_P(ListOptions, PrintTheLine) {
    disk.AddPrg("BORDER", 0x0801, BorderProgram);
    Save();
    std::vector<std::string> args = {"list"};
    args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
    args.insert(args.end(), {image, "4"});
    CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(("\n" + r.out).find("\n" + GetParam().line + "\n"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ListOptions,
    ::testing::Values(
        ListCase{"SysLineAsData", {}, "$0801\t    \t    \t    \t.BYTE $0B,$08,$0A,$00,$9E,$32,$30,$36"},
        ListCase{"CodeFromTheSysAddress", {}, "$080D\t$78 \t    \t    \tSEI"},
        ListCase{"StartInHex", {"--start", "$0801"}, "$0801\t$0B \t    \t    \t???"},
        ListCase{"StartWithoutDollar", {"--start", "0801"}, "$0802\t$08 \t    \t    \tPHP"},
        ListCase{"Illegal", {"--illegal", "--start", "801"}, "$0801\t$0B \t$08 \t    \tANC #$08"},
        ListCase{"Symbols", {"--symbols"}, "$080E\t$EE \t$20 \t$D0 \tINC $D020\tEXTCOL"},
        ListCase{"Basic", {"--basic"}, "10 SYS2061"},
        ListCase{"AsmLabel", {"--asm", "--symbols"}, "L080E:  INC EXTCOL              ; $080E"},
        ListCase{"AsmLoadAddress", {"--asm"}, "        .word $0801             ; the load address"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Cli, ListBasicShowsReversedCodesAndSaysWhereALinkBreaks) {
    disk.AddPrg("BROKEN", 0x0801, BrokenLinkBasic);
    Save();
    CliResult r = Run({"list", "--basic", "--raw", image, "4"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "10 PRINT\"\x93HI\"\n20 A\n");
    EXPECT_EQ(r.err, "dyskel-cli: entry 4: line 20 at $080C links backwards to $0801\n");
}

TEST_F(Cli, ListRefusesOtherTypes) {
    CliResult r = Run({"list", image, "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "dyskel-cli: entry 2 is a SEQ file, not a PRG file\n");
}

TEST_F(Cli, ListOfACutChainPrintsWhatWasGathered) {
    auto at = disk.AddPrg("BROKEN", 0xC000, Bytes(300, 0xEA));
    disk.Block(at.track, at.sector)[1] = 30; // track 1 has no sector 30
    Save();
    CliResult r = Run({"list", image, "4"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(
        r.err,
        "dyskel-cli: entry 4: The file's block chain ends early (a link names a block outside the image) "
        "after 1 block. The listing shows the 252 bytes read up to there.\n");
    // The first block's 252 bytes: 252 NOP rows and the row at the end.
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "$C000\t1 / 252\t$C0FC");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 253);
    EXPECT_NE(r.out.find("\n$C0FB\t$EA \t    \t    \tNOP\n$C0FC\t$00 \t    \t    \tBRK\n"),
              std::string::npos);
}

TEST(CliOp, FormatsOneInstruction) {
    struct Case {
        std::vector<std::string> args;
        const char* out;
    };
    const Case cases[] = {
        {{"op", "A9", "00"}, "LDA #$00\t2\tLoad Accumulator with memory: LDA #$00\n"},
        {{"op", "20", "d2", "ff"}, "JSR $FFD2\t3\tJump to new location, saving return address: JSR $FFD2\n"},
        {{"op", "FF"}, "???\t1\tFuture Expansion or not part of program code.\n"},
        {{"op", "6c", "0c", "a0"}, "JMP ($A00C)\t3\tJump to new location: JMP ($A00C)\n"},
        {{"op", "$D0", "0xF6"}, "BNE +$F6\t2\tBranch on result not zero: BNE +$F6\n"},
        {{"op", "C9"}, "CMP #$00\t2\tCompare memory and Accoumulator: CMP #$00\n"},
    };
    for (const auto& c : cases) {
        CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, 0) << c.out;
        EXPECT_EQ(r.out, c.out);
    }
}

TEST(CliScan, ListsImagesSortedByNameWithDetails) {
    TempDir folder;
    ASSERT_TRUE(GamesDisk().Save(folder.File("GAMES.D64")));
    D64Builder zork("ZORK", "ZK", 35, true);
    zork.Header()[3] = 0x80;
    ASSERT_TRUE(zork.Save(folder.File("Zork.D64")));
    D64Builder arcade("ARC\"ADE", "AR");
    arcade.Header()[2] = 0x42;
    ASSERT_TRUE(arcade.Save(folder.File("arcade.d64")));
    chmod(folder.File("arcade.d64").c_str(), 0444);
    folder.Write("short.D64", Bytes(1000, 0));
    folder.Write("notes.txt", Bytes(10, 0));

    CliResult r = RunCli({"scan", folder.Path()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "GAMES.D64\t174848\t____\t\"GAMES\" 012A\t1541SS\tNo\tR/W\n"
                     "Zork.D64\t175531\t____\t\"ZORK\" ZK2A\t1571DS\tYes\tR/W\n"
                     "arcade.d64\t174848\tR___\t\"ARCADE\" AR2A\t1541SS\tNo\tR/O\n"
                     "short.D64\t1000\t____\t\t\t\t\n");

    r = RunCli({"scan", "--no-details", folder.Path()});
    EXPECT_EQ(r.out, "GAMES.D64\t174848\t____\t\t\t\t\n"
                     "Zork.D64\t175531\t____\t\t\t\t\n"
                     "arcade.d64\t174848\tR___\t\t\t\t\n"
                     "short.D64\t1000\t____\t\t\t\t\n");

    r = RunCli({"scan", "--unsorted", folder.Path()});
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4);
}

TEST(CliScan, EmptyFolderPrintsNothing) {
    TempDir folder;
    CliResult r = RunCli({"scan", folder.Path()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
}

} // namespace
} // namespace dyskel::test
