// The main window's preview pane: the selected image's C64 screen, read on a
// worker thread once the selection rests, behind the option "Show preview".
#include "MainFormFixture.h"

#include "browser/PreviewPane.h"
#include "editor/C64ScreenView.h"
#include "tools/D64Builder.h"

#include <QSignalSpy>

namespace dyskel::test {
namespace {

class PreviewPaneTest : public MainFormTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(D64Builder("ALPHA", "A1").Save(images.File("A.D64")));
        D64Builder beta("BETA", "B2");
        beta.AddPrg("GAME", 0x0801, {0x60});
        ASSERT_TRUE(beta.Save(images.File("B.D64")));
    }
    std::string Row(std::size_t r) {
        auto* view = Find<TC64ScreenView>("C64ScreenView");
        if (view->Screen().rows.size() <= r) return {};
        std::string text = RowText(view->Screen().rows[r], view->Charset());
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }
    // Selects a grid row and waits for its screen.
    void SelectAndWait(int row) {
        QSignalSpy shown(Find<TPreviewPane>("PreviewPane"), &TPreviewPane::previewShown);
        Grid()->setCurrentCell(row, 1);
        ASSERT_TRUE(shown.wait(5000));
    }
};

TEST_F(PreviewPaneTest, OffByDefault) {
    Start();
    Show();
    Scanned();
    EXPECT_FALSE(Find<TPreviewPane>("PreviewPane")->isVisible());
    EXPECT_FALSE(Item("MnuPreview")->isChecked());
}

TEST_F(PreviewPaneTest, ShowsTheSelectedImageAsTheC64ListsIt) {
    Ini("[OPTIONS]\nPreview=1\n");
    Start();
    Show();
    ASSERT_EQ(Column(1), (QStringList{"A.D64", "B.D64"}));
    SelectAndWait(1);
    EXPECT_EQ(Row(0), "0 \"BETA            \" B2 2A");
    EXPECT_EQ(Row(1), "1    \"GAME\"             PRG");
    SelectAndWait(0);
    EXPECT_EQ(Row(0), "0 \"ALPHA           \" A1 2A");
    EXPECT_EQ(Row(1), "664 BLOCKS FREE.");
}

TEST_F(PreviewPaneTest, OptionHidesThePaneAndTheGridTakesItsPlace) {
    Ini("[OPTIONS]\nPreview=1\n");
    Start();
    Show();
    const int narrow = Grid()->width();
    Item("MnuPreview")->trigger();
    EXPECT_FALSE(Find<TPreviewPane>("PreviewPane")->isVisible());
    EXPECT_GT(Grid()->width(), narrow);
}

} // namespace
} // namespace dyskel::test
