// Scratched entries on the Directory page of the real editor window, listed
// when "Ignore Deleted Files" is off: greyed so that they are not taken for DEL
// files, and taken back with Undelete.
#include "EditorHarness.h"
#include "editor/DirPage.h"

#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

namespace dyskel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t Dir1 = 91648; // 18/1
constexpr std::size_t Bam = 91392;  // 18/0

class ScratchedEntryTest : public EditorTest {
  protected:
    // Rows: 0 HELLO (1/0), 1 OLD scratched (its chain 1/1, 1/2 free in the
    // BAM, as the drive leaves it), 2 GONE (a closed DEL file), 3 blocks free.
    D64Builder Disk() {
        D64Builder disk("SCRATCH", "42");
        disk.AddPrg("HELLO", 0x0801, {0x60});
        disk.AddFile("OLD", 0x82, Bytes(300, 0xEA));
        disk.AddDirEntry(0x80, {1, 5}, "GONE", 0);
        disk.Bytes()[Dir1 + 32 + 2] = 0x00;
        disk.SetFree(1, 1, true);
        disk.SetFree(1, 2, true);
        return disk;
    }
    void SetUp() override { options.Item("MnuIgnoreDeletedFiles")->setChecked(false); }

    // Whether the row's name cell draws any pixel in the listing's cyan.
    bool DrawsCyan(int row) {
        Find<QTabWidget>("TNBdisplay")->setCurrentWidget(DirPage());
        const QRect cell = Grid()->visualRect(Grid()->model()->index(row, 2));
        const QImage shown = Grid()->viewport()->grab(cell).toImage();
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (const QColor c = shown.pixelColor(x, y); c.red() < 0x20 && c.green() > 0xC0) return true;
        return false;
    }
};

TEST_F(ScratchedEntryTest, AScratchedRowIsGreyAndOffersUndeleteForFileType) {
    UseImage(Disk());
    Open([&] {
        ASSERT_EQ(Grid()->rowCount(), 4);
        EXPECT_EQ(CellBytes(1, 3), CellBytes(2, 3)); // the listing's text as it was
        for (int row : {1, 2}) {
            const bool scratched = row == 1;
            EXPECT_EQ(DrawsCyan(row), !scratched) << row;
            Grid()->setCurrentCell(row, 1);
            emit Find<QMenu>("PopupMenuDir")->aboutToShow();
            EXPECT_EQ(Find<QAction>("PMnuDirUndelete")->isVisible(), scratched) << row;
            EXPECT_EQ(Find<QMenu>("PMnuDirFtype")->menuAction()->isVisible(), !scratched) << row;
            EXPECT_EQ(Find<QAction>("PMnuDirDelete")->isVisible(), !scratched) << row;
        }
    });
}

struct UndeleteCase {
    const char* name;
    int choice;           // the button pressed
    std::uint8_t type;    // OLD's type byte afterwards
    std::uint8_t track1;  // track 1's BAM entry: free count
    std::uint8_t sectors; // and sectors 0 to 7
};
class UndeleteTest : public ScratchedEntryTest, public ::testing::WithParamInterface<UndeleteCase> {};

// Needs UndeleteEntry of core/DiskEdits.cpp.
TEST_P(UndeleteTest, TakesTheEntryBackAsOneUndoStep) {
    UseImage(Disk());
    const Bytes before = OnDisk();
    dialogs.choices = {GetParam().choice};
    Open([&] {
        Grid()->setCurrentCell(1, 1);
        Find<QAction>("PMnuDirUndelete")->trigger();
        const Bytes after = OnDisk();
        EXPECT_EQ(after[Dir1 + 32 + 2], GetParam().type);
        EXPECT_EQ(after[Bam + 4], GetParam().track1);
        EXPECT_EQ(after[Bam + 5], GetParam().sectors);
        if (after != before) Find<QAction>("PMnuDirUndo")->trigger();
    });
    EXPECT_EQ(OnDisk(), before);
    ASSERT_EQ(dialogs.choiceButtons.size(), 1u);
    EXPECT_EQ(dialogs.choiceButtons[0][dialogs.choiceDefaults[0]], "PRG"); // what Enter takes
    EXPECT_EQ(dialogs.choiceButtons[0][dialogs.choiceEscapes[0]], "Cancel");
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text.toStdString();
}
INSTANTIATE_TEST_SUITE_P(Types, UndeleteTest,
                         ::testing::Values(UndeleteCase{"Prg", 1, 0x82, 18, 0xF8},
                                           UndeleteCase{"Seq", 0, 0x81, 18, 0xF8},
                                           UndeleteCase{"Cancel", 4, 0x00, 20, 0xFE}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dyskel::test
