// The commands that write files: export, dump and rename.
#include "CliFixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace dyskel::test {
namespace {

std::string Saved(const std::string& name, int blocks, const std::string& folder) {
    return "File \"" + name + "\" (" + std::to_string(blocks) + " Blocks) saved in:\n" + folder + "\n";
}

TEST_F(Cli, ExportWritesTheDataBytesBesideTheImage) {
    CliResult r = Run({"export", image, "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Saved("HELLO.PRG", 1, dir.Path()));
    EXPECT_EQ(dir.Read("HELLO.PRG"), (Bytes{0x01, 0x08, 0xA9, 0x00, 0x8D, 0x20, 0xD0, 0x60}));
}

TEST_F(Cli, ExportUnderAnotherNameIntoAnotherFolder) {
    TempDir other;
    CliResult r = Run({"export", "--name", "MYPROG", "--to", other.Path(), image, "3"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Saved("MYPROG.PRG", 1, other.Path()));
    EXPECT_EQ(other.Read("MYPROG.PRG"), (Bytes{0x00, 0x10, 0xEA}));
    EXPECT_FALSE(dir.Exists("LOCKED PROGRAM16.PRG"));
}

TEST_F(Cli, ExportJoinsBlocksUpToTheLastUsedByte) {
    Bytes code(300);
    for (int i = 0; i < 300; ++i) code[i] = static_cast<std::uint8_t>(255 - i);
    disk.AddPrg("TWO/BLOCKS", 0x2000, code);
    Save();
    CliResult r = Run({"export", image, "4"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Saved("TWOBLOCKS.PRG", 2, dir.Path())) << "the first slash is dropped";
    Bytes expected = {0x00, 0x20};
    expected.insert(expected.end(), code.begin(), code.end());
    EXPECT_EQ(dir.Read("TWOBLOCKS.PRG"), expected);
}

TEST_F(Cli, ExportFailsPast731BlocksAndKeepsThePartialFile) {
    // A 40-track disk holds a chain longer than any real file.
    D64Builder forty("FORTY", "40", 40);
    std::vector<D64Builder::Address> chain;
    for (int t = 1; t <= 40 && chain.size() < 735; ++t) {
        if (t == 18) continue;
        int sectors = t <= 17 ? 21 : t <= 24 ? 19 : t <= 30 ? 18 : 17;
        for (int s = 0; s < sectors && chain.size() < 735; ++s) chain.push_back({t, s});
    }
    forty.AddFile("LONG", 0x82, Bytes(735 * 254, 0x11), chain);
    ASSERT_TRUE(forty.Save(dir.File("LONG.D64")));

    const std::string tooLong =
        "dyskel-cli: File Export FAILED! The file is too long: the chain holds too many blocks.\n";
    CliResult r = Run({"export", dir.File("LONG.D64"), "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, tooLong);
    EXPECT_EQ(dir.Read("LONG.PRG").size(), 731u * 254u);

    r = Run({"dump", dir.File("LONG.D64"), "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, tooLong);
    std::string text = Str(dir.Read("LONG.PRG_HexDump.txt"));
    EXPECT_NE(text.find("(BLOCK #732)\r\n"), std::string::npos);
    EXPECT_EQ(text.find("(BLOCK #733)"), std::string::npos);
}

TEST_F(Cli, ExportMatchesTheFileCc1541Wrote) {
    if (std::system("command -v cc1541 >/dev/null 2>&1") != 0) GTEST_SKIP() << "cc1541 not installed";
    Bytes prg(5000);
    for (std::size_t i = 0; i < prg.size(); ++i) prg[i] = static_cast<std::uint8_t>(i * 13 + i / 256);
    dir.Write("orig.prg", prg);
    std::string cmd =
        "cd " + dir.Path() + " && cc1541 -n disk -i 42 -f oracle -w orig.prg O.D64 >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    CliResult r = Run({"export", dir.File("O.D64"), "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(dir.Read("ORACLE.PRG"), prg);
}

TEST_F(Cli, ExportBrokenChainSaysWhereOnOneLine) {
    auto at = disk.AddPrg("BROKEN", 0xC000, Bytes(600, 0xEA)); // three blocks
    disk.Block(at.track, at.sector + 1)[0] = at.track;         // the second links back to the first
    disk.Block(at.track, at.sector + 1)[1] = static_cast<std::uint8_t>(at.sector);
    Save();
    for (const char* cmd : {"export", "dump"}) {
        CliResult r = Run({cmd, image, "4"});
        EXPECT_EQ(r.exitCode, 1) << cmd;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err,
                  "dyskel-cli: File Export FAILED! The file's block chain is broken: the chain links back "
                  "to a block already read (after 2 blocks).\n")
            << cmd;
    }
    EXPECT_EQ(dir.Read("BROKEN.PRG").size(), 2u * 254u);
}

TEST_F(Cli, ExportThatCannotWriteItsFileNamesIt) {
    ASSERT_EQ(mkdir(dir.File("HELLO.PRG").c_str(), 0755), 0);
    CliResult r = Run({"export", image, "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "dyskel-cli: Could not create file \"" + dir.File("HELLO.PRG") +
                         "\": something that is no regular file is in its place.\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("HELLO.PRG")));
}

TEST_F(Cli, DumpWritesEveryBlockWholeWithCrLfLines) {
    CliResult r = Run({"dump", image, "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Saved("HELLO.PRG_HexDump.txt", 1, dir.Path()));
    std::string expected = "FILENAME: \"HELLO.PRG\"      SIZE: 1 BLOCKS\r\n"
                           "\r\n"
                           "TRACK: 01  SECTOR: 00  (BLOCK #1)\r\n"
                           "        00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n"
                           "$0000 : 00 09 01 08 A9 00 8D 20 D0 60 00 00 00 00 00 00\r\n";
    for (const char* offset : {"0010", "0020", "0030", "0040", "0050", "0060", "0070", "0080", "0090", "00A0",
                               "00B0", "00C0", "00D0", "00E0", "00F0"})
        expected += std::string("$") + offset + " : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n";
    EXPECT_EQ(Str(dir.Read("HELLO.PRG_HexDump.txt")), expected);
}

TEST_F(Cli, DumpOfASeqFileNamesItsType) {
    TempDir other;
    CliResult r = Run({"dump", "--to", other.Path(), image, "2"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Saved("LOG.SEQ_HexDump.txt", 2, other.Path()));
    std::string text = Str(other.Read("LOG.SEQ_HexDump.txt"));
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "FILENAME: \"LOG.PRG\"      SIZE: 2 BLOCKS");
    EXPECT_NE(text.find("\r\nTRACK: 01  SECTOR: 01  (BLOCK #1)\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n$0000 : 01 02 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\nTRACK: 01  SECTOR: 02  (BLOCK #2)\r\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 2 * 19);
}

TEST_F(Cli, DumpRefusesDeletedEntries) {
    disk.AddDirEntry(0x80, {1, 10}, "GONE", 1);
    Save();
    CliResult r = Run({"dump", image, "4"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "dyskel-cli: entry 4 is a DEL entry\n");
}

TEST_F(Cli, RenameRewritesTheEntryName) {
    Bytes before = disk.Bytes();
    CliResult r = Run({"rename", image, "1", "hi there"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "  1\t    1\t\"HI THERE\"" + Nbsp(7) + "\t PRG\t 01,00\n");

    // Entry 1 lies at offset 0 of 18/1; its name at bytes 5 to 20.
    Bytes expected = before;
    const std::size_t name = 91392 + 256 + 5;
    const char* newName = "HI THERE";
    for (std::size_t i = 0; i < 16; ++i)
        expected[name + i] = i < 8 ? static_cast<std::uint8_t>(newName[i]) : 0xA0;
    EXPECT_EQ(dir.Read("GAMES.D64"), expected);
    EXPECT_FALSE(dir.Exists("GAMES.BAK"));
}

TEST_F(Cli, RenameWithBackupKeepsTheOldImage) {
    Bytes before = disk.Bytes();
    CliResult r = Run({"rename", "--backup", image, "3", "\"SHORT\""});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "  3\t    1\t\"SHORT\"" + Nbsp(10) + "\t>PRG\t 01,03\n");
    EXPECT_EQ(dir.Read("GAMES.BAK"), before);
    EXPECT_NE(dir.Read("GAMES.D64"), before);
}

// Renames entry 1 of GAMES.D64 grown or cut to the given size.
class RenameSize : public Cli, public ::testing::WithParamInterface<std::size_t> {};
TEST_P(RenameSize, OnlyTheFourD64SizesAreWritten) {
    const std::size_t size = GetParam();
    const bool d64 = size == 174848 || size == 175531 || size == 196608 || size == 197376;
    Bytes bytes = disk.Bytes();
    bytes.resize(size, 0);
    dir.Write("GAMES.D64", bytes);
    CliResult r = Run({"rename", image, "1", "NEW"});
    if (d64) {
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "  1\t    1\t\"NEW\"" + Nbsp(12) + "\t PRG\t 01,00\n");
        EXPECT_EQ(dir.Read("GAMES.D64").size(), size);
        EXPECT_EQ(dir.Read("GAMES.D64")[91392 + 256 + 5], 'N');
    } else {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(
            r.err,
            "dyskel-cli: The image \"" + image + "\" is " + std::to_string(size) +
                " bytes long, which is no size of a disk image Dyskel knows (174848, 175531, 196608, 197376, "
                "349696, 351062, 819200 or 822400); it may be cut "
                "short. Nothing was written.\n");
        EXPECT_EQ(dir.Read("GAMES.D64"), bytes);
    }
}
INSTANTIATE_TEST_SUITE_P(Sizes, RenameSize,
                         ::testing::Values(96256, 174847, 174848, 174849, 175530, 175531, 175532, 196608,
                                           196609, 197376, 197377));

TEST_F(Cli, RenameRefusesAReadOnlyImage) {
    // The owner's write bit decides, also for root, who could write anyway.
    Bytes before = disk.Bytes();
    ASSERT_EQ(chmod(image.c_str(), 0444), 0);
    CliResult r = Run({"rename", image, "1", "NEW"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "dyskel-cli: The image \"" + image + "\" is read-only; nothing was written.\n");
    EXPECT_EQ(dir.Read("GAMES.D64"), before);
    ASSERT_EQ(chmod(image.c_str(), 0644), 0);
    EXPECT_EQ(Run({"rename", image, "1", "NEW"}).exitCode, 0);
}

TEST_F(Cli, RenameCutsALongNameToSixteenCharacters) {
    CliResult r = Run({"rename", image, "2", "abcdefghijklmnopqrs"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "  2\t    2\t\"ABCDEFGHIJKLMNOP\"\t SEQ\t 01,01\n");
}

TEST_F(Cli, RenameOfAnEntryNotListedChangesNothing) {
    Bytes before = disk.Bytes();
    CliResult r = Run({"rename", image, "4", "X"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "dyskel-cli: no entry 4 in \"" + image + "\" (its directory lists 3 entries)\n");
    EXPECT_EQ(dir.Read("GAMES.D64"), before);
}

} // namespace
} // namespace dyskel::test
