// Wrong command lines, unusable files and damaged images.
#include "CliFixture.h"

#include <sys/stat.h>

namespace dyskel::test {
namespace {

bool OneLine(const std::string& s) {
    return !s.empty() && s.back() == '\n' && s.find('\n') == s.size() - 1;
}

struct UsageCase {
    std::vector<std::string> args;
    const char* help; // the help the hint names
};

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

// A wrong command line is told in one line, then where the command's help is.
TEST_P(UsageErrors, ExitTwoWithOneLineAndTheCommandsHelp) {
    // A.D64 is a good image, so that only the command line can be wrong.
    TempDir dir;
    ASSERT_TRUE(GamesDisk().Save(dir.File("A.D64")));
    CliResult r = RunCli(GetParam().args, dir.Path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    const std::string hint = std::string("Run \"") + GetParam().help + "\" for more.\n";
    ASSERT_TRUE(r.err.ends_with(hint)) << r.err;
    const std::string line = r.err.substr(0, r.err.size() - hint.size());
    EXPECT_TRUE(OneLine(line)) << r.err;
    EXPECT_EQ(line.rfind("dyskel-cli: ", 0), 0u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, UsageErrors,
    ::testing::Values(UsageCase{{}, "dyskel-cli --help"}, UsageCase{{"format", "X.D64"}, "dyskel-cli --help"},
                      UsageCase{{"--raw", "dir", "A.D64"}, "dyskel-cli --help"},
                      UsageCase{{"dir"}, "dyskel-cli dir --help"},
                      UsageCase{{"dir", "A.D64", "B.D64"}, "dyskel-cli dir --help"},
                      UsageCase{{"dir", "--text", "A.D64"}, "dyskel-cli dir --help"},
                      UsageCase{{"bam", "--raw", "A.D64"}, "dyskel-cli bam --help"},
                      UsageCase{{"block", "A.D64", "18"}, "dyskel-cli block --help"},
                      UsageCase{{"block", "A.D64", "x", "0"}, "dyskel-cli block --help"},
                      UsageCase{{"list", "A.D64", "one"}, "dyskel-cli list --help"},
                      UsageCase{{"list", "A.D64", "-1"}, "dyskel-cli list --help"},
                      UsageCase{{"list", "--start", "SYS", "A.D64", "1"}, "dyskel-cli list --help"},
                      UsageCase{{"list", "A.D64", "1", "--start"}, "dyskel-cli list --help"},
                      UsageCase{{"export", "--name"}, "dyskel-cli export --help"},
                      UsageCase{{"export", "A.D64", "1", "--to"}, "dyskel-cli export --help"},
                      UsageCase{{"rename", "A.D64", "1"}, "dyskel-cli rename --help"},
                      UsageCase{{"scan"}, "dyskel-cli scan --help"},
                      UsageCase{{"op"}, "dyskel-cli op --help"},
                      UsageCase{{"op", "1", "2", "3", "4"}, "dyskel-cli op --help"},
                      UsageCase{{"validate", "--fix", "A.D64", "A.D64"}, "dyskel-cli validate --help"}));

// A wrong TRACK is a usage error whether or not the image can be read.
TEST(CliUsageOrder, ABadTrackIsAUsageErrorBeforeTheImageIsRead) {
    TempDir dir;
    CliResult r = RunCli({"block", "A.D64", "x", "0"}, dir.Path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err,
              "dyskel-cli: TRACK must be a number from 0 to 255: x\nRun \"dyskel-cli block --help\" for "
              "more.\n");
}

// Every command that reads an image, with the image in place 1.
const std::vector<std::vector<std::string>> ImageCommands = {
    {"info", "IMG"},      {"dir", "IMG"},         {"bam", "IMG"},       {"block", "IMG", "18", "0"},
    {"list", "IMG", "1"}, {"export", "IMG", "1"}, {"dump", "IMG", "1"}, {"rename", "IMG", "1", "NEW"},
};

std::vector<std::string> With(std::vector<std::string> args, const std::string& image) {
    for (auto& a : args)
        if (a == "IMG") a = image;
    return args;
}

class UnusableImage : public ::testing::TestWithParam<std::vector<std::string>> {
  protected:
    TempDir dir;
};

TEST_P(UnusableImage, MissingFileIsNamed) {
    std::string path = dir.File("NONE.D64");
    CliResult r = RunCli(With(GetParam(), path));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "dyskel-cli: The image \"" + path + "\" could not be opened: No such file or directory\n");
}

// A file cut inside track 18: the block it ends in is named.  The header
// block 18/0 ends at byte 91392 + 256 = 91648, 18/1 at 91904.
TEST_P(UnusableImage, FileCutInsideTrack18NamesTheBlock) {
    const struct {
        std::size_t size;
        int sector;
    } cuts[] = {{91647, 0}, {91700, 1}};
    for (const auto& cut : cuts) {
        Bytes bytes = D64Builder("SHORT", "01").Bytes();
        bytes.resize(cut.size);
        dir.Write("SHORT.D64", bytes);
        const std::string path = dir.File("SHORT.D64");
        CliResult r = RunCli(With(GetParam(), path));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        if (GetParam()[0] == "block")
            EXPECT_EQ(r.err, "dyskel-cli: track 18 is not in \"" + path + "\"\n");
        else
            EXPECT_EQ(r.err, "dyskel-cli: Reading track 18, sector " + std::to_string(cut.sector) + " of \"" +
                                 path + "\" failed: the file holds only " + std::to_string(cut.size) +
                                 " bytes.\n");
    }
}

TEST_P(UnusableImage, FolderIsNoImage) {
    std::string path = dir.File("FOLDER.D64");
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    CliResult r = RunCli(With(GetParam(), path));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_EQ(r.err.rfind("dyskel-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(path), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Commands, UnusableImage, ::testing::ValuesIn(ImageCommands));

class CliShortImage : public ::testing::TestWithParam<std::size_t> {};
TEST_P(CliShortImage, TheHeaderAndTheDirectoryAreEnough) {
    TempDir dir;
    Bytes bytes = D64Builder("SHORT", "01").Bytes();
    bytes.resize(GetParam());
    dir.Write("S.D64", bytes);
    CliResult r = RunCli({"dir", dir.File("S.D64")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "\"SHORT\" 012A\n\t  664\tBLOCKS FREE\t\t\n");
}
// 18/1 ends at 91904, track 18 at 96256.
INSTANTIATE_TEST_SUITE_P(Sizes, CliShortImage, ::testing::Values(91904, 96255, 96256));

TEST_F(Cli, EntryTrackAndSectorOutOfRange) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"list", image, "0"},
         "dyskel-cli: no entry 0 in \"" + image + "\" (its directory lists 3 entries)\n"},
        {{"export", image, "4"},
         "dyskel-cli: no entry 4 in \"" + image + "\" (its directory lists 3 entries)\n"},
        {{"dump", image, "99"},
         "dyskel-cli: no entry 99 in \"" + image + "\" (its directory lists 3 entries)\n"},
        {{"block", image, "36", "0"}, "dyskel-cli: track 36 is not in \"" + image + "\"\n"},
        {{"block", image, "0", "0"}, "dyskel-cli: track 0 is not in \"" + image + "\"\n"},
        {{"block", image, "18", "19"}, "dyskel-cli: track 18 has no sector 19 (sectors 0 to 18)\n"},
        {{"block", image, "1", "21"}, "dyskel-cli: track 1 has no sector 21 (sectors 0 to 20)\n"},
    };
    for (const auto& c : cases) {
        CliResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(Run({"block", image, "35", "16"}).exitCode, 0) << "the last block of the image";
}

// A damaged disk: the full directory block links to itself, and entry 1
// starts at a track the image does not hold.
class Corrupt : public Cli {
  protected:
    void SetUp() override {
        for (const char* name : {"E4", "E5", "E6", "E7", "E8"}) disk.AddDirEntry(0x81, {1, 1}, name, 2);
        std::uint8_t* d = disk.Block(18, 1);
        d[0] = 18;
        d[1] = 1;
        d[2 + 1] = 50; // entry 1: first block 50,00
        Cli::SetUp();
    }
};

TEST_F(Corrupt, InfoStillTellsTheFacts) {
    CliResult r = Run({"info", image});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Blocks Free: 659\n"), std::string::npos);
}

TEST_F(Corrupt, DirListsEachEntryOnceAndSaysTheChainIsBroken) {
    CliResult r = Run({"dir", "--raw", image});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 8 + 1);
    EXPECT_NE(r.out.find("\n  8\t    2\t\"E8\""), std::string::npos);
    EXPECT_NE(r.out.find("\t PRG\t 50,00\n"), std::string::npos);
    EXPECT_EQ(r.err, "dyskel-cli: the directory chain of \"" + image + "\" is broken\n");
}

TEST_F(Corrupt, BamAndBlockReadAsUsual) {
    EXPECT_EQ(Run({"bam", image}).exitCode, 0);
    CliResult r = Run({"block", image, "18", "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.substr(0, 16), "00  12 01 82 32 ");
}

TEST_F(Corrupt, ListOfAChainOutsideTheImageGathersNothing) {
    CliResult r = Run({"list", image, "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "$0000\t0 / 0\t$0000\n$0000\t$00 \t    \t    \tBRK\n");
    EXPECT_EQ(
        r.err,
        "dyskel-cli: entry 1: The file's block chain ends early (a link names a block outside the image) "
        "after 0 blocks. The listing shows the 0 bytes read up to there.\n");
}

TEST_F(Corrupt, ExportAndDumpFail) {
    for (const char* cmd : {"export", "dump"}) {
        CliResult r = Run({cmd, image, "1"});
        EXPECT_EQ(r.exitCode, 1) << cmd;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err,
                  "dyskel-cli: File Export FAILED! The file's block chain is broken: a link names a block "
                  "outside the image (after 0 blocks).\n");
    }
}

TEST_F(Corrupt, RenameStillWorks) {
    CliResult r = Run({"rename", image, "3", "FIXED"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "  3\t    1\t\"FIXED\"" + Nbsp(10) + "\t>PRG\t 01,03\n");
}

TEST_F(Cli, DirectoryLinkToTheHeaderBlockIsCut) {
    disk.Block(18, 1)[0] = 18;
    disk.Block(18, 1)[1] = 0;
    Save();
    CliResult r = Run({"dir", image});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 3 + 1) << r.out;
    EXPECT_EQ(r.err, "dyskel-cli: the directory chain of \"" + image + "\" is broken\n");
}

TEST_F(Cli, DirectoryBlockPastTheEndOfTheFileIsNamed) {
    // Six more entries: the ninth lies in 18/2, which starts at byte 91904.
    for (const char* name : {"E4", "E5", "E6", "E7", "E8", "E9"}) disk.AddDirEntry(0x81, {1, 1}, name, 2);
    ASSERT_EQ(disk.Block(18, 1)[1], 2);
    Bytes bytes = disk.Bytes();
    bytes.resize(92000);
    dir.Write("GAMES.D64", bytes);
    CliResult r = Run({"dir", image});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 8 + 1) << r.out;
    EXPECT_EQ(r.err, "dyskel-cli: the directory chain of \"" + image +
                         "\" is broken: Reading track 18, sector 2 of \"" + image +
                         "\" failed: the file holds only 92000 bytes.\n");
}

TEST(CliScanErrors, MissingFolderIsNamed) {
    CliResult r = RunCli({"scan", "/nonexistent/folder"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "dyskel-cli: no folder \"/nonexistent/folder\"\n");
}

TEST(CliScanErrors, DamagedImagesStayListedWithoutDetails) {
    TempDir folder;
    folder.Write("BROKEN.D64", Bytes(5000, 0xFF));
    ASSERT_EQ(mkdir(folder.File("OLD.D64").c_str(), 0755), 0);
    CliResult r = RunCli({"scan", folder.Path()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "BROKEN.D64\t5000\t____\t\t\t\t\nOLD.D64\t0\t____\t\t\t\t\n");
}

} // namespace
} // namespace dyskel::test
