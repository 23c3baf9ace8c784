// A main window over a temporary folder of images, with scripted dialogs, a
// settings file of its own and drives that a test sets up.
#pragma once

#include "browser/DirListBox.h"
#include "browser/ImageGrid.h"
#include "browser/Options.h"
#include "browser/Uabout.h"
#include "browser/Umain.h"
#include "core/Uglobal.h"
#include "platform/Drives.h"
#include "platform/IniFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <stdexcept>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace dyskel::test {

class FakeDrives : public IDrives {
  public:
    std::vector<std::string> roots = {"/"};
    std::set<std::string> notReady;
    std::vector<std::string> List() const override { return roots; }
    bool Ready(const std::string& root) const override { return !notReady.count(root); }
};

inline std::vector<std::uint8_t> StandardImage(const std::string& name = "GAMES", bool errorBytes = false) {
    return D64Builder(name, "01", 35, errorBytes).Bytes();
}

class MainFormTest : public ::testing::Test {
  protected:
    TempDir images;
    TempDir config;
    IniFile ini{config.File("Dyskel.ini")};
    ScriptedDialogs dialogs;
    FakeDrives drives;
    TAboutBox about;
    std::vector<ImageRef> opened;    // the image given to the editor at each opening
    std::function<void()> whileOpen; // runs while the "editor" is shown
    std::unique_ptr<TMainForm> form;

    void Start(const QStringList& arguments = {"/DEBUG"}, const std::string& folder = {}) {
        std::vector<std::string> words;
        for (const QString& a : arguments) words.push_back(a.toLocal8Bit().toStdString());
        form = std::make_unique<TMainForm>(MainServices{dialogs, ini, drives}, ParseCommandLine(words),
                                           folder.empty() ? images.Path() : folder);
        form->AboutBox = &about;
        form->OpenImageHook = [this](const ImageRef& image) {
            opened.push_back(image);
            if (whileOpen) whileOpen();
        };
    }

    // Shows the window and lets its start-up run.
    void Show() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    void Ini(const std::string& text) {
        config.Write("Dyskel.ini", std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    std::string IniText() {
        auto bytes = config.Read("Dyskel.ini");
        return {bytes.begin(), bytes.end()};
    }

    // Lets the running scan of the folder finish.
    void Scanned() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !form->Scanning(); }, 20000));
    }
    // The grid once the folder is scanned.
    TImageGrid* Grid() {
        Scanned();
        return Find<TImageGrid>("FileStrGrid");
    }
    QString Cell(int row, int column) { return Grid()->Text(row, column); }
    QVariant Data(int row, int column, int role) { return Grid()->model()->index(row, column).data(role); }
    QPoint CellCentre(int row, int column) {
        return Grid()->visualRect(Grid()->model()->index(row, column)).center();
    }
    // The file name in the grid's current row.
    QString Current() { return Cell(Grid()->currentRow(), 1); }
    // The texts of one column, top to bottom.
    QStringList Column(int column) {
        QStringList texts;
        for (int r = 0; r < Grid()->rowCount(); ++r) texts << Cell(r, column);
        return texts;
    }
    QAction* Item(const char* name) { return form->findChild<QAction*>(QString::fromLatin1(name)); }
    // The window's control of that name; a test that asks for one that is
    // not there fails.
    template <class W>
    W* Find(const char* name) {
        W* w = form->findChild<W*>(QString::fromLatin1(name));
        if (!w) throw std::runtime_error(std::string("no control named ") + name);
        return w;
    }
    QStringList Messages() {
        QStringList texts;
        for (const auto& m : dialogs.shown) texts << m.text;
        return texts;
    }
};

} // namespace dyskel::test
