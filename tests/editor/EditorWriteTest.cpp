// The editor over images that cannot be read, and the Directory page's
// commands that write, driven as a user would, with the bytes on disk checked
// against the 1541's layout.
#include "EditorHarness.h"
#include "core/BlockPatch.h"
#include "editor/BamChart.h"
#include "editor/DirPage.h"

#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>

namespace dyskel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t Dir1 = 91648; // 18/1
constexpr std::size_t Bam = 91392;  // 18/0

class EditorWriteTest : public EditorTest {
  protected:
    void Select(int row) { Grid()->setCurrentCell(row, 1); }

    D64Builder TwoFiles() {
        D64Builder disk("EDIT ME", "42");
        disk.AddPrg("FIRST", 0x0801, Bytes(300, 0xEA)); // 2 blocks at 1/0, 1/1
        disk.AddPrg("SECOND", 0x1000, {0x60}, true);    // locked, 1 block at 1/2
        return disk;
    }
};

TEST_F(EditorWriteTest, AShortImageAfterAnotherShowsNothingOfTheOther) {
    UseImage(TwoFiles(), "A.D64");
    Open();
    UseImage(Bytes(1000, 0x55), "B.D64");
    Open([&] {
        EXPECT_EQ(Grid()->rowCount(), 0);
        EXPECT_EQ(Find<QLabel>("PanelBlocksFree")->text(), "");
        EXPECT_EQ(Find<QLabel>("PanelHeaderID")->text(), "");
    });
    ASSERT_FALSE(dialogs.shown.empty());
    const QString text = dialogs.shown.back().text;
    EXPECT_TRUE(text.contains("B.D64") && text.contains("track 18, sector 0")) << text.toStdString();
}

TEST_F(EditorWriteTest, DeleteScratchesTheEntryAndFreesItsBlocks) {
    UseImage(TwoFiles());
    Bytes expected = OnDisk();
    expected[Dir1 + 0x02] = 0x00;     // type byte of entry 1: scratched
    expected[Bam + 4 * 1] = 20;       // track 1: all 21 free but the locked file's 1/2
    expected[Bam + 4 * 1 + 1] = 0xFB; // sectors 0, 1 free again, 2 still used
    Open([&] {
        Select(0);
        Find<QAction>("PMnuDirDelete")->trigger();
        EXPECT_EQ(Grid()->rowCount(), 2); // SECOND and the free-blocks row
        EXPECT_EQ(Find<QLabel>("PanelBlocksFree")->text(), "663");
    });
    EXPECT_EQ(OnDisk(), expected);
}

TEST_F(EditorWriteTest, ALockedEntryIsNotDeleted) {
    UseImage(TwoFiles());
    const Bytes before = OnDisk();
    Open([&] {
        Select(1);
        Find<QAction>("PMnuDirDelete")->trigger();
    });
    EXPECT_EQ(OnDisk(), before);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_TRUE(dialogs.shown.back().text.contains("locked"));
}

struct EntryCase {
    const char* name;
    const char* action;    // the menu item chosen
    std::uint8_t typeByte; // entry 1's type byte afterwards
    std::uint16_t size;    // its size bytes
};
class EntryCommandTest : public EditorWriteTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryCommandTest, WritesTheEntryAndUndoPutsItBack) {
    UseImage(TwoFiles());
    const Bytes before = OnDisk();
    dialogs.numbers = {77};
    Open([&] {
        Select(0);
        Find<QAction>(GetParam().action)->trigger();
        const Bytes after = OnDisk();
        EXPECT_EQ(after[Dir1 + 0x02], GetParam().typeByte);
        EXPECT_EQ(after[Dir1 + 0x1E] | after[Dir1 + 0x1F] << 8, GetParam().size);
        Find<QAction>("PMnuDirUndo")->trigger();
    });
    EXPECT_EQ(OnDisk(), before);
}
INSTANTIATE_TEST_SUITE_P(Commands, EntryCommandTest,
                         ::testing::Values(EntryCase{"LockYes", "PMnuDirWPyes", 0xC2, 2},
                                           EntryCase{"TypeSeq", "PMnuDirSEQ", 0x81, 2},
                                           EntryCase{"TypeUsr", "PMnuDirUSR", 0x83, 2},
                                           EntryCase{"Size", "PMnuDirFsize", 0x82, 77}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorWriteTest, DisplayModeAsksFirstAndWritesNothingOnNo) {
    options.Item("MnuEditorEditMode")->setChecked(false);
    UseImage(TwoFiles());
    const Bytes before = OnDisk();
    dialogs.answers = {MsgResult::No};
    Open([&] {
        Select(0);
        Find<QAction>("PMnuDirWPyes")->trigger();
        EXPECT_TRUE(Find<QAction>("PMnuDirWPno")->isChecked()); // the mark shows the disk again
    });
    EXPECT_EQ(OnDisk(), before);
}

TEST_F(EditorWriteTest, ClearEntireImageFormatsTrack18Afresh) {
    UseImage(TwoFiles());
    Open([&] { Find<QAction>("PMnuDirClrImg")->trigger(); });
    const Bytes disk = OnDisk();
    // The BAM block of a freshly formatted disk, typed from the 1541's layout.
    Bytes bam(256, 0);
    bam[0] = 18, bam[1] = 1, bam[2] = 0x41;
    for (int t = 1; t <= 35; ++t) {
        const Bytes entry = t <= 17   ? Bytes{21, 0xFF, 0xFF, 0x1F}
                            : t == 18 ? Bytes{17, 0xFC, 0xFF, 0x07}
                            : t <= 24 ? Bytes{19, 0xFF, 0xFF, 0x07}
                            : t <= 30 ? Bytes{18, 0xFF, 0xFF, 0x03}
                                      : Bytes{17, 0xFF, 0xFF, 0x01};
        std::copy(entry.begin(), entry.end(), bam.begin() + 4 * t);
    }
    const std::string name = "EDIT ME\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0"
                             "42\xA0"
                             "2A\xA0\xA0\xA0\xA0";
    std::copy(name.begin(), name.end(), bam.begin() + 0x90);
    EXPECT_EQ(Bytes(disk.begin() + Bam, disk.begin() + Bam + 256), bam);
    Bytes dirBlock(256, 0);
    dirBlock[1] = 0xFF;
    EXPECT_EQ(Bytes(disk.begin() + Dir1, disk.begin() + Dir1 + 256), dirBlock);
    EXPECT_EQ(disk[0x03], 0x08); // the files' blocks are kept: FIRST's load address
}

} // namespace
} // namespace dyskel::test

namespace dyskel::test {
namespace {

class HexEditTest : public EditorWriteTest {
  protected:
    QTableWidget* Hex() { return Find<QTableWidget>("StrGridHexEd"); }
    QTableWidget* Text() { return Find<QTableWidget>("StrGridTextEd"); }
    void GoTo(int track, int sector) {
        Track()->setValue(track);
        Sector()->setValue(sector);
    }
    static std::size_t Offset(int track, int sector) { // tracks 1-17 hold 21 sectors
        return std::size_t((track - 1) * 21 + sector) * 256;
    }
};

TEST_F(HexEditTest, TypedBytesShowInBothGridsAndCtrlSWritesThem) {
    UseImage(TwoFiles());
    Bytes expected = OnDisk();
    expected[Offset(2, 0) + 0] = 0xA9;
    expected[Offset(2, 0) + 1] = 0x41; // "A" typed into the text grid
    Open([&] {
        GoTo(2, 0);
        Find<QTabWidget>("TNBdisplay")->setCurrentIndex(0);
        Hex()->setCurrentCell(1, 1);
        QTest::keyClicks(Hex(), QStringLiteral("a9"));
        EXPECT_EQ(Hex()->item(1, 1)->text(), "A9");
        QTest::keyClicks(Text(), QStringLiteral("a"));
        EXPECT_EQ(Hex()->item(1, 2)->text(), "41");
        Hex()->setCurrentCell(1, 1);
        EXPECT_EQ(Find<QLabel>("Panel6502")->text(), "LDA #$41"); // the panel follows the typed bytes
        EXPECT_EQ(OnDisk()[Offset(2, 0)], 0x00);                  // nothing written yet
        QTest::keySequence(Hex(), QKeySequence::Save);
    });
    EXPECT_EQ(OnDisk(), expected);
}

struct LeaveCase {
    const char* name;
    int choice; // 0 Write, 1 Discard, 2 Cancel
    std::uint8_t onDisk;
    std::pair<int, int> shownAfter;
};
class LeaveTest : public HexEditTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeaveTest, LeavingWithTypedBytesAsks) {
    UseImage(TwoFiles());
    dialogs.choices = {GetParam().choice, 1}; // and Discard when the window closes
    Open([&] {
        GoTo(2, 0);
        Hex()->setCurrentCell(1, 1);
        QTest::keyClicks(Hex(), QStringLiteral("FF"));
        GoTo(2, 1);
        EXPECT_EQ(Block(), GetParam().shownAfter);
        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_TRUE(dialogs.questions[0].contains("track 2, sector 0"));
    });
    EXPECT_EQ(OnDisk()[Offset(2, 0)], GetParam().onDisk);
}
INSTANTIATE_TEST_SUITE_P(Choices, LeaveTest,
                         ::testing::Values(LeaveCase{"Write", 0, 0xFF, {2, 1}},
                                           LeaveCase{"Discard", 1, 0x00, {2, 1}},
                                           LeaveCase{"Cancel", 2, 0x00, {2, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HexEditTest, DisplayModeTypingChangesNoByte) {
    options.Item("MnuEditorEditMode")->setChecked(false);
    UseImage(TwoFiles());
    const Bytes before = OnDisk();
    Open([&] {
        GoTo(2, 0);
        Hex()->setCurrentCell(1, 1);
        QTest::keyClicks(Hex(), QStringLiteral("FF"));
        QTest::keySequence(Hex(), QKeySequence::Save);
        EXPECT_EQ(Find<QLabel>("Panel6502")->text(), "BRK");
    });
    EXPECT_EQ(OnDisk(), before);
    EXPECT_TRUE(dialogs.questions.empty());
}

// The user types a byte at 0xFE of 18/1; meanwhile another program renames
// FIRST (byte 0x05 of the same block) and frees 1/0 in the BAM.
class ChangedElsewhereTest : public HexEditTest {
  protected:
    Bytes elsewhere;
    void TypeThenChangeElsewhere() {
        GoTo(18, 1);
        Hex()->setCurrentCell(16, 15);
        QTest::keyClicks(Hex(), QStringLiteral("77"));
        elsewhere = OnDisk();
        elsewhere[Dir1 + 0x05] = 'Z';
        elsewhere[Bam + 4] = 19, elsewhere[Bam + 5] = 0xF9; // track 1: 19 free, 1/0 among them
        dir.Write("TEST.D64", elsewhere);
    }
};

TEST_F(ChangedElsewhereTest, WriteBlockSaysSoShowsTheDisksBlockAndWritesOnlyTheTypedByte) {
    UseImage(TwoFiles());
    dialogs.choices = {1, 0}; // Cancel, then show the disk's block
    Open([&] {
        TypeThenChangeElsewhere();
        for (const char* byte5 : {"46", "5A"}) { // "F" as read, then the disk's "Z"
            QTest::keySequence(Hex(), QKeySequence::Save);
            EXPECT_EQ(OnDisk(), elsewhere);
            EXPECT_EQ(Hex()->item(1, 6)->text(), byte5);
            EXPECT_EQ(Hex()->item(16, 15)->text(), "77");
        }
        QTest::keySequence(Hex(), QKeySequence::Save);
        // The write path itself refuses a block that is not the one read.
        EXPECT_FALSE(editor.ApplyEdit(PatchBlock({18, 1}, dyskel::Block{}, TypedBytes{})));
    });
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_TRUE(dialogs.questions[0].startsWith("18,01 changed on the disk since it was read"));
    EXPECT_TRUE(dialogs.shown.back().text.startsWith("18,01 changed on the disk since it was read"));
    elsewhere[Dir1 + 0xFE] = 0x77;
    EXPECT_EQ(OnDisk(), elsewhere);
}

TEST_F(ChangedElsewhereTest, F5AsksAboutTypedBytesThenReadsListingChartAndFactsAgain) {
    UseImage(TwoFiles());
    dialogs.choices = {2, 1}; // Cancel, then Discard
    Open([&] {
        TypeThenChangeElsewhere();
        const QColor used = Find<TBamChart>("PanelBAM")->CellColor(1, 0);
        for (int i = 0; i < 2; ++i) QTest::keyClick(Track(), Qt::Key_F5);
        EXPECT_EQ(dialogs.questions.size(), 2u);
        EXPECT_NE(CellBytes(0, 2).find("ZIRST"), std::string::npos);
        EXPECT_NE(Find<TBamChart>("PanelBAM")->CellColor(1, 0), used);
        EXPECT_EQ(Find<QLabel>("PanelBlocksFree")->text(), "662");
        EXPECT_EQ(Hex()->item(16, 15)->text(), "00");
    });
    EXPECT_EQ(OnDisk(), elsewhere);
}

} // namespace
} // namespace dyskel::test
