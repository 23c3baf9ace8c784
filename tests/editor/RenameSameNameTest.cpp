// Rename to a name another entry has: written all the same, and the status
// line says so once the panels show the new listing.
#include "EditorHarness.h"

#include <QLineEdit>

namespace dyskel::test {
namespace {

// HELLO, TWO and a scratched GONE; the first row renamed.
struct SameNameCase {
    const char* label;
    const char* typed;
    const char* status;
};
const SameNameCase SameNameCases[] = {
    {"AnotherLiveEntry", "two", "Another entry is named \"TWO\" too: the C64 loads the first of them."},
    {"NewName", "fresh", ""},
    {"OnlyAScratchedEntry", "gone", ""},
    {"ItsOwnName", "hello", ""},
};

class RenameSameName : public EditorTest, public ::testing::WithParamInterface<SameNameCase> {};

TEST_P(RenameSameName, SaysSoInTheStatusLine) {
    D64Builder disk;
    disk.AddPrg("HELLO", 0x0801, {0x60});
    disk.AddPrg("TWO", 0x0801, {0x60});
    disk.AddDirEntry(0x00, {1, 10}, "GONE", 1);
    UseImage(disk);
    Open([&] {
        Grid()->setCurrentCell(0, 2);
        Find<QAction>("PMnuDirRename")->trigger();
        auto* line = Grid()->findChild<QLineEdit*>();
        ASSERT_NE(line, nullptr);
        line->selectAll();
        QTest::keyClicks(line, GetParam().typed);
        QTest::keyClick(line, Qt::Key_Return);
        EXPECT_EQ(Find<QLabel>("LblStatus")->text(), GetParam().status);
        // Written: the panels list the new name.
        EXPECT_EQ(Grid()->item(0, 2)->text().toUpper().remove('"').trimmed(),
                  QString(GetParam().typed).toUpper());
    });
}

INSTANTIATE_TEST_SUITE_P(Names, RenameSameName, ::testing::ValuesIn(SameNameCases),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace dyskel::test
