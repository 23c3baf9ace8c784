// The export file-name dialog as the user sees it.
#include "editor/UexportPRG.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace dyskel {
namespace {

struct Control {
    const char* name;
    QRect geometry; // as laid out in the dialog
};

TEST(ExportDialogTest, ControlsCaptionsAndPlaces) {
    TExportFileName d(QStringLiteral("/home/c64/disks"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Export to PRG-file"));
    EXPECT_EQ(d.size(), QSize(504, 97));
    const Control controls[] = {
        {"PanelDir", QRect(72, 8, 425, 17)}, {"EditFileName", QRect(72, 40, 337, 21)},
        {"OKBtn", QRect(420, 32, 75, 25)},   {"CancelBtn", QRect(420, 64, 75, 25)},
        {"Bevel1", QRect(0, 0, 505, 97)},
    };
    for (const Control& c : controls) {
        auto* w = d.findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->geometry(), c.geometry) << c.name;
    }
    const std::pair<const char*, const char*> labels[] = {
        {"LblDir", "Directory"},
        {"PanelDir", "/home/c64/disks"},
        {"LblFileName", "LblFileName"},
        {"LblFNHelp", ".PRG is automatically added to the file name you specify."},
    };
    for (const auto& [name, text] : labels) {
        auto* l = d.findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(l, nullptr) << name;
        EXPECT_EQ(l->text(), QString::fromLatin1(text)) << name;
    }
    EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("LblDir"))->pos(), QPoint(8, 10));
    EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("LblFileName"))->pos(), QPoint(8, 42));
    EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("LblFNHelp"))->pos(), QPoint(72, 64));
    EXPECT_EQ(d.OKBtn->text(), QStringLiteral("&Start Export"));
    EXPECT_TRUE(d.OKBtn->isDefault());
    EXPECT_EQ(d.CancelBtn->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(d.PanelDir->alignment() & Qt::AlignLeft);
}

TEST(ExportDialogTest, ButtonsAndKeysGiveTheResult) {
    TExportFileName d(QStringLiteral("/tmp"));
    d.show();
    QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    d.show();
    QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    d.show();
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(d.isVisible());
}

TEST(ExportDialogTest, ShowingPutsTheFocusInTheNameAndEnterStarts) {
    TExportFileName d(QStringLiteral("/tmp"));
    d.show();
    QApplication::setActiveWindow(&d);
    EXPECT_EQ(d.focusWidget(), d.EditFileName);
    QTest::keyClicks(d.EditFileName, QStringLiteral("GAME"));
    QTest::keyClick(d.EditFileName, Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.EditFileName->text(), QStringLiteral("GAME"));
}

// Every caption fits the room the layout leaves it: the labels end before the
// boxes to their right, the help line before the buttons.
TEST(ExportDialogTest, CaptionsFitBesideTheirNeighbours) {
    TExportFileName d(QStringLiteral("/tmp"));
    const std::pair<const char*, int> labels[] = {{"LblDir", 72}, {"LblFileName", 72}, {"LblFNHelp", 420}};
    for (const auto& [name, nextLeft] : labels) {
        auto* l = d.findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(l, nullptr) << name;
        EXPECT_LE(l->x() + l->fontMetrics().horizontalAdvance(l->text()), nextLeft) << name;
    }
    for (QPushButton* b : {d.OKBtn, d.CancelBtn}) {
        QString caption = b->text();
        caption.remove(QLatin1Char('&'));
        EXPECT_LT(b->fontMetrics().horizontalAdvance(caption), b->width() - 8) << caption.toStdString();
    }
}

} // namespace
} // namespace dyskel
