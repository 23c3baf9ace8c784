// The real message boxes answered from the keyboard: a question before
// something is destroyed gives the harmless answer to Enter and Escape.
#include "platform/Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace dyskel {
namespace {

class DialogKeysTest : public ::testing::TestWithParam<Qt::Key> {
  protected:
    QtDialogs dialogs;
    // Presses the key in the box once it is shown; the box's answer comes back.
    template <class Ask>
    auto Answer(Ask ask) {
        QTimer::singleShot(0, [key = GetParam()] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                QTest::keyClick(box, key);
        });
        return ask();
    }
};

TEST_P(DialogKeysTest, GiveTheButtonsAskedFor) {
    EXPECT_EQ(Answer([&] {
                  return dialogs.Message(nullptr, MsgKind::Confirmation, MsgButtons::YesNoDefaultNo,
                                         "Delete?");
              }),
              MsgResult::No);
    const QStringList buttons{"Replace", "Keep both", "Cancel"};
    EXPECT_EQ(Answer([&] { return dialogs.Choose(nullptr, "Clash", buttons, 2, 2); }), 2);
    EXPECT_EQ(Answer([&] { return dialogs.Choose(nullptr, "Type", buttons, 1, 0); }),
              GetParam() == Qt::Key_Escape ? 0 : 1);
}
INSTANTIATE_TEST_SUITE_P(Keys, DialogKeysTest, ::testing::Values(Qt::Key_Return, Qt::Key_Escape),
                         [](const auto& info) { return info.param == Qt::Key_Return ? "Enter" : "Escape"; });

} // namespace
} // namespace dyskel
