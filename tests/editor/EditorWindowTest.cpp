// The editor window as a whole: what the set-up shows, the default page and
// the mode from the options, the track limit, hints, the edit-mode prompt,
// and that only BtnClose ends the showing.
#include "EditorHarness.h"

#include "core/DiskEdits.h"
#include "editor/BamChart.h"
#include "platform/Fonts.h"
#include "support/D81Subdir.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

namespace dyskel::test {
namespace {

class EditorWindowTest : public EditorTest {
  protected:
    QString Text(const char* label) { return Find<QLabel>(label)->text(); }
    QTabWidget* Notebook() { return Find<QTabWidget>("TNBdisplay"); }
    QRadioButton* Radio(const char* name) { return Find<QRadioButton>(name); }

    void SetDefaultPage(QAction* item) {
        for (QAction* a : {options.Item("MnuEdHex"), options.Item("MnuEdDir"), options.Item("MnuEdBAM"),
                           options.Item("MnuEd6502")})
            a->setChecked(false);
        if (item) item->setChecked(true);
    }
};

TEST_F(EditorWindowTest, SetUpShowsTheFactsOfTheImage) {
    UseImage(D64Builder("GAMES", "01"), "GAMES.D64");
    mainWindow.show();
    Open([&] {
        EXPECT_EQ(editor.windowTitle(), "Dyskel V1.00beta - EDITOR  (GAMES.D64)");
        EXPECT_EQ(editor.pos(), QPoint(40, 30));
        EXPECT_FALSE(mainWindow.isVisible());
        auto* fileName = Find<QLineEdit>("EditFileName");
        EXPECT_EQ(fileName->text(), "GAMES.D64");
        EXPECT_TRUE(fileName->font().bold());
        EXPECT_FALSE(fileName->isReadOnly());
        // Quote, GAMES, quote, blank, ID 01, format 2A: 12 characters.
        EXPECT_EQ(Text("PanelHeaderID"), PetsciiToQString("\"GAMES\" 012A"));
        EXPECT_EQ(Text("PanelBlocksFree"), "664");
        EXPECT_EQ(Text("LblFormat"), "1540/1541/1570 disk image, Single Sided.");
        EXPECT_EQ(Text("LblEC"), "Image does not contain error information.");
        EXPECT_TRUE(Radio("RBWPoff")->isChecked());
        EXPECT_FALSE(Radio("RBWPon")->isChecked());
        EXPECT_FALSE(Radio("RBWPon")->isEnabled());
        EXPECT_FALSE(Radio("RBWPoff")->isEnabled());
        EXPECT_EQ(Text("PanelPos"), "$0000");
    });
    EXPECT_TRUE(mainWindow.isVisible());
}

TEST_F(EditorWindowTest, DoubleSidedProtectedImageWithErrorBytes) {
    D64Builder disk("X", "01", 35, true);
    disk.Header()[2] = 0x42; // not "A": write protected
    disk.Header()[3] = 0x80; // double-sided flag
    disk.SetFree(1, 0, false);
    UseImage(disk);
    Open([&] {
        EXPECT_EQ(Text("LblFormat"), "1571 disk image, Double Sided.");
        EXPECT_EQ(Text("LblEC"), "Image contains error information.");
        EXPECT_TRUE(Radio("RBWPon")->isChecked());
        EXPECT_FALSE(Radio("RBWPoff")->isChecked());
        EXPECT_EQ(Text("PanelBlocksFree"), "663");
    });
}

TEST_F(EditorWindowTest, TimeStampInTheUsersFormat) {
    const QDateTime afternoon(QDate(2024, 5, 17), QTime(13, 45, 30));
    UseImage(D64Builder().Bytes(), "TEST.D64", afternoon.toSecsSinceEpoch());
    const QLocale locale = QLocale::system();
    Open([&] {
        EXPECT_EQ(Text("PanelTimeStamp"), locale.toString(QDate(2024, 5, 17), QLocale::ShortFormat) + " " +
                                              locale.toString(QTime(13, 45, 30), QLocale::LongFormat));
    });
    const QDateTime midnight(QDate(1999, 12, 31), QTime(0, 0));
    UseImage(D64Builder().Bytes(), "TEST.D64", midnight.toSecsSinceEpoch());
    Open([&] {
        EXPECT_EQ(Text("PanelTimeStamp"), locale.toString(QDate(1999, 12, 31), QLocale::ShortFormat));
    });
}

struct PageCase {
    const char* name;
    int item; // 0-3 the default-page item checked, -1 none
    int page;
};

class DefaultPageTest : public EditorWindowTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(DefaultPageTest, OpensOnThePageTheOptionNames) {
    const PageCase& c = GetParam();
    QAction* items[] = {options.Item("MnuEdHex"), options.Item("MnuEdDir"), options.Item("MnuEdBAM"),
                        options.Item("MnuEd6502")};
    SetDefaultPage(c.item < 0 ? nullptr : items[c.item]);
    UseImage(D64Builder());
    Open([&] { EXPECT_EQ(Notebook()->currentIndex(), c.page); });
}

INSTANTIATE_TEST_SUITE_P(Options, DefaultPageTest,
                         ::testing::Values(PageCase{"None", -1, 1}, PageCase{"Hex", 0, 0},
                                           PageCase{"Directory", 1, 1}, PageCase{"Bam", 2, 2},
                                           PageCase{"Disassembler", 3, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorWindowTest, StartModeFollowsTheOptionEachOpening) {
    UseImage(D64Builder());
    options.Item("MnuEditorEditMode")->setChecked(true);
    Open([&] {
        EXPECT_TRUE(Radio("RBEdit")->isChecked());
        EXPECT_FALSE(Radio("RBdispOnly")->isChecked());
    });
    options.Item("MnuEditorEditMode")->setChecked(false);
    Open([&] {
        EXPECT_FALSE(Radio("RBEdit")->isChecked());
        EXPECT_TRUE(Radio("RBdispOnly")->isChecked());
    });
}

TEST_F(EditorWindowTest, ModeButtonsWriteTheStartModeOption) {
    UseImage(D64Builder());
    options.Item("MnuEditorEditMode")->setChecked(false);
    Open([&] { QTest::mouseClick(Radio("RBEdit"), Qt::LeftButton); });
    EXPECT_TRUE(options.data.editMode);
    Open([&] {
        EXPECT_TRUE(Radio("RBEdit")->isChecked());
        QTest::mouseClick(Radio("RBdispOnly"), Qt::LeftButton);
    });
    EXPECT_FALSE(options.data.editMode);
}

TEST_F(EditorWindowTest, EditModePromptAnsweredNoKeepsDisplayMode) {
    UseImage(D64Builder());
    options.Item("MnuEditorEditMode")->setChecked(false);
    dialogs.answers = {MsgResult::No};
    Open([&] {
        EXPECT_FALSE(editor.EnsureEditMode());
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].kind, MsgKind::Information);
        EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(dialogs.shown[0].text,
                  "Editor is in Display mode. You can not edit before changing to Edit "
                  "mode!\n\rChange to Edit mode now?");
        EXPECT_TRUE(Radio("RBdispOnly")->isChecked());
    });
    EXPECT_FALSE(options.data.editMode);
}

TEST_F(EditorWindowTest, EditModePromptAnsweredYesSwitchesToEdit) {
    UseImage(D64Builder());
    options.Item("MnuEditorEditMode")->setChecked(false);
    dialogs.answers = {MsgResult::Yes};
    Open([&] {
        EXPECT_TRUE(editor.EnsureEditMode());
        EXPECT_TRUE(Radio("RBEdit")->isChecked());
        EXPECT_FALSE(Radio("RBdispOnly")->isChecked());
        // In edit mode there is no prompt.
        EXPECT_TRUE(editor.EnsureEditMode());
        EXPECT_EQ(dialogs.shown.size(), 1u);
    });
    EXPECT_TRUE(options.data.editMode);
}

struct LimitCase {
    const char* name;
    std::size_t size;
    int limit;
};

class TrackLimitTest : public EditorWindowTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(TrackLimitTest, LimitBySize) {
    const LimitCase& c = GetParam();
    // A 35-track image first, so that a limit of 40 has to be given back.
    UseImage(D64Builder(), "STD.D64");
    Open([&] { EXPECT_EQ(Track()->maximum(), 35); });
    std::vector<std::uint8_t> bytes = D64Builder("X", "01", 40).Bytes();
    bytes.resize(c.size);
    UseImage(bytes, "OTHER.D64");
    Open([&] {
        EXPECT_EQ(Track()->maximum(), c.limit);
        Track()->setValue(40);
        EXPECT_EQ(Track()->value(), c.limit);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TrackLimitTest,
    ::testing::Values(LimitCase{"Standard", 174848, 35}, LimitCase{"WithErrorBytes", 175531, 35},
                      LimitCase{"FortyTracks", 196608, 40}, LimitCase{"FortyTracksWithErrors", 197376, 40},
                      LimitCase{"OneByteMore", 174849, 40}, LimitCase{"Short", 100000, 40}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorWindowTest, SetUpDoesNotRunAgainWhenADialogCloses) {
    UseImage(D64Builder());
    SetDefaultPage(options.Item("MnuEdDir"));
    Open([&] {
        Track()->setValue(5);
        Sector()->setValue(7);
        Notebook()->setCurrentIndex(2);
        Find<QLineEdit>("EditFileName")->setText("TYPED.D64");
        // A modal dialog over the editor, closed by the user.
        QDialog box(&editor);
        QTimer::singleShot(0, &box, [&] { box.accept(); });
        box.exec();
        // Another window of the program takes the focus and gives it back.
        QWidget other;
        other.show();
        other.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
        other.close();
        editor.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&editor));
        EXPECT_EQ(Block(), std::make_pair(5, 7));
        EXPECT_EQ(Notebook()->currentIndex(), 2);
        EXPECT_EQ(Find<QLineEdit>("EditFileName")->text(), "TYPED.D64");
    });
}

TEST_F(EditorWindowTest, OnlyTheCloseButtonEndsTheShowing) {
    UseImage(D64Builder());
    mainWindow.show();
    const int result = Open([&] {
        QTest::keyClick(&editor, Qt::Key_Escape);
        QTest::keyClick(Track(), Qt::Key_Return);
        EXPECT_TRUE(editor.isVisible());
        EXPECT_FALSE(mainWindow.isVisible());
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(Find<TBamChart>("PanelBAM")->CellCount(), 0);
}

TEST_F(EditorWindowTest, CloseRequestFromTheWindowSystemShowsTheMainWindowAgain) {
    UseImage(D64Builder());
    mainWindow.show();
    Open([&] { editor.close(); });
    EXPECT_FALSE(editor.isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(Find<TBamChart>("PanelBAM")->CellCount(), 0);
}

TEST_F(EditorWindowTest, HintsFollowTheOption) {
    struct Hint {
        const char* control;
        const char* text;
    };
    const Hint hints[] = {
        {"GrpBoxWP", "Status of the C64 disk (not the .D64 file itself)."},
        {"PanelTimeStamp", "Time stamp on image file."},
        {"BtnTrackBack", "Track back"},
        {"BtnTrackForward", "Track forward"},
        {"BtnResetTracking", "Reset Tracking"},
        {"GrpBoxPos", "Position in file when tracking."},
        {"RBEdit", "Editor is in Edit-mode."},
        {"RBdispOnly", "Editor is in \"View Only\"-mode."},
    };
    UseImage(D64Builder());
    options.Item("MnuHints")->setChecked(true);
    Open([&] {
        for (const Hint& h : hints) EXPECT_EQ(Find<QWidget>(h.control)->toolTip(), h.text) << h.control;
        // Byte 0 of the header block, 0x12, starts no instruction.
        EXPECT_EQ(Find<QWidget>("Panel6502")->toolTip(), "Future Expansion or not part of program code.");
    });
    options.Item("MnuHints")->setChecked(false);
    Open([&] {
        for (const Hint& h : hints) EXPECT_TRUE(Find<QWidget>(h.control)->toolTip().isEmpty()) << h.control;
        EXPECT_TRUE(Find<QWidget>("Panel6502")->toolTip().isEmpty());
    });
}

TEST_F(EditorWindowTest, HintOfTheInstructionIsCurrentWhenHintsComeOn) {
    D64Builder disk;
    disk.Header()[0] = 0xA9; // LDA #$01 (the header's link sector is 1)
    UseImage(disk);
    options.Item("MnuHints")->setChecked(false);
    Open();
    options.Item("MnuHints")->setChecked(true);
    Open([&] { EXPECT_EQ(Find<QWidget>("Panel6502")->toolTip(), "Load Accumulator with memory: LDA #$01"); });
}

TEST_F(EditorWindowTest, SixFiveOhTwoPageIsPreparedForTheDefaultModeButListsDisassembly) {
    UseImage(D64Builder());
    options.Item("Mnu6502DmodeTXT")->setChecked(true);
    Open([&] {
        auto* grid = Find<QTableView>("StrGrid6502");
        ASSERT_NE(grid, nullptr);
        const QAbstractItemModel* m = grid->model();
        ASSERT_EQ(m->columnCount(), 3);
        EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), " ADR");
        EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(),
                  "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
        EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), "      TEXT");
        EXPECT_EQ(data.listingMode, ListingMode::Asm);
    });
}

TEST_F(EditorWindowTest, TextListingOfALongFileFitsTheGridWithoutSideways) {
    // Ten blocks of data: enough rows for the vertical scroll bar.
    D64Builder disk;
    disk.AddPrg("LONG", 0x1000, std::vector<std::uint8_t>(2500, 0x41));
    UseImage(disk);
    options.Item("Mnu6502change")->setChecked(true);
    options.Item("Mnu6502DmodeTXT")->setChecked(true);
    Open([&] {
        auto* dir = Find<QTableWidget>("StrGridDir");
        dir->setCurrentCell(0, 2);
        Find<QAction>("PMnuDir6502")->trigger();
        auto* grid = Find<QTableView>("StrGrid6502");
        ASSERT_EQ(grid->model()->columnCount(), 3);
        QCoreApplication::processEvents();
        ASSERT_TRUE(grid->verticalScrollBar()->isVisible());
        // The address, the sixteen bytes and their sixteen characters are all
        // in sight at once.
        EXPECT_GE(grid->viewport()->width(), 44 + 380 + 132);
        EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
    });
}

TEST_F(EditorWindowTest, JumpToShowsTheBlockWithItsFirstByteSelected) {
    D64Builder disk;
    disk.Block(17, 0)[0] = 0x60; // RTS
    UseImage(disk);
    Open([&] {
        auto* hex = Find<QTableWidget>("StrGridHexEd");
        hex->setCurrentCell(9, 9);
        Notebook()->setCurrentIndex(1);
        editor.JumpToBlock(17, 0);
        EXPECT_EQ(Block(), std::make_pair(17, 0));
        EXPECT_EQ(Notebook()->currentIndex(), 0);
        EXPECT_EQ(hex->currentRow(), 1);
        EXPECT_EQ(hex->currentColumn(), 1);
        EXPECT_EQ(Text("Panel6502"), "RTS");
    });
}

TEST_F(EditorWindowTest, FirstOpeningStepsPastTheLastSectorOfTrack18) {
    // The track selector starts at 18, so the set-up does not change it: the
    // sector limit must still be that of track 18.
    UseImage(D64Builder());
    Open([&] {
        Sector()->setValue(18);
        ClickArrow(Sector(), true);
        EXPECT_EQ(Block(), std::make_pair(19, 0));
    });
}

// A D81 partition laid out as a sub-directory opens from its CBM row like a
// disk: its own label, listing and free count, read-only; Back to the Disk
// shows the disk again, writable.
TEST_F(EditorWindowTest, PartitionOpensReadOnlyAndLeadsBack) {
    UseImage(testsupport::WithPartition().Bytes(), "P.D81");
    options.Item("MnuEditorEditMode")->setChecked(true);
    Open([&] {
        auto* grid = Find<QTableWidget>("StrGridDir");
        auto popup = [&] { emit Find<QMenu>("PopupMenuDir")->aboutToShow(); };
        grid->setCurrentCell(0, 1);
        popup();
        ASSERT_TRUE(Find<QAction>("PMnuDirOpenPartition")->isVisible());
        EXPECT_FALSE(Find<QAction>("PMnuDirLeavePartition")->isVisible());
        Find<QAction>("PMnuDirOpenPartition")->trigger();
        EXPECT_EQ(Text("PanelHeaderID"), PetsciiToQString("\"SUBDIR\" S13D"));
        EXPECT_EQ(grid->item(0, 2)->text().trimmed(), PetsciiToQString("\"INNER\"").trimmed());
        EXPECT_FALSE(Radio("RBEdit")->isEnabled());
        EXPECT_TRUE(Radio("RBdispOnly")->isChecked());
        EXPECT_TRUE(Text("LblStatus").contains("partition")) << Text("LblStatus").toStdString();
        Find<QAction>("PMnuDirClrImg")->trigger();
        ASSERT_EQ(dialogs.shown.size(), 1u);
        popup();
        EXPECT_FALSE(Find<QAction>("PMnuDirOpenPartition")->isVisible());
        ASSERT_TRUE(Find<QAction>("PMnuDirLeavePartition")->isVisible());
        Find<QAction>("PMnuDirLeavePartition")->trigger();
        EXPECT_EQ(Text("PanelHeaderID"), PetsciiToQString("\"OUTER\" O13D"));
        EXPECT_TRUE(Radio("RBEdit")->isEnabled());
    });
    EXPECT_EQ(dir.Read("P.D81"), testsupport::WithPartition().Bytes());
}

} // namespace
} // namespace dyskel::test

namespace dyskel::test {
namespace {

TEST_F(EditorWindowTest, OpenedOnASearchResultShowsTheDirectoryOnThatEntryOnce) {
    D64Builder disk;
    for (const char* name : {"ONE", "TWO", "THREE"}) disk.AddPrg(name, 0x0801, {0x60});
    UseImage(disk);
    SetDefaultPage(options.Item("MnuEdHex"));
    image.showEntry = std::make_pair(1, 0x40); // THREE: 18/1, third slot
    Open([&] {
        EXPECT_EQ(Notebook()->currentIndex(), 1);
        EXPECT_EQ(Find<QTableWidget>("StrGridDir")->currentRow(), 2);
    });
    image.showEntry.reset(); // opened again from the folder's grid
    Open([&] { EXPECT_EQ(Notebook()->currentIndex(), 0); });
}

TEST_F(EditorWindowTest, TheStatusLineShowsTheNotesOfTheLastWriteAndStartsEmptyForTheNextImage) {
    D64Builder disk;
    disk.AddPrg("HELLO", 0x0801, {0x60});
    UseImage(disk);
    options.Item("MnuEditorEditMode")->setChecked(true);
    Open([&] {
        EXPECT_TRUE(editor.ApplyEdit([](const DiskImage&) -> Result<EditPlan> {
            return EditPlan{{}, {}, {"the BAM was wrong", "\"HELLO\" is cross-linked"}};
        }));
        EXPECT_EQ(Text("LblStatus"), "the BAM was wrong; \"HELLO\" is cross-linked");
        Grid()->setCurrentCell(0, 2); // a character refused while renaming: the page's note
        Find<QAction>("PMnuDirRename")->trigger();
        QTest::sendKeyEvent(QTest::Click, Grid()->findChild<QLineEdit*>(), Qt::Key_Eacute,
                            QStringLiteral("\u00E9"), Qt::NoModifier);
        EXPECT_FALSE(Find<QLabel>("LblDirStatus")->text().isEmpty());
    });
    UseImage(D64Builder(), "OTHER.D64");
    Open([&] { EXPECT_EQ(Text("LblStatus") + Find<QLabel>("LblDirStatus")->text(), ""); });
}

TEST_F(EditorWindowTest, SoftWriteProtectionAndTheTimeStampShowAtOpeningAndAfterAWrite) {
    const QString soft =
        QStringLiteral("The disk is soft write-protected: a 1541 would refuse to write this disk.");
    D64Builder disk;
    disk.Header()[2] = 0x42; // format byte not "A"
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    UseImage(disk.Bytes(), "TEST.D64", old.toSecsSinceEpoch());
    options.Item("MnuEditorEditMode")->setChecked(true);
    const QLocale locale = QLocale::system();
    Open([&] {
        EXPECT_EQ(Text("LblStatus"), soft);
        EXPECT_TRUE(Text("PanelTimeStamp").startsWith(locale.toString(old.date(), QLocale::ShortFormat)));
        EXPECT_TRUE(editor.ApplyEdit(PokeBlock({1, 0}, 0, {0x01})));
        EXPECT_EQ(Text("LblStatus").count(soft), 1);
        EXPECT_TRUE(
            Text("PanelTimeStamp").startsWith(locale.toString(QDate::currentDate(), QLocale::ShortFormat)));
    });
}

TEST_F(EditorWindowTest, AnImageOfNoD64SizeOpensReadOnlyWithTheReason) {
    std::vector<std::uint8_t> cut = D64Builder().Bytes();
    cut.resize(100000);
    UseImage(cut);
    options.Item("MnuEditorEditMode")->setChecked(true);
    Open([&] {
        EXPECT_TRUE(Radio("RBdispOnly")->isChecked());
        EXPECT_FALSE(Radio("RBEdit")->isEnabled());
        EXPECT_TRUE(Text("LblStatus").contains("100000 bytes")) << Text("LblStatus").toStdString();
        Find<QAction>("PMnuDirClrImg")->trigger();
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, Text("LblStatus"));
    });
    EXPECT_EQ(OnDisk(), cut);
    UseImage(D64Builder()); // the start mode holds for the next image
    Open([&] { EXPECT_TRUE(Radio("RBEdit")->isEnabled() && Radio("RBEdit")->isChecked()); });
}

} // namespace
} // namespace dyskel::test
