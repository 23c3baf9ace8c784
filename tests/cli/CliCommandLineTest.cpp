// The command line itself: each command's help, --opt=value, "--" before a
// dash, and values out of range named with their range.
#include "CliFixture.h"

namespace dyskel::test {
namespace {

struct HelpCase {
    std::string command;
    std::vector<std::string> names; // its options and arguments, as the README lists them
};

class CliCommandHelp : public ::testing::TestWithParam<HelpCase> {};

TEST_P(CliCommandHelp, NamesItsOptionsAndShowsAnExample) {
    CliResult r = RunCli({GetParam().command, "--help"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("Usage: dyskel-cli " + GetParam().command + " "), std::string::npos) << r.out;
    for (const std::string& name : GetParam().names) EXPECT_NE(r.out.find(name), std::string::npos) << name;
    EXPECT_NE(r.out.find("Example:\n  dyskel-cli " + GetParam().command + " "), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliCommandHelp,
    ::testing::Values(
        HelpCase{"info", {"--raw", "IMAGE"}}, HelpCase{"dir", {"--raw", "--deleted", "IMAGE"}},
        HelpCase{"bam", {"IMAGE"}}, HelpCase{"block", {"--raw", "IMAGE", "TRACK", "SECTOR"}},
        HelpCase{
            "list",
            {"--text", "--basic", "--asm", "--start", "ADDR", "--symbols", "--illegal", "--raw", "ENTRY"}},
        HelpCase{"export", {"--name", "--to", "DIR", "IMAGE", "ENTRY"}},
        HelpCase{"dump", {"--to", "IMAGE", "ENTRY"}},
        HelpCase{"rename", {"--backup", "--dry-run", "IMAGE", "ENTRY", "NEWNAME"}},
        HelpCase{"delete", {"--backup", "--dry-run", "ENTRY"}}, HelpCase{"lock", {"--backup", "--dry-run"}},
        HelpCase{"unlock", {"--backup", "--dry-run"}}, HelpCase{"type", {"--dry-run", "TYPE", "REL"}},
        HelpCase{"undelete", {"--backup", "ENTRY", "TYPE"}}, HelpCase{"size", {"--dry-run", "BLOCKS"}},
        HelpCase{"clear", {"--backup", "--dry-run", "--name", "--id", "IMAGE"}},
        HelpCase{"poke", {"--dry-run", "TRACK", "SECTOR", "OFFSET", "BYTE"}},
        HelpCase{"new", {"--tracks", "35", "40", "IMAGE", "NAME", "ID"}},
        HelpCase{"write", {"--backup", "--dry-run", "--replace", "--keep-both", "--type", "--name", "FILE"}},
        HelpCase{"dirart", {"--append", "--backup", "--dry-run", "ACTION", "IMAGE", "FILE"}},
        HelpCase{"validate", {"--fix", "--backup", "--dry-run", "--csv", "IMAGE"}},
        HelpCase{"scan", {"--unsorted", "--no-details", "--raw", "FOLDER"}},
        HelpCase{"find", {"--recursive", "--name", "--label", "--type", "--size", "--same-as", "FOLDER"}},
        HelpCase{"dupes", {"--recursive", "FOLDER"}}, HelpCase{"op", {"BYTE"}}),
    [](const auto& info) { return info.param.command; });

TEST(CliHelp, TheOverviewListsEveryCommand) {
    for (const char* help : {"--help", "-h", "help"}) {
        CliResult r = RunCli({help});
        EXPECT_EQ(r.exitCode, 0) << help;
        for (const char* command :
             {"info",   "dir",   "bam",      "block", "list",     "export", "dump",  "rename",
              "delete", "lock",  "unlock",   "type",  "undelete", "size",   "clear", "poke",
              "new",    "write", "validate", "scan",  "find",     "dupes",  "op",    "dirart"})
            EXPECT_NE(r.out.find("\n  " + std::string(command) + " "), std::string::npos) << command;
    }
}

// The same command line written with "--opt=value" and with the dash first.
struct FormCase {
    const char* name;
    std::vector<std::string> args; // IMG the games disk, DIR its folder
    std::string out;               // a part of what it prints
    int exitCode;
};

class CliForms : public Cli, public ::testing::WithParamInterface<FormCase> {};

TEST_P(CliForms, AsTyped) {
    std::vector<std::string> args = GetParam().args;
    for (auto& a : args) {
        if (a.starts_with("IMG")) a = image + a.substr(3);
        if (const auto at = a.find("DIR"); at != std::string::npos) a.replace(at, 3, dir.File("out"));
    }
    std::filesystem::create_directory(dir.File("out"));
    CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, GetParam().exitCode) << r.err;
    EXPECT_NE(r.out.find(GetParam().out), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CliForms,
    ::testing::Values(
        FormCase{
            "ExportToEquals", {"export", "--to=DIR", "--name=X", "IMG", "1"}, "File \"X.PRG\" (1 Blocks)", 0},
        FormCase{"ListStartEquals",
                 {"list", "--start=0803", "IMG", "1"},
                 "$0803\t$8D \t$20 \t$D0 \tSTA $D020\n",
                 0},
        FormCase{
            "TracksEquals", {"new", "--tracks=40", "DIR/N.D64", "n"}, "\"N\" 002A\n749 BLOCKS FREE\n", 0},
        FormCase{"RenameAfterDashes", {"rename", "IMG", "1", "--", "-A-"}, "  1\t    1\t\"-A-\"", 0},
        FormCase{"DashesFirst", {"rename", "--", "IMG", "2", "-LOG"}, "  2\t    2\t\"-LOG\"", 0},
        FormCase{"DashWithoutDashesIsAnOption", {"rename", "IMG", "1", "-A-"}, "", 2},
        FormCase{
            "LastValueCounts", {"export", "--name=A", "--to=DIR", "--name", "X", "IMG", "1"}, "\"X.PRG\"", 0},
        FormCase{
            "OptionValueWithDash", {"export", "--name=-X", "--to", "DIR", "IMG", "1"}, "File \"-X.PRG\"", 0}),
    [](const auto& info) { return info.param.name; });

// A value out of range: the message names what is allowed.
struct RangeCase {
    const char* name;
    std::vector<std::string> args;
    std::string says;
};

class CliRanges : public Cli, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(CliRanges, NameTheRange) {
    std::vector<std::string> args = GetParam().args;
    for (auto& a : args)
        if (a == "IMG") a = image;
    CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
    EXPECT_EQ(dir.Read("GAMES.D64"), disk.Bytes());
}

INSTANTIATE_TEST_SUITE_P(
    Values, CliRanges,
    ::testing::Values(RangeCase{"Tracks", {"new", "--tracks", "36", "IMG", "x"}, "35,40"},
                      RangeCase{"Start", {"list", "--start=10000", "IMG", "1"}, "0 to FFFF: 10000"},
                      RangeCase{"Track", {"block", "IMG", "256", "0"}, "0 to 255: 256"},
                      RangeCase{"Offset", {"poke", "IMG", "1", "0", "$100", "0"}, "0 to 255: $100"},
                      RangeCase{"Blocks", {"size", "IMG", "1", "65536"}, "0 to 65535: 65536"},
                      RangeCase{"Byte", {"op", "100"}, "0 to FF: 100"},
                      RangeCase{"FindSize", {"find", "--size=70000", "."}, "0 to 65535: 70000"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace dyskel::test
