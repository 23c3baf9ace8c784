// The BAM Allocation Map page as the user sees it: the colour of each square
// on screen, its tooltip, the axis labels and the legend.
#include "EditorHarness.h"

#include "editor/BamChart.h"

#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <QToolTip>

namespace dyskel::test {
namespace {

const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);
const QColor Grey(128, 128, 128);
const QColor Magenta(255, 0, 255);
using Bytes = std::vector<std::uint8_t>;

class BamChartTest : public EditorTest {
  protected:
    TBamChart* Chart() { return Find<TBamChart>("PanelBAM"); }

    void ShowBamPage() { Find<QTabWidget>("TNBdisplay")->setCurrentIndex(2); }

    // Centre of the square of (track, sector): squares are 17 pixels apart
    // across, 16 down, the first row 18 pixels below the panel's top.
    static QPoint Centre(int track, int sector) { return {track * 17 + 8, sector * 16 + 18 + 7}; }

    QColor ColourOnScreen(const QImage& shot, int track, int sector) {
        return shot.pixelColor(Centre(track, sector));
    }

    // Centre of a square as the chart places it (a 40-track chart has
    // narrower columns).
    QPoint Placed(int track, int sector) {
        return Chart()->CellBox(track, sector, Chart()->Columns()).center();
    }

    // The tooltip the panel shows with the pointer resting on a square; empty
    // when it shows none.
    QString TooltipAt(int track, int sector) { return TooltipAt(Centre(track, sector)); }
    QString TooltipAt(QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, Chart()->mapToGlobal(at));
        QApplication::sendEvent(Chart(), &help);
        return help.isAccepted() && QToolTip::isVisible() ? QToolTip::text() : QString();
    }
};

TEST_F(BamChartTest, FreshDiskIsGreenWithAGreyTrack18) {
    UseImage(D64Builder());
    Open([&] {
        ShowBamPage();
        const QImage shot = Chart()->grab().toImage();
        EXPECT_EQ(Chart()->CellCount(), 683);
        for (int t = 1; t <= 35; ++t)
            for (int s = 0; s < SectorsPerTrack(t); ++s)
                EXPECT_EQ(ColourOnScreen(shot, t, s), t == 18 ? Grey : Green) << t << "/" << s;
        // Below the last sector of a track there is no square.
        EXPECT_NE(ColourOnScreen(shot, 35, 17), Green);
        EXPECT_NE(ColourOnScreen(shot, 18, 19), Grey);
    });
}

TEST_F(BamChartTest, UsedBlocksAreRedAndTrack18IsGreyWhateverTheMapSays) {
    D64Builder disk;
    disk.AddFile("A", 0x82, {1}, {{1, 20}});
    disk.AddFile("B", 0x82, {1}, {{35, 16}});
    disk.AddFile("C", 0x82, {1}, {{24, 0}});
    disk.Header()[4 * 18 + 1] = 0xFF; // track 18 all "free" in the BAM
    disk.Header()[4 * 18 + 2] = 0xFF;
    disk.Header()[4 * 18 + 3] = 0xFF;
    UseImage(disk);
    Open([&] {
        ShowBamPage();
        const QImage shot = Chart()->grab().toImage();
        EXPECT_EQ(ColourOnScreen(shot, 1, 20), Red);
        EXPECT_EQ(ColourOnScreen(shot, 35, 16), Red);
        EXPECT_EQ(ColourOnScreen(shot, 24, 0), Red);
        EXPECT_EQ(ColourOnScreen(shot, 1, 19), Green);
        EXPECT_EQ(ColourOnScreen(shot, 23, 0), Green);
        for (int s = 0; s < 19; ++s) EXPECT_EQ(ColourOnScreen(shot, 18, s), Grey);
    });
}

TEST_F(BamChartTest, EachSquareNamesItsBlockAndItsOwner) {
    D64Builder disk;
    disk.AddFile("HELLO", 0x82, Bytes(300, 1), {{1, 20}, {2, 0}});
    UseImage(disk);
    options.Item("MnuHints")->setChecked(true);
    Open([&] {
        ShowBamPage();
        EXPECT_EQ(TooltipAt(1, 20), "Track 1, Sector 20 (Used): \"HELLO\", block 1 of 2");
        EXPECT_EQ(TooltipAt(2, 0), "Track 2, Sector 0 (Used): \"HELLO\", block 2 of 2");
        EXPECT_EQ(TooltipAt(1, 0), "Track 1, Sector 0 (Free)");
        EXPECT_EQ(TooltipAt(18, 0), "Track 18, Sector 0 (Disk Information): BAM");
        EXPECT_EQ(TooltipAt(18, 1), "Track 18, Sector 1 (Directory Information): directory");
        EXPECT_EQ(TooltipAt(18, 18), "Track 18, Sector 18 (Directory Information)");
        EXPECT_EQ(TooltipAt(35, 16), "Track 35, Sector 16 (Free)");
        EXPECT_EQ(TooltipAt(35, 17), ""); // no such block
    });
}

TEST_F(BamChartTest, NoHintsWhenHintsAreOff) {
    UseImage(D64Builder());
    options.Item("MnuHints")->setChecked(false);
    Open([&] {
        ShowBamPage();
        EXPECT_EQ(TooltipAt(1, 0), "");
        EXPECT_EQ(TooltipAt(18, 0), "");
        EXPECT_EQ(Chart()->CellCount(), 683);
    });
}

// A 40-track disk with the extended BAM at 0xC0 (SpeedDOS), 36/0 and 36/1
// used by a file; without it tracks 36 to 40 are outside the BAM.
TEST_F(BamChartTest, FortyTracksInTheSamePanel) {
    for (bool extended : {true, false}) {
        SCOPED_TRACE(extended ? "extended BAM" : "none");
        D64Builder disk("BIG", "01", 40);
        disk.AddFile("F", 0x82, Bytes(300, 1), {{36, 0}, {36, 1}});
        const Bytes bam = {0x0F, 0xFC, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF,
                           0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01};
        if (extended) std::copy(bam.begin(), bam.end(), disk.Header() + 0xC0);
        UseImage(disk);
        options.Item("MnuHints")->setChecked(true);
        Open([&] {
            ShowBamPage();
            EXPECT_EQ(Chart()->CellCount(), 768);
            EXPECT_TRUE(Find<QLabel>("LblTracks")->text().startsWith("01 02 03"));
            EXPECT_TRUE(Find<QLabel>("LblTracks")->text().endsWith("35 36 37 38 39 40 T"));
            const QImage shot = Chart()->grab().toImage();
            const QColor light(Qt::lightGray);
            EXPECT_EQ(shot.pixelColor(Placed(35, 0)), Green);
            EXPECT_EQ(shot.pixelColor(Placed(18, 0)), Grey);
            EXPECT_EQ(shot.pixelColor(Placed(36, 0)), extended ? Red : light);
            EXPECT_EQ(shot.pixelColor(Placed(40, 16)), extended ? Green : light);
            EXPECT_EQ(TooltipAt(Placed(36, 0)),
                      extended ? "Track 36, Sector 0 (Used): \"F\", block 1 of 2"
                               : "Track 36, Sector 0 (outside the BAM): \"F\", block 1 of 2");
            EXPECT_EQ(TooltipAt(Placed(40, 2)),
                      extended ? "Track 40, Sector 2 (Free)" : "Track 40, Sector 2 (outside the BAM)");
            // The last square within the panel, the legend clear of every square.
            EXPECT_TRUE(Chart()->rect().contains(Chart()->CellBox(40, 16, 40)));
            for (const char* legend : {"ShapeFlagged", "ShapeFree", "ShapeFull", "ShapeT18"})
                for (int t = 1; t <= 40; ++t)
                    EXPECT_FALSE(Find<QWidget>(legend)->geometry().intersects(
                        Chart()->CellBox(t, SectorsPerTrack(t) - 1, 40)))
                        << legend << " " << t;
        });
    }
}

TEST_F(BamChartTest, ClosingLeavesNoSquareAndTheNextImageGetsItsOwn) {
    D64Builder first;
    first.SetFree(5, 5, false);
    UseImage(first, "FIRST.D64");
    Open();
    EXPECT_EQ(Chart()->CellCount(), 0);
    EXPECT_FALSE(Chart()->HasCell(5, 5));

    D64Builder second;
    second.AddFile("X", 0x82, {1}, {{6, 6}});
    UseImage(second, "SECOND.D64");
    Open([&] {
        ShowBamPage();
        const QImage shot = Chart()->grab().toImage();
        EXPECT_EQ(Chart()->CellCount(), 683);
        EXPECT_EQ(ColourOnScreen(shot, 5, 5), Green);
        EXPECT_EQ(ColourOnScreen(shot, 6, 6), Red);
    });
}

TEST_F(BamChartTest, AxisLabelsAndLegend) {
    UseImage(D64Builder());
    Open([&] {
        ShowBamPage();
        EXPECT_EQ(
            Find<QLabel>("LblTracks")->text(),
            "01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 "
            "32 33 34 35 T");
        EXPECT_EQ(Find<QLabel>("LblSectors")->text(),
                  "00\n\r01\n\r02\n\r03\n\r04\n\r05\n\r06\n\r07\n\r08\n\r09\n\r10\n\r11\n\r12\n\r13\n\r14\n\r"
                  "15\n\r16\n\r17\n\r18\n\r19\n\r20\n\r S");
        EXPECT_EQ(Find<QLabel>("LblFree")->text(), "Free");
        EXPECT_EQ(Find<QLabel>("LblUsed")->text(), "Used");
        EXPECT_EQ(Find<QLabel>("LblT18")->text(), "Track 18");
        struct Legend {
            const char* shape;
            QColor colour;
            int top;
        };
        EXPECT_EQ(Find<QLabel>("LblFlagged")->text(), "Validate");
        for (const Legend& l : {Legend{"ShapeFlagged", Magenta, 304}, Legend{"ShapeFree", Green, 320},
                                Legend{"ShapeFull", Red, 336}, Legend{"ShapeT18", Grey, 352}}) {
            auto* shape = Find<QWidget>(l.shape);
            ASSERT_NE(shape, nullptr);
            EXPECT_EQ(shape->geometry(), QRect(587, l.top, 17, 14)) << l.shape;
            EXPECT_EQ(shape->grab().toImage().pixelColor(8, 7), l.colour) << l.shape;
        }
    });
}

TEST_F(BamChartTest, BlocksValidateFlagsAreMagentaAndAClickShowsTheBlock) {
    D64Builder disk;
    disk.AddFile("ONE", 0x82, Bytes(300, 1), {{1, 0}, {1, 1}});
    disk.AddFile("TWO", 0x82, {1}, {{1, 1}}); // cross-linked with ONE
    disk.SetFree(1, 0, true);                 // used by ONE but free
    disk.SetFree(7, 7, false);                // orphan
    UseImage(disk);
    options.Item("MnuHints")->setChecked(true);
    Open([&] {
        ShowBamPage();
        const QImage shot = Chart()->grab().toImage();
        for (auto [t, s] : {std::pair{1, 0}, {1, 1}, {7, 7}})
            EXPECT_EQ(ColourOnScreen(shot, t, s), Magenta) << t << "/" << s;
        EXPECT_EQ(ColourOnScreen(shot, 1, 2), Green);
        EXPECT_EQ(TooltipAt(7, 7), "Track 7, Sector 7 (Used) [orphan]");
        EXPECT_EQ(TooltipAt(1, 1), "Track 1, Sector 1 (Used): \"ONE\", block 2 of 2 [cross-linked]");
        QTest::mouseClick(Chart(), Qt::LeftButton, {}, Centre(7, 7));
        EXPECT_EQ(Find<QTabWidget>("TNBdisplay")->currentIndex(), 0);
        EXPECT_EQ(Track()->value(), 7);
        EXPECT_EQ(Sector()->value(), 7);
    });
}

} // namespace
} // namespace dyskel::test
