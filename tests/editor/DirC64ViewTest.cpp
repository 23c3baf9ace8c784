// The Directory page's C64 screen: the listing as the C64 prints it, in
// either character set, following the image.
#include "DirPageFixture.h"

#include "core/DiskEdits.h"
#include "editor/C64ScreenView.h"

#include <QCheckBox>
#include <QStackedWidget>

namespace dyskel::test {
namespace {

class DirC64ViewTest : public PagesTest {
  protected:
    std::vector<std::string> Rows(std::size_t n) const {
        auto* view = Find<TC64ScreenView>("C64ScreenView");
        std::vector<std::string> rows;
        for (std::size_t r = 0; r < n && r < view->Screen().rows.size(); ++r) {
            std::string text = RowText(view->Screen().rows[r], view->Charset());
            while (!text.empty() && text.back() == ' ') text.pop_back();
            rows.push_back(text);
        }
        return rows;
    }
};

TEST_F(DirC64ViewTest, CheckBoxShowsTheScreenInEitherCharacterSet) {
    disk.AddPrg("HELLO", 0x0801, {0x60});
    Open();
    auto* stack = Find<QStackedWidget>("StackDirView");
    EXPECT_EQ(stack->currentWidget(), Grid());
    QTest::mouseClick(Find<QCheckBox>("ChkDirC64"), Qt::LeftButton);
    EXPECT_EQ(stack->currentWidget(), Find<TC64ScreenView>("C64ScreenView"));
    EXPECT_EQ(Rows(4),
              (std::vector<std::string>{"0 \"TEST DISK       \" 01 2A", "1    \"HELLO\"            PRG",
                                        "663 BLOCKS FREE.", "READY."}));
    QTest::mouseClick(Find<QCheckBox>("ChkC64Lower"), Qt::LeftButton);
    EXPECT_EQ(Rows(2),
              (std::vector<std::string>{"0 \"test disk       \" 01 2a", "1    \"hello\"            prg"}));
}

TEST_F(DirC64ViewTest, ScreenFollowsTheImageAfterAWrite) {
    disk.AddPrg("HELLO", 0x0801, {0x60});
    Open();
    Grid()->setCurrentCell(0, 2);
    ASSERT_TRUE(
        host.ApplyEdit(RenameEntry(*ViewOf(data.image.path, true).dir.entries.data(), PaddedName("BYE"))));
    EXPECT_EQ(Rows(2)[1], "1    \"BYE\"              PRG");
}

} // namespace
} // namespace dyskel::test
