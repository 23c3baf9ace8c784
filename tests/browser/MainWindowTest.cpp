#include "MainFormFixture.h"

#include <QDialog>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace dyskel::test {
namespace {

using MainWindowTest = MainFormTest;

TEST_F(MainWindowTest, CaptionMenusAndControls) {
    Start();
    EXPECT_EQ(form->windowTitle(), "Dyskel V1.00beta");
    EXPECT_EQ(form->width(), 745);
    for (const char* name : {"MnuOpenFile", "MnuRefresh", "MnuClose", "MnuFind", "MnuAbout", "MnuCloseTemp",
                             "MnuBackupFiles", "MnuRemStrPath"})
        EXPECT_NE(Item(name), nullptr) << name;
    EXPECT_EQ(Item("MnuRefresh")->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(Item("MnuFind")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    QStringList bar;
    for (QAction* a : form->menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar, (QStringList{"&File", "&Search", "&Options", "&About", "&Close"}));
    for (const char* name :
         {"MainBevel", "DriveCombo", "DirListBox", "FileStrGrid", "PanelScanStat", "RescanP", "StImages"})
        EXPECT_NE(form->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(MainWindowTest, FirstStartAndCloseWriteEveryKey) {
    Start();
    EXPECT_TRUE(Item("MnuImgDetails")->isChecked());
    EXPECT_FALSE(Item("MnuEditorEditMode")->isChecked()); // the file's default wins over the menu's
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(
        IniText().starts_with("[OPTIONS]\nBackupFiles=0\nDftEditorPage=1\nDefault6502Mode=A\n6502Change=0\n"
                              "C64Symbols=0\nIllegalOpcodes=0\nEditorEditMode=0\nHints=1\n"
                              "IgnoreDeletedFiles=1\nImageDetails=1\nJumpTS=1\nPreview=0\n"
                              "PromptOnExport=0\nPromptSave=0\nSortFilesBy=1\nStrPath=0\nPath=" +
                              images.Path() + "\n\n[Window]\n"))
        << IniText();
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainWindowTest, OptionsChangedInTheMenuAreSavedAtClose) {
    Ini("[OPTIONS]\nDftEditorPage=0x2\nDefault6502Mode=$\n");
    Start();
    EXPECT_TRUE(Item("MnuEdBAM")->isChecked());
    Item("MnuBackupFiles")->trigger();
    Item("MnuRemStrPath")->trigger();
    Item("Mnu6502DmodeTXT")->trigger();
    form->close();
    EXPECT_EQ(ini.Read("OPTIONS", "BackupFiles"), "1");
    EXPECT_EQ(ini.Read("OPTIONS", "StrPath"), "1");
    EXPECT_EQ(ini.Read("OPTIONS", "Default6502Mode"), "T");
    EXPECT_EQ(ini.Read("OPTIONS", "DftEditorPage"), "2");
}

TEST_F(MainWindowTest, RememberPathReturnsToTheFolder) {
    TempDir remembered;
    remembered.Write("kept.D64", StandardImage());
    Ini("[OPTIONS]\nStrPath=1\nPath=" + remembered.Path() + "\n");
    Start();
    EXPECT_EQ(Find<TDirListBox>("DirListBox")->Directory(), remembered.Path());
    EXPECT_EQ(Column(1), QStringList{"kept.D64"});
}

TEST_F(MainWindowTest, RememberedFolderThatIsGoneKeepsTheStartFolder) {
    images.Write("here.D64", StandardImage());
    Ini("[OPTIONS]\nStrPath=1\nPath=" + images.File("gone") + "\n");
    Start();
    EXPECT_EQ(Find<TDirListBox>("DirListBox")->Directory(), images.Path());
    EXPECT_EQ(Column(1), QStringList{"here.D64"});
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainWindowTest, RefusedSaveIsReportedAndTheWindowStillCloses) {
    config.Write("blocker", {1});
    IniFile blocked(config.File("blocker") + "/Dyskel.ini");
    form = std::make_unique<TMainForm>(MainServices{dialogs, blocked, drives}, ParseCommandLine({"/DEBUG"}),
                                       images.Path());
    EXPECT_TRUE(form->close());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(dialogs.shown[0].text, QString::fromStdString("Unable to write to " + blocked.Path()));
}

TEST_F(MainWindowTest, AboutBoxAtFirstActivationOnly) {
    Start({});
    Show();
    EXPECT_EQ(dialogs.dialogTitles, QStringList{"About Dyskel"});
    // Another window takes the focus and gives it back.
    QDialog other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    other.close();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.dialogTitles.size(), 1);
    Item("MnuAbout")->trigger();
    EXPECT_EQ(dialogs.dialogTitles.size(), 2);
}

TEST_F(MainWindowTest, DebugModeShowsTheAboutBoxOnlyFromTheMenu) {
    Start({"/debug"});
    Show();
    EXPECT_TRUE(dialogs.dialogTitles.isEmpty());
    Item("MnuAbout")->trigger();
    EXPECT_EQ(dialogs.dialogTitles, QStringList{"About Dyskel"});
}

TEST_F(MainWindowTest, TooSmallWindowBecomes230By230) {
    Start();
    Show();
    form->resize(700, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->size(), QSize(230, 230));
    form->resize(100, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->size(), QSize(230, 230));
}

// A larger window gives its room to the grid and the folder list; the status
// line stays at the bottom, the gauge at the right edge, nothing is cut off
// and nothing covers another control.
TEST_F(MainWindowTest, ControlsFollowTheClientArea) {
    Start();
    Show();
    QWidget* grid = Find<TImageGrid>("FileStrGrid");
    QWidget* folders = Find<TDirListBox>("DirListBox");
    QWidget* status = Find<QLabel>("PanelScanStat");
    QWidget* gauge = Find<QProgressBar>("RescanP");
    QWidget* count = Find<QLabel>("StImages");
    const QRect client0 = form->centralWidget()->rect(), grid0 = grid->geometry(), gauge0 = gauge->geometry();
    const int folders0 = folders->height();
    form->resize(900, 600);
    QCoreApplication::processEvents();
    const QRect client = form->centralWidget()->rect();
    const QSize gained = client.size() - client0.size();
    EXPECT_EQ(grid->size(), grid0.size() + gained);
    EXPECT_EQ(folders->height(), folders0 + gained.height());
    EXPECT_EQ(client.right() - gauge->geometry().right(), client0.right() - gauge0.right());
    for (QWidget* w : {grid, folders, status, gauge, count, Find<QWidget>("DriveCombo")}) {
        EXPECT_TRUE(client.contains(w->geometry())) << w->objectName().toStdString();
        EXPECT_FALSE(w != grid && w != folders && w->geometry().intersects(grid->geometry()))
            << w->objectName().toStdString();
    }
    EXPECT_FALSE(status->geometry().intersects(gauge->geometry()));
    EXPECT_GE(status->y(), folders->geometry().bottom());
}

TEST_F(MainWindowTest, FolderListEntersASubfolderAndScansIt) {
    std::filesystem::create_directory(images.File("sub"));
    std::filesystem::create_directory(images.File(".dot"));
    images.Write("sub/inner.D64", StandardImage());
    Start();
    Show();
    QListWidgetItem* sub = nullptr;
    for (int i = 0; i < Find<TDirListBox>("DirListBox")->count(); ++i)
        if (TDirListBox::ItemFolder(Find<TDirListBox>("DirListBox")->item(i)) == images.File("sub"))
            sub = Find<TDirListBox>("DirListBox")->item(i);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->text().trimmed(), "sub");
    for (int i = 0; i < Find<TDirListBox>("DirListBox")->count(); ++i)
        EXPECT_NE(TDirListBox::ItemFolder(Find<TDirListBox>("DirListBox")->item(i)), images.File(".dot"));
    QRect r = Find<TDirListBox>("DirListBox")->visualItemRect(sub);
    QTest::mouseClick(Find<TDirListBox>("DirListBox")->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(Find<TDirListBox>("DirListBox")->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(Find<TDirListBox>("DirListBox")->Directory(), images.File("sub"));
    EXPECT_EQ(Column(1), QStringList{"inner.D64"});
    // Enter on the parent goes back up.
    Find<TDirListBox>("DirListBox")->setFocus();
    Find<TDirListBox>("DirListBox")->setCurrentRow(Find<TDirListBox>("DirListBox")->currentRow() - 1);
    QTest::keyClick(Find<TDirListBox>("DirListBox"), Qt::Key_Return);
    EXPECT_EQ(Find<TDirListBox>("DirListBox")->Directory(), images.Path());
}

TEST_F(MainWindowTest, DriveThatDoesNotAnswerIsRefusedSilently) {
    TempDir other;
    other.Write("usb.D64", StandardImage());
    images.Write("home.D64", StandardImage());
    drives.roots = {"/", other.Path(), "/media/empty-floppy"};
    drives.notReady = {"/media/empty-floppy"};
    Start();
    Show();
    ASSERT_EQ(Find<QComboBox>("DriveCombo")->currentText().toStdString(), "/");
    // Pick the drive that has no medium.
    Find<QComboBox>("DriveCombo")->setCurrentIndex(2);
    emit Find<QComboBox>("DriveCombo")->activated(2);
    EXPECT_EQ(Find<QComboBox>("DriveCombo")->currentText().toStdString(), "/");
    EXPECT_EQ(Find<TDirListBox>("DirListBox")->Directory(), images.Path());
    EXPECT_EQ(Column(1), QStringList{"home.D64"});
    EXPECT_TRUE(dialogs.shown.empty());
    // A drive that answers shows its folder.
    Find<QComboBox>("DriveCombo")->setCurrentIndex(1);
    emit Find<QComboBox>("DriveCombo")->activated(1);
    EXPECT_EQ(Find<TDirListBox>("DirListBox")->Directory(), other.Path());
    EXPECT_EQ(Column(1), QStringList{"usb.D64"});
    // Back on the first drive, its last folder comes back.
    Find<QComboBox>("DriveCombo")->setCurrentIndex(0);
    emit Find<QComboBox>("DriveCombo")->activated(0);
    EXPECT_EQ(Find<TDirListBox>("DirListBox")->Directory(), images.Path());
}

TEST(AboutBox, TextsSizeAndOk) {
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), "About Dyskel");
    EXPECT_EQ(box.LblProdName->text(), "Dyskel");
    EXPECT_EQ(box.LblProdVersion->text(), "1.00beta, build 036.");
    EXPECT_EQ(box.LblCopyRight->text().count('\n'), 1);
    EXPECT_EQ(box.size(), QSize(298, 177));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_TRUE(box.OKButton->isDefault());
    EXPECT_EQ(box.ImgLogo->pixmap().size(), QSize(90, 115));
    QTimer::singleShot(0, &box, [&box] {
        EXPECT_EQ(box.focusWidget(), box.OKButton);
        QTest::mouseClick(box.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
}

} // namespace
} // namespace dyskel::test
