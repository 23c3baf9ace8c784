// Import of host files whose names have characters without a C64 byte: one
// dialog with every proposed name, editable, before writing; and the folder
// the Import file dialog starts in.
#include "EditorHarness.h"
#include "platform/IniFile.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace dyskel::test {
namespace {

// café.prg and plain.prg picked together; what is typed over the first
// name (nullptr: nothing; each typed name is followed by OK).
struct NamesCase {
    const char* label;
    std::vector<const char*> typed; // over row 0, each followed by OK
    bool cancel;
    const char* entries; // the names listed afterwards, joined by "|"
    const char* error;   // the dialog's note after the first OK ("" none)
};
const NamesCase NamesCases[] = {
    {"ProposedTaken", {}, false, "HELLO|CAFE|PLAIN", ""},
    {"Edited", {"coffee"}, false, "HELLO|COFFEE|PLAIN", ""},
    {"RefusedThenEdited",
     {"caf\xE2\x82\xAC", "cafe 2"},
     false,
     "HELLO|CAFE 2|PLAIN",
     "The name of caf\xC3\xA9.prg holds a character the C64 cannot show."},
    {"TooLong",
     {"seventeen letters", "x"},
     false,
     "HELLO|X|PLAIN",
     "The name of caf\xC3\xA9.prg is longer than 16 characters."},
    {"Empty", {"", "y"}, false, "HELLO|Y|PLAIN", "Give caf\xC3\xA9.prg a name."},
    {"Cancelled", {}, true, "HELLO", ""},
};

class ImportNames : public EditorTest, public ::testing::WithParamInterface<NamesCase> {};

QStringList Names(QTableWidget* grid) {
    QStringList names;
    for (int r = 0; r + 1 < grid->rowCount(); ++r)
        names << grid->item(r, 2)->text().remove('"').remove(QChar(0xA0)).trimmed();
    return names;
}

TEST_P(ImportNames, OneDialogBeforeWriting) {
    const NamesCase& c = GetParam();
    dir.Write("caf\xC3\xA9.prg", {1, 8, 1});
    dir.Write("plain.prg", {1, 8, 2});
    D64Builder disk;
    disk.AddPrg("HELLO", 0x0801, {0x60});
    UseImage(disk);
    dialogs.fileLists = {
        {QString::fromStdString(dir.File("caf\xC3\xA9.prg")), QString::fromStdString(dir.File("plain.prg"))}};
    QStringList shown;
    dialogs.dialogs.push_back([&](QDialog& d) {
        auto* grid = d.findChild<QTableWidget*>("GridImportNames");
        for (int r = 0; r < grid->rowCount(); ++r)
            shown << grid->item(r, 0)->text() + "|" + grid->item(r, 1)->text();
        if (c.cancel) return int(QDialog::Rejected);
        for (std::size_t i = 0; i < c.typed.size(); ++i) {
            grid->item(0, 1)->setText(QString::fromUtf8(c.typed[i]));
            QTest::mouseClick(d.findChild<QPushButton*>("BtnImportNamesOk"), Qt::LeftButton);
            if (i == 0) {
                EXPECT_EQ(d.findChild<QLabel*>("LblImportNamesError")->text(), QString::fromUtf8(c.error));
            }
        }
        if (c.typed.empty()) QTest::mouseClick(d.findChild<QPushButton*>("BtnImportNamesOk"), Qt::LeftButton);
        return d.result();
    });
    Open([&] {
        Find<QAction>("PMnuDirImport")->trigger();
        EXPECT_EQ(Names(Grid()).join('|'), c.entries);
    });
    EXPECT_EQ(shown, (QStringList{QString::fromUtf8("caf\xC3\xA9.prg|CAFE"), "plain.prg|PLAIN"}));
}

INSTANTIATE_TEST_SUITE_P(Typed, ImportNames, ::testing::ValuesIn(NamesCases),
                         [](const auto& info) { return std::string(info.param.label); });

// What the settings file keeps before the first Import; the folder that
// Import opens in, then the one the second Import opens in (after files
// with plain names were taken from "files").
struct FolderCase {
    const char* label;
    const char* kept; // "" none; a folder under the test's folder
    const char* first;
};
const FolderCase FolderCases[] = {
    {"NoneKeptTheImagesFolder", "", ""},
    {"KeptFolder", "kept", "kept"},
    {"KeptFolderGone", "gone", ""},
};

class ImportFolder : public EditorTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(ImportFolder, StartsWhereTheLastImportWasTakenFrom) {
    const FolderCase& c = GetParam();
    std::filesystem::create_directories(dir.File("kept"));
    std::filesystem::create_directories(dir.File("files"));
    dir.Write("files/one.prg", {1, 8, 1});
    dir.Write("files/two.prg", {1, 8, 2});
    IniFile ini(dir.File("Dyskel.ini"));
    if (*c.kept) {
        const std::string text = "[Recent]\nImportFolder=" + dir.File(c.kept) + "\n";
        dir.Write("Dyskel.ini", {text.begin(), text.end()});
    }
    services.ini = &ini;
    UseImage(D64Builder());
    dialogs.fileLists = {{QString::fromStdString(dir.File("files/one.prg"))},
                         {QString::fromStdString(dir.File("files/two.prg"))}};
    Open([&] {
        Find<QAction>("PMnuDirImport")->trigger();
        Find<QAction>("PMnuDirImport")->trigger();
        EXPECT_EQ(Names(Grid()), (QStringList{"ONE", "TWO"}));
    });
    const std::string first = *c.first ? dir.File(c.first) : dir.Path();
    EXPECT_EQ(dialogs.openFolders,
              (QStringList{QString::fromStdString(first), QString::fromStdString(dir.File("files"))}));
    // Plain names ask nothing.
    EXPECT_TRUE(dialogs.dialogTitles.isEmpty());
    // Not among the options.
    EXPECT_EQ(ini.Read("OPTIONS", "ImportFolder"), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Kept, ImportFolder, ::testing::ValuesIn(FolderCases),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace dyskel::test
