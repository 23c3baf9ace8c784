// find and dupes over a folder of two disks (GAMES.D64 and a copy of its LOG
// placed elsewhere on sub/OTHER.D64), with the index in the test's folder.
#include "CliFixture.h"

#include <cstdlib>
#include <filesystem>

namespace dyskel::test {
namespace {

class CliSearch : public Cli {
  protected:
    void SetUp() override {
        Cli::SetUp();
        setenv("XDG_CACHE_HOME", dir.File("cache").c_str(), 1);
        std::filesystem::create_directory(dir.File("sub"));
        D64Builder other("OTHER", "02");
        Bytes log(300);
        for (int i = 0; i < 300; ++i) log[i] = static_cast<std::uint8_t>(i);
        other.AddFile("LOG COPY", 0x81, log, {{30, 2}, {12, 7}});
        ASSERT_TRUE(other.Save(dir.File("sub/OTHER.D64")));
        Bytes data(log.begin(), log.end());
        dir.Write("log.seq", data);
    }
};

struct FindRow {
    std::vector<std::string> args; // before the folder
    const char* out;               // with "D/" for the folder
};
const FindRow FindRows[] = {
    {{"--name", "L?G"}, "D/GAMES.D64\t2\tLOG\tSEQ\t2\t01,01\n"},
    {{"--recursive", "--name", "L*"},
     "D/GAMES.D64\t2\tLOG\tSEQ\t2\t01,01\n"
     "D/GAMES.D64\t3\tLOCKED PROGRAM16\tPRG\t1\t01,03\n"
     "D/sub/OTHER.D64\t1\tLOG COPY\tSEQ\t2\t30,02\n"},
    {{"--recursive", "--label", "OTH*"}, "D/sub/OTHER.D64\t1\tLOG COPY\tSEQ\t2\t30,02\n"},
    {{"--type", "prg", "--name", "?ELLO"}, "D/GAMES.D64\t1\tHELLO\tPRG\t1\t01,00\n"},
    {{"--recursive", "--same-as", "D/log.seq"},
     "D/GAMES.D64\t2\tLOG\tSEQ\t2\t01,01\n"
     "D/sub/OTHER.D64\t1\tLOG COPY\tSEQ\t2\t30,02\n"},
    {{"--recursive", "--size", "2"},
     "D/GAMES.D64\t2\tLOG\tSEQ\t2\t01,01\n"
     "D/sub/OTHER.D64\t1\tLOG COPY\tSEQ\t2\t30,02\n"},
    {{"--size", "-1"},
     "D/GAMES.D64\t1\tHELLO\tPRG\t1\t01,00\nD/GAMES.D64\t3\tLOCKED PROGRAM16\tPRG\t1\t01,03\n"},
    {{"--size", "2-"}, "D/GAMES.D64\t2\tLOG\tSEQ\t2\t01,01\n"},
    {{"--size", "0-0"}, ""},
};
class CliFind : public CliSearch, public ::testing::WithParamInterface<FindRow> {};
TEST_P(CliFind, OneTabSeparatedLinePerEntry) {
    const auto local = [&](std::string s) {
        // Past each replacement: the folder's own name may end in D.
        for (std::size_t at = 0; (at = s.find("D/", at)) != std::string::npos; at += dir.Path().size() + 1)
            s.replace(at, 1, dir.Path());
        return s;
    };
    std::vector<std::string> args{"find"};
    for (const auto& a : GetParam().args) args.push_back(local(a));
    args.push_back(dir.Path());
    for (int pass = 0; pass < 2; ++pass) { // the second from the index
        CliResult r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, local(GetParam().out)) << "pass " << pass;
    }
}
INSTANTIATE_TEST_SUITE_P(Queries, CliFind, ::testing::ValuesIn(FindRows));

TEST_F(CliSearch, ASizeThatIsNoRangeIsAUsageError) {
    for (const char* size : {"", "-", "x", "3-1", "65536", "1-2-3", "+1", "1 ", "0x2"}) {
        CliResult r = Run({"find", "--size", size, dir.Path()});
        EXPECT_EQ(r.exitCode, 2) << size;
        EXPECT_NE(r.err.find("--size must be"), std::string::npos) << r.err;
    }
}

TEST_F(CliSearch, DupesGroupsFilesAndTellsOfABrokenImage) {
    dir.Write("sub/CUT.D64", Bytes(5000));
    D64Builder art("ART", "03"); // two separators: no files, no group
    for (int i = 0; i < 2; ++i) art.AddDirEntry(0x80, {0, 0}, "----", 0);
    ASSERT_TRUE(art.Save(dir.File("sub/ART.D64")));
    CliResult r = Run({"dupes", "--recursive", dir.Path()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "file\t1\t" + dir.Path() + "/GAMES.D64\t2\tLOG\tSEQ\t2\t01,01\n" + "file\t1\t" +
                         dir.Path() + "/sub/OTHER.D64\t1\tLOG COPY\tSEQ\t2\t30,02\n");
    EXPECT_NE(r.err.find(dir.Path() + "/sub/CUT.D64"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"find", "--type", "XYZ", dir.Path()}).exitCode, 2);
    EXPECT_EQ(Run({"find", dir.File("nothing")}).exitCode, 1);
}

// Only find and dupes load the index and with it SQLite; the other commands
// start without it.  The dynamic loader's log (LD_DEBUG) names each library
// it maps.
TEST_F(CliSearch, OnlyTheSearchesMapSqlite) {
    setenv("LD_DEBUG", "libs", 1);
    const CliResult listing = Run({"dir", dir.File("GAMES.D64")});
    const CliResult found = Run({"find", "--name", "LOG", dir.Path()});
    unsetenv("LD_DEBUG");
    EXPECT_EQ(listing.err.find("libsqlite3"), std::string::npos) << listing.err;
    EXPECT_NE(found.err.find("libsqlite3"), std::string::npos) << found.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("cache/dyskel/index.sqlite")));
}

} // namespace
} // namespace dyskel::test
