// new, write and validate; and two independent tools (cbmconvert, cc1541)
// reading what they wrote.
#include "CliFixture.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace dyskel::test {
namespace {

Bytes Pattern(std::size_t n, int seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(i * 13 + std::size_t(seed) + i / 251);
    return b;
}

std::string Output(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buf[4096];
    while (pipe && std::fgets(buf, sizeof buf, pipe.get())) out += buf;
    return out;
}

TEST_F(Cli, NewWritesAFormattedImageAndNeverReplacesOne) {
    CliResult r = Run({"new", dir.File("NEW.D64"), "my disk", "a1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "\"MY DISK\" A12A\n664 BLOCKS FREE\n");
    // The count that dir lists afterwards: tracks 1 to 40 but 18.
    EXPECT_EQ(Run({"new", "--tracks", "40", dir.File("FORTY.D64"), "forty"}).out,
              "\"FORTY\" 002A\n749 BLOCKS FREE\n");
    EXPECT_TRUE(Run({"dir", dir.File("FORTY.D64")}).out.ends_with("749\tBLOCKS FREE\t\t\n"));
    EXPECT_EQ(dir.Read("FORTY.D64").size(), 196608u);
    r = Run({"new", image, "x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(dir.Read("GAMES.D64"), disk.Bytes());
    EXPECT_EQ(Run({"new", "--tracks", "36", dir.File("B.D64"), "x"}).exitCode, 2);
    EXPECT_EQ(Run({"new", dir.File("C.D64"), "x", "abc"}).exitCode, 1);
}

TEST_F(Cli, WritePrintsTheNewRowsAndRefusesWhatCannotBe) {
    dir.Write("intro.prg", Pattern(300, 1));
    dir.Write("notes.seq", Pattern(10, 2));
    CliResult r = Run({"write", image, dir.File("intro.prg"), dir.File("notes.seq")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "  4\t    2\t\"INTRO\"" + Nbsp(10) + "\t PRG\t 17,00\n" + "  5\t    1\t\"NOTES\"" +
                         Nbsp(10) + "\t SEQ\t 17,01\n656 BLOCKS FREE\n");
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    } refusals[] = {
        {{"write", image, dir.File("intro.prg")}, 1, "already on the disk"},
        {{"write", "--name", "log", image, dir.File("intro.prg")}, 1, "already on the disk"},
        {{"write", "--type", "REL", image, dir.File("intro.prg")}, 2, "--type must be"},
        {{"write", "--replace", "--keep-both", image, dir.File("intro.prg")}, 2, "not both"},
        {{"write", image, dir.File("missing.prg")}, 1, "no file"},
    };
    const Bytes before = dir.Read("GAMES.D64");
    for (const auto& c : refusals) {
        CliResult bad = Run(c.args);
        EXPECT_EQ(bad.exitCode, c.exitCode) << c.message;
        EXPECT_NE(bad.err.find(c.message), std::string::npos) << bad.err;
    }
    EXPECT_EQ(dir.Read("GAMES.D64"), before);
    r = Run({"write", "--dry-run", "--type", "usr", "--name", "other", image, dir.File("intro.prg")});
    EXPECT_EQ(r.out, "17,02\n17,12\n18,00\n18,01\n");
    EXPECT_EQ(dir.Read("GAMES.D64"), before);
}

// KEEP at 17/0, marked free in the BAM; TWIN shares HELLO's block 01,00.
TEST_F(Cli, EditsOnADamagedDiskLeaveOtherFilesWholeAndSaySo) {
    disk.AddFile("KEEP", 0x82, Bytes(10, 7), {{17, 0}});
    disk.SetFree(17, 0, true);
    disk.AddDirEntry(0x82, {1, 0}, "TWIN", 1);
    Save();
    dir.Write("intro.prg", Pattern(300, 1));
    CliResult r = Run({"write", image, dir.File("intro.prg")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "  6\t    2\t\"INTRO\"" + Nbsp(10) + "\t PRG\t 17,01\n657 BLOCKS FREE\n");
    EXPECT_EQ(r.err,
              "dyskel-cli: warning: The BAM was wrong: it marked 1 block free that the directory or files "
              "use; they were left alone. Run Validate to mend the BAM.\n");
    EXPECT_EQ(dir.Read("GAMES.D64")[0x15000 + 2], 7) << "KEEP's byte at 17/0";

    r = Run({"write", "--replace", "--name", "locked program16", image, dir.File("intro.prg")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "dyskel-cli: The file \"LOCKED PROGRAM16\" is locked (write protected); it was not "
                     "replaced.\n");

    r = Run({"size", image, "5"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "dyskel-cli: warning: \"TWIN\": 1 of its blocks is shared with entry 1 \"HELLO\".\n");
    r = Run({"delete", image, "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "dyskel-cli: warning: \"HELLO\" was cross-linked with entry 5 \"TWIN\"; the block they "
                     "share stays allocated.\n");
    EXPECT_NE(Run({"bam", image}).out.find("\n#"), std::string::npos) << "01,00 still used";
}

TEST_F(Cli, ValidateTellsFindingsAndFixesTheBam) {
    // GamesDisk marks 35/16 used without an owner.
    CliResult r = Run({"validate", image});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "35,16: marked used in the BAM, but nothing owns it\n");
    ASSERT_EQ(Run({"new", dir.File("CLEAN.D64"), "clean"}).exitCode, 0);
    r = Run({"validate", image, dir.File("CLEAN.D64")});
    EXPECT_EQ(r.out, image + ": 1 finding: 1 orphan\n" + dir.File("CLEAN.D64") + ": clean\n");
    r = Run({"validate", "--csv", dir.File("CLEAN.D64")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out,
              "image,findings,loop,bad-link,size,used-but-free,orphan,cross-linked,track-count,dir-loop,"
              "dir-off-track,header\n" +
                  dir.File("CLEAN.D64") + ",0,0,0,0,0,0,0,0,0,0,0\n");
    r = Run({"validate", "--fix", "--backup", image});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "35,16: marked used in the BAM, but nothing owns it\nBAM rewritten; 660 BLOCKS FREE\n");
    EXPECT_TRUE(dir.Exists("GAMES.BAK"));
    EXPECT_EQ(Run({"validate", image}).exitCode, 0);
}

// A small RFC 4180 reader: rows of fields; a quoted field may hold commas,
// line breaks and doubled quotes.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"')
            rows.back().back() += text[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            rows.back().emplace_back();
        else if (!quoted && c == '\n')
            rows.emplace_back(1);
        else
            rows.back().back() += c;
    }
    if (rows.back() == std::vector<std::string>(1)) rows.pop_back(); // after the last line break
    return rows;
}

TEST_F(Cli, ValidateCsvQuotesPathsThatNeedIt) {
    // GamesDisk has one finding, an orphan block.
    const std::vector<std::string> names = {"plain.d64", "a,b.d64", "say \"hi\".d64", "two\nlines.d64",
                                            "\",\n\"\".d64"};
    std::vector<std::string> args = {"validate", "--csv"};
    for (const std::string& name : names) {
        ASSERT_TRUE(disk.Save(dir.File(name)));
        args.push_back(dir.File(name));
    }
    CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const auto rows = ReadCsv(r.out);
    ASSERT_EQ(rows.size(), 1 + names.size()) << r.out;
    EXPECT_EQ(rows[0].size(), 12u);
    EXPECT_EQ(rows[0][6], "orphan");
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto& row = rows[1 + i];
        ASSERT_EQ(row.size(), 12u) << names[i];
        EXPECT_EQ(row[0], dir.File(names[i]));
        EXPECT_EQ(row[1], "1") << names[i];
        EXPECT_EQ(row[6], "1") << names[i];
    }
}

// The files written with new and write, extracted by cbmconvert, listed by
// cc1541; then a BAM broken by hand and mended by validate --fix.
TEST_F(Cli, IndependentToolsReadWhatWasWritten) {
    if (std::system("command -v cbmconvert >/dev/null 2>&1 && command -v cc1541 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "cbmconvert or cc1541 is not installed";
    const std::string disk = dir.File("oracle.d64");
    ASSERT_EQ(Run({"new", disk, "oracle", "42"}).exitCode, 0);
    const std::vector<std::pair<std::string, std::size_t>> files = {
        {"one.prg", 1}, {"block.prg", 254}, {"two.seq", 255}, {"big.prg", 200 * 254 - 3}};
    std::vector<std::string> args = {"write", disk};
    for (std::size_t i = 0; i < files.size(); ++i) {
        dir.Write(files[i].first, Pattern(files[i].second, int(i)));
        args.push_back(dir.File(files[i].first));
    }
    ASSERT_EQ(Run(args).exitCode, 0);
    // The BAM broken by hand: 17/0 (ONE's block) free, 3/3 used.
    Bytes bytes = dir.Read("oracle.d64");
    bytes[0x16500 + 4 * 17 + 1] |= 1;
    bytes[0x16500 + 4 * 3 + 1] &= 0xF7;
    dir.Write("oracle.d64", bytes);
    EXPECT_EQ(Run({"validate", disk}).exitCode, 1);
    ASSERT_EQ(Run({"validate", "--fix", disk}).exitCode, 0);

    TempDir out;
    ASSERT_EQ(std::system(
                  ("cd '" + out.Path() + "' && cbmconvert -N -v0 -d '" + disk + "' >/dev/null 2>&1").c_str()),
              0);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(out.Read(files[i].first), Pattern(files[i].second, int(i)));
    const std::string listing = Output("cc1541 '" + disk + "' 2>/dev/null");
    for (const char* row :
         {"1    \"one\"              prg", "1    \"block\"            prg", "2    \"two\"              seq",
          "200  \"big\"              prg", "460 blocks free."})
        EXPECT_NE(listing.find(row), std::string::npos) << row << " in\n" << listing;
}

} // namespace
} // namespace dyskel::test
