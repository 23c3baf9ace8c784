// The Image Health report: its summary line, and a double click that opens
// the editor on the image and checks its row again once the editor closes.
#include "MainFormFixture.h"

#include <QLabel>
#include <QTableWidget>

namespace dyskel::test {
namespace {

// A.D64 clean, B.D64 with a block used by nothing, C.D64 no image at all;
// the row double clicked, and what the "editor" does to that image.
struct HealthCase {
    const char* label;
    int row;
    const char* made; // "clean", "orphan" or "" (left as it was)
    const char* summaryBefore;
    const char* rowAfter;
    const char* summaryAfter;
};
const HealthCase HealthCases[] = {
    {"FindingsMended", 1, "clean", "1 clean, 1 with findings, 1 could not be read", "clean",
     "2 clean, 0 with findings, 1 could not be read"},
    {"CleanBroken", 0, "orphan", "1 clean, 1 with findings, 1 could not be read", "1 finding: 1 orphan",
     "0 clean, 2 with findings, 1 could not be read"},
    {"LeftAsItWas", 0, "", "1 clean, 1 with findings, 1 could not be read", "clean",
     "1 clean, 1 with findings, 1 could not be read"},
};

std::vector<std::uint8_t> Disk(bool orphan) {
    D64Builder disk("A", "01");
    if (orphan) disk.SetFree(3, 3, false);
    return disk.Bytes();
}

class HealthReport : public MainFormTest, public ::testing::WithParamInterface<HealthCase> {};

TEST_P(HealthReport, SummaryAndDoubleClick) {
    const HealthCase& c = GetParam();
    images.Write("A.D64", Disk(false));
    images.Write("B.D64", Disk(true));
    images.Write("C.D64", std::vector<std::uint8_t>(100, 0x55));
    Start();
    Show();
    Scanned();
    Item("MnuHealth")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->HealthRunning(); }, 5000));
    auto* summary = Find<QLabel>("LblHealthSummary");
    EXPECT_EQ(summary->text(), c.summaryBefore);

    auto* grid = Find<QTableWidget>("GridHealth");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid->window()));
    const std::string name = grid->item(c.row, 0)->text().toStdString();
    whileOpen = [&] {
        if (std::string(c.made) == "clean") images.Write(name, Disk(false));
        if (std::string(c.made) == "orphan") images.Write(name, Disk(true));
    };
    const QRect cell = grid->visualItemRect(grid->item(c.row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].path, images.File(name));
    // On the Directory page.
    EXPECT_TRUE(opened[0].showEntry.has_value());
    EXPECT_TRUE(Find<QDialog>("HealthDialog")->isVisible());
    EXPECT_EQ(grid->item(c.row, 1)->text(), c.rowAfter);
    EXPECT_EQ(summary->text(), c.summaryAfter);
}

INSTANTIATE_TEST_SUITE_P(Rows, HealthReport, ::testing::ValuesIn(HealthCases),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace dyskel::test
