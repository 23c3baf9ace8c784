// D71 and D81 images in the editor: the facts, the hex page's track and
// sector ranges, and the BAM chart of 70 tracks on two sides or 80 tracks of
// 40 sectors, whole in its panel with squares of at least 7 by 7 pixels.
#include "EditorHarness.h"

#include "core/DiskFiles.h"
#include "editor/BamChart.h"

#include <QImage>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>

namespace dyskel::test {
namespace {

struct FormatCase {
    const char* name;
    const DiskFormat* format;
    const char* file;
    const char* designation;
    int lastTrack;
    int dirTrack;
    int dirSectors;
    int squares;
};

class EditorFormats : public EditorTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(EditorFormats, FactsRangesAndChart) {
    const FormatCase& c = GetParam();
    UseImage(NewImageBytes(*c.format, "WORK", "W1"), c.file);
    Open([&] {
        EXPECT_EQ(Find<QLabel>("LblFormat")->text(), QString::fromLatin1(c.designation));
        EXPECT_EQ(Find<QLabel>("PanelBlocksFree")->text(),
                  c.format->kind == FormatKind::D81 ? "3160" : "1328");
        EXPECT_EQ(Track()->value(), c.dirTrack);
        EXPECT_EQ(Track()->maximum(), c.lastTrack);
        EXPECT_EQ(Sector()->maximum(), c.dirSectors);
        Track()->setValue(c.lastTrack);
        EXPECT_EQ(Track()->value(), c.lastTrack);

        Find<QTabWidget>("TNBdisplay")->setCurrentIndex(2);
        TBamChart* chart = Find<TBamChart>("PanelBAM");
        EXPECT_EQ(chart->CellCount(), c.squares);
        EXPECT_EQ(chart->findChildren<QScrollArea*>().size(), 0);
        const QImage shot = chart->grab().toImage();
        const QRect inside = chart->rect();
        QRect previous;
        for (int t = 1; t <= c.lastTrack; ++t)
            for (int s = 0; s < c.format->Sectors(t); ++s) {
                const QRect box = chart->CellRect(t, s);
                ASSERT_GE(box.width(), 7) << t << "/" << s;
                ASSERT_GE(box.height(), 7) << t << "/" << s;
                ASSERT_TRUE(inside.contains(box)) << t << "/" << s;
                ASSERT_FALSE(box.intersects(previous)) << t << "/" << s;
                previous = box;
                EXPECT_EQ(shot.pixelColor(box.center()), chart->CellColor(t, s)) << t << "/" << s;
            }
        EXPECT_EQ(chart->CellColor(c.dirTrack, 0), QColor(128, 128, 128));
        EXPECT_EQ(chart->CellColor(1, 0), QColor(0, 128, 0));
        EXPECT_EQ(Find<QLabel>("LblT18")->text(), QStringLiteral("Track %1").arg(c.dirTrack));
    });
}

INSTANTIATE_TEST_SUITE_P(Formats, EditorFormats,
                         ::testing::Values(FormatCase{"D71", &D71Format, "TWO.D71",
                                                      "1571 disk image, Double Sided.", 70, 18, 19, 1366},
                                           FormatCase{"D81", &D81Format, "BIG.d81",
                                                      "1581 disk image, 3.5 inch.", 80, 40, 40, 3200}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dyskel::test
