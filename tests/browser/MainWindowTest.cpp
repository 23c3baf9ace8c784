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
                              "IgnoreDeletedFiles=1\nImageDetails=1\nJumpTS=1\n"
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
    EXPECT_EQ(form->DirListBox->Directory(), remembered.Path());
    EXPECT_EQ(Column(1), QStringList{"kept.D64"});
}

TEST_F(MainWindowTest, RememberedFolderThatIsGoneKeepsTheStartFolder) {
    images.Write("here.D64", StandardImage());
    Ini("[OPTIONS]\nStrPath=1\nPath=" + images.File("gone") + "\n");
    Start();
    EXPECT_EQ(form->DirListBox->Directory(), images.Path());
    EXPECT_EQ(Column(1), QStringList{"here.D64"});
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainWindowTest, RefusedSaveIsReportedAndTheWindowStillCloses) {
    config.Write("blocker", {1});
    IniFile blocked(config.File("blocker") + "/Dyskel.ini");
    form = std::make_unique<TMainForm>(MainServices{dialogs, blocked, drives}, QStringList{"/DEBUG"},
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
    form->MnuAbout->trigger();
    EXPECT_EQ(dialogs.dialogTitles.size(), 2);
}

TEST_F(MainWindowTest, DebugModeShowsTheAboutBoxOnlyFromTheMenu) {
    Start({"/debug"});
    Show();
    EXPECT_TRUE(dialogs.dialogTitles.isEmpty());
    form->MnuAbout->trigger();
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

TEST_F(MainWindowTest, ControlsFollowTheClientArea) {
    Start();
    Show();
    form->resize(900, 600);
    QCoreApplication::processEvents();
    const QSize client = form->centralWidget()->size();
    const int cw = client.width(), ch = client.height();
    EXPECT_EQ(form->MainBevel->geometry(), QRect(1, 0, cw - 2, ch - 20));
    EXPECT_EQ(form->FileStrGrid->geometry(), QRect(205, 4, cw - 209, ch - 27));
    EXPECT_EQ(form->PanelScanStat->geometry(), QRect(cw - 360, ch - 18, 89, 17));
    EXPECT_EQ(form->RescanP->geometry(), QRect(cw - 260, ch - 18, 252, 17));
    EXPECT_EQ(form->StImages->y(), ch - 18);
    EXPECT_EQ(form->DirListBox->height(), ch - 20 - 29);
    EXPECT_EQ(form->DriveCombo->geometry(), QRect(4, 4, 200, 19));
}

TEST_F(MainWindowTest, FolderListEntersASubfolderAndScansIt) {
    std::filesystem::create_directory(images.File("sub"));
    std::filesystem::create_directory(images.File(".dot"));
    images.Write("sub/inner.D64", StandardImage());
    Start();
    Show();
    QListWidgetItem* sub = nullptr;
    for (int i = 0; i < form->DirListBox->count(); ++i)
        if (TDirListBox::ItemFolder(form->DirListBox->item(i)) == images.File("sub"))
            sub = form->DirListBox->item(i);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->text().trimmed(), "sub");
    for (int i = 0; i < form->DirListBox->count(); ++i)
        EXPECT_NE(TDirListBox::ItemFolder(form->DirListBox->item(i)), images.File(".dot"));
    QRect r = form->DirListBox->visualItemRect(sub);
    QTest::mouseClick(form->DirListBox->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(form->DirListBox->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(form->DirListBox->Directory(), images.File("sub"));
    EXPECT_EQ(Column(1), QStringList{"inner.D64"});
    // Enter on the parent goes back up.
    form->DirListBox->setFocus();
    form->DirListBox->setCurrentRow(form->DirListBox->currentRow() - 1);
    QTest::keyClick(form->DirListBox, Qt::Key_Return);
    EXPECT_EQ(form->DirListBox->Directory(), images.Path());
}

TEST_F(MainWindowTest, DriveThatDoesNotAnswerIsRefusedSilently) {
    TempDir other;
    other.Write("usb.D64", StandardImage());
    images.Write("home.D64", StandardImage());
    drives.roots = {"/", other.Path(), "/media/empty-floppy"};
    drives.notReady = {"/media/empty-floppy"};
    Start();
    Show();
    ASSERT_EQ(form->DriveCombo->currentText().toStdString(), "/");
    // Pick the drive that has no medium.
    form->DriveCombo->setCurrentIndex(2);
    form->DriveComboChange(2);
    EXPECT_EQ(form->DriveCombo->currentText().toStdString(), "/");
    EXPECT_EQ(form->DirListBox->Directory(), images.Path());
    EXPECT_EQ(Column(1), QStringList{"home.D64"});
    EXPECT_TRUE(dialogs.shown.empty());
    // A drive that answers shows its folder.
    form->DriveCombo->setCurrentIndex(1);
    form->DriveComboChange(1);
    EXPECT_EQ(form->DirListBox->Directory(), other.Path());
    EXPECT_EQ(Column(1), QStringList{"usb.D64"});
    // Back on the first drive, its last folder comes back.
    form->DriveCombo->setCurrentIndex(0);
    form->DriveComboChange(0);
    EXPECT_EQ(form->DirListBox->Directory(), images.Path());
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
