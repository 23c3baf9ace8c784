// The Search dialog from the main window: the query from its fields, results
// streaming from the worker, the same file picked from the host or from an
// image's entry, duplicates, and a double click that opens the editor on the
// entry found.
#include "MainFormFixture.h"

#include "browser/SearchDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <cstdlib>

namespace dyskel::test {
namespace {

class SearchDialogTest : public MainFormTest {
  protected:
    void SetUp() override {
        setenv("XDG_CACHE_HOME", config.File("cache").c_str(), 1);
        D64Builder a("ALPHA", "01");
        a.AddFile("GAME", 0x82, Payload());
        a.AddPrg("INTRO", 0x0801, {1, 2, 3});
        ASSERT_TRUE(a.Save(images.File("A.D64")));
        std::filesystem::create_directory(images.File("sub"));
        D64Builder b("BETA", "02");
        b.AddFile("NOTES", 0x81, {9, 9, 9});
        b.AddFile("GAME COPY", 0x82, Payload(), {{20, 3}, {30, 11}});
        ASSERT_TRUE(b.Save(images.File("sub/B.D64")));
        images.Write("game.prg", Payload());
        Start();
    }
    static std::vector<std::uint8_t> Payload() {
        std::vector<std::uint8_t> b(400);
        for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 3);
        return b;
    }
    // Runs script in the dialog that Search opens.
    void InSearch(std::function<void(TSearchDialog&)> script) {
        dialogs.dialogs.push_back([script](QDialog& d) {
            script(static_cast<TSearchDialog&>(d));
            return int(QDialog::Rejected);
        });
        Item("MnuFind")->trigger();
        ASSERT_TRUE(dialogs.dialogs.empty());
    }
    static void WaitIdle(TSearchDialog& s) {
        for (int i = 0; i < 1000 && s.Running(); ++i) QTest::qWait(10);
        ASSERT_FALSE(s.Running());
    }
    // Each row's cells joined by "|".
    QStringList Rows(TSearchDialog& s) {
        QStringList rows;
        auto* m = s.Results();
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c) cells << m->index(r, c).data().toString();
            rows << cells.join('|').replace(QString::fromStdString(images.Path()), "D");
        }
        return rows;
    }
};

TEST_F(SearchDialogTest, NameTypeAndSizeFromTheFieldsWithSubfolders) {
    InSearch([&](TSearchDialog& s) {
        EXPECT_EQ(s.EditFolder->text().toStdString(), images.Path());
        EXPECT_EQ(Item("MnuFind")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
        s.EditName->setText("GAME*");
        QTest::mouseClick(s.BtnSearch, Qt::LeftButton);
        EXPECT_TRUE(s.BtnStop->isEnabled() || !s.Running());
        WaitIdle(s);
        EXPECT_EQ(Rows(s),
                  (QStringList{"|D/A.D64|1|GAME|PRG|2|01,00", "|D/sub/B.D64|2|GAME COPY|PRG|2|20,03"}));
        // Names are disk bytes: drawn in the C64 font, as everywhere else.
        EXPECT_EQ(s.Results()->index(0, 3).data(Qt::FontRole).value<QFont>().family(), "C-64");
        EXPECT_EQ(s.ProgressSearch->value(), 100);
        EXPECT_FALSE(s.BtnStop->isEnabled());
        s.CBSubfolders->setChecked(false);
        s.EditName->clear();
        s.ComboType->setCurrentIndex(3); // PRG
        s.SpinMaxBlocks->setValue(1);
        QTest::mouseClick(s.BtnSearch, Qt::LeftButton);
        WaitIdle(s);
        EXPECT_EQ(Rows(s), (QStringList{"|D/A.D64|2|INTRO|PRG|1|01,02"}));
    });
}

TEST_F(SearchDialogTest, SameFileAsAHostFileAndDuplicates) {
    dialogs.fileNames.push_back(QString::fromStdString(images.File("game.prg")));
    InSearch([&](TSearchDialog& s) {
        QTest::mouseClick(s.BtnSameAs, Qt::LeftButton);
        EXPECT_EQ(s.EditSameAs->text().toStdString(), images.File("game.prg"));
        QTest::mouseClick(s.BtnSearch, Qt::LeftButton);
        WaitIdle(s);
        EXPECT_EQ(Rows(s),
                  (QStringList{"|D/A.D64|1|GAME|PRG|2|01,00", "|D/sub/B.D64|2|GAME COPY|PRG|2|20,03"}));
        QTest::mouseClick(s.BtnDupes, Qt::LeftButton);
        WaitIdle(s);
        EXPECT_EQ(Rows(s),
                  (QStringList{"1|D/A.D64|1|GAME|PRG|2|01,00", "1|D/sub/B.D64|2|GAME COPY|PRG|2|20,03"}));
    });
}

TEST_F(SearchDialogTest, DoubleClickOpensTheEditorOnTheEntryAndABrokenImageIsNoted) {
    images.Write("sub/CUT.D64", std::vector<std::uint8_t>(3000));
    InSearch([&](TSearchDialog& s) {
        s.EditName->setText("GAME?COPY");
        QTest::mouseClick(s.BtnSearch, Qt::LeftButton);
        WaitIdle(s);
        ASSERT_EQ(s.Results()->rowCount(), 1);
        EXPECT_TRUE(s.NoteList->toPlainText().contains(QString::fromStdString(images.File("sub/CUT.D64"))));
        s.OpenRow(0);
    });
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].Folder(), images.File("sub"));
    EXPECT_EQ(opened[0].file.name, "B.D64");
    // GAME COPY is the second entry of 18/1: offset 0x20.
    EXPECT_EQ(opened[0].showEntry, std::make_optional(std::make_pair(1, 0x20)));
    // The entry was the search's alone: the next image opened shows the first.
    Grid()->setCurrentCell(0, 1);
    QTest::keyClick(Grid(), Qt::Key_Return);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_FALSE(opened[1].showEntry.has_value());
}

// An entry of an image picked as the file to find; "" where nothing is shown.
struct EntryPickRow {
    const char* label;
    const char* image;   // in the folder
    int choice;          // the entry chosen; -1: cancelled
    const char* buttons; // the choices offered, joined by "|"
    const char* shown;   // EditSameAs afterwards
    const char* message; // a part of the message shown
};
const EntryPickRow EntryPickRows[] = {
    {"FirstImage", "A.D64", 0, R"(1 "GAME" PRG|2 "INTRO" PRG)", R"(A.D64: "GAME")", ""},
    {"OtherImage", "sub/B.D64", 1, R"(1 "NOTES" SEQ|2 "GAME COPY" PRG)", R"(B.D64: "GAME COPY")", ""},
    {"Cancelled", "A.D64", -1, R"(1 "GAME" PRG|2 "INTRO" PRG)", "", ""},
    {"Unreadable", "CUT.D64", 0, "", "", "CUT.D64"},
    {"NoEntries", "EMPTY.D64", 0, "", "", "lists no entries"},
};
class SameAsEntry : public SearchDialogTest, public ::testing::WithParamInterface<EntryPickRow> {};
TEST_P(SameAsEntry, FindsEveryCopyOfTheEntrysBytes) {
    const EntryPickRow& row = GetParam();
    images.Write("CUT.D64", std::vector<std::uint8_t>(3000));
    ASSERT_TRUE(D64Builder("EMPTY", "03").Save(images.File("EMPTY.D64")));
    dialogs.fileNames.push_back(QString::fromStdString(images.File(row.image)));
    dialogs.choices.push_back(row.choice);
    InSearch([&](TSearchDialog& s) {
        QTest::mouseClick(s.BtnSameAsEntry, Qt::LeftButton);
        EXPECT_EQ(s.EditSameAs->text(), QString::fromUtf8(row.shown));
        EXPECT_EQ(dialogs.choiceButtons.empty() ? "" : dialogs.choiceButtons[0].join('|'),
                  QString::fromUtf8(row.buttons));
        ASSERT_EQ(dialogs.shown.size(), *row.message ? 1u : 0u);
        if (*row.message) {
            EXPECT_TRUE(dialogs.shown[0].text.contains(QString::fromUtf8(row.message)));
        }
        if (!*row.shown) return;
        const QStringList copies{"|D/A.D64|1|GAME|PRG|2|01,00", "|D/sub/B.D64|2|GAME COPY|PRG|2|20,03"};
        QTest::mouseClick(s.BtnSearch, Qt::LeftButton);
        WaitIdle(s);
        EXPECT_EQ(Rows(s), copies);
        // A host file typed over the entry is searched for again.
        s.EditSameAs->setText(QString::fromStdString(images.File("game.prg")));
        QTest::mouseClick(s.BtnSearch, Qt::LeftButton);
        WaitIdle(s);
        EXPECT_EQ(Rows(s), copies);
    });
}
INSTANTIATE_TEST_SUITE_P(Picks, SameAsEntry, ::testing::ValuesIn(EntryPickRows),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace dyskel::test
