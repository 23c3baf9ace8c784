// The directory art commands in the real editor window: each is one
// "Update file" question, one .BAK and one Undo step.
#include "EditorHarness.h"
#include "editor/DirPage.h"

#include <QTableWidget>

namespace dyskel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct WindowCase {
    const char* name;
    const char* action;
    int row;
};

class DirArtWindow : public EditorTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(DirArtWindow, OneQuestionOneBackupOneUndo) {
    options.data.promptSave = true;
    options.data.backupFiles = true;
    D64Builder disk("ART", "42");
    for (const char* name : {"ONE", "TWO", "THREE"}) disk.AddPrg(name, 0x0801, {0x60});
    UseImage(disk);
    const Bytes before = OnDisk();
    Open([&] {
        Grid()->setCurrentCell(GetParam().row, 1);
        Find<QAction>(GetParam().action)->trigger();
        EXPECT_EQ(dialogs.shown.size(), 1u); // the one "Update file" question
        EXPECT_NE(OnDisk(), before);
        EXPECT_EQ(dir.Read("TEST.BAK"), before);
        dialogs.answers = {MsgResult::Yes};
        Find<QAction>("PMnuDirUndo")->trigger();
    });
    EXPECT_EQ(OnDisk(), before);
}

INSTANTIATE_TEST_SUITE_P(Commands, DirArtWindow,
                         ::testing::Values(WindowCase{"Separator", "ActDirSeparator", 1},
                                           WindowCase{"Up", "ActDirUp", 2},
                                           WindowCase{"Down", "ActDirDown", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dyskel::test
