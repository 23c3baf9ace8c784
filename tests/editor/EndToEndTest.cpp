// The whole road through the editor window on a bundled sample disk: rename
// an entry, export a program, dump a SEQ file.  Every file the window writes
// must equal, byte for byte, what dyskel-cli writes for the same disk.
#include "EditorHarness.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace dyskel::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The samples are made into <build>/samples; the test runs from <build>/tests/editor.
fs::path SampleDisk() {
    return fs::path(QCoreApplication::applicationDirPath().toStdString()) / ".." / ".." / "samples" /
           "DEMO.D64";
}

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class EndToEndTest : public EditorTest {
  protected:
    QTableWidget* Grid() { return Find<QTableWidget>("StrGridDir"); }

    void Select(int row) {
        const QRect r = Grid()->visualRect(Grid()->model()->index(row, 1));
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, r.center());
    }
    void Choose(int row, const char* item) {
        Select(row);
        QTest::mousePress(Grid()->viewport(), Qt::RightButton, {},
                          Grid()->visualRect(Grid()->model()->index(row, 1)).center());
        emit Find<QMenu>("PopupMenuDir")->aboutToShow();
        QAction* action = Find<QAction>(item);
        ASSERT_TRUE(action->isVisible()) << item;
        action->trigger();
    }
};

TEST_F(EndToEndTest, WindowWritesWhatTheCommandLineWrites) {
    const fs::path sample = SampleDisk();
    if (!fs::exists(sample)) GTEST_SKIP() << "no sample disk at " << sample;
    const Bytes original = ReadFile(sample);
    UseImage(original, "DEMO.D64");

    Open([&] {
        Find<QTabWidget>("TNBdisplay")->setCurrentIndex(1);
        // Rows: 0 HELLO, 1 BORDER, 2 SCREEN FILL, 3 SINE TABLE, 4 README (SEQ),
        // 5 OLD NOTES (DEL), 6 USER DATA, 7 BIG PROGRAM.
        Choose(7, "PMnuDirExportPRG");
        Choose(4, "PMnuDirHexDump");
        Choose(0, "PMnuDir6502"); // leaves the program's last track in the buffer
        Find<QTabWidget>("TNBdisplay")->setCurrentIndex(1);
        Choose(0, "PMnuDirRename");
        auto* editor = Grid()->findChild<QLineEdit*>(QStringLiteral("StrGridDirEditor"));
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("greeting"));
        QTest::keyClick(editor, Qt::Key_Return);
    });
    EXPECT_TRUE(dialogs.shown.empty());

    // The image now lists the new name: open it again.
    Open([&] {
        const QByteArray cell = Grid()->item(0, 2)->data(Qt::UserRole).toByteArray();
        EXPECT_EQ(cell.left(10), QByteArray("\"GREETING\""));
    });

#ifdef DYSKEL_CLI
    const fs::path cli = fs::path(dir.Path()) / "cli";
    fs::create_directories(cli);
    const fs::path image = cli / "DEMO.D64";
    fs::copy_file(sample, image);
    for (const std::string args : {"export \"" + image.string() + "\" 8", "dump \"" + image.string() + "\" 5",
                                   "rename \"" + image.string() + "\" 1 GREETING"}) {
        const std::string command = std::string("\"") + DYSKEL_CLI + "\" " + args + " > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    for (const char* name : {"DEMO.D64", "BIG PROGRAM.PRG", "README.SEQ_HexDump.txt"}) {
        const Bytes mine = ReadFile(fs::path(dir.Path()) / name);
        EXPECT_FALSE(mine.empty()) << name;
        EXPECT_EQ(mine, ReadFile(cli / name)) << name;
    }
    EXPECT_NE(ReadFile(fs::path(dir.Path()) / "DEMO.D64"), original);
#else
    GTEST_SKIP() << "dyskel-cli is not built";
#endif
}

} // namespace
} // namespace dyskel::test
