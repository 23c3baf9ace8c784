#include "MainFormFixture.h"

#include <QImage>

#include <dirent.h>
#include <sys/stat.h>

namespace dyskel::test {
namespace {

using ScanTest = MainFormTest;

// The file names as the platform's folder search returns them.
QStringList PlatformOrder(const std::string& folder) {
    QStringList names;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* d = readdir(dir)) {
        std::string name = d->d_name;
        if (name.size() > 4 && (name.ends_with(".D64") || name.ends_with(".d64")))
            names << QString::fromStdString(name);
    }
    closedir(dir);
    return names;
}

TEST_F(ScanTest, EmptyFolder) {
    images.Write("readme.txt", {1, 2, 3});
    Start();
    Scanned();
    EXPECT_EQ(Find<QLabel>("StImages")->text(), "0");
    EXPECT_FALSE(Grid()->isEnabled());
    ASSERT_EQ(Grid()->rowCount(), 1);
    for (int c = 1; c < 8; ++c) EXPECT_EQ(Cell(0, c), "") << c;
    EXPECT_EQ(Find<QLabel>("PanelScanStat")->text(), "............");
    EXPECT_FALSE(Find<QProgressBar>("RescanP")->isEnabled());
}

TEST_F(ScanTest, GridTitlesAndWidths) {
    Start();
    const char* titles[] = {"", "FileName", "Size", "Attr", "Disk label", "Image", "E/C", "Mode"};
    const int widths[] = {5, 101, 54, 38, 204, 52, 28, 36};
    ASSERT_EQ(Grid()->columnCount(), 8);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(Grid()->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        EXPECT_EQ(Grid()->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(Grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(ScanTest, OneImageWithItsDetails) {
    images.Write("GAMES.D64", StandardImage("GAMES"));
    Start();
    Scanned();
    EXPECT_EQ(Find<QLabel>("StImages")->text(), "1");
    EXPECT_TRUE(Grid()->isEnabled());
    ASSERT_EQ(Grid()->rowCount(), 1);
    EXPECT_EQ(Column(1), QStringList{"GAMES.D64"});
    EXPECT_EQ(Cell(0, 2), "174848");
    EXPECT_EQ(Cell(0, 3), "____");
    EXPECT_EQ(Cell(0, 4), "\"GAMES\" 012A");
    EXPECT_EQ(Cell(0, 5), "1541SS");
    EXPECT_EQ(Cell(0, 6), "No");
    EXPECT_EQ(Cell(0, 7), "R/W");
    EXPECT_EQ(Grid()->currentRow(), 0);
}

TEST_F(ScanTest, HeaderFlagsAndErrorBytes) {
    images.Write("a_err.D64", StandardImage("ERRORS", true));
    auto doubleSided = StandardImage("TWO SIDES");
    doubleSided[91392 + 3] = 0x80;
    images.Write("b_ds.D64", doubleSided);
    auto locked = StandardImage("LOCKED");
    locked[91392 + 2] = 'B';
    images.Write("c_ro.D64", locked);
    auto odd = StandardImage("QU\"OTES");
    odd[91392 + 0x90 + 6] = 0xC1; // a shifted letter in place of the S
    images.Write("d_odd.D64", odd);
    Start();
    EXPECT_EQ(Column(1), (QStringList{"a_err.D64", "b_ds.D64", "c_ro.D64", "d_odd.D64"}));
    EXPECT_EQ(Column(2), (QStringList{"175531", "174848", "174848", "174848"}));
    EXPECT_EQ(Column(4),
              (QStringList{"\"ERRORS\" 012A", "\"TWO SIDES\" 012A", "\"LOCKED\" 012A", "\"QUOTE\" 012A"}));
    EXPECT_EQ(Column(5), (QStringList{"1541SS", "1571DS", "1541SS", "1541SS"}));
    EXPECT_EQ(Column(6), (QStringList{"Yes", "No", "No", "No"}));
    EXPECT_EQ(Column(7), (QStringList{"R/W", "R/W", "R/O", "R/W"}));
}

TEST_F(ScanTest, SortedByNameByteWise) {
    images.Write("arcade.D64", StandardImage());
    images.Write("Zork.D64", StandardImage());
    images.Write("game.d64", StandardImage());
    images.Write("Zork.D64.txt", StandardImage());
    std::filesystem::create_directory(images.File("old.D64"));
    Start();
    EXPECT_EQ(Column(1), (QStringList{"Zork.D64", "arcade.D64", "game.d64", "old.D64"}));
    EXPECT_EQ(Cell(3, 2), "0");
    EXPECT_EQ(Find<QLabel>("StImages")->text(), "4");
}

TEST_F(ScanTest, UnsortedKeepsThePlatformOrderAndTheOptionRescans) {
    for (const char* name : {"m.D64", "B.D64", "z.D64", "a.D64", "Q.D64", "c.D64"})
        images.Write(name, StandardImage());
    Start();
    EXPECT_EQ(Column(1), (QStringList{"B.D64", "Q.D64", "a.D64", "c.D64", "m.D64", "z.D64"}));
    Item("MnuSortFbyUnSort")->trigger();
    EXPECT_EQ(Column(1), PlatformOrder(images.Path()));
    Item("MnuSortFbyName")->trigger();
    EXPECT_EQ(Column(1), (QStringList{"B.D64", "Q.D64", "a.D64", "c.D64", "m.D64", "z.D64"}));
}

TEST_F(ScanTest, DetailsOffEmptiesColumnsFourToSeven) {
    images.Write("one.D64", StandardImage());
    images.Write("two.D64", StandardImage());
    Start();
    ASSERT_EQ(Cell(1, 5), "1541SS");
    Item("MnuImgDetails")->trigger();
    for (int r = 0; r < 2; ++r)
        for (int c = 4; c < 8; ++c) EXPECT_EQ(Cell(r, c), "") << r << "," << c;
    EXPECT_EQ(Column(2), (QStringList{"174848", "174848"}));
    Item("MnuImgDetails")->trigger();
    EXPECT_EQ(Cell(1, 5), "1541SS");
}

TEST_F(ScanTest, AttributesOnLinux) {
    images.Write("plain.D64", StandardImage());
    images.Write("locked.D64", StandardImage());
    images.Write(".hidden.D64", StandardImage());
    chmod(images.File("locked.D64").c_str(), 0444);
    Start();
    EXPECT_EQ(Column(1), (QStringList{".hidden.D64", "locked.D64", "plain.D64"}));
    EXPECT_EQ(Column(3), (QStringList{"H___", "R___", "____"}));
}

TEST_F(ScanTest, UnreadableHeaderLeavesTheDetailsEmpty) {
    images.Write("short.D64", std::vector<std::uint8_t>(1000, 0));
    Start();
    EXPECT_EQ(Column(1), QStringList{"short.D64"});
    EXPECT_EQ(Cell(0, 2), "1000");
    for (int c = 4; c < 8; ++c) EXPECT_EQ(Cell(0, c), "") << c;
}

// Records what the status panel and the gauge showed while the window was
// on screen.
class ScanWatcher : public QObject {
  public:
    QStringList status;
    std::vector<int> gauge;
    bool gaugeEnabledWhileMoving = true;
    QLabel* panel = nullptr;
    QProgressBar* bar = nullptr;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            if (watched == panel && (status.isEmpty() || status.back() != panel->text()))
                status << panel->text();
            if (watched == bar) {
                if (gauge.empty() || gauge.back() != bar->value()) {
                    gauge.push_back(bar->value());
                    gaugeEnabledWhileMoving = gaugeEnabledWhileMoving && bar->isEnabled();
                }
            }
        }
        return false;
    }
};

TEST_F(ScanTest, StatusTextsAndGaugeDuringARescan) {
    for (int i = 0; i < 40; ++i) images.Write("img" + std::to_string(100 + i) + ".D64", StandardImage());
    Start();
    Show();
    ScanWatcher watch;
    watch.panel = Find<QLabel>("PanelScanStat");
    watch.bar = Find<QProgressBar>("RescanP");
    Find<QLabel>("PanelScanStat")->installEventFilter(&watch);
    Find<QProgressBar>("RescanP")->installEventFilter(&watch);
    QTest::keyClick(form.get(), Qt::Key_F5);
    Scanned();
    EXPECT_EQ(watch.status, (QStringList{"Analyzing", "Sorting", "Updating", "............"}));
    // Listing fills 40 of 2000 places (2 %), then every row counts.
    ASSERT_FALSE(watch.gauge.empty());
    EXPECT_EQ(watch.gauge.back(), 100);
    EXPECT_TRUE(std::is_sorted(watch.gauge.begin() + 1, watch.gauge.end()));
    EXPECT_GE(watch.gauge.size(), 20u);
    EXPECT_TRUE(watch.gaugeEnabledWhileMoving);
    EXPECT_FALSE(Find<QProgressBar>("RescanP")->isEnabled());
    EXPECT_EQ(Find<QProgressBar>("RescanP")->value(), 100); // not reset until the next scan moves it
}

TEST_F(ScanTest, RefreshFindsNewImages) {
    Start();
    Show();
    images.Write("new.D64", StandardImage());
    QTest::keyClick(form.get(), Qt::Key_F5);
    Scanned();
    EXPECT_EQ(Column(1), QStringList{"new.D64"});
    EXPECT_EQ(Find<QLabel>("StImages")->text(), "1");
}

// A folder of many images: hard links to one, so that it is made quickly.
void ManyImages(TempDir& dir, const std::string& folder, int count) {
    std::filesystem::create_directories(dir.File(folder));
    const std::string first = dir.File(folder + "/many0.D64");
    D64Builder("MANY", "01").Save(first);
    for (int i = 1; i < count; ++i)
        std::filesystem::create_hard_link(first, dir.File(folder + "/many" + std::to_string(i) + ".D64"));
}

TEST_F(ScanTest, RowsComeInWhileTheScanRunsAndTheWindowAnswers) {
    ManyImages(images, "big", 10000);
    Start({"/DEBUG"}, images.File("big"));
    Show();
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return Find<TImageGrid>("FileStrGrid")->Rows()->Images() > 0; }, 20000));
    EXPECT_TRUE(form->Scanning());
    EXPECT_LT(Find<TImageGrid>("FileStrGrid")->Rows()->Images(), 10000);
    EXPECT_TRUE(Find<QProgressBar>("RescanP")->isEnabled());
    EXPECT_EQ(Find<TImageGrid>("FileStrGrid")->currentRow(), 0);
    Scanned();
    EXPECT_EQ(Find<QLabel>("StImages")->text(), "10000");
    EXPECT_EQ(Find<TImageGrid>("FileStrGrid")->rowCount(), 10000);
    EXPECT_EQ(Find<QProgressBar>("RescanP")->value(), 100);
}

TEST_F(ScanTest, AnotherFolderGivesTheRunningScanUp) {
    ManyImages(images, "big", 5000);
    std::filesystem::create_directory(images.File("small"));
    images.Write("small/only.D64", StandardImage());
    Start({"/DEBUG"}, images.File("big"));
    ASSERT_TRUE(form->Scanning());
    Find<TDirListBox>("DirListBox")->SetDirectory(images.File("small"));
    Scanned();
    QTest::qWait(100); // rows of the old scan would have come by now
    EXPECT_EQ(Column(1), QStringList{"only.D64"});
    EXPECT_EQ(Find<QLabel>("StImages")->text(), "1");
    EXPECT_EQ(Find<QLabel>("PanelScanStat")->text(), "............");
}

// A string grid cuts a text at the column's edge: the narrow E/C column shows
// the start of "Yes", never "Y" and an ellipsis.
TEST_F(ScanTest, NarrowColumnsCutTheirTextInsteadOfElidingIt) {
    images.Write("ERRORS.D64", StandardImage("ERRORS", true));
    Start();
    Show();
    ASSERT_EQ(Cell(0, 6), "Yes");
    ASSERT_EQ(Grid()->columnWidth(6), 28);
    Grid()->setCurrentCell(0, 1);
    const QModelIndex yes = Grid()->model()->index(0, 6);
    const QRect cell = Grid()->visualRect(yes);
    const QImage shown = Grid()->viewport()->grab(cell).toImage();
    Grid()->model()->setData(yes, QStringLiteral("Y") + QChar(0x2026));
    QCoreApplication::processEvents();
    const QImage elided = Grid()->viewport()->grab(cell).toImage();
    EXPECT_NE(shown, elided);
}

} // namespace
} // namespace dyskel::test
