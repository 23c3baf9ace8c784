#include "browser/Options.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <QAction>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace dyskel {
namespace {

class SettingsTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    IniFile ini{dir.File("Dyskel.ini")};
    QWidget owner;
    TOptions options{&owner};

    void FileHolds(const std::string& text) {
        dir.Write("Dyskel.ini", std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    std::string FileText() {
        auto bytes = dir.Read("Dyskel.ini");
        return {bytes.begin(), bytes.end()};
    }
    QAction* Item(const char* name) { return owner.findChild<QAction*>(QString::fromLatin1(name)); }
};

// The check marks after a start without a settings file.
constexpr std::pair<const char*, bool> FirstStartMarks[] = {
    {"MnuBackupFiles", false},    {"MnuImgDetails", true},
    {"MnuSortFbyName", true},     {"MnuSortFbyUnSort", false},
    {"Mnu6502DmodeASM", true},    {"Mnu6502DmodeTXT", false},
    {"Mnu6502DmodeBAS", false},   {"Mnu6502change", false},
    {"MnuC64Symbols", false},     {"MnuIllegalOps", false},
    {"MnuEdHex", false},          {"MnuEdDir", true},
    {"MnuEdBAM", false},          {"MnuEd6502", false},
    {"MnuEditorEditMode", false}, {"MnuIgnoreDeletedFiles", true},
    {"MnuJump2HexTS", true},      {"MnuPromptExport", false},
    {"MnuPromptSave", false},     {"MnuHints", true},
    {"MnuRemStrPath", false},     {"MnuPreview", false},
};

// The menu shows the settings file's defaults before and after a start
// without the file: one default per option.
TEST_F(SettingsTest, FirstStartGivesTheDefaults) {
    for (bool loaded : {false, true}) {
        if (loaded) EXPECT_EQ(options.Load(ini), "");
        for (auto [name, checked] : FirstStartMarks) {
            ASSERT_NE(Item(name), nullptr) << name;
            EXPECT_EQ(Item(name)->isChecked(), checked) << name << (loaded ? " loaded" : " before loading");
        }
    }
}

TEST_F(SettingsTest, FirstSaveWritesEveryKeyInOrder) {
    options.Load(ini);
    ASSERT_TRUE(options.Save(ini, "/home/c64/disks"));
    EXPECT_EQ(FileText(), "[OPTIONS]\n"
                          "BackupFiles=0\n"
                          "DftEditorPage=1\n"
                          "Default6502Mode=A\n"
                          "6502Change=0\n"
                          "C64Symbols=0\n"
                          "IllegalOpcodes=0\n"
                          "EditorEditMode=0\n"
                          "Hints=1\n"
                          "IgnoreDeletedFiles=1\n"
                          "ImageDetails=1\n"
                          "JumpTS=1\n"
                          "Preview=0\n"
                          "PromptOnExport=0\n"
                          "PromptSave=0\n"
                          "SortFilesBy=1\n"
                          "StrPath=0\n"
                          "Path=/home/c64/disks\n");
}

TEST_F(SettingsTest, EveryOtherValueRoundTrips) {
    FileHolds(
        "[OPTIONS]\nBackupFiles=1\nDftEditorPage=3\nDefault6502Mode=B\n6502Change=1\nC64Symbols=1\n"
        "IllegalOpcodes=1\nEditorEditMode=1\n"
        "Hints=0\nIgnoreDeletedFiles=0\nImageDetails=0\nJumpTS=0\nPreview=1\nPromptOnExport=1\nPromptSave=1\n"
        "SortFilesBy=0\nStrPath=1\nPath=/d\n");
    EXPECT_EQ(options.Load(ini), "/d");
    std::string before = FileText();
    ASSERT_TRUE(options.Save(ini, "/d"));
    EXPECT_EQ(FileText(), before);
}

struct LoadCase {
    const char* file;    // the OPTIONS lines
    const char* checked; // the item checked after loading
    const char* unchecked;
};

class SettingsLoad : public SettingsTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(SettingsLoad, SetsTheMenu) {
    FileHolds(std::string("[OPTIONS]\n") + GetParam().file);
    options.Load(ini);
    EXPECT_TRUE(Item(GetParam().checked)->isChecked()) << GetParam().file;
    EXPECT_FALSE(Item(GetParam().unchecked)->isChecked()) << GetParam().file;
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsLoad,
    ::testing::Values(LoadCase{"DftEditorPage=0x2\n", "MnuEdBAM", "MnuEdDir"},
                      LoadCase{"DftEditorPage=$2\n", "MnuEdBAM", "MnuEdDir"},
                      LoadCase{"DftEditorPage=0\n", "MnuEdHex", "MnuEdDir"},
                      LoadCase{"DftEditorPage=7\n", "MnuEdDir", "MnuEd6502"},
                      LoadCase{"DftEditorPage=-1\n", "MnuEdDir", "MnuEdHex"},
                      LoadCase{"DftEditorPage=page\n", "MnuEdDir", "MnuEdBAM"},
                      LoadCase{"Default6502Mode=Text\n", "Mnu6502DmodeTXT", "Mnu6502DmodeASM"},
                      LoadCase{"Default6502Mode=text\n", "Mnu6502DmodeASM", "Mnu6502DmodeTXT"},
                      LoadCase{"Default6502Mode=\n", "Mnu6502DmodeASM", "Mnu6502DmodeTXT"},
                      LoadCase{"Default6502Mode=B\n", "Mnu6502DmodeBAS", "Mnu6502DmodeASM"},
                      LoadCase{"Default6502Mode=BASIC\n", "Mnu6502DmodeBAS", "Mnu6502DmodeTXT"},
                      LoadCase{"C64Symbols=1\n", "MnuC64Symbols", "MnuIllegalOps"},
                      LoadCase{"IllegalOpcodes=1\n", "MnuIllegalOps", "MnuC64Symbols"},
                      LoadCase{"SortFilesBy=0\n", "MnuSortFbyUnSort", "MnuSortFbyName"},
                      LoadCase{"SortFilesBy=2\n", "MnuSortFbyName", "MnuSortFbyUnSort"},
                      LoadCase{"BackupFiles=0x1\n", "MnuBackupFiles", "MnuPromptSave"},
                      LoadCase{"BackupFiles=5\n", "MnuBackupFiles", "MnuPromptSave"},
                      LoadCase{"Hints=$0\n", "MnuImgDetails", "MnuHints"},
                      LoadCase{"Hints=yes\n", "MnuHints", "MnuBackupFiles"}));

TEST_F(SettingsTest, HintsOffInTheFileLeavesTheMenuHint) {
    FileHolds("[OPTIONS]\nHints=0\n");
    options.Load(ini);
    EXPECT_FALSE(options.Item("MnuHints")->isChecked());
    EXPECT_EQ(options.Item("MnuIgnoreDeletedFiles")->toolTip().toStdString(),
              "Ignore deleted files when shoing the directory (Editor).");
}

TEST_F(SettingsTest, RememberedFolderOnlyWithRememberPath) {
    FileHolds("[OPTIONS]\nStrPath=0\nPath=/home/c64\n");
    EXPECT_EQ(options.Load(ini), "");
    FileHolds("[OPTIONS]\nStrPath=1\nPath=/home/c64\n");
    EXPECT_EQ(options.Load(ini), "/home/c64");
    EXPECT_TRUE(options.Item("MnuRemStrPath")->isChecked());
    FileHolds("[OPTIONS]\nStrPath=1\nPath=/" + std::string(1500, 'p') + "\n");
    EXPECT_EQ(options.Load(ini).size(), 1023u);
}

TEST_F(SettingsTest, NoDefaultPageCheckedKeepsTheStoredPage) {
    FileHolds("[OPTIONS]\nDftEditorPage=2\n");
    options.Load(ini);
    options.Item("MnuEdBAM")->trigger(); // clicking the checked item unchecks it
    ASSERT_EQ(options.data.editorPage, -1);
    ASSERT_TRUE(options.Save(ini, "/"));
    EXPECT_EQ(ini.Read("OPTIONS", "DftEditorPage"), "2");
    EXPECT_EQ(ini.Read("OPTIONS", "Default6502Mode"), "A");
}

TEST_F(SettingsTest, EditModeSwitchedOffIsSaved) {
    FileHolds("[OPTIONS]\nEditorEditMode=1\n");
    options.Load(ini);
    ASSERT_TRUE(options.Item("MnuEditorEditMode")->isChecked());
    options.Item("MnuEditorEditMode")->setChecked(false); // what the editor's Display choice does
    ASSERT_TRUE(options.Save(ini, "/"));
    EXPECT_EQ(ini.Read("OPTIONS", "EditorEditMode"), "0");
}

// Accepts a number of writes, then refuses every one.
class FullIni : public IIniFile {
  public:
    explicit FullIni(int accepted) : accepted_(accepted) {}
    std::vector<std::string> written;
    std::optional<std::string> Read(const std::string&, const std::string&) const override { return {}; }
    bool Write(const std::string&, const std::string& key, const std::string&) override {
        if (accepted_-- <= 0) return false;
        written.push_back(key);
        return true;
    }
    std::string Path() const override { return "/full/Dyskel.ini"; }

  private:
    int accepted_;
};

TEST_F(SettingsTest, ARefusedWriteStopsTheSave) {
    FullIni full(3);
    EXPECT_FALSE(options.Save(full, "/"));
    EXPECT_EQ(full.written, (std::vector<std::string>{"BackupFiles", "DftEditorPage", "Default6502Mode"}));
    EXPECT_EQ(UnableToWriteText(full.Path()), "Unable to write to /full/Dyskel.ini");
}

} // namespace
} // namespace dyskel
