// File > New Image... and File > Image Health... of the main window.
#include "MainFormFixture.h"

#include "browser/NewImageDialog.h"
#include <QTableWidget>

#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

namespace dyskel::test {
namespace {

class NewImageTest : public MainFormTest {
  protected:
    // Fills the New Image dialog as a user would and presses OK.
    void Answer(const QString& file, const QString& name, const QString& id, bool forty) {
        dialogs.dialogs.push_back([=](QDialog& d) {
            d.findChild<QLineEdit*>("EdtFileName")->setText(file);
            d.findChild<QLineEdit*>("EdtDiskName")->setText(name);
            d.findChild<QLineEdit*>("EdtDiskId")->setText(id);
            d.findChild<QRadioButton*>(forty ? "Rb40" : "Rb35")->setChecked(true);
            return QDialog::Accepted;
        });
    }
};

TEST_F(NewImageTest, WritesTheImageAndSelectsItInTheGrid) {
    images.Write("A.D64", D64Builder("A", "01").Bytes());
    Start();
    Answer("work", "my disk", "w1", true);
    Item("MnuNewImage")->trigger();
    ASSERT_TRUE(images.Exists("work.D64"));
    const std::vector<std::uint8_t> bytes = images.Read("work.D64");
    ASSERT_EQ(bytes.size(), 196608u);
    EXPECT_EQ(std::string(bytes.begin() + 0x16590, bytes.begin() + 0x16597), "MY DISK");
    EXPECT_EQ(bytes[0x165A2], 'W');
    EXPECT_EQ(bytes[0x165C0], 17); // track 36 free in the extended BAM
    EXPECT_EQ(Column(1), (QStringList{"A.D64", "work.D64"}));
    EXPECT_EQ(Grid()->currentRow(), 1);
}

TEST_F(NewImageTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    images.Write("OLD.D64", {1, 2, 3});
    Start();
    for (MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
        Answer("OLD.D64", "x", "00", false);
        dialogs.answers = {answer};
        Item("MnuNewImage")->trigger();
        EXPECT_EQ(images.Read("OLD.D64").size(), answer == MsgResult::No ? 3u : 174848u);
    }
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_TRUE(dialogs.shown[0].text.contains("already exists"));
    Answer("BAD.D64", "caf\xC3\xA9", "00", false);
    Item("MnuNewImage")->trigger();
    EXPECT_FALSE(images.Exists("BAD.D64"));
    EXPECT_TRUE(dialogs.shown.back().text.contains("cannot show"));
}

TEST_F(NewImageTest, HealthReportFillsARowPerImageWithoutBlocking) {
    D64Builder broken("B", "01");
    broken.SetFree(3, 3, false);
    images.Write("A.D64", D64Builder("A", "01").Bytes());
    images.Write("B.D64", broken.Bytes());
    Start();
    EXPECT_FALSE(Item("MnuHealth")->isEnabled()); // until the folder's scan is done
    Scanned();
    Item("MnuHealth")->trigger();
    ASSERT_NE(form->HealthDialog, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->HealthRunning(); }, 5000));
    QTableWidget* grid = form->HealthDialog->GridHealth;
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 1)->text(), "clean");
    EXPECT_EQ(grid->item(1, 1)->text(), "1 finding: 1 orphan");
    EXPECT_EQ(form->HealthDialog->HealthProgress->value(), 100);
    EXPECT_TRUE(Item("MnuHealth")->isEnabled());
}

} // namespace
} // namespace dyskel::test
