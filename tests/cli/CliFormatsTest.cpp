// D71 and D81 images through dyskel-cli: new and its format rules, and two
// independent tools (cc1541, cbmconvert) reading what dyskel-cli wrote and
// writing what dyskel-cli reads.
#include "CliFixture.h"
#include "support/D81Subdir.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace dyskel::test {
namespace {

Bytes Pattern(std::size_t n, int seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(i * 29 + std::size_t(seed) * 7 + i / 253);
    return b;
}

std::string Output(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buf[4096];
    while (pipe && std::fgets(buf, sizeof buf, pipe.get())) out += buf;
    return out;
}

bool Have(const char* tool) {
    return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

struct NewCase {
    const char* name;
    std::vector<std::string> options;
    const char* file;
    int exitCode;
    std::size_t size;
    const char* out;
};

class NewFormat : public Cli, public ::testing::WithParamInterface<NewCase> {};

TEST_P(NewFormat, FormatByOptionThenExtension) {
    const NewCase& c = GetParam();
    std::vector<std::string> args = {"new"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(dir.File(c.file));
    args.push_back("work");
    CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(dir.Read(c.file).size(), c.size);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, NewFormat,
    ::testing::Values(
        NewCase{"D71ByName", {}, "W.d71", 0, 349696, "\"WORK\" 002A\n1328 BLOCKS FREE\n"},
        NewCase{"D81AnyCase", {}, "W.D81", 0, 819200, "\"WORK\" 003D\n3160 BLOCKS FREE\n"},
        NewCase{"OtherNameIsD64", {}, "W.img", 0, 174848, "\"WORK\" 002A\n664 BLOCKS FREE\n"},
        NewCase{"FormatWins", {"--format", "d81"}, "W.d71", 0, 819200, "\"WORK\" 003D\n3160 BLOCKS FREE\n"},
        NewCase{"FormatD64Tracks40",
                {"--format", "D64", "--tracks", "40"},
                "W.d81",
                0,
                196608,
                "\"WORK\" 002A\n749 BLOCKS FREE\n"},
        NewCase{"TracksWithD71", {"--tracks", "40"}, "W.d71", 2, 0, ""},
        NewCase{"TracksWithFormatD81", {"--format", "d81", "--tracks", "35"}, "W.d64", 2, 0, ""},
        NewCase{"UnknownFormat", {"--format", "d80"}, "W.d64", 2, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Cli, InfoNamesTheFormat) {
    ASSERT_EQ(Run({"new", dir.File("A.d71"), "two sides"}).exitCode, 0);
    const std::string out = Run({"info", dir.File("A.d71")}).out;
    EXPECT_NE(out.find("Format Designation: 1571 disk image, Double Sided.\nTracks: 70\nImage Format: D71\n"),
              std::string::npos)
        << out;
    ASSERT_EQ(Run({"new", dir.File("B.d81"), "three"}).exitCode, 0);
    EXPECT_NE(Run({"info", dir.File("B.d81")})
                  .out.find("1581 disk image, 3.5 inch.\nTracks: 80\nImage Format: D81"),
              std::string::npos);
}

TEST_F(Cli, UnknownSizeIsReadByItsNameAndNeverWritten) {
    ASSERT_EQ(Run({"new", dir.File("A.d81"), "cut"}).exitCode, 0);
    Bytes bytes = dir.Read("A.d81");
    bytes.resize(40 * 40 * 256 + 5); // tracks 1 to 40 and a little
    dir.Write("A.d81", bytes);
    CliResult r = Run({"dir", dir.File("A.d81")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "\"CUT\" 003D\n\t 3160\tBLOCKS FREE\t\t\n");
    EXPECT_NE(r.err.find("warning"), std::string::npos);
    dir.Write("x.prg", Pattern(10, 1));
    r = Run({"write", dir.File("A.d81"), dir.File("x.prg")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("409605 bytes long"), std::string::npos) << r.err;
    EXPECT_EQ(dir.Read("A.d81"), bytes);
}

// A D71 whose header does not say double-sided, a D81 whose BAM blocks
// disagree with its header: listed, reported by validate, written only after
// validate --fix.
struct Malformed {
    const char* name;
    const char* file;
    std::size_t offset; // the byte broken
    std::uint8_t value;
    const char* fault;
};

class MalformedHeader : public Cli, public ::testing::WithParamInterface<Malformed> {};

TEST_P(MalformedHeader, ReportedRefusedMended) {
    const Malformed& c = GetParam();
    const std::string disk = dir.File(c.file);
    ASSERT_EQ(Run({"new", disk, "bent", "42"}).exitCode, 0);
    Bytes bytes = dir.Read(c.file);
    bytes[c.offset] = c.value;
    dir.Write(c.file, bytes);
    EXPECT_EQ(Run({"dir", disk}).exitCode, 0);
    CliResult v = Run({"validate", disk});
    EXPECT_EQ(v.exitCode, 1);
    EXPECT_EQ(v.out, std::string(c.fault) + "\n");
    dir.Write("x.prg", Pattern(300, 2));
    CliResult w = Run({"write", disk, dir.File("x.prg")});
    EXPECT_EQ(w.exitCode, 1);
    EXPECT_NE(w.err.find(c.fault), std::string::npos) << w.err;
    EXPECT_EQ(dir.Read(c.file), bytes);
    CliResult fix = Run({"validate", "--fix", disk});
    EXPECT_EQ(fix.exitCode, 0) << fix.out << fix.err;
    EXPECT_EQ(Run({"validate", disk}).exitCode, 0);
    EXPECT_EQ(Run({"write", disk, dir.File("x.prg")}).exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MalformedHeader,
    ::testing::Values(
        Malformed{"D71SingleSided", "a.d71", 0x16500 + 3, 0x00,
                  "The header block 18/0 does not say double-sided (byte 3 is $00; a 1571 writes $80)."},
        Malformed{"D81BamId", "b.d81", 0x61800 + 256 + 4, 'X',
                  "The BAM block 40,01 holds the ID $58 $32, the header block $34 $32."},
        Malformed{"D81Version", "c.d81", 0x61800 + 512 + 2, 'A',
                  "The BAM block 40,02 has the DOS version $41, not $44 ('D')."},
        Malformed{"D81Complement", "d.d81", 0x61800 + 256 + 3, 0x00,
                  "The BAM block 40,01 has $00 as the complement of the DOS version, not $BB."},
        Malformed{"D81Link", "e.d81", 0x61800 + 256 + 1, 5,
                  "The BAM block 40,01 links to $28 $05, not to 40/2."}),
    [](const auto& info) { return std::string(info.param.name); });

// dir --partition: a 1581 partition laid out as a sub-directory listed as a
// disk of its own; an entry that is no partition refused.
TEST_F(Cli, DirListsAPartitionAsADisk) {
    dir.Write("p.d81", testsupport::WithPartition().Bytes());
    const std::string disk = dir.File("p.d81");
    CliResult r = Run({"dir", disk, "--partition", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string pad; // the name's padding after the closing quote
    for (int i = 0; i < 10; ++i) pad += "\u00A0";
    EXPECT_EQ(r.out,
              "\"SUBDIR\" S13D\n  1\t    1\t\"INNER\"" + pad + "\t PRG\t 42,00\n\t   79\tBLOCKS FREE\t\t\n");
    r = Run({"dir", disk, "--partition", "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "dyskel-cli: no entry 2 in \"" + disk + "\" (its directory lists 1 entry)\n");
}

// What new and write made, read back by cbmconvert (the bytes) and cc1541
// (names, sizes, free count); a file long enough to reach the second side
// of a D71 and the tracks above the directory of a D81.
struct RoundTrip {
    const char* name;
    const char* file;
    std::size_t bigBlocks;
    const char* freeLine;
};

class OracleReadsBack : public Cli, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(OracleReadsBack, NamesAndBytes) {
    if (!Have("cbmconvert") || !Have("cc1541")) GTEST_SKIP() << "cbmconvert or cc1541 is not installed";
    const RoundTrip& c = GetParam();
    const std::string disk = dir.File(c.file);
    ASSERT_EQ(Run({"new", disk, "oracle", "42"}).exitCode, 0);
    const std::vector<std::pair<std::string, std::size_t>> files = {
        {"one.prg", 1}, {"block.prg", 254}, {"two.seq", 255}, {"big.prg", c.bigBlocks * 254 - 3}};
    std::vector<std::string> args = {"write", disk};
    for (std::size_t i = 0; i < files.size(); ++i) {
        dir.Write(files[i].first, Pattern(files[i].second, int(i)));
        args.push_back(dir.File(files[i].first));
    }
    CliResult w = Run(args);
    ASSERT_EQ(w.exitCode, 0) << w.err;
    EXPECT_EQ(Run({"validate", disk}).exitCode, 0);
    TempDir out;
    ASSERT_EQ(std::system(
                  ("cd '" + out.Path() + "' && cbmconvert -N -v0 -d '" + disk + "' >/dev/null 2>&1").c_str()),
              0);
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(out.Read(files[i].first), Pattern(files[i].second, int(i))) << files[i].first;
    const std::string listing = Output("cc1541 '" + disk + "' 2>/dev/null");
    for (const std::string& row : {std::string("1    \"one\""), std::string("2    \"two\""),
                                   std::to_string(c.bigBlocks) + "  \"big\"", std::string(c.freeLine)})
        EXPECT_NE(listing.find(row), std::string::npos) << row << " in\n" << listing;
}

INSTANTIATE_TEST_SUITE_P(Formats, OracleReadsBack,
                         ::testing::Values(RoundTrip{"D71", "oracle.d71", 700, "624 blocks free."},
                                           RoundTrip{"D81", "oracle.d81", 1000, "2156 blocks free."}),
                         [](const auto& info) { return std::string(info.param.name); });

// Images the oracles made with files of many sizes: listed with the oracle's
// names, sizes and free count, exported byte for byte, and after validate
// --fix clean and still exporting the same bytes.
struct OracleImage {
    const char* name;
    const char* file;
    bool cbmconvert; // made by cbmconvert, else by cc1541
};

class ReadsOracleImages : public Cli, public ::testing::WithParamInterface<OracleImage> {};

TEST_P(ReadsOracleImages, ListExportFix) {
    const OracleImage& c = GetParam();
    if (!Have("cbmconvert") || !Have("cc1541")) GTEST_SKIP() << "cbmconvert or cc1541 is not installed";
    const std::vector<std::size_t> sizes = {1, 254, 255, 3000, 20000, 41000, 77777};
    std::string names;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string f = "f" + std::to_string(i);
        dir.Write(f + ".prg", Pattern(sizes[i], int(i) + 3));
        names += c.cbmconvert ? " " + f + ".prg" : " -f " + f + " -w " + f + ".prg";
    }
    const std::string made =
        c.cbmconvert ? "cbmconvert -v0 -" + std::string(std::string(c.file).ends_with("71") ? "D7" : "D8") +
                           " " + c.file + " -n" + names
                     : "cc1541 -n oracle -i 42" + names + " " + c.file;
    ASSERT_EQ(std::system(("cd '" + dir.Path() + "' && " + made + " >/dev/null 2>&1").c_str()), 0) << made;
    const std::string disk = dir.File(c.file);
    const std::string listing = Run({"dir", disk}).out;
    const std::string oracle = Output("cc1541 '" + disk + "' 2>/dev/null");
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string blocks = std::to_string((sizes[i] + 253) / 254);
        EXPECT_NE(
            listing.find(std::string(5 - blocks.size(), ' ') + blocks + "\t\"F" + std::to_string(i) + "\""),
            std::string::npos)
            << i << " in\n"
            << listing;
    }
    const std::string free = oracle.substr(0, oracle.find(" blocks free."));
    EXPECT_NE(listing.find(free.substr(free.rfind('\n') + 1) + "\tBLOCKS FREE"), std::string::npos)
        << listing << oracle;
    const auto exportAll = [&] {
        TempDir out;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            CliResult r = Run({"export", "--to=" + out.Path(), disk, std::to_string(i + 1)});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            EXPECT_EQ(out.Read("F" + std::to_string(i) + ".PRG"), Pattern(sizes[i], int(i) + 3)) << i;
        }
    };
    exportAll();
    ASSERT_EQ(Run({"validate", "--fix", disk}).exitCode, 0);
    EXPECT_EQ(Run({"validate", disk}).exitCode, 0) << Run({"validate", disk}).out;
    exportAll();
}

INSTANTIATE_TEST_SUITE_P(Oracles, ReadsOracleImages,
                         ::testing::Values(OracleImage{"Cc1541D71", "made.d71", false},
                                           OracleImage{"Cc1541D81", "made.d81", false},
                                           OracleImage{"CbmconvertD71", "made.d71", true},
                                           OracleImage{"CbmconvertD81", "made.d81", true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dyskel::test
