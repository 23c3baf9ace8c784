// The main window as a user meets it: focus, the current cell, the selection
// after an opening, F5, cut texts, the label's glyphs, the gauge, the open
// dialog's filter and the window's layout kept in the settings file.
#include "MainFormFixture.h"
#include "core/Petscii.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>

namespace dyskel::test {
namespace {

class MainWindowFeelTest : public MainFormTest {
  protected:
    void SetUp() override {
        images.Write("alpha.D64", StandardImage("ALPHA"));
        images.Write("beta.D64", StandardImage("BETA"));
        images.Write("gamma.D64", StandardImage("GAMMA"));
    }
};

TEST_F(MainWindowFeelTest, FocusStartsInTheGridAndTheCurrentCellNeverInColumnZero) {
    Start();
    Show();
    EXPECT_EQ(QApplication::focusWidget(), Grid());
    QTest::keyClick(Grid(), Qt::Key_Down);
    for (int key : {Qt::Key_Left, Qt::Key_Home}) {
        QTest::keyClick(Grid(), Qt::Key(key));
        EXPECT_EQ(Grid()->currentColumn(), 1) << key;
    }
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, CellCentre(2, 0));
    EXPECT_EQ(Grid()->currentRow(), 2);
    EXPECT_EQ(Grid()->currentColumn(), 1);
    QTest::keyClick(Grid(), Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].file.name, Cell(2, 1).toStdString());
}

TEST_F(MainWindowFeelTest, F5ReadsTheFolderListAgainAndLeavesAFolderThatIsGone) {
    const std::string deeper = images.Path() + "/sub/deeper";
    std::filesystem::create_directories(deeper);
    Start({"/DEBUG"}, deeper);
    Show();
    std::filesystem::create_directory(deeper + "/new");
    QTest::keyClick(form.get(), Qt::Key_F5);
    EXPECT_FALSE(Find<TDirListBox>("DirListBox")->findItems("new", Qt::MatchEndsWith).isEmpty());
    std::filesystem::remove_all(images.Path() + "/sub");
    QTest::keyClick(form.get(), Qt::Key_F5);
    Scanned();
    EXPECT_EQ(Find<TDirListBox>("DirListBox")->Directory(), images.Path());
    EXPECT_EQ(Find<QLabel>("StImages")->text(), "3");
    EXPECT_EQ(Find<QLabel>("PanelScanStat")->text(), "Folder gone");
    EXPECT_TRUE(Find<QLabel>("PanelScanStat")->toolTip().contains(QString::fromStdString(deeper)));
}

TEST_F(MainWindowFeelTest, NameAndLabelCellsGiveTheWholeTextAsTip) {
    images.Write("a name much longer than its column.D64", StandardImage("LONG DISK LABEL"));
    Start();
    Show();
    for (int r = 0; r < Grid()->rowCount(); ++r) {
        EXPECT_EQ(Data(r, 1, Qt::ToolTipRole).toString(), Cell(r, 1));
        EXPECT_EQ(Data(r, 4, Qt::ToolTipRole).toString(), Cell(r, 4));
    }
}

TEST_F(MainWindowFeelTest, EveryLabelByteHasAGlyphInTheLabelFont) {
    D64Builder disk("LABEL", "01");
    disk.Header()[0x90] = 0x7F;
    disk.Header()[0x91] = 0x9D;
    images.Write("marks.D64", disk.Bytes());
    Start();
    Show();
    int row = 0;
    while (Cell(row, 1) != "marks.D64") ++row;
    EXPECT_TRUE(Cell(row, 4).contains(PetsciiToQString("\x7F\x9D"))) << Cell(row, 4).toStdString();
    const QFontMetrics metrics(Data(row, 4, Qt::FontRole).value<QFont>());
    for (int b = 0; b < 256; ++b)
        EXPECT_TRUE(metrics.inFontUcs4(PetsciiGlyph(std::uint8_t(b)))) << "byte " << b;
}

TEST_F(MainWindowFeelTest, GaugePercentageIsReadableOnBothParts) {
    Start();
    Show();
    QProgressBar* gauge = Find<QProgressBar>("RescanP");
    gauge->setValue(50);
    const QImage shot = gauge->grab().toImage();
    // Dark ink on the empty right part, cyan ink on the blue left part.
    int dark = 0, cyan = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (x > shot.width() / 2 + 2 && c.lightness() < 100) ++dark;
            if (x < shot.width() / 2 - 2 && c.green() > 200 && c.blue() > 200 && c.red() < 80) ++cyan;
        }
    EXPECT_GT(dark, 5);
    EXPECT_GT(cyan, 5);
}

TEST_F(MainWindowFeelTest, TitleClicksSortByTheirColumnAndReverse) {
    images.Write("tiny.D64", std::vector<std::uint8_t>(9));
    images.Write("err.D64", StandardImage("ERR", true));
    Start();
    Show();
    QHeaderView* titles = Grid()->horizontalHeader();
    auto clickTitle = [&](int column) {
        const QPoint at(titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2, 5);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, at);
    };
    clickTitle(2); // sizes as numbers: 9 before 174848
    EXPECT_EQ(Column(2), (QStringList{"9", "174848", "174848", "174848", "175531"}));
    clickTitle(2);
    EXPECT_EQ(Column(1).first(), "err.D64");
    clickTitle(1);
    EXPECT_EQ(Column(1), (QStringList{"alpha.D64", "beta.D64", "err.D64", "gamma.D64", "tiny.D64"}));
    clickTitle(1);
    EXPECT_EQ(Column(1).first(), "tiny.D64");
    // Enter opens the highlighted row of the sorted grid; a rescan keeps the order.
    Grid()->setCurrentCell(1, 1);
    QTest::keyClick(Grid(), Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].file.name, "gamma.D64");
    QTest::keyClick(form.get(), Qt::Key_F5);
    EXPECT_EQ(Column(1).first(), "tiny.D64");
}

TEST_F(MainWindowFeelTest, OpenFilesAllFilterTakesNamesWithoutADot) {
    Start();
    Item("MnuOpenFile")->trigger();
    ASSERT_EQ(dialogs.openFilters.size(), 1);
    EXPECT_TRUE(dialogs.openFilters[0].endsWith(";;All (*)"));
}

TEST_F(MainWindowFeelTest, PlaceSizeAndColumnWidthsAreKeptInTheirOwnSection) {
    Start();
    Show();
    form->resize(600, 400);
    form->move(50, 60);
    Grid()->setColumnWidth(1, 150);
    ASSERT_TRUE(form->close());
    EXPECT_NE(IniText().find("[Window]\nLeft=50\nTop=60\nWidth=600\nHeight=400\nColumn0=5\nColumn1=150\n"),
              std::string::npos)
        << IniText();
    Start();
    EXPECT_EQ(form->size(), QSize(600, 400));
    EXPECT_EQ(form->pos(), QPoint(50, 60));
    EXPECT_EQ(Grid()->columnWidth(1), 150);
}

} // namespace
} // namespace dyskel::test
