#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace dyskel {
namespace {

std::string Text(const test::TempDir& dir, const std::string& name) {
    auto bytes = dir.Read(name);
    return {bytes.begin(), bytes.end()};
}

void Put(const test::TempDir& dir, const std::string& name, const std::string& text) {
    dir.Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST(IniFile, MissingFileSectionOrKeyReadsNothing) {
    test::TempDir dir;
    IniFile ini(dir.File("Dyskel.ini"));
    EXPECT_FALSE(ini.Read("OPTIONS", "Hints"));
    Put(dir, "Dyskel.ini", "[OTHER]\nHints=1\n[OPTIONS]\nJumpTS=0\n");
    EXPECT_FALSE(ini.Read("OPTIONS", "Hints"));
    EXPECT_EQ(ini.Read("OPTIONS", "JumpTS"), "0");
    EXPECT_EQ(ini.Read("OTHER", "Hints"), "1");
}

TEST(IniFile, NamesMatchInAnyCaseAndBlanksBeforeValuesGo) {
    test::TempDir dir;
    Put(dir, "Dyskel.ini", "[Options]\r\n  sortfilesby =  0  \r\n");
    IniFile ini(dir.File("Dyskel.ini"));
    EXPECT_EQ(ini.Read("OPTIONS", "SortFilesBy"), "0  ");
    EXPECT_EQ(IniReadNumber(ini, "OPTIONS", "SortFilesBy", 7), 0);
}

struct ValueRow {
    const char* file;
    const char* value;
};
const ValueRow ValueRows[] = {
    {"[O]\nPath=/disks/old one \n", "/disks/old one "}, // a folder may end in a blank
    {"[O]\nPath=\"/disks/a b\"\n", "/disks/a b"},
    {"[O]\nPath='/disks'\r\n", "/disks"},
    {"[O]\nPath= \"x\"  \n", "x"},
    {"[O]\nPath=\"x'\n", "\"x'"}, // quotes that do not pair stay
    {"\xEF\xBB\xBF[O]\nPath=/bom\n", "/bom"},
};
class IniValue : public ::testing::TestWithParam<ValueRow> {};
TEST_P(IniValue, ReadsAsWritten) {
    test::TempDir dir;
    Put(dir, "Dyskel.ini", GetParam().file);
    EXPECT_EQ(IniFile(dir.File("Dyskel.ini")).Read("O", "Path"), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(Table, IniValue, ::testing::ValuesIn(ValueRows));

TEST(IniFile, AWriteKeepsTheByteOrderMark) {
    test::TempDir dir;
    Put(dir, "Dyskel.ini", "\xEF\xBB\xBF[O]\nA=1\n");
    ASSERT_TRUE(IniFile(dir.File("Dyskel.ini")).Write("O", "A", "2"));
    EXPECT_EQ(Text(dir, "Dyskel.ini"), "\xEF\xBB\xBF[O]\nA=2\n");
}

TEST(IniFile, AFileWhoseModeForbidsWritingStaysEvenForRoot) {
    test::TempDir dir;
    Put(dir, "Dyskel.ini", "[O]\nA=1\n");
    std::filesystem::permissions(dir.File("Dyskel.ini"), std::filesystem::perms::owner_read);
    EXPECT_FALSE(IniFile(dir.File("Dyskel.ini")).Write("O", "A", "2"));
    EXPECT_EQ(Text(dir, "Dyskel.ini"), "[O]\nA=1\n");
    std::filesystem::permissions(dir.File("Dyskel.ini"), std::filesystem::perms::owner_all);
}

TEST(IniFile, CommentsAreNotKeys) {
    test::TempDir dir;
    Put(dir, "Dyskel.ini", "[OPTIONS]\n;Hints=0\n#Hints=0\n");
    EXPECT_FALSE(IniFile(dir.File("Dyskel.ini")).Read("OPTIONS", "Hints"));
}

TEST(IniFile, FirstWriteCreatesSectionAndKey) {
    test::TempDir dir;
    IniFile ini(dir.File("Dyskel.ini"));
    ASSERT_TRUE(ini.Write("OPTIONS", "BackupFiles", "0"));
    ASSERT_TRUE(ini.Write("OPTIONS", "Path", "/home/c64/disks"));
    EXPECT_EQ(Text(dir, "Dyskel.ini"), "[OPTIONS]\nBackupFiles=0\nPath=/home/c64/disks\n");
}

TEST(IniFile, WriteKeepsEverythingElse) {
    test::TempDir dir;
    Put(dir, "Dyskel.ini",
        "; written by hand\n"
        "[WINDOW]\n"
        "Left=10\n"
        "\n"
        "[OPTIONS]\n"
        "Hints=1\n"
        "; keep me\n"
        "JumpTS=1\n"
        "\n"
        "[LAST]\n"
        "x=y\n");
    IniFile ini(dir.File("Dyskel.ini"));
    ASSERT_TRUE(ini.Write("OPTIONS", "jumpts", "0"));  // replaced where it stands
    ASSERT_TRUE(ini.Write("OPTIONS", "StrPath", "1")); // added at the section's end
    ASSERT_TRUE(ini.Write("NEW", "Key", "v"));         // new section at the end
    EXPECT_EQ(Text(dir, "Dyskel.ini"), "; written by hand\n"
                                       "[WINDOW]\n"
                                       "Left=10\n"
                                       "\n"
                                       "[OPTIONS]\n"
                                       "Hints=1\n"
                                       "; keep me\n"
                                       "jumpts=0\n"
                                       "StrPath=1\n"
                                       "\n"
                                       "[LAST]\n"
                                       "x=y\n"
                                       "\n"
                                       "[NEW]\n"
                                       "Key=v\n");
}

TEST(IniFile, CrLfFileStaysCrLf) {
    test::TempDir dir;
    Put(dir, "Dyskel.ini", "[OPTIONS]\r\nHints=1\r\n");
    IniFile ini(dir.File("Dyskel.ini"));
    ASSERT_TRUE(ini.Write("OPTIONS", "Hints", "0"));
    EXPECT_EQ(Text(dir, "Dyskel.ini"), "[OPTIONS]\r\nHints=0\r\n");
}

TEST(IniFile, LineBreaksInAValueCannotSplitTheLine) {
    test::TempDir dir;
    IniFile ini(dir.File("Dyskel.ini"));
    ASSERT_TRUE(ini.Write("OPTIONS", "Path", "/a\nHints=0\r"));
    EXPECT_EQ(Text(dir, "Dyskel.ini"), "[OPTIONS]\nPath=/aHints=0\n");
}

TEST(IniFile, RefusedWriteReportsFailureAndLeavesNoFile) {
    test::TempDir dir;
    Put(dir, "plain-file", "x");
    // A path through a file can never be written, not even by root.
    IniFile ini(dir.File("plain-file") + "/Dyskel.ini");
    EXPECT_FALSE(ini.Write("OPTIONS", "Hints", "1"));
    EXPECT_EQ(Text(dir, "plain-file"), "x");
}

TEST(IniFile, WriteCreatesTheMissingFolder) {
    test::TempDir dir;
    IniFile ini(dir.File("config/sub") + "/Dyskel.ini");
    ASSERT_TRUE(ini.Write("OPTIONS", "Hints", "1"));
    EXPECT_EQ(ini.Read("OPTIONS", "Hints"), "1");
}

TEST(IniFile, WriteThroughASymbolicLinkKeepsTheLink) {
    test::TempDir dir;
    Put(dir, "real.ini", "[OPTIONS]\nHints=1\n");
    std::filesystem::create_symlink(dir.File("real.ini"), dir.File("Dyskel.ini"));
    IniFile ini(dir.File("Dyskel.ini"));
    ASSERT_TRUE(ini.Write("OPTIONS", "Hints", "0"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("Dyskel.ini")));
    EXPECT_EQ(Text(dir, "real.ini"), "[OPTIONS]\nHints=0\n");
}

struct NumberCase {
    const char* text;
    long long value; // -999 stands for "the default"
};

class IniNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(IniNumber, ReadsDecimalAndHexForms) {
    test::TempDir dir;
    Put(dir, "Dyskel.ini", std::string("[OPTIONS]\nN=") + GetParam().text + "\n");
    IniFile ini(dir.File("Dyskel.ini"));
    EXPECT_EQ(IniReadNumber(ini, "OPTIONS", "N", -999), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Forms, IniNumber,
                         ::testing::Values(NumberCase{"2", 2}, NumberCase{"0x2", 2}, NumberCase{"0X1f", 31},
                                           NumberCase{"$2", 2}, NumberCase{"$FF", 255}, NumberCase{"-1", -1},
                                           NumberCase{"+7", 7}, NumberCase{"007", 7}, NumberCase{"", -999},
                                           NumberCase{"abc", -999}, NumberCase{"12abc", -999},
                                           NumberCase{"0x", -999}, NumberCase{"$", -999},
                                           NumberCase{"1.5", -999}, NumberCase{"0xZZ", -999},
                                           NumberCase{"99999999999999999999", -999}));

TEST(IniText, MissingKeyGivesTheDefaultAndLongValuesAreCut) {
    test::TempDir dir;
    IniFile ini(dir.File("Dyskel.ini"));
    EXPECT_EQ(IniReadText(ini, "OPTIONS", "Default6502Mode", "A"), "A");
    ASSERT_TRUE(ini.Write("OPTIONS", "Path", std::string(1500, 'x')));
    EXPECT_EQ(IniReadText(ini, "OPTIONS", "Path", ""), std::string(1023, 'x'));
}

class EnvVar {
  public:
    explicit EnvVar(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
    }
    ~EnvVar() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(IniLocation, ConfigFolderOfTheUser) {
    EnvVar xdg("XDG_CONFIG_HOME"), home("HOME");
    setenv("HOME", "/home/c64", 1);
    setenv("XDG_CONFIG_HOME", "/srv/cfg", 1);
    EXPECT_EQ(DefaultIniPath(), "/srv/cfg/Dyskel.ini");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultIniPath(), "/home/c64/.config/Dyskel.ini");
    // A relative setting is not a valid configuration folder.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(DefaultIniPath(), "/home/c64/.config/Dyskel.ini");
}

} // namespace
} // namespace dyskel
