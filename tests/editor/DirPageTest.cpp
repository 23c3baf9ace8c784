// The Directory page driven as the user drives it: clicks on grid rows, the
// pop-up menu, keys typed into the name cell, the files written beside the
// image.
#include "DirPageFixture.h"
#include "editor/UexportPRG.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>

namespace dyskel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Padded(const std::string& quotedName, int pad) {
    return quotedName + std::string(pad, '\xA0');
}

class DirPageTest : public PagesTest {
  protected:
    // Rows: 0 HELLO (PRG at 17/0), 1 LOCKED (locked PRG), 2 LOG (SEQ),
    // 3 USERF (USR), 4 RELF (REL), 5 GONE (DEL), 6 the free-blocks row.
    void MakeDisk() {
        disk.AddFile("HELLO", 0x82, {0x01, 0x08, 0x01, 0x02, 0x03}, {{17, 0}});
        disk.AddFile("LOCKED", 0xC2, {0x00, 0xC0, 0x60}, {{17, 1}});
        disk.AddFile("LOG", 0x81, {'A', 'B'}, {{17, 2}});
        disk.AddFile("USERF", 0x83, {1}, {{17, 3}});
        disk.AddFile("RELF", 0x84, {1}, {{17, 4}});
        disk.AddDirEntry(0x80, {1, 5}, "GONE", 0);
    }
    void SetUp() override {
        PagesTest::SetUp();
        MakeDisk();
    }

    QLineEdit* Editor() const { return Grid()->findChild<QLineEdit*>(QStringLiteral("StrGridDirEditor")); }

    // Rename row: choose Re&name, replace the cell's text by typing, Enter.
    void Rename(int row, const QString& typed) {
        Press(row, 2, Qt::LeftButton);
        Action("PMnuDirRename")->trigger();
        QLineEdit* editor = Editor();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed editor
    }

    Bytes OnDisk() const { return dir.Read(ImageName); }
    // Name bytes of directory entry n of block 18/1 in an image.
    static std::string EntryName(const Bytes& img, int n) {
        const std::size_t at = 91648 + 32 * std::size_t(n) + 5; // track 18 sector 1 is block 358
        return std::string(img.begin() + std::ptrdiff_t(at), img.begin() + std::ptrdiff_t(at + 16));
    }
};

TEST_F(DirPageTest, ListsEveryEntryAndTheFreeBlocksRow) {
    Open(658);
    ASSERT_EQ(Grid()->rowCount(), 7);
    ASSERT_EQ(Grid()->columnCount(), 5);
    const char* headers[] = {" #", " SIZE", "    FILENAME", "TYPE", " TT,SS"};
    const int widths[] = {32, 50, 166, 40, 60};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(Grid()->horizontalHeaderItem(c)->text(), QString::fromLatin1(headers[c]));
        EXPECT_EQ(Grid()->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(Cell(0, 0), "  1");
    EXPECT_EQ(Cell(0, 1), "    1");
    EXPECT_EQ(Cell(0, 2), Padded("\"HELLO\"", 10));
    EXPECT_EQ(Cell(0, 3), " PRG");
    EXPECT_EQ(Cell(0, 4), " 17,00");
    EXPECT_EQ(Cell(1, 3), ">PRG");
    EXPECT_EQ(Cell(2, 3), " SEQ");
    EXPECT_EQ(Cell(5, 3), " DEL");
    EXPECT_EQ(Cell(5, 4), " 01,05");
    EXPECT_EQ(Cell(6, 1), "  658");
    EXPECT_EQ(Cell(6, 2), "BLOCKS FREE");
    EXPECT_EQ(Cell(6, 3), "");
    EXPECT_EQ(Label("PanelDirHeaderID")->text(), QStringLiteral("TEST DISK"));
    EXPECT_EQ(Grid()->verticalHeader()->defaultSectionSize(), 12);
    EXPECT_FALSE(Grid()->showGrid());
}

TEST_F(DirPageTest, FreshDiskShowsOnlyTheFreeBlocksRow) {
    disk = D64Builder("EMPTY", "02");
    Open();
    ASSERT_EQ(Grid()->rowCount(), 1);
    EXPECT_EQ(Cell(0, 1), "  664");
    EXPECT_EQ(Cell(0, 2), "BLOCKS FREE");
    EXPECT_EQ(MenuFor(0), (std::vector<std::string>{"PMnuDirLabel", "PMnuDirClrImg", "PMnuDirImport",
                                                    "PMnuDirValidate", "PMnuDirUndo"}));
}

struct MenuCase {
    int row;
    std::vector<std::string> visible;
};
class DirMenuTest : public DirPageTest, public ::testing::WithParamInterface<MenuCase> {};

const std::vector<std::string> PrgMenu = {
    "PMnuDirFileName",  "PMnuDirRename",  "PMnuDirPetscii", "PMnuDirLabel",       "PMnuDirDelete",
    "PMnuDirExportPRG", "PMnuDirHexDump", "PMnuDir6502",    "PMnuDirFtypeAction", "PMnuDirWPAction",
    "PMnuDirFsize",     "PMnuDirClrImg",  "PMnuDirImport",  "PMnuDirValidate",    "PMnuDirUndo"};
const std::vector<std::string> DataMenu = {
    "PMnuDirFileName", "PMnuDirRename",      "PMnuDirPetscii",  "PMnuDirLabel", "PMnuDirDelete",
    "PMnuDirHexDump",  "PMnuDirFtypeAction", "PMnuDirWPAction", "PMnuDirFsize", "PMnuDirClrImg",
    "PMnuDirImport",   "PMnuDirValidate",    "PMnuDirUndo"};
const std::vector<std::string> DelMenu = {"PMnuDirRename",   "PMnuDirPetscii",     "PMnuDirLabel",
                                          "PMnuDirDelete",   "PMnuDirFtypeAction", "PMnuDirWPAction",
                                          "PMnuDirFsize",    "PMnuDirClrImg",      "PMnuDirImport",
                                          "PMnuDirValidate", "PMnuDirUndo"};

TEST_P(DirMenuTest, ShowsTheItemsOfTheRow) {
    Open();
    EXPECT_EQ(MenuFor(GetParam().row), GetParam().visible);
}
INSTANTIATE_TEST_SUITE_P(Rows, DirMenuTest,
                         ::testing::Values(MenuCase{0, PrgMenu}, MenuCase{1, PrgMenu}, MenuCase{2, DataMenu},
                                           MenuCase{3, DataMenu}, MenuCase{4, DataMenu}, MenuCase{5, DelMenu},
                                           MenuCase{6,
                                                    {"PMnuDirLabel", "PMnuDirClrImg", "PMnuDirImport",
                                                     "PMnuDirValidate", "PMnuDirUndo"}}));

struct MarkCase {
    int row;
    const char* type; // objectName of the checked type item, "" for none
    bool locked;
};
class DirMarksTest : public DirPageTest, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(DirMarksTest, RadioItemsShowTheEntry) {
    Open();
    MenuFor(GetParam().row);
    for (QAction* a : Menu("PMnuDirFtype")->actions())
        EXPECT_EQ(a->isChecked(), a->objectName() == QLatin1String(GetParam().type))
            << a->objectName().toStdString();
    EXPECT_EQ(Action("PMnuDirWPyes")->isChecked(), GetParam().locked);
    EXPECT_EQ(Action("PMnuDirWPno")->isChecked(), !GetParam().locked);
}
INSTANTIATE_TEST_SUITE_P(Rows, DirMarksTest,
                         ::testing::Values(MarkCase{0, "PMnuDirPRG", false}, MarkCase{1, "PMnuDirPRG", true},
                                           MarkCase{2, "PMnuDirSEQ", false}, MarkCase{3, "PMnuDirUSR", false},
                                           MarkCase{4, "PMnuDirREL", false}, MarkCase{5, "", false}));

TEST_F(DirPageTest, RightClickSelectsTheRowUnderTheMouse) {
    Open();
    MenuFor(1); // LOCKED
    Press(2, 1, Qt::RightButton);
    EXPECT_EQ(Grid()->currentRow(), 2);
    EXPECT_FALSE(Action("PMnuDirFileName")->text().startsWith(QStringLiteral("Jump To: \"LOCKED\"")));
    EXPECT_FALSE(Action("PMnuDirWPyes")->isChecked());
}

TEST_F(DirPageTest, MenuOpenedFromTheKeyboardShowsTheSelectedRow) {
    Open();
    MenuFor(1); // LOCKED, prepared by a mouse press
    Grid()->setFocus();
    QTest::keyClick(Grid(), Qt::Key_Up); // a row moved to with the keyboard
    ASSERT_EQ(Grid()->currentRow(), 0);
    emit Menu("PopupMenuDir")->aboutToShow();
    EXPECT_FALSE(Action("PMnuDirFileName")->text().contains(QStringLiteral("LOCKED")));
    EXPECT_FALSE(Action("PMnuDirWPyes")->isChecked());
}

TEST_F(DirPageTest, JumpToGoesToTheFirstBlock) {
    Open();
    MenuFor(0);
    Action("PMnuDirFileName")->trigger();
    ASSERT_EQ(host.jumps.size(), 1u);
    EXPECT_EQ(host.jumps[0], (FakeHost::Jump{17, 0}));
}

// --- Rename ---------------------------------------------------------------

TEST_F(DirPageTest, RenameTypesCapitalsAndAddsBothQuotes) {
    Open();
    const Bytes before = OnDisk();
    Rename(0, QStringLiteral("new name"));
    EXPECT_EQ(Cell(0, 2), "\"NEW NAME\"" + std::string(7, '\xA0')); // read back from the disk
    EXPECT_EQ(Grid()->currentColumn(), 1);
    EXPECT_EQ(Editor(), nullptr);
    // Only the 16 name bytes of entry 0 changed on disk.
    Bytes expected = before;
    const std::string name = "NEW NAME" + std::string(8, '\xA0');
    std::copy(name.begin(), name.end(), expected.begin() + 91648 + 5);
    EXPECT_EQ(OnDisk(), expected);
    EXPECT_FALSE(dir.Exists("TEST.BAK"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(DirPageTest, LowerCaseTypedInTheNameCellArrivesAsCapitals) {
    Open();
    Press(2, 2, Qt::LeftButton);
    Action("PMnuDirRename")->trigger();
    QLineEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    editor->clear();
    QTest::keyClicks(editor, QStringLiteral("abc-xyz1"));
    EXPECT_EQ(editor->text(), QStringLiteral("ABC-XYZ1"));
}

TEST_F(DirPageTest, TheNameEditorTakesSixteenCharacters) {
    Open();
    Rename(0, QStringLiteral("ABCDEFGHIJKLMNOPQRS"));
    EXPECT_EQ(Cell(0, 2), "\"ABCDEFGHIJKLMNOP\"");
    EXPECT_EQ(EntryName(OnDisk(), 0), "ABCDEFGHIJKLMNOP");
}

TEST_F(DirPageTest, TheNameEditorOpensWithTheNameAloneAndRefusesForeignCharacters) {
    Open();
    Press(2, 2, Qt::LeftButton);
    Action("PMnuDirRename")->trigger();
    QLineEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("LOG"));
    editor->end(false);
    // e acute has no C64 character.
    QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_Eacute, QStringLiteral("\u00E9"), Qt::NoModifier);
    QTest::keyClicks(editor, QStringLiteral("X"));
    EXPECT_EQ(editor->text(), QStringLiteral("LOGX"));
    EXPECT_EQ(Label("LblDirStatus")->text(), QStringLiteral("\"\u00E9\" has no C64 character."));
    // A click elsewhere ends the rename: the cell shows the name on the disk.
    Press(4, 1, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(Cell(2, 2), Padded("\"LOG\"", 12));
}

TEST_F(DirPageTest, DoubleClickOnAListedEntryJumpsToIt) {
    Open();
    for (int row : {2, 5, 6}) { // LOG at 17/2, GONE (DEL), the free-blocks row
        const QRect r = Grid()->visualRect(Grid()->model()->index(row, 1));
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, {}, r.center());
    }
    EXPECT_EQ(host.jumps, (std::vector<FakeHost::Jump>{{17, 2}}));
}

TEST_F(DirPageTest, ShiftF10OpensThePopUpForTheCurrentRow) {
    Open();
    Press(1, 1, Qt::LeftButton);
    QTest::keyClick(Grid(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(Menu("PopupMenuDir")->isVisible());
    EXPECT_EQ(Action("PMnuDirFileName")->text(),
              QStringLiteral("Jump To: ") + PetsciiToQString(Padded("\"LOCKED\"", 9)));
    Menu("PopupMenuDir")->close();
}

TEST_F(DirPageTest, RenameAfterAnExportChangesOnlyTheNameBytes) {
    Open();
    MenuFor(1);
    Action("PMnuDirExportPRG")->trigger(); // walks 17/1
    const Bytes before = OnDisk();
    Rename(2, QStringLiteral("LOGBOOK"));
    Bytes expected = before;
    const std::string name = "LOGBOOK" + std::string(9, '\xA0');
    std::copy(name.begin(), name.end(), expected.begin() + 91648 + 64 + 5);
    EXPECT_EQ(OnDisk(), expected);
}

TEST_F(DirPageTest, RenameInDisplayModeAsksAndStopsOnNo) {
    Open();
    host.editMode = false;
    host.switchToEdit = false;
    Press(0, 2, Qt::LeftButton);
    Action("PMnuDirRename")->trigger();
    EXPECT_EQ(host.prompts, 1);
    EXPECT_EQ(Editor(), nullptr);
}

TEST_F(DirPageTest, AnswerNoLeavesImageAndBackupUntouched) {
    Open();
    options.Item("MnuPromptSave")->setChecked(true);
    options.Item("MnuBackupFiles")->setChecked(true);
    dir.Write("TEST.BAK", {1, 2, 3});
    const Bytes before = OnDisk();
    dialogs.answers = {MsgResult::No};
    Rename(0, QStringLiteral("OTHER"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Update file \"TEST.D64\"?"));
    EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::YesNoAll);
    EXPECT_EQ(OnDisk(), before);
    EXPECT_EQ(dir.Read("TEST.BAK"), (Bytes{1, 2, 3}));
    EXPECT_TRUE(options.data.promptSave);
    EXPECT_EQ(Cell(0, 2), "\"HELLO\"" + std::string(10, '\xA0')); // the name on the disk again
}

TEST_F(DirPageTest, AnswerAllUpdatesAndStopsAsking) {
    Open();
    options.Item("MnuPromptSave")->setChecked(true);
    dialogs.answers = {MsgResult::All};
    Rename(0, QStringLiteral("ONE"));
    EXPECT_FALSE(options.data.promptSave);
    EXPECT_EQ(EntryName(OnDisk(), 0), "ONE" + std::string(13, '\xA0'));
    Rename(1, QStringLiteral("TWO"));
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(EntryName(OnDisk(), 1), "TWO" + std::string(13, '\xA0'));
}

TEST_F(DirPageTest, BackupKeepsThePreviousImage) {
    Open();
    options.Item("MnuBackupFiles")->setChecked(true);
    const Bytes before = OnDisk();
    Rename(0, QStringLiteral("NEW"));
    EXPECT_EQ(dir.Read("TEST.BAK"), before);
    EXPECT_EQ(OnDisk().size(), before.size());
    EXPECT_NE(OnDisk(), before);
}

TEST_F(DirPageTest, RenameOfAMissingImageSaysSo) {
    Open();
    std::filesystem::remove(dir.File(ImageName));
    Rename(0, QStringLiteral("NEW"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MsgKind::Error);
    EXPECT_FALSE(dir.Exists(ImageName));
}

// --- Commands that destroy ask first, "No" the default ----------------------

struct DestroyCase {
    const char* name;
    const char* action; // the menu item chosen
    const char* line;   // what the question says will change
};
class DestroyTest : public DirPageTest, public ::testing::WithParamInterface<DestroyCase> {};

TEST_P(DestroyTest, AsksOnceWhateverThePromptOptionAndWritesOnlyOnYes) {
    Open();
    const Bytes before = OnDisk();
    for (MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
        options.Item("MnuPromptSave")->setChecked(answer == MsgResult::Yes);
        dialogs.answers = {answer};
        MenuFor(0);
        Action(GetParam().action)->trigger();
        EXPECT_EQ(OnDisk() == before, answer == MsgResult::No);
    }
    ASSERT_EQ(dialogs.shown.size(), 2u);
    for (const auto& box : dialogs.shown) {
        EXPECT_EQ(box.buttons, MsgButtons::YesNoDefaultNo);
        EXPECT_EQ(box.text,
                  QStringLiteral("Update file \"TEST.D64\"?\n\r") + QString::fromLatin1(GetParam().line));
    }
    EXPECT_TRUE(options.data.promptSave);
}
INSTANTIATE_TEST_SUITE_P(
    Commands, DestroyTest,
    ::testing::Values(DestroyCase{"Delete", "PMnuDirDelete", "Delete \"HELLO\" (1 block)"},
                      DestroyCase{
                          "Clear", "PMnuDirClrImg",
                          "Clear the entire image: the directory is emptied and every block is marked free"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- PRG export -------------------------------------------------------------

TEST_F(DirPageTest, ExportWithoutThePromptWritesSilently) {
    Open();
    MenuFor(0);
    Action("PMnuDirExportPRG")->trigger();
    EXPECT_EQ(dir.Read("HELLO.PRG"), (Bytes{0x01, 0x08, 0x01, 0x02, 0x03}));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(dialogs.dialogTitles.isEmpty());
}

TEST_F(DirPageTest, ExportWithTheDialogUsesTheTypedName) {
    options.Item("MnuPromptExport")->setChecked(true);
    Open();
    QString offered;
    bool focused = false;
    dialogs.dialogs.push_back([&](QDialog& d) {
        auto* box = d.findChild<QLineEdit*>(QStringLiteral("EditFileName"));
        offered = box->text();
        d.show();
        QApplication::setActiveWindow(&d);
        focused = QApplication::focusWidget() == box || box->hasFocus() || d.focusWidget() == box;
        d.hide();
        box->setText(QStringLiteral("MyGame"));
        return int(QDialog::Accepted);
    });
    MenuFor(1);
    Action("PMnuDirExportPRG")->trigger();
    EXPECT_EQ(offered, QStringLiteral("LOCKED"));
    EXPECT_TRUE(focused);
    EXPECT_EQ(dialogs.dialogTitles, QStringList{QStringLiteral("Export to PRG-file")});
    EXPECT_EQ(dir.Read("MyGame.PRG"), (Bytes{0x00, 0xC0, 0x60}));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MsgKind::Information);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("File \"MyGame.PRG\" (1 Blocks) saved in:\n\r") +
                                         QString::fromStdString(dir.Path()));
}

TEST_F(DirPageTest, ExportDialogShowsTheFolderWrittenTo) {
    options.Item("MnuPromptExport")->setChecked(true);
    TExportFileName dialog(QStringLiteral("/the/start/folder"));
    services.exportDialog = &dialog;
    Open();
    QString shownFolder;
    dialogs.dialogs.push_back([&](QDialog& d) {
        shownFolder = d.findChild<QLabel*>(QStringLiteral("PanelDir"))->text();
        return int(QDialog::Accepted);
    });
    MenuFor(0);
    Action("PMnuDirExportPRG")->trigger();
    EXPECT_EQ(shownFolder, QString::fromStdString(dir.Path()));
    EXPECT_TRUE(dir.Exists("HELLO.PRG"));
}

TEST_F(DirPageTest, CancelledExportWritesNothing) {
    options.Item("MnuPromptExport")->setChecked(true);
    Open();
    dialogs.dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    MenuFor(0);
    Action("PMnuDirExportPRG")->trigger();
    EXPECT_FALSE(dir.Exists("HELLO.PRG"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("File Export was cancelled."));
}

TEST_F(DirPageTest, ExportOfALoopingChainFailsAloud) {
    // A two-block chain whose second block links back to the first.
    std::uint8_t* a = disk.Block(20, 0);
    std::uint8_t* b = disk.Block(20, 1);
    a[0] = 20, a[1] = 1, b[0] = 20, b[1] = 0;
    disk.AddDirEntry(0x82, {20, 0}, "LOOP", 2);
    Open();
    MenuFor(6); // LOOP is the seventh entry
    Action("PMnuDirExportPRG")->trigger();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(
        dialogs.shown[0].text,
        QStringLiteral("File Export FAILED!\n\rThe file's block chain is broken: the chain links back to a "
                       "block already read (after 2 blocks)."));
    // What was read before the loop is on disk: two blocks of data bytes.
    EXPECT_EQ(dir.Read("LOOP.PRG").size(), 2u * 254u);
}

TEST_F(DirPageTest, ExportOfABlockLinkedToItselfSaysOneBlock) {
    std::uint8_t* a = disk.Block(20, 0);
    a[0] = 20, a[1] = 0;
    disk.AddDirEntry(0x82, {20, 0}, "SELF", 1);
    Open();
    MenuFor(6);
    Action("PMnuDirExportPRG")->trigger();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(
        dialogs.shown[0].text,
        QStringLiteral("File Export FAILED!\n\rThe file's block chain is broken: the chain links back to a "
                       "block already read (after 1 block)."));
}

TEST_F(DirPageTest, ExportNameCannotLeaveTheFolder) {
    disk.AddFile("../../EVIL", 0x82, {0x01, 0x08, 0xEA}, {{17, 9}});
    Open();
    MenuFor(6);
    Action("PMnuDirExportPRG")->trigger();
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(dir.Path()).parent_path()))
        EXPECT_NE(e.path().filename().string().rfind("EVIL", 0), 0u) << e.path();
    int prgs = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        if (e.path().extension() == ".PRG") ++prgs;
    EXPECT_EQ(prgs, 1);
}

// --- Hex dump ---------------------------------------------------------------

TEST_F(DirPageTest, HexDumpOfASeqFile) {
    options.Item("MnuPromptExport")->setChecked(true);
    Open();
    MenuFor(2);
    Action("PMnuDirHexDump")->trigger();
    const Bytes text = dir.Read("LOG.SEQ_HexDump.txt");
    const std::string s(text.begin(), text.end());
    EXPECT_EQ(s.substr(0, 43), "FILENAME: \"LOG.PRG\"      SIZE: 1 BLOCKS\r\n\r\n");
    EXPECT_NE(s.find("TRACK: 17  SECTOR: 02  (BLOCK #1)\r\n"), std::string::npos);
    EXPECT_NE(s.find("$0000 : 00 03 41 42 00"), std::string::npos);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("File \"LOG.SEQ_HexDump.txt\" (1 Blocks) saved in:\n\r") +
                                         QString::fromStdString(dir.Path()));
}

TEST_F(DirPageTest, HexDumpWithoutThePromptIsSilent) {
    Open();
    MenuFor(0);
    Action("PMnuDirHexDump")->trigger();
    EXPECT_TRUE(dir.Exists("HELLO.PRG_HexDump.txt"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(DirPageTest, HexDumpOfABrokenChainFailsAloud) {
    std::uint8_t* a = disk.Block(20, 0);
    a[0] = 20, a[1] = 25; // no sector 25 on track 20
    disk.AddDirEntry(0x81, {20, 0}, "BROKEN", 2);
    Open();
    MenuFor(6);
    Action("PMnuDirHexDump")->trigger();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MsgKind::Error);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(QStringLiteral("File Export FAILED!\n\r")));
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("outside the image")));
}

} // namespace
} // namespace dyskel::test
