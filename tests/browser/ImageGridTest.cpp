// The image grid's rows: a title's sort order holds for rows that come in
// later, batch by batch, and the current row stays on its image.
#include "browser/ImageGrid.h"

#include <QItemSelectionModel>
#include <gtest/gtest.h>

namespace dyskel {
namespace {

ImageRow Row(const char* name, std::int64_t size) {
    ImageRow row;
    row.entry.name = name;
    row.entry.size = size;
    row.cells[1] = QString::fromLatin1(name);
    row.cells[2] = QString::number(size);
    return row;
}

QStringList Names(const TImageGrid& grid) {
    QStringList names;
    for (int r = 0; r < grid.rowCount(); ++r) names << grid.Text(r, 1);
    return names;
}

struct SortCase {
    const char* title;
    int column;
    Qt::SortOrder order;
    QStringList expected;
};

class ImageGridSort : public ::testing::TestWithParam<SortCase> {};

TEST_P(ImageGridSort, LaterBatchesGoToTheirPlaces) {
    TImageGrid grid;
    grid.Rows()->Append({Row("m.D64", 300), Row("b.D64", 20)});
    grid.setCurrentCell(1, 1); // b.D64
    grid.Rows()->sort(GetParam().column, GetParam().order);
    grid.Rows()->Append({Row("z.D64", 9), Row("a.D64", 174848)});
    grid.Rows()->Append({Row("c.D64", 20)});
    EXPECT_EQ(Names(grid), GetParam().expected);
    EXPECT_EQ(grid.Text(grid.currentRow(), 1), "b.D64");
}

INSTANTIATE_TEST_SUITE_P(
    Titles, ImageGridSort,
    ::testing::Values(
        SortCase{"NameUp", 1, Qt::AscendingOrder, {"a.D64", "b.D64", "c.D64", "m.D64", "z.D64"}},
        SortCase{"NameDown", 1, Qt::DescendingOrder, {"z.D64", "m.D64", "c.D64", "b.D64", "a.D64"}},
        // Sizes as numbers; equal sizes keep the order they came in.
        SortCase{"SizeUp", 2, Qt::AscendingOrder, {"z.D64", "b.D64", "c.D64", "m.D64", "a.D64"}},
        SortCase{"SizeDown", 2, Qt::DescendingOrder, {"a.D64", "m.D64", "b.D64", "c.D64", "z.D64"}},
        SortCase{"Unsorted", 0, Qt::AscendingOrder, {"m.D64", "b.D64", "z.D64", "a.D64", "c.D64"}}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(ImageGrid, AnEmptyGridShowsOneBlankRowWithoutAnImage) {
    TImageGrid grid;
    EXPECT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.Rows()->Entry(0), nullptr);
    grid.Rows()->Append({Row("one.D64", 1)});
    EXPECT_EQ(grid.rowCount(), 1);
    ASSERT_NE(grid.Rows()->Entry(0), nullptr);
    EXPECT_EQ(grid.Rows()->Entry(0)->name, "one.D64");
    grid.Rows()->Clear();
    EXPECT_EQ(grid.Rows()->Entry(0), nullptr);
}

} // namespace
} // namespace dyskel
