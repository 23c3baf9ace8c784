// The 6502 DisAssembler page: the walk, the panels and the listing rows the
// user sees, in both modes.
#include "DirPageFixture.h"

#include "editor/Listing6502Model.h"
#include "support/BasicProgram.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <filesystem>

namespace dyskel::test {
namespace {

using Row = std::vector<std::string>;

class Page6502Test : public PagesTest {
  protected:
    TListing6502Model* Model() const { return page6502->Model(); }
    int Rows() const { return Model()->rowCount(); }
    Row RowAt(int r) const {
        Row row;
        for (int c = 0; c < Model()->columnCount(); ++c) row.push_back(Model()->CellBytes(r, c));
        return row;
    }
    std::vector<std::string> Headers() const {
        std::vector<std::string> h;
        for (int c = 0; c < Model()->columnCount(); ++c)
            h.push_back(Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
        return h;
    }
    std::vector<int> Widths() const {
        std::vector<int> w;
        for (int c = 0; c < Model()->columnCount(); ++c) w.push_back(page6502->StrGrid6502->columnWidth(c));
        return w;
    }
    void ClickMode() { QTest::mouseClick(page6502->Btn6502Mode, Qt::LeftButton); }
};

const std::vector<std::string> AsmHeaders = {" ADR", "OC1", "OC2", "OC3", "6502 ASSEMBLER COMMAND"};
const std::vector<std::string> TextHeaders = {" ADR", "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
                                              "      TEXT"};
const std::vector<std::string> BasicHeaders = {" LINE", "BASIC V2"};
const std::string Zeros47 = "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

TEST_F(Page6502Test, OpeningPreparesTheDefaultModeHeaderButListsDisassembly) {
    options.Item("Mnu6502DmodeTXT")->setChecked(true);
    Open();
    EXPECT_EQ(Headers(), TextHeaders);
    EXPECT_EQ(Widths(), (std::vector<int>{44, 380, 132}));
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(data.listingMode, ListingMode::Asm);
    EXPECT_EQ(page6502->PanelLoadAdr->text(), QStringLiteral("LoadAdr"));
    EXPECT_EQ(page6502->PanelBlocks->text(), QStringLiteral("Blocks"));
    EXPECT_EQ(page6502->PanelStartAdr->text(), QStringLiteral("StartAdr"));
    EXPECT_EQ(page6502->PanelEndAdr->text(), QStringLiteral("EndAdr"));
    EXPECT_EQ(page6502->Btn6502Mode->text(), QStringLiteral("6502 Mode"));
    EXPECT_TRUE(page6502->Gauge6502->isHidden());
}

TEST_F(Page6502Test, OpeningAnotherImageClearsThePanelsAndTheGrid) {
    disk.AddFile("BORDER", 0x82, {0x00, 0xC0, 0xA9, 0x01, 0x60}, {{17, 0}});
    Open();
    MenuFor(0);
    Action("PMnuDir6502")->trigger();
    ASSERT_EQ(page6502->PanelLoadAdr->text(), QStringLiteral("$C000"));
    page6502->PrepareForOpening(); // as the window's set-up does for the next image
    EXPECT_EQ(page6502->PanelLoadAdr->text(), QStringLiteral("LoadAdr"));
    EXPECT_EQ(page6502->PanelBlocks->text(), QStringLiteral("Blocks"));
    EXPECT_EQ(page6502->PanelEndAdr->text(), QStringLiteral("EndAdr"));
    EXPECT_TRUE(page6502->Gauge6502->isHidden());
    EXPECT_EQ(Rows(), 1);
}

TEST_F(Page6502Test, ModeButtonBeforeAnyWalkListsTheZeroedBuffer) {
    Open();
    ClickMode();
    EXPECT_EQ(Headers(), TextHeaders);
    ASSERT_EQ(Rows(), 16);
    EXPECT_EQ(RowAt(0), (Row{"$0000", Zeros47, std::string(16, '\0')}));
    EXPECT_EQ(RowAt(15)[0], "$00F0");
    ClickMode();
    EXPECT_EQ(Headers(), BasicHeaders);
    ClickMode();
    EXPECT_EQ(Headers(), AsmHeaders);
    EXPECT_EQ(Widths(), (std::vector<int>{52, 30, 30, 30, 410}));
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(RowAt(0), (Row{"$0000", "$00 ", "    ", "    ", "BRK"}));
}

TEST_F(Page6502Test, DisassemblesAProgramWithTheRowAtTheEndAddress) {
    disk.AddFile("BORDER", 0x82, {0x00, 0xC0, 0xA9, 0x01, 0x8D, 0x20, 0xD0, 0x60}, {{17, 0}});
    Open();
    MenuFor(0);
    Action("PMnuDir6502")->trigger();
    EXPECT_EQ(host.pages, std::vector<int>{3});
    EXPECT_EQ(page6502->PanelBlocks->text(), QStringLiteral("1 / 6"));
    EXPECT_EQ(page6502->PanelLoadAdr->text(), QStringLiteral("$C000"));
    EXPECT_EQ(page6502->PanelEndAdr->text(), QStringLiteral("$C006"));
    EXPECT_EQ(page6502->PanelStartAdr->text(), QStringLiteral("StartAdr"));
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(RowAt(0), (Row{"$C000", "$A9 ", "$01 ", "    ", "LDA #$01"}));
    EXPECT_EQ(RowAt(1), (Row{"$C002", "$8D ", "$20 ", "$D0 ", "STA $D020"}));
    EXPECT_EQ(RowAt(2), (Row{"$C005", "$60 ", "    ", "    ", "RTS"}));
    EXPECT_EQ(RowAt(3), (Row{"$C006", "$00 ", "    ", "    ", "BRK"}));
    EXPECT_EQ(page6502->StrGrid6502->currentIndex().row(), 0);
    EXPECT_TRUE(dialogs.shown.empty());

    // The button lists the same walk as text, and back again, unchanged.
    ClickMode();
    ASSERT_EQ(Rows(), 16);
    EXPECT_EQ(RowAt(0)[0], "$C000");
    EXPECT_EQ(RowAt(0)[1], "A9 01 8D 20 D0 60 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(RowAt(0)[2], std::string("\xA9\x01\x8D\x20\xD0\x60", 6) + std::string(10, '\0'));
    EXPECT_EQ(page6502->PanelBlocks->text(), QStringLiteral("1 / 6"));
    ClickMode(); // BASIC
    ClickMode();
    EXPECT_EQ(RowAt(1), (Row{"$C002", "$8D ", "$20 ", "$D0 ", "STA $D020"}));
    EXPECT_EQ(Rows(), 4);
}

TEST_F(Page6502Test, AddressesWrapPastFFFF) {
    disk.AddPrg("WRAP", 0xFFF0, std::vector<std::uint8_t>(0x20, 0xEA));
    Open();
    host.DisassembleFile(1, 0);
    EXPECT_EQ(page6502->PanelEndAdr->text(), QStringLiteral("$0010"));
    ASSERT_EQ(Rows(), 33);
    EXPECT_EQ(RowAt(15)[0], "$FFFF");
    EXPECT_EQ(RowAt(16)[0], "$0000");
    EXPECT_EQ(RowAt(16)[4], "NOP");
    EXPECT_EQ(RowAt(32), (Row{"$0010", "$00 ", "    ", "    ", "BRK"}));
}

struct PagesCase {
    int bytes;
    int rows;
};
class TextPagesTest : public Page6502Test, public ::testing::WithParamInterface<PagesCase> {};

TEST_P(TextPagesTest, TextListsWholePages) {
    std::vector<std::uint8_t> code(std::size_t(GetParam().bytes));
    for (std::size_t i = 0; i < code.size(); ++i) code[i] = std::uint8_t(i);
    disk.AddPrg("PAGES", 0x0801, code);
    options.Item("Mnu6502change")->setChecked(true);
    options.Item("Mnu6502DmodeTXT")->setChecked(true);
    Open();
    host.DisassembleFile(1, 0);
    EXPECT_EQ(Headers(), TextHeaders);
    ASSERT_EQ(Rows(), GetParam().rows);
    EXPECT_EQ(RowAt(1), (Row{"$0811", "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F",
                             "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F"}));
    EXPECT_EQ(RowAt(Rows() - 1)[0], GetParam().rows == 16 ? "$08F1" : "$09F1");
}
INSTANTIATE_TEST_SUITE_P(Sizes, TextPagesTest,
                         ::testing::Values(PagesCase{100, 16}, PagesCase{256, 16}, PagesCase{257, 32},
                                           PagesCase{512, 32}));

TEST_F(Page6502Test, WithoutTheChangeOptionTheButtonsModeStays) {
    disk.AddPrg("P", 0x1000, {0xEA});
    options.Item("Mnu6502DmodeTXT")->setChecked(true);
    Open();
    host.DisassembleFile(1, 0);
    EXPECT_EQ(Headers(), AsmHeaders);
    ClickMode();
    host.DisassembleFile(1, 0);
    EXPECT_EQ(Headers(), TextHeaders);
}

TEST_F(Page6502Test, TwoBlocksJoinWithoutLosingAByte) {
    std::vector<std::uint8_t> code(300);
    for (std::size_t i = 0; i < code.size(); ++i) code[i] = std::uint8_t(0xEA);
    code[251] = 0xA9; // LDA # across the block boundary: opcode last byte of block 1
    code[252] = 0x42; // operand first data byte of block 2
    disk.AddPrg("TWO", 0x2000, code);
    Open();
    host.DisassembleFile(1, 0);
    EXPECT_EQ(page6502->PanelBlocks->text(), QStringLiteral("2 / 300"));
    EXPECT_EQ(page6502->PanelEndAdr->text(), QStringLiteral("$212C"));
    EXPECT_EQ(RowAt(251), (Row{"$20FB", "$A9 ", "$42 ", "    ", "LDA #$42"}));
    EXPECT_EQ(RowAt(252)[0], "$20FD");
    EXPECT_EQ(Rows(), 300 - 1 + 1);
}

TEST_F(Page6502Test, GaugeShowsOnlyWhileTheGridFills) {
    disk.AddPrg("P", 0x1000, std::vector<std::uint8_t>(600, 0xEA));
    Open();
    bool shownWhileFilling = false;
    int maximum = 0;
    QObject::connect(Model(), &QAbstractItemModel::modelReset, [&] {
        shownWhileFilling = !page6502->Gauge6502->isHidden();
        maximum = page6502->Gauge6502->maximum();
    });
    host.DisassembleFile(1, 0);
    EXPECT_TRUE(shownWhileFilling);
    EXPECT_EQ(maximum, 600);
    EXPECT_TRUE(page6502->Gauge6502->isHidden());
}

TEST_F(Page6502Test, ABrokenChainIsListedAndReported) {
    std::uint8_t* a = disk.Block(20, 0);
    a[0] = 20, a[1] = 0; // links to itself
    a[2] = 0x00, a[3] = 0x10;
    disk.AddDirEntry(0x82, {20, 0}, "LOOP", 1);
    Open();
    MenuFor(0);
    Action("PMnuDir6502")->trigger();
    EXPECT_EQ(page6502->PanelBlocks->text().left(4), QStringLiteral("1 / "));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(
        dialogs.shown[0].text,
        QStringLiteral("The file's block chain ends early (the chain links back to a block already read) "
                       "after 1 block.\n\rThe listing shows the 252 bytes read up to there."));
    EXPECT_GT(Rows(), 1);
}

TEST_F(Page6502Test, ABigProgramListsEveryInstruction) {
    // 200 blocks of NOP: 252 + 199 * 254 bytes, one row each and the end row.
    disk.AddPrg("BIG", 0x0400, std::vector<std::uint8_t>(252 + 199 * 254, 0xEA));
    Open();
    host.DisassembleFile(1, 0);
    EXPECT_EQ(page6502->PanelBlocks->text(), QStringLiteral("200 / 50798"));
    ASSERT_EQ(Rows(), 50799);
    EXPECT_EQ(RowAt(50797), (Row{"$CA6D", "$EA ", "    ", "    ", "NOP"}));
    EXPECT_EQ(RowAt(50798)[0], "$CA6E");
}

class SysProgram : public Page6502Test {
  protected:
    void SetUp() override {
        Page6502Test::SetUp();
        disk.AddPrg("BORDER", 0x0801, BorderProgram);
        Open();
        host.DisassembleFile(1, 0);
    }
};

TEST_F(SysProgram, DisassemblyStartsAtTheSysAddress) {
    EXPECT_EQ(page6502->PanelStartAdr->text(), QStringLiteral("$080D"));
    EXPECT_EQ(RowAt(0), (Row{"$0801", "    ", "    ", "    ", ".BYTE $0B,$08,$0A,$00,$9E,$32,$30,$36"}));
    EXPECT_EQ(RowAt(2), (Row{"$080D", "$78 ", "    ", "    ", "SEI"}));
    EXPECT_EQ(RowAt(3), (Row{"$080E", "$EE ", "$20 ", "$D0 ", "INC $D020"}));

    // Start at... the load address lists the BASIC line as code.
    dialogs.numbers.push_back(0x0801);
    page6502->PMnu6502StartAt->trigger();
    EXPECT_EQ(dialogs.proposed, std::vector<int>{2061});
    EXPECT_EQ(page6502->PanelStartAdr->text(), QStringLiteral("$0801"));
    EXPECT_EQ(RowAt(0), (Row{"$0801", "$0B ", "    ", "    ", "???"}));
    EXPECT_EQ(RowAt(1), (Row{"$0802", "$08 ", "    ", "    ", "PHP"}));

    // Cancelled, the start stays.
    dialogs.numbers.push_back(std::nullopt);
    page6502->PMnu6502StartAt->trigger();
    EXPECT_EQ(page6502->PanelStartAdr->text(), QStringLiteral("$0801"));
}

TEST_F(SysProgram, TheButtonStepsThroughTheThreeModes) {
    ClickMode();
    EXPECT_EQ(Headers(), TextHeaders);
    ClickMode();
    EXPECT_EQ(Headers(), BasicHeaders);
    EXPECT_EQ(Widths(), (std::vector<int>{52, 640}));
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(RowAt(0), (Row{"10", "SYS2061"}));
    ClickMode();
    EXPECT_EQ(Headers(), AsmHeaders);
}

TEST_F(SysProgram, SymbolsAddAColumnAndNameTheAddresses) {
    options.Item("MnuC64Symbols")->setChecked(true);
    page6502->List6502();
    EXPECT_EQ(Headers().back(), "C64 SYMBOL");
    EXPECT_EQ(Widths().back(), 150);
    EXPECT_EQ(RowAt(3)[5], "EXTCOL");
    EXPECT_EQ(RowAt(4)[5], "NDX");
    EXPECT_EQ(RowAt(2)[5], "");
}

TEST_F(SysProgram, SaveAsSourceWritesCa65Source) {
    options.Item("MnuC64Symbols")->setChecked(true);
    dialogs.saveNames.push_back(QString::fromStdString(dir.File("BORDER.S")));
    page6502->PMnu6502Source->trigger();
    EXPECT_TRUE(dialogs.shown.empty());
    const auto bytes = dir.Read("BORDER.S");
    const std::string source(bytes.begin(), bytes.end());
    for (const char* line :
         {"EXTCOL  = $D020                 ; Border colour\n", "        .BYTE $31,$00,$00,$00   ; $0809\n",
          "L080E:  INC EXTCOL              ; $080E\n", "        BEQ L080E               ; $0813\n"})
        EXPECT_NE(source.find(line), std::string::npos) << line;
}

TEST_F(SysProgram, SaveAsSourceRefusesALinkAtTheName) {
    std::filesystem::create_symlink(dir.File("ELSEWHERE"), dir.File("LINK.S"));
    dialogs.saveNames.push_back(QString::fromStdString(dir.File("LINK.S")));
    page6502->PMnu6502Source->trigger();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, MsgKind::Error);
    EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("LINK.S")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("ELSEWHERE")));
}

TEST_F(Page6502Test, BasicListingReversesControlCodesAndSaysWhereALinkBreaks) {
    disk.AddPrg("BROKEN", 0x0801, BrokenLinkBasic);
    options.Item("Mnu6502change")->setChecked(true);
    options.Item("Mnu6502DmodeBAS")->setChecked(true);
    Open();
    host.DisassembleFile(1, 0);
    EXPECT_EQ(Headers(), BasicHeaders);
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(RowAt(0), (Row{"10", "PRINT\"\xD3HI\""}));
    EXPECT_EQ(RowAt(1), (Row{"20", "A"}));
    EXPECT_EQ(RowAt(2), (Row{"", "?BROKEN LINK: LINE 20 AT $080C LINKS BACKWARDS TO $0801"}));
    const auto reversed = [&](int row) {
        return Model()->data(Model()->index(row, 1), TListing6502Model::ReversedRole).toByteArray();
    };
    EXPECT_EQ(reversed(0), QByteArray("\0\0\0\0\0\0\1\0\0\0", 10)) << "only the clear-screen code";
    EXPECT_TRUE(reversed(2).isEmpty());
    // On screen the reversed glyph's cell is filled with the text colour; the
    // quote before it, whose top row is blank, shows the paper.
    QTableView* grid = page6502->StrGrid6502;
    grid->resize(800, 200);
    grid->show();
    const QRect cell = grid->visualRect(Model()->index(0, 1));
    const QImage shot = grid->viewport()->grab().toImage();
    const int advance = QFontMetrics(grid->font()).horizontalAdvance(QLatin1Char('A'));
    const QColor ink = grid->palette().color(QPalette::Text);
    EXPECT_EQ(shot.pixelColor(cell.left() + 6 * advance + 1, cell.top() + 1), ink);
    EXPECT_NE(shot.pixelColor(cell.left() + 5 * advance + 1, cell.top() + 1), ink);
}

} // namespace
} // namespace dyskel::test
