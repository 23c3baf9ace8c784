// The program's command line, read once: its switches in any case and with
// any suffix, the settings file, --help and --version, and Qt's own options
// with their values left to Qt rather than taken for images.
#include "browser/CommandLine.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace dyskel {
namespace {

struct LineRow {
    const char* label;
    std::vector<std::string> words;
    bool debug;
    std::vector<std::string> images; // relative to the working folder
    std::string ini;
    bool help = false, version = false;
};

const LineRow LineRows[] = {
    {"DebugLower", {"/debug"}, true, {}, ""},
    {"DebugWithSuffix", {"/DEBUGGING"}, true, {}, ""},
    {"DebugMixedCase", {"/Debug"}, true, {}, ""},
    {"TooShortIsNoDebug", {"/DEBU"}, false, {}, ""},
    {"UnknownSwitchIgnored", {"/X", "/D"}, false, {}, ""},
    {"ImagesInOrder", {"b.d64", "/DEBUG", "a.D64"}, true, {"b.d64", "a.D64"}, ""},
    {"QtOptionValueIsNoImage",
     {"-platform", "offscreen", "--style", "fusion", "-reverse", "x.d64"},
     false,
     {"x.d64"},
     ""},
    {"IniTwoWords", {"--ini", "my.ini", "x.d64"}, false, {"x.d64"}, "my.ini"},
    {"IniJoined", {"--ini=/tmp/a b.ini"}, false, {}, "/tmp/a b.ini"},
    {"WordAfterIniIsAPath", {"--ini", "--help"}, false, {}, "--help", false, false},
    {"Help", {"x.d64", "-h"}, false, {"x.d64"}, "", true, false},
    {"FirstOfHelpAndVersionWins", {"--version", "--help"}, false, {}, "", false, true},
    {"DashedWordIsAnImage", {"-game.d64"}, false, {"-game.d64"}, ""},
};

class CommandLineRead : public ::testing::TestWithParam<LineRow> {};

TEST_P(CommandLineRead, TakesEachWordForWhatItIs) {
    const LineRow& row = GetParam();
    const CommandLine line = ParseCommandLine(row.words);
    EXPECT_EQ(line.debug, row.debug);
    std::vector<std::string> images;
    for (const auto& name : row.images) images.push_back((std::filesystem::current_path() / name).string());
    EXPECT_EQ(line.images, images);
    EXPECT_EQ(line.iniPath, row.ini);
    EXPECT_EQ(line.help, row.help);
    EXPECT_EQ(line.version, row.version);
}
INSTANTIATE_TEST_SUITE_P(Words, CommandLineRead, ::testing::ValuesIn(LineRows),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace dyskel
