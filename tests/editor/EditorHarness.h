// The editor window over an image in a temporary folder, opened as the main
// window opens it, with scripted dialogs and a stand-in main window.
#pragma once

#include "browser/Options.h"
#include "editor/DirPage.h"
#include "editor/Ueditor.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace dyskel::test {

class EditorTest : public ::testing::Test {
  protected:
    TempDir dir;
    QWidget mainWindow;
    TOptions options{&mainWindow};
    ScriptedDialogs dialogs;
    ImageRef image; // the image the next Open opens
    EditorData data;
    EditorServices services{data, options.data, dialogs, nullptr};
    TEditor editor{services, &mainWindow};

    // The window starts in Edit mode, as for a user who checked "Editor
    // starts in Edit Mode" (unchecked by default).
    EditorTest() { options.Item("MnuEditorEditMode")->setChecked(true); }

    // Saves the image bytes under name (with that time stamp, when given) and
    // names it as the main window does for an opening.
    void UseImage(const std::vector<std::uint8_t>& bytes, const std::string& name = "TEST.D64",
                  std::int64_t mtime = -1) {
        dir.Write(name, bytes);
        if (mtime != -1) {
            const timespec times[2] = {{mtime, 0}, {mtime, 0}};
            ::utimensat(AT_FDCWD, dir.File(name).c_str(), times, 0);
        }
        image = {dir.File(name), {name, std::int64_t(bytes.size()), 0, mtime}, std::nullopt};
        data.place = QPoint(40, 30);
    }
    void UseImage(const D64Builder& disk, const std::string& name = "TEST.D64") {
        UseImage(disk.Bytes(), name);
    }

    // Opens the editor modally; during() runs inside the modal showing, after
    // the set-up, then BtnClose closes the window unless during() did.
    int Open(const std::function<void()>& during = {}) {
        bool ran = false;
        QTimer::singleShot(0, &editor, [&] {
            ran = true;
            editor.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&editor));
            if (during) during();
            if (editor.isVisible()) QTest::mouseClick(Find<QPushButton>("BtnClose"), Qt::LeftButton);
        });
        const int result = editor.Open(image);
        EXPECT_TRUE(ran) << "the window was not shown";
        return result;
    }

    template <class T>
    T* Find(const char* name) {
        T* w = editor.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QSpinBox* Track() { return Find<QSpinBox>("SpinEditTrack"); }
    QSpinBox* Sector() { return Find<QSpinBox>("SpinEditSector"); }

    // A click on a spin edit's up or down arrow.
    static void ClickArrow(QSpinBox* spin, bool up) {
        QStyleOptionSpinBox opt;
        opt.initFrom(spin);
        opt.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame;
        opt.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
        const QRect r = spin->style()->subControlRect(
            QStyle::CC_SpinBox, &opt, up ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown, spin);
        QTest::mouseClick(spin, Qt::LeftButton, {}, r.center());
    }

    // The Directory page, its grid, and the image file as it is on disk now.
    TDirPage* DirPage() { return Find<TDirPage>("TabDirectory"); }
    QTableWidget* Grid() { return Find<QTableWidget>("StrGridDir"); }
    // The raw bytes of a cell of the directory, as the listing holds them.
    std::string CellBytes(int row, int column) {
        const QTableWidgetItem* item = Grid()->item(row, column);
        const QByteArray raw = item ? item->data(Qt::UserRole).toByteArray() : QByteArray();
        return {raw.constData(), std::size_t(raw.size())};
    }
    // Host files dropped onto the directory, as from a file manager.
    void DropFiles(const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        mime.setUrls(urls);
        const QPoint at = Grid()->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Grid()->viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Grid()->viewport(), &drop);
    }
    std::vector<std::uint8_t> OnDisk() { return dir.Read("TEST.D64"); }

    // Where the track and sector selectors stand.
    std::pair<int, int> Block() { return {Track()->value(), Sector()->value()}; }
};

} // namespace dyskel::test
