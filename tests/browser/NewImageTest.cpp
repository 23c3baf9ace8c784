// File > New Image... and File > Image Health... of the main window.
#include "MainFormFixture.h"

#include "browser/NewImageDialog.h"
#include <QTableWidget>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace dyskel::test {
namespace {

class NewImageTest : public MainFormTest {
  protected:
    // Fills the New Image dialog as a user would and presses OK.
    void Answer(const QString& file, const QString& name, const QString& id, bool forty) {
        Answer(file, name, id, forty ? "Rb40" : "Rb35");
    }
    void Answer(const QString& file, const QString& name, const QString& id, const char* format) {
        dialogs.dialogs.push_back([=](QDialog& d) {
            d.findChild<QLineEdit*>("EdtFileName")->setText(file);
            d.findChild<QLineEdit*>("EdtDiskName")->setText(name);
            d.findChild<QLineEdit*>("EdtDiskId")->setText(id);
            d.findChild<QRadioButton*>(format)->setChecked(true);
            return Ok(d);
        });
    }
    // Presses OK: the dialog's answer, Rejected while it stays open.
    static int Ok(QDialog& d) {
        d.setResult(QDialog::Rejected);
        d.findChild<QPushButton*>("BtnNewOk")->click();
        return d.result();
    }
    static QString Text(QDialog& d, const char* name) { return d.findChild<QLineEdit*>(name)->text(); }
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

// The format chosen in the dialog: its size, its extension added to a bare
// name, and the byte that marks it (a D71's double-sided flag at 18/0 byte 3,
// a D81's DOS version 'D' at 40/0 byte 2).
struct FormatChoice {
    const char* radio;
    const char* file;
    std::size_t size;
    std::size_t markAt;
    std::uint8_t mark;
};
class NewImageFormat : public NewImageTest, public ::testing::WithParamInterface<FormatChoice> {};

TEST_P(NewImageFormat, WritesTheFormatChosen) {
    const FormatChoice& c = GetParam();
    Start();
    Answer("work", "x", "00", c.radio);
    Item("MnuNewImage")->trigger();
    ASSERT_TRUE(images.Exists(c.file));
    const std::vector<std::uint8_t> bytes = images.Read(c.file);
    EXPECT_EQ(bytes.size(), c.size);
    EXPECT_EQ(bytes[c.markAt], c.mark);
}

INSTANTIATE_TEST_SUITE_P(Formats, NewImageFormat,
                         ::testing::Values(FormatChoice{"RbD71", "work.D71", 349696, 0x16500 + 3, 0x80},
                                           FormatChoice{"RbD81", "work.D81", 819200, 0x61800 + 2, 'D'}),
                         [](const auto& info) { return std::string(info.param.radio); });

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
    EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::YesNoDefaultNo);
    EXPECT_EQ(dialogs.dialogTitles.size(), 3); // after No the dialog came back, as it was left
}

struct BadField {
    const char* field; // the line typed into
    const char* typed;
    const char* message;
};
class NewImageRefusal : public NewImageTest, public ::testing::WithParamInterface<BadField> {};

TEST_P(NewImageRefusal, StaysOpenNamingTheCharacterAndKeepsWhatWasTyped) {
    Start();
    QString refusal, folder, kept;
    bool open = false;
    dialogs.dialogs.push_back([&](QDialog& d) {
        folder = d.findChild<QLabel*>("LblNewFolder")->text();
        d.findChild<QLineEdit*>("EdtFileName")->setText("TYPED");
        d.findChild<QLineEdit*>(GetParam().field)->setText(QString::fromUtf8(GetParam().typed));
        open = Ok(d) == QDialog::Rejected;
        refusal = d.findChild<QLabel*>("LblNewError")->text();
        kept = Text(d, GetParam().field);
        d.findChild<QLineEdit*>(GetParam().field)->setText("OK");
        return Ok(d);
    });
    Item("MnuNewImage")->trigger();
    EXPECT_TRUE(open);
    EXPECT_EQ(refusal, QString::fromUtf8(GetParam().message));
    EXPECT_EQ(kept, QString::fromUtf8(GetParam().typed));
    EXPECT_EQ(folder, QString::fromStdString(images.Path()));
    EXPECT_TRUE(images.Exists(std::string(GetParam().field) == "EdtFileName" ? "OK.D64" : "TYPED.D64"));
    EXPECT_TRUE(dialogs.shown.empty());
}
INSTANTIATE_TEST_SUITE_P(
    Fields, NewImageRefusal,
    ::testing::Values(BadField{"EdtDiskName", "caf\xC3\xA9 disk",
                               "The disk name holds \"\xC3\xA9\", a character the C64 cannot show."},
                      BadField{"EdtDiskId",
                               "\xE2\x82\xAC"
                               "1",
                               "The ID holds \"\xE2\x82\xAC\", a character the C64 cannot show."},
                      BadField{"EdtFileName", "sub/x.d64",
                               "The file name holds \"/\": give the name alone, without a folder."},
                      BadField{"EdtFileName", " ", "Give the new image a file name."}),
    [](const auto& info) { return std::string(info.param.field).substr(3) + std::to_string(info.index); });

TEST_F(NewImageTest, HealthReportFillsARowPerImageWithoutBlocking) {
    D64Builder broken("B", "01");
    broken.SetFree(3, 3, false);
    images.Write("A.D64", D64Builder("A", "01").Bytes());
    images.Write("B.D64", broken.Bytes());
    Start();
    EXPECT_FALSE(Item("MnuHealth")->isEnabled()); // until the folder's scan is done
    Scanned();
    Item("MnuHealth")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->HealthRunning(); }, 5000));
    QTableWidget* grid = Find<QTableWidget>("GridHealth");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 1)->text(), "clean");
    EXPECT_EQ(grid->item(1, 1)->text(), "1 finding: 1 orphan");
    EXPECT_EQ(Find<QProgressBar>("HealthProgress")->value(), 100);
    EXPECT_TRUE(Item("MnuHealth")->isEnabled());
}

} // namespace
} // namespace dyskel::test
