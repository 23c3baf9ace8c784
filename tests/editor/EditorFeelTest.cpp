// The editor window as a desktop window: typed track and sector numbers,
// ranges copied from the hex and text grids, a long file name, resizing and
// the place the window opens at.
#include "EditorHarness.h"
#include "editor/BamChart.h"
#include "platform/Fonts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>

namespace dyskel::test {
namespace {

class EditorFeelTest : public EditorTest {
  protected:
    QTableWidget* Hex() { return Find<QTableWidget>("StrGridHexEd"); }
    QTableWidget* Text() { return Find<QTableWidget>("StrGridTextEd"); }
    QPoint Centre(QTableWidget* g, int row, int column) {
        return g->visualRect(g->model()->index(row, column)).center();
    }
    // A mouse drag across a grid from one cell to another.
    void Drag(QTableWidget* g, int row0, int column0, int row1, int column1) {
        QTest::mousePress(g->viewport(), Qt::LeftButton, {}, Centre(g, row0, column0));
        QTest::mouseMove(g->viewport(), Centre(g, row1, column1));
        QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, Centre(g, row1, column1));
    }
    static void TypeInto(QSpinBox* spin, const QString& text) {
        spin->setFocus();
        spin->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(spin, text);
        QTest::keyClick(spin, Qt::Key_Return);
    }
};

struct TypedRow {
    const char* name;
    bool track; // typed into the track box, else the sector box
    const char* typed;
    std::pair<int, int> block; // where the selectors stand after Enter
    const char* hint;          // the refusal's hint, "" when taken
};
const TypedRow TypedRows[] = {
    {"TrackTaken", true, "25", {25, 0}, ""},
    {"TrackPastTheImage", true, "36", {18, 0}, "Track 1 to 35"},
    {"TrackZero", true, "0", {18, 0}, "Track 1 to 35"},
    {"SectorTaken", false, "7", {18, 7}, ""},
    {"SectorPastTheTrack", false, "19", {18, 0}, "Sector 0 to 18"}, // track 18 has 19 sectors
};
class TypedNumber : public EditorFeelTest, public ::testing::WithParamInterface<TypedRow> {};
TEST_P(TypedNumber, IsTakenOrRefusedWithTheRange) {
    UseImage(D64Builder());
    Open([&] {
        const TypedRow& row = GetParam();
        QSpinBox* spin = row.track ? Track() : Sector();
        TypeInto(spin, QString::fromLatin1(row.typed));
        EXPECT_EQ(Block(), row.block);
        EXPECT_EQ(spin->toolTip(), QString::fromLatin1(row.hint));
    });
}
INSTANTIATE_TEST_SUITE_P(Editor, TypedNumber, ::testing::ValuesIn(TypedRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorFeelTest, DraggedRangesAreCopiedAndTabLeavesTheGrid) {
    D64Builder disk;
    std::uint8_t* b = disk.Block(1, 0);
    const std::uint8_t bytes[] = {0x01, 0x41, 0xFE, 0x53, 0x20, 0x31};
    std::copy(std::begin(bytes), std::end(bytes), b);
    UseImage(disk);
    Open([&] {
        Track()->setValue(1);
        Sector()->setValue(0);
        Drag(Hex(), 1, 2, 1, 5); // bytes 1 to 4
        EXPECT_EQ(Hex()->selectionModel()->selectedIndexes().size(), 4);
        QTest::keyClick(Hex(), Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "41 FE 53 20");
        Drag(Text(), 1, 1, 1, 5); // bytes 1 to 5: A, a graphic, S, blank, 1
        Text()->setFocus();
        QTest::keyClick(Text(), Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), PetsciiToQString("\x41\xFE\x53\x20\x31"));
        Hex()->setFocus();
        QTest::keyClick(Hex(), Qt::Key_Tab);
        EXPECT_FALSE(Hex()->hasFocus());
    });
}

TEST_F(EditorFeelTest, LongFileNameShowsItsStartAndThePathAsTip) {
    const std::string name = "A VERY LONG NAME OF A DISK IMAGE THAT DOES NOT FIT IN THE BOX.D64";
    UseImage(D64Builder(), name);
    Open([&] {
        auto* box = Find<QLineEdit>("EditFileName");
        EXPECT_EQ(box->cursorPosition(), 0);
        EXPECT_EQ(box->toolTip(), QString::fromStdString(dir.File(name)));
    });
}

TEST_F(EditorFeelTest, MaximisedGridsGrowAndSmallWindowsScroll) {
    UseImage(D64Builder());
    Open([&] {
        auto* top = Find<QWidget>("PanelTop");
        editor.ShowPage(0);
        QCoreApplication::processEvents();
        const QSize designedHex = Hex()->size();
        const QSize designedDir = Find<QWidget>("StrGridDir")->size();
        editor.resize(1000, 800);
        QCoreApplication::processEvents();
        EXPECT_GT(Hex()->width(), designedHex.width());
        EXPECT_GT(Hex()->height(), designedHex.height());
        editor.ShowPage(1);
        QCoreApplication::processEvents();
        EXPECT_GT(Find<QWidget>("StrGridDir")->height(), designedDir.height());
        editor.ShowPage(2);
        QCoreApplication::processEvents();
        auto* chart = Find<TBamChart>("PanelBAM");
        EXPECT_GT(chart->width(), 657);
        const QRect square = TBamChart::CellBox(1, 0);
        const QPoint scaled = square.center() * chart->Scale();
        EXPECT_EQ(chart->grab().toImage().pixelColor(scaled), chart->CellColor(1, 0));
        editor.resize(400, 300);
        QCoreApplication::processEvents();
        EXPECT_EQ(top->size(), QSize(681, 142));
        auto* scroll = Find<QScrollArea>("EditorScroll");
        EXPECT_TRUE(scroll->horizontalScrollBar()->isVisible());
        EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
    });
}

TEST_F(EditorFeelTest, OpensWhollyOnTheMainWindowsScreen) {
    UseImage(D64Builder());
    const QRect area = mainWindow.screen()->availableGeometry();
    data.place = area.bottomRight() - QPoint(100, 100);
    Open([&] {
        EXPECT_TRUE(area.contains(editor.frameGeometry()))
            << editor.frameGeometry().x() << "," << editor.frameGeometry().y() << " "
            << editor.frameGeometry().width() << "x" << editor.frameGeometry().height() << " in "
            << area.width() << "x" << area.height();
    });
}

TEST_F(EditorFeelTest, CtrlSAndCtrlZWorkWhereverTheFocusIs) {
    constexpr std::size_t TypeOfOne = 91648 + 0x02, Block2_0 = 21 * 256; // in 18/1; 2/0
    D64Builder disk;
    disk.AddPrg("ONE", 0x0801, {0x60});
    UseImage(disk);
    options.Item("MnuEditorEditMode")->setChecked(true);
    const std::vector<std::uint8_t> before = dir.Read("TEST.D64");
    Open([&] {
        editor.ShowPage(1); // the pop-up menu opened with nothing to undo, then a command of it
        Find<QTableWidget>("StrGridDir")->setCurrentCell(0, 1);
        emit Find<QMenu>("PopupMenuDir")->aboutToShow();
        Find<QAction>("PMnuDirWPyes")->trigger();
        EXPECT_EQ(dir.Read("TEST.D64")[TypeOfOne], 0xC2);
        QTest::keySequence(Find<QTableWidget>("StrGridDir"), QKeySequence::Undo);
        EXPECT_EQ(dir.Read("TEST.D64")[TypeOfOne], 0x82);
        Track()->setValue(2);
        editor.ShowPage(0);
        QTest::keyClicks(Hex(), "AB");
        Track()->setFocus(); // a text box, which has an undo of its own
        QTest::keySequence(Track(), QKeySequence::Save);
        EXPECT_EQ(dir.Read("TEST.D64")[Block2_0], 0xAB);
        QTest::keySequence(Track(), QKeySequence::Undo);
    });
    EXPECT_EQ(dir.Read("TEST.D64"), before);
}

} // namespace
} // namespace dyskel::test
