// Import (pop-up item and drag and drop) and Validate on the Directory page of
// the real editor window: one prompt, one .BAK and one Undo step per import.
#include "EditorHarness.h"
#include "editor/DirPage.h"
#include "editor/ValidateDialog.h"

#include <QLabel>
#include <QMimeData>
#include <QTableWidget>
#include <QUrl>

namespace dyskel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t Bam = 91392; // 18/0

class EditorImportTest : public EditorTest {
  protected:
    QString Host(const char* name) { return QString::fromStdString(dir.File(name)); }
    std::string Cell(int row, int col) { return CellBytes(row, col); }

    D64Builder Disk() {
        D64Builder disk("IMPORT", "42");
        disk.AddPrg("HELLO", 0x0801, {0x60}); // 1 block at 1/0
        return disk;
    }
    void Drop(const QStringList& paths) {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        mime->setUrls(urls);
        QWidget* target = Grid()->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        delete mime;
    }
};

TEST_F(EditorImportTest, DroppedFilesAreOneWriteOneBackupOneUndo) {
    options.data.promptSave = true;
    options.data.backupFiles = true;
    dir.Write("intro.prg", Bytes(300, 0x11));
    dir.Write("notes.seq", Bytes(5, 0x22));
    UseImage(Disk());
    const Bytes before = OnDisk();
    Open([&] {
        Drop({Host("intro.prg"), Host("notes.seq")});
        EXPECT_EQ(dialogs.shown.size(), 1u); // the one "Update file" question
        ASSERT_EQ(Grid()->rowCount(), 4);
        EXPECT_EQ(Cell(1, 2), "\"INTRO\"" + std::string(10, '\xA0'));
        EXPECT_EQ(Cell(1, 1), "    2");
        EXPECT_EQ(Cell(2, 3), " SEQ");
        EXPECT_EQ(Find<QLabel>("PanelBlocksFree")->text(), "660");
        EXPECT_EQ(dir.Read("TEST.BAK"), before);
        dialogs.answers = {MsgResult::Yes};
        Find<QAction>("PMnuDirUndo")->trigger();
        EXPECT_EQ(Grid()->rowCount(), 2);
    });
    EXPECT_EQ(OnDisk(), before);
}

TEST_F(EditorImportTest, NameOnTheDiskAsksReplaceKeepBothOrCancel) {
    dir.Write("hello.prg", Bytes(600, 0x33));
    UseImage(Disk());
    const Bytes before = OnDisk();
    const struct {
        int choice;
        int rows; // entries afterwards, the free-blocks row not counted
    } cases[] = {{2, 1}, {0, 1}, {1, 2}};
    Open([&] {
        for (const auto& c : cases) {
            dialogs.fileLists = {QStringList{Host("hello.prg")}};
            dialogs.choices = {c.choice};
            Find<QAction>("PMnuDirImport")->trigger();
            EXPECT_EQ(Grid()->rowCount() - 1, c.rows) << c.choice;
        }
    });
    ASSERT_EQ(dialogs.questions.size(), 3u);
    EXPECT_EQ(dialogs.questions[0], "A file named \"HELLO\" is already on the disk.");
    EXPECT_EQ(dialogs.choiceButtons[0][dialogs.choiceDefaults[0]], "Cancel"); // Enter
    EXPECT_EQ(dialogs.choiceButtons[0][dialogs.choiceEscapes[0]], "Cancel");
    // Replace asks once more, saying what goes; Keep both destroys nothing.
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Update file \"TEST.D64\"?\n\rReplace \"HELLO\" (1 block)");
    EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::YesNoDefaultNo);
    const Bytes after = OnDisk();
    EXPECT_EQ(after[Bam + 4 * 17], 21 - 6); // two copies of 3 blocks; the replaced block freed
    EXPECT_EQ(after[Bam + 4 * 1], before[Bam + 4 * 1] + 1);
}

TEST_F(EditorImportTest, RefusalsWriteNothing) {
    dir.Write("caf\xC3\xA9.prg", Bytes(10, 1));
    dir.Write("huge.prg", Bytes(700 * 254, 1));
    UseImage(Disk());
    const Bytes before = OnDisk();
    Open([&] {
        DropFiles({Host("caf\xC3\xA9.prg")});
        DropFiles({Host("huge.prg")});
    });
    EXPECT_EQ(OnDisk(), before);
    // The name proposed for café.prg is not taken (the dialog cancelled).
    EXPECT_EQ(dialogs.dialogTitles, QStringList{"Names on the disk"});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].text.contains("needs 700 blocks; the disk has 663 blocks free"));
}

TEST_F(EditorImportTest, ValidateShowsTheReportAndFixesTheBam) {
    D64Builder disk = Disk();
    disk.SetFree(5, 3, false); // orphan
    disk.SetFree(1, 0, true);  // HELLO's block free
    UseImage(disk);
    const Bytes before = dir.Read("TEST.D64");
    QStringList rows;
    dialogs.dialogs = {[&](QDialog& d) {
                           auto* grid = d.findChild<QTableWidget*>("GridValidate");
                           for (int r = 0; grid && r < grid->rowCount(); ++r)
                               rows << grid->item(r, 0)->text() + " " + grid->item(r, 1)->text() + " " +
                                           grid->item(r, 3)->text();
                           return QDialog::Accepted;
                       },
                       [](QDialog&) { return QDialog::Accepted; }};
    // Fix BAM asks once, "No" the default: No writes nothing, Yes fixes.
    dialogs.answers = {MsgResult::No, MsgResult::Yes};
    Open([&] {
        Find<QAction>("PMnuDirValidate")->trigger();
        EXPECT_EQ(OnDisk(), before);
        Find<QAction>("PMnuDirValidate")->trigger();
    });
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "Update file \"TEST.D64\"?\n\rRewrite the BAM from what the files own");
    EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::YesNoDefaultNo);
    EXPECT_EQ(rows, QStringList({"used-but-free 01,00 01,00: used by entry 1 \"HELLO\" but free in the BAM",
                                 "orphan 05,03 05,03: marked used in the BAM, but nothing owns it"}));
    const Bytes after = OnDisk();
    EXPECT_EQ(after[Bam + 4 * 1 + 1], 0xFE);
    EXPECT_EQ(after[Bam + 4 * 5 + 1], 0xFF);
}

} // namespace
} // namespace dyskel::test
