// The Search dialog's counts: images read, taken unchanged from the index and
// skipped, each as the notes under the grid list them, adding up to the
// images searched.
#include "MainFormFixture.h"

#include "browser/SearchDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdlib>

namespace dyskel::test {
namespace {

struct CountCase {
    const char* label;
    int searches;       // the same search so many times
    bool touchGood;     // before the last search a good image is written anew
    const char* status; // the status line after the last search
};
const CountCase CountCases[] = {
    // Two good images, one with a broken directory chain (read in part),
    // two that cannot be read.
    {"First", 1, false, "2 found in 5 images (3 read, 0 from the index, 2 skipped)"},
    {"AgainFromTheIndex", 2, false, "2 found in 5 images (0 read, 3 from the index, 2 skipped)"},
    {"AgainOneChanged", 2, true, "2 found in 5 images (1 read, 2 from the index, 2 skipped)"},
};

class SearchCounts : public MainFormTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(SearchCounts, MatchTheNotesAndAddUp) {
    setenv("XDG_CACHE_HOME", config.File("cache").c_str(), 1);
    D64Builder a("ALPHA", "01");
    a.AddPrg("GAME", 0x0801, {1, 2, 3});
    ASSERT_TRUE(a.Save(images.File("A.D64")));
    ASSERT_TRUE(a.Save(images.File("B.D64")));
    // 18/1 links to track 50: the chain leaves the disk after one block.
    std::vector<std::uint8_t> cut = StandardImage();
    cut[(357 + 1) * 256] = 50;
    images.Write("C.D64", cut);
    images.Write("X.D64", std::vector<std::uint8_t>(1000, 0x55));
    images.Write("Y.D64", std::vector<std::uint8_t>(3000));
    Start();
    const CountCase& c = GetParam();
    for (int i = 0; i < c.searches; ++i) {
        if (i == c.searches - 1 && c.touchGood) {
            a.AddPrg("MORE", 0x0801, {4});
            ASSERT_TRUE(a.Save(images.File("B.D64")));
        }
        dialogs.dialogs.push_back([&](QDialog& d) {
            auto& s = static_cast<TSearchDialog&>(d);
            s.EditName->setText("GAME");
            QTest::mouseClick(s.BtnSearch, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !s.Running(); }, 20000));
            if (i < c.searches - 1) return int(QDialog::Rejected);
            EXPECT_EQ(s.LblStatus->text(), c.status);
            const QStringList notes = s.NoteList->toPlainText().split('\n');
            EXPECT_EQ(notes.filter(": skipped: ").size(), 2) << notes.join('\n').toStdString();
            EXPECT_EQ(notes.filter("C.D64: the directory chain is broken").size(), 1);
            return int(QDialog::Rejected);
        });
        Item("MnuFind")->trigger();
    }
}

INSTANTIATE_TEST_SUITE_P(Searches, SearchCounts, ::testing::ValuesIn(CountCases),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace dyskel::test
