// The main window's grid keeps its place: F5 leaves the image selected (or
// the row that took its place), and the column titles show the order the
// rows are in.
#include "MainFormFixture.h"

#include <QHeaderView>

namespace dyskel::test {
namespace {

// a, b, c, d listed by name; one is selected, something happens, F5.
struct RefreshCase {
    const char* label;
    const char* selected;
    const char* removed; // "" keeps every image
    const char* added;   // "" adds none
    const char* after;   // the image selected after F5
};
const RefreshCase RefreshCases[] = {
    {"Kept", "c.D64", "", "", "c.D64"},
    {"KeptWhenOneBeforeIsAdded", "c.D64", "", "aa.D64", "c.D64"},
    {"KeptWhenOneBeforeGoes", "c.D64", "a.D64", "", "c.D64"},
    {"GoneGivesTheNextRow", "b.D64", "b.D64", "", "c.D64"},
    {"GoneLastGivesTheNewLast", "d.D64", "d.D64", "", "c.D64"},
};

class RefreshKeepsSelection : public MainFormTest, public ::testing::WithParamInterface<RefreshCase> {};

TEST_P(RefreshKeepsSelection, AfterF5) {
    for (const char* name : {"d.D64", "b.D64", "a.D64", "c.D64"}) images.Write(name, StandardImage());
    Start();
    Show();
    const RefreshCase& c = GetParam();
    Grid()->setCurrentCell(Column(1).indexOf(c.selected), 1);
    if (*c.removed) std::filesystem::remove(images.File(c.removed));
    if (*c.added) images.Write(c.added, StandardImage());
    QTest::keyClick(form.get(), Qt::Key_F5);
    EXPECT_EQ(Current(), c.after);
    EXPECT_EQ(Grid()->currentColumn(), 1);
}

INSTANTIATE_TEST_SUITE_P(Images, RefreshKeepsSelection, ::testing::ValuesIn(RefreshCases),
                         [](const auto& info) { return std::string(info.param.label); });

// A title clicked so many times, under a Sort option; the mark then shown.
struct MarkCase {
    const char* label;
    int sortFilesBy;
    int column; // the title clicked; -1 none
    int clicks;
    int marked; // -1: no mark
    Qt::SortOrder order;
};
const MarkCase MarkCases[] = {
    {"ByNameOption", 1, -1, 0, 1, Qt::AscendingOrder},
    {"Unsorted", 0, -1, 0, -1, Qt::AscendingOrder},
    {"SizeClicked", 0, 2, 1, 2, Qt::AscendingOrder},
    {"SizeClickedTwice", 1, 2, 2, 2, Qt::DescendingOrder},
    {"NameClickedTwice", 1, 1, 2, 1, Qt::DescendingOrder},
    {"FixedColumnClickedUnsorted", 0, 0, 1, -1, Qt::AscendingOrder},
    {"FixedColumnClickedByName", 1, 0, 1, 1, Qt::AscendingOrder},
};

class SortMark : public MainFormTest, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(SortMark, OnTheTitleOfTheOrder) {
    const MarkCase& c = GetParam();
    Ini("[OPTIONS]\nSortFilesBy=" + std::to_string(c.sortFilesBy) + "\n");
    images.Write("b.D64", StandardImage());
    images.Write("a.D64", StandardImage());
    Start();
    Show();
    QHeaderView* titles = Grid()->horizontalHeader();
    for (int i = 0; i < c.clicks; ++i) {
        const int x = titles->sectionViewportPosition(c.column) + titles->sectionSize(c.column) / 2;
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, QPoint(x, titles->height() / 2));
    }
    // A folder read again keeps the order and its mark.
    QTest::keyClick(form.get(), Qt::Key_F5);
    Scanned();
    EXPECT_EQ(titles->isSortIndicatorShown(), c.marked >= 0);
    if (c.marked < 0) return;
    EXPECT_EQ(titles->sortIndicatorSection(), c.marked);
    EXPECT_EQ(titles->sortIndicatorOrder(), c.order);
}

INSTANTIATE_TEST_SUITE_P(Titles, SortMark, ::testing::ValuesIn(MarkCases),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace dyskel::test
