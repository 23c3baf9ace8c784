// Link tracking driven through its three buttons, watching the selectors,
// the hex view and the Position panel.
#include "EditorHarness.h"

#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>

namespace dyskel::test {
namespace {

class TrackingTest : public EditorTest {
  protected:
    QLabel* Pos() { return Find<QLabel>("PanelPos"); }
    QTabWidget* Notebook() { return Find<QTabWidget>("TNBdisplay"); }
    void Forward() { QTest::mouseClick(Find<QPushButton>("BtnTrackForward"), Qt::LeftButton); }
    void Back() { QTest::mouseClick(Find<QPushButton>("BtnTrackBack"), Qt::LeftButton); }
    void Reset() { QTest::mouseClick(Find<QPushButton>("BtnResetTracking"), Qt::LeftButton); }
    void Select(int track, int sector) {
        Track()->setValue(track);
        Sector()->setValue(sector);
    }
    // Byte i of the block the hex grid shows.
    QString HexCell(int i) {
        return Find<QTableWidget>("StrGridHexEd")->item(i / 16 + 1, i % 16 + 1)->text();
    }

    // A program loading at $0801 along 17/0, 17/10, 17/20, 16/5: three full
    // blocks (254 data bytes each, the load address counted) and 10 bytes.
    D64Builder ProgramDisk() {
        D64Builder disk;
        std::vector<std::uint8_t> data(254 * 3 + 10, 0xEA);
        data[0] = 0x01;
        data[1] = 0x08;
        disk.AddFile("PROG", 0x82, data, {{17, 0}, {17, 10}, {17, 20}, {16, 5}});
        return disk;
    }
};

TEST_F(TrackingTest, ForwardThroughAProgramAndBackAgain) {
    UseImage(ProgramDisk());
    Open([&] {
        Select(17, 0);
        EXPECT_EQ(Pos()->text(), "$0000");
        EXPECT_FALSE(Pos()->font().bold());

        Forward(); // records the first block and takes its load address
        EXPECT_EQ(Block(), std::make_pair(17, 0));
        EXPECT_EQ(Pos()->text(), "$0801");
        EXPECT_TRUE(Pos()->font().bold());
        Forward();
        EXPECT_EQ(Block(), std::make_pair(17, 10));
        EXPECT_EQ(Pos()->text(), "$08FD");
        Forward();
        EXPECT_EQ(Block(), std::make_pair(17, 20));
        EXPECT_EQ(Pos()->text(), "$09FB");

        Back();
        EXPECT_EQ(Block(), std::make_pair(17, 10));
        EXPECT_EQ(Pos()->text(), "$08FD");
        Back();
        EXPECT_EQ(Block(), std::make_pair(17, 0));
        EXPECT_EQ(Pos()->text(), "$0801");
        Back();
        EXPECT_EQ(Block(), std::make_pair(17, 0));
        EXPECT_EQ(Pos()->text(), "$0000");
        Back();
        EXPECT_EQ(Block(), std::make_pair(17, 0));
        EXPECT_EQ(Pos()->text(), "$0000");
    });
}

TEST_F(TrackingTest, LastBlockStopsTheWay) {
    UseImage(ProgramDisk());
    Open([&] {
        Select(17, 0);
        for (int i = 0; i < 4; ++i) Forward();
        EXPECT_EQ(Block(), std::make_pair(16, 5));
        EXPECT_EQ(Pos()->text(), "$0AF9");
        EXPECT_EQ(HexCell(0), "00"); // last block: link track 0
        Forward();
        EXPECT_EQ(Block(), std::make_pair(16, 5));
        EXPECT_EQ(Pos()->text(), "$0AF9");
        Back();
        EXPECT_EQ(Block(), std::make_pair(17, 20));
        EXPECT_EQ(Pos()->text(), "$09FB");
    });
}

TEST_F(TrackingTest, LinkToAnotherZoneShowsExactlyTheNamedBlock) {
    D64Builder disk;
    disk.Block(17, 20)[0] = 19;
    disk.Block(17, 20)[1] = 3;
    disk.Block(19, 3)[2] = 0x5A;
    UseImage(disk);
    Open([&] {
        Select(17, 20);
        Forward();
        Forward();
        EXPECT_EQ(Block(), std::make_pair(19, 3));
        EXPECT_EQ(HexCell(2), "5A");
    });
}

TEST_F(TrackingTest, DirectoryChainMovesAtOnceAndLeavesThePosition) {
    D64Builder disk;
    disk.Header()[0] = 18; // header links to 18/1
    disk.Header()[1] = 1;
    UseImage(disk);
    Open([&] {
        ASSERT_EQ(Block(), std::make_pair(18, 0));
        Forward();
        EXPECT_EQ(Block(), std::make_pair(18, 1));
        EXPECT_EQ(Pos()->text(), "$0000");
        Back();
        EXPECT_EQ(Block(), std::make_pair(18, 0));
        EXPECT_EQ(Pos()->text(), "$0000");
    });
}

TEST_F(TrackingTest, BackDoesNothingBeforeTheFirstForwardStep) {
    UseImage(ProgramDisk());
    options.Item("MnuJump2HexTS")->setChecked(true);
    Open([&] {
        Select(17, 10);
        Notebook()->setCurrentIndex(2);
        Back();
        EXPECT_EQ(Block(), std::make_pair(17, 10));
        EXPECT_EQ(Notebook()->currentIndex(), 2);
        EXPECT_EQ(Pos()->text(), "$0000");
    });
}

TEST_F(TrackingTest, ResetForgetsTheWay) {
    UseImage(ProgramDisk());
    Open([&] {
        Select(17, 0);
        Forward();
        Forward();
        Reset();
        EXPECT_EQ(Pos()->text(), "$0000");
        EXPECT_FALSE(Pos()->font().bold());
        Back();
        EXPECT_EQ(Block(), std::make_pair(17, 10));
        // The next forward step starts a new way from the block on show.
        Forward();
        EXPECT_EQ(Block(), std::make_pair(17, 10));
        EXPECT_EQ(Pos()->text(), "$EAEA"); // bytes 2-3 of 17/10 taken as a load address
    });
}

TEST_F(TrackingTest, StepsShowTheHexEditorPageWhenTheOptionIsOn) {
    UseImage(ProgramDisk());
    options.Item("MnuJump2HexTS")->setChecked(true);
    Open([&] {
        Select(17, 0);
        Notebook()->setCurrentIndex(2);
        Forward();
        EXPECT_EQ(Notebook()->currentIndex(), 0);
        Notebook()->setCurrentIndex(1);
        Back();
        EXPECT_EQ(Notebook()->currentIndex(), 0);
    });
}

TEST_F(TrackingTest, StepsKeepThePageWhenTheOptionIsOff) {
    UseImage(ProgramDisk());
    options.Item("MnuJump2HexTS")->setChecked(false);
    Open([&] {
        Select(17, 0);
        Notebook()->setCurrentIndex(2);
        Forward();
        Forward();
        EXPECT_EQ(Notebook()->currentIndex(), 2);
        EXPECT_EQ(Block(), std::make_pair(17, 10));
    });
}

TEST_F(TrackingTest, LinkComesFromTheBlockOnShowAfterAnotherPageReadTheDisk) {
    D64Builder disk = ProgramDisk();
    // A second program whose walk leaves track 30 in the track buffer.
    std::vector<std::uint8_t> other(100, 0x60);
    other[0] = 0x00;
    other[1] = 0xC0;
    disk.AddFile("OTHER", 0x82, other, {{30, 7}});
    UseImage(disk);
    Open([&] {
        Select(17, 0);
        Forward();
        editor.DisassembleFile(30, 7);
        Forward();
        EXPECT_EQ(Block(), std::make_pair(17, 10));
        EXPECT_EQ(Pos()->text(), "$08FD");
    });
}

TEST_F(TrackingTest, OpeningAgainStopsTrackingAndShowsAFreshPosition) {
    UseImage(ProgramDisk());
    Open([&] {
        Select(17, 0);
        Forward();
        Forward();
    });
    Open([&] {
        EXPECT_EQ(Pos()->text(), "$0000");
        EXPECT_FALSE(Pos()->font().bold());
        Back();
        EXPECT_EQ(Block(), std::make_pair(18, 0));
        EXPECT_EQ(Pos()->text(), "$0000");
    });
}

TEST_F(TrackingTest, HistoryHoldsAtMost512Steps) {
    D64Builder disk;
    // Block 1/0 links to itself: every forward step records it again.
    disk.Block(1, 0)[0] = 1;
    disk.Block(1, 0)[1] = 0;
    disk.Block(1, 0)[2] = 0x01; // "load address" $0001
    UseImage(disk);
    Open([&] {
        Select(1, 0);
        for (int i = 0; i < 520; ++i) Forward();
        // 511 steps moved on (the first only recorded): $0001 + 252 + 510 * 254
        // = 129793, which wraps to 64257.
        EXPECT_EQ(Pos()->text(), "$FB01");
        int backs = 0;
        while (Pos()->text() != "$0000" && backs < 600) {
            Back();
            ++backs;
        }
        EXPECT_EQ(backs, 512);
    });
}

} // namespace
} // namespace dyskel::test
