// The Hex Editor page driven through its controls: the spin edits' arrows,
// clicks on the grids, keys typed into a hex cell.
#include "EditorHarness.h"

#include "editor/HexPage.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>

namespace dyskel::test {
namespace {

class HexPageTest : public EditorTest {
  protected:
    QTableWidget* Hex() { return Find<QTableWidget>("StrGridHexEd"); }
    QTableWidget* Text() { return Find<QTableWidget>("StrGridTextEd"); }
    QLabel* Panel6502() { return Find<QLabel>("Panel6502"); }

    // Grid texts of byte i of the block on show.
    QString HexCell(int i) { return Hex()->item(i / 16 + 1, i % 16 + 1)->text(); }
    QString TextCell(int i) { return Text()->item(i / 16 + 1, i % 16)->text(); }

    void ClickCell(QTableWidget* grid, int column, int row) {
        const QRect r = grid->visualItemRect(grid->item(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    }

    // A disk whose blocks say where they are: byte 2 the track, byte 3 the
    // sector (bytes 0-1 stay 0 so no chain is implied).
    D64Builder MarkedDisk(int tracks = 35) {
        D64Builder disk("MARKED", "01", tracks);
        for (int t = 1; t <= tracks; ++t) {
            if (t == 18) continue;
            for (int s = 0; s < SectorsPerTrack(t); ++s) {
                disk.Block(t, s)[2] = std::uint8_t(t);
                disk.Block(t, s)[3] = std::uint8_t(s);
            }
        }
        return disk;
    }
    // (track, sector) as the hex grid shows them in bytes 2 and 3.
    std::pair<int, int> Shown() { return {HexCell(2).toInt(nullptr, 16), HexCell(3).toInt(nullptr, 16)}; }
};

TEST_F(HexPageTest, HeadersAndStartSelection) {
    UseImage(D64Builder());
    Open([&] {
        EXPECT_EQ(Hex()->columnCount(), 17);
        EXPECT_EQ(Hex()->rowCount(), 17);
        EXPECT_EQ(Text()->columnCount(), 16);
        EXPECT_EQ(Text()->rowCount(), 17);
        EXPECT_EQ(Hex()->item(0, 0)->text(), "$$");
        const char* top[] = {"00", "01", "02", "03", "04", "05", "06", "07",
                             "08", "09", "0A", "0B", "0C", "0D", "0E", "0F"};
        const char* left[] = {"00", "10", "20", "30", "40", "50", "60", "70",
                              "80", "90", "A0", "B0", "C0", "D0", "E0", "F0"};
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(Hex()->item(0, i + 1)->text(), top[i]);
            EXPECT_EQ(Hex()->item(i + 1, 0)->text(), left[i]);
            EXPECT_EQ(Text()->item(0, i)->text(), QString(QLatin1Char("0123456789ABCDEF"[i])));
        }
        EXPECT_EQ(Hex()->currentRow(), 1);
        EXPECT_EQ(Hex()->currentColumn(), 1);
        EXPECT_EQ(Text()->currentRow(), 1);
        EXPECT_EQ(Text()->currentColumn(), 0);
        EXPECT_EQ(Block(), std::make_pair(18, 0));
        EXPECT_EQ(Sector()->maximum(), 19);
        EXPECT_TRUE(Track()->hasFocus());
    });
}

TEST_F(HexPageTest, HeaderBlockShownInHexAndCharacters) {
    D64Builder disk("GAMES", "01");
    UseImage(disk);
    Open([&] {
        // Header block: link 18/1, format "A", disk name at 0x90.
        EXPECT_EQ(HexCell(0), "12");
        EXPECT_EQ(HexCell(1), "01");
        EXPECT_EQ(HexCell(2), "41");
        EXPECT_EQ(TextCell(2), PetsciiToQString("\x41"));
        EXPECT_EQ(TextCell(0x90), PetsciiToQString("G"));
        EXPECT_EQ(HexCell(0x95), "A0");
        // Byte 0 is 0x12, which no 6502 instruction starts with; byte 1 is
        // 0x01 0x41: ORA ($41,X).
        EXPECT_EQ(Panel6502()->text(), "???");
        ClickCell(Text(), 1, 1);
        EXPECT_EQ(Panel6502()->text(), "ORA ($41,X)");
    });
}

TEST_F(HexPageTest, CharactersAreDrawnPixelForPixel) {
    // The C64 character "A" (screen code 1, PETSCII 0x41) as the character
    // ROM holds it: 18 3C 66 7E 66 66 66 00.
    const char* rom[8] = {"...##...", "..####..", ".##..##.", ".######.",
                          ".##..##.", ".##..##.", ".##..##.", "........"};
    D64Builder disk;
    disk.Block(1, 0)[1] = 0x41;
    UseImage(disk);
    Open([&] {
        Track()->setValue(1);
        const QRect cell = Text()->visualItemRect(Text()->item(1, 1));
        const QImage shot = Text()->viewport()->grab(cell).toImage();
        // Each of the 8 x 8 pixels is drawn 1.5 wide and 2 high in a 12 x 16
        // box in the middle of the 14 x 20 cell.
        const int left = (cell.width() - 12) / 2, top = (cell.height() - 16) / 2;
        std::string seen;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const QPoint at(left + int((x + 0.5) * 1.5), top + 2 * y + 1);
                seen += qGray(shot.pixel(at)) < 128 ? '#' : '.';
            }
            EXPECT_EQ(seen, rom[y]) << "row " << y;
            seen.clear();
        }
    });
}

struct StepCase {
    const char* name;
    int track, sector; // where to start
    bool up;           // step the sector up or down
    int wantTrack, wantSector, wantMax;
};

class SectorStepTest : public HexPageTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(SectorStepTest, ArrowStepsAcrossTracks) {
    const StepCase& c = GetParam();
    UseImage(MarkedDisk());
    Open([&] {
        Track()->setValue(c.track);
        Sector()->setValue(c.sector);
        ASSERT_EQ(Block(), std::make_pair(c.track, c.sector));
        ClickArrow(Sector(), c.up);
        EXPECT_EQ(Block(), std::make_pair(c.wantTrack, c.wantSector));
        EXPECT_EQ(Sector()->maximum(), c.wantMax);
        if (c.wantTrack != 18) {
            EXPECT_EQ(Shown(), std::make_pair(c.wantTrack, c.wantSector));
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Edges, SectorStepTest,
                         ::testing::Values(StepCase{"UpFromLastSectorOf17", 17, 20, true, 18, 0, 19},
                                           StepCase{"DownFromSector0Of18", 18, 0, false, 17, 20, 21},
                                           StepCase{"UpFromLastSectorOf18", 18, 18, true, 19, 0, 19},
                                           StepCase{"DownFromSector0Of25", 25, 0, false, 24, 18, 19},
                                           StepCase{"UpWithinTrack", 5, 3, true, 5, 4, 21},
                                           StepCase{"DownAtTrack1StaysAtSector0", 1, 0, false, 1, 0, 21},
                                           StepCase{"UpAtTrack35StaysAtSector16", 35, 16, true, 35, 16, 17}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HexPageTest, TrackStepCapsTheSector) {
    UseImage(MarkedDisk());
    Open([&] {
        Track()->setValue(1);
        Sector()->setValue(20);
        Track()->setValue(17);
        ClickArrow(Track(), true); // to 18: 19 sectors
        EXPECT_EQ(Block(), std::make_pair(18, 18));
        EXPECT_EQ(Sector()->maximum(), 19);
        ClickArrow(Track(), true); // to 19: the sector stays
        EXPECT_EQ(Block(), std::make_pair(19, 18));
        EXPECT_EQ(Shown(), std::make_pair(19, 18));
        Track()->setValue(31); // 17 sectors
        EXPECT_EQ(Block(), std::make_pair(31, 16));
        EXPECT_EQ(Shown(), std::make_pair(31, 16));
    });
}

TEST_F(HexPageTest, DigitsTypedWithoutEnterDoNotMove) {
    UseImage(MarkedDisk());
    Open([&] {
        Track()->setFocus();
        QTest::keyClicks(Track(), "5");
        EXPECT_EQ(Track()->value(), 18);
        EXPECT_EQ(Block(), std::make_pair(18, 0));
        // An arrow takes the typed number and steps from it.
        QTest::keyClick(Track(), Qt::Key_Up);
        EXPECT_EQ(Track()->value(), 6);
    });
}

TEST_F(HexPageTest, FortyTrackImageStepsToTrack40) {
    UseImage(MarkedDisk(40));
    Open([&] {
        EXPECT_EQ(Track()->maximum(), 40);
        Track()->setValue(35);
        Sector()->setValue(16);
        ClickArrow(Sector(), true);
        EXPECT_EQ(Block(), std::make_pair(36, 0));
        EXPECT_EQ(Shown(), std::make_pair(36, 0));
        Track()->setValue(40);
        Sector()->setValue(16);
        ClickArrow(Sector(), true);
        EXPECT_EQ(Block(), std::make_pair(40, 16));
    });
}

TEST_F(HexPageTest, ClickedHexCellSelectsTheSameByteInTheTextGrid) {
    D64Builder disk;
    // Byte 36 (row 3, column 5 of the hex grid): JSR $FFD2.
    std::uint8_t* b = disk.Block(1, 0);
    b[36] = 0x20;
    b[37] = 0xD2;
    b[38] = 0xFF;
    UseImage(disk);
    Open([&] {
        Track()->setValue(1);
        ClickCell(Hex(), 5, 3);
        EXPECT_EQ(Text()->currentColumn(), 4);
        EXPECT_EQ(Text()->currentRow(), 3);
        EXPECT_EQ(Panel6502()->text(), "JSR $FFD2");
        EXPECT_TRUE(Hex()->hasFocus());
    });
}

TEST_F(HexPageTest, ClickedTextCellSelectsTheSameByteInTheHexGrid) {
    D64Builder disk;
    std::uint8_t* b = disk.Block(1, 0);
    b[0x24] = 0xA9; // LDA #$0A at index 36
    b[0x25] = 0x0A;
    UseImage(disk);
    Open([&] {
        Track()->setValue(1);
        ClickCell(Text(), 4, 3);
        EXPECT_EQ(Hex()->currentColumn(), 5);
        EXPECT_EQ(Hex()->currentRow(), 3);
        EXPECT_EQ(Panel6502()->text(), "LDA #$0A");
    });
}

TEST_F(HexPageTest, HeaderCellsCannotBeSelected) {
    UseImage(D64Builder());
    Open([&] {
        ClickCell(Hex(), 3, 2);
        ClickCell(Hex(), 0, 5);
        ClickCell(Hex(), 7, 0);
        EXPECT_EQ(Hex()->currentColumn(), 3);
        EXPECT_EQ(Hex()->currentRow(), 2);
        ClickCell(Text(), 6, 0);
        EXPECT_EQ(Text()->currentRow(), 2);
    });
}

TEST_F(HexPageTest, NoInstructionAtTheLastTwoBytes) {
    D64Builder disk;
    std::uint8_t* b = disk.Block(2, 0);
    b[253] = 0xEA; // NOP
    b[254] = 0xEA;
    b[255] = 0xEA;
    UseImage(disk);
    Open([&] {
        Track()->setValue(2);
        ClickCell(Text(), 13, 16);
        EXPECT_EQ(Panel6502()->text(), "NOP");
        ClickCell(Text(), 14, 16);
        EXPECT_EQ(Panel6502()->text(), "???");
        EXPECT_TRUE(Panel6502()->toolTip().isEmpty());
        ClickCell(Hex(), 16, 16);
        EXPECT_EQ(Panel6502()->text(), "???");
    });
}

TEST_F(HexPageTest, InstructionFollowsTheSelectionToTheNextBlock) {
    D64Builder disk;
    disk.Block(3, 0)[17] = 0x6C; // JMP ($A00C) at index 17
    disk.Block(3, 0)[18] = 0x0C;
    disk.Block(3, 0)[19] = 0xA0;
    disk.Block(3, 1)[17] = 0x0A; // ASL
    UseImage(disk);
    Open([&] {
        Track()->setValue(3);
        ClickCell(Hex(), 2, 2);
        EXPECT_EQ(Panel6502()->text(), "JMP ($A00C)");
        ClickArrow(Sector(), true);
        EXPECT_EQ(Panel6502()->text(), "ASL");
    });
}

TEST_F(HexPageTest, DescriptionIsTheHintWhenHintsAreOn) {
    D64Builder disk;
    disk.Block(1, 0)[0] = 0xA9;
    disk.Block(1, 0)[1] = 0x00;
    disk.Block(1, 0)[2] = 0xFF;
    UseImage(disk);
    options.Item("MnuHints")->setChecked(true);
    Open([&] {
        Track()->setValue(1);
        EXPECT_EQ(Panel6502()->text(), "LDA #$00");
        EXPECT_EQ(Panel6502()->toolTip(), "Load Accumulator with memory: LDA #$00");
        ClickCell(Hex(), 3, 1); // 0xFF: undocumented
        EXPECT_EQ(Panel6502()->text(), "???");
        EXPECT_EQ(Panel6502()->toolTip(), "Future Expansion or not part of program code.");
    });
}

TEST_F(HexPageTest, NoDescriptionWhenHintsAreOff) {
    D64Builder disk;
    disk.Block(1, 0)[0] = 0xA9;
    UseImage(disk);
    options.Item("MnuHints")->setChecked(false);
    Open([&] {
        Track()->setValue(1);
        EXPECT_EQ(Panel6502()->text(), "LDA #$00");
        EXPECT_TRUE(Panel6502()->toolTip().isEmpty());
    });
}

TEST_F(HexPageTest, TypedHexStaysInTheGridUntilTheNextBlockIsShown) {
    options.Item("MnuEditorEditMode")->setChecked(false); // Display mode: the grid is a plain string grid
    D64Builder disk;
    disk.Block(1, 0)[0] = 0x11;
    UseImage(disk);
    Open([&] {
        Track()->setValue(1);
        ClickCell(Hex(), 1, 1);
        // The first key opens the cell's editor, the rest go into it.
        QTest::keyClicks(Hex(), "Z");
        ASSERT_NE(QApplication::focusWidget(), Hex());
        QTest::keyClicks(QApplication::focusWidget(), "Z");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents(); // the grid takes the text after the key
        EXPECT_EQ(HexCell(0), "ZZ");
        EXPECT_EQ(TextCell(0), PetsciiToQString("\x11"));
        // Nothing reached the file.
        EXPECT_EQ(dir.Read("TEST.D64")[0], 0x11);
        ClickArrow(Sector(), true);
        ClickArrow(Sector(), false);
        EXPECT_EQ(HexCell(0), "11");
    });
}

TEST_F(HexPageTest, BackspaceTakesBackTheLastByteEscapeAllAndTypingStopsAtTheEnd) {
    options.Item("MnuEditorEditMode")->setChecked(true);
    D64Builder disk;
    disk.Block(1, 0)[0xFE] = 0x11;
    disk.Block(1, 0)[0xFF] = 0x22;
    UseImage(disk);
    Open([&] {
        Track()->setValue(1);
        ClickCell(Hex(), 15, 16);          // byte 0xFE
        QTest::keyClicks(Hex(), "AABBCC"); // CC finds the block ended
        EXPECT_EQ(HexCell(0xFE) + HexCell(0xFF), "AABB");
        QTest::keyClick(Hex(), Qt::Key_Backspace);
        EXPECT_EQ(HexCell(0xFE) + HexCell(0xFF), "AA22");
        QTest::keyClicks(Text(), "A"); // into 0xFF again
        EXPECT_EQ(HexCell(0xFF), "41");
        QTest::keyClick(Hex(), Qt::Key_Escape);
        EXPECT_EQ(HexCell(0xFE) + HexCell(0xFF), "1122");
    });
    EXPECT_TRUE(dialogs.questions.empty()); // nothing typed was left to write
}

} // namespace
} // namespace dyskel::test
