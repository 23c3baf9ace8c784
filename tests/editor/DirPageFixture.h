// A Directory page and a 6502 page over an image in a temporary folder, with
// a stand-in for the editor window and scripted dialogs.
#pragma once

#include "browser/Options.h"
#include "core/Directory.h"
#include "editor/DirPage.h"
#include "editor/Page6502.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace dyskel::test {

// What the editor window would do for the pages, written down for the test.
class FakeHost : public IEditorHost {
  public:
    struct Jump {
        int track, sector;
        bool operator==(const Jump&) const = default;
    };
    std::vector<Jump> jumps;
    std::vector<int> pages;
    bool editMode = true;      // the mode the window is in
    bool switchToEdit = false; // the answer to the edit-mode prompt
    int prompts = 0;
    QString fileName;
    T6502Page* page6502 = nullptr;

    void JumpToBlock(int track, int sector) override { jumps.push_back({track, sector}); }
    bool EnsureEditMode() override {
        if (!editMode) {
            ++prompts;
            editMode = switchToEdit;
        }
        return editMode;
    }
    void ShowPage(int index) override { pages.push_back(index); }
    void DisassembleFile(int track, int sector) override {
        if (page6502) page6502->DisassembleFile(track, sector);
    }
    // Writes as the window does, without undo, and lists the image again.
    bool ApplyEdit(const ImageEdit& edit) override {
        last =
            WriteWithOptions(services->data.image.path, edit, services->options, services->dialogs, nullptr);
        if (last.status == UpdateStatus::Failed)
            services->dialogs.Message(nullptr, MsgKind::Error, MsgButtons::Ok,
                                      QString::fromStdString(last.message));
        if (relist) relist();
        return last.status == UpdateStatus::Updated;
    }
    void Undo() override { ++undos; }
    EditorServices* services = nullptr;
    std::function<void()> relist;
    UpdateResult last;
    int undos = 0;
};

// The view of the image at path, with the free count of the listing set.
inline DiskView ViewOf(const std::string& path, bool ignoreDeleted, int freeBlocks = -1) {
    Result<DiskImage> disk = DiskImage::Load(path);
    EXPECT_TRUE(disk.Ok()) << disk.Error();
    Result<DiskView> view = ReadDiskView(*disk, ignoreDeleted);
    EXPECT_TRUE(view.Ok()) << view.Error();
    DiskView v = view ? *view : DiskView{};
    if (freeBlocks >= 0) v.bam.freeBlocks = static_cast<std::uint16_t>(freeBlocks);
    return v;
}

class PagesTest : public ::testing::Test {
  protected:
    static constexpr const char* ImageName = "TEST.D64";

    TempDir dir;
    D64Builder disk{"TEST DISK", "01"};
    EditorData data;
    QWidget owner;
    TOptions options{&owner};
    ScriptedDialogs dialogs;
    EditorServices services{data, options.data, dialogs, nullptr};
    FakeHost host;
    std::unique_ptr<TDirPage> page;
    std::unique_ptr<T6502Page> page6502;

    void SetUp() override {
        data.image.path = dir.File(ImageName);
        host.fileName = QString::fromLatin1(ImageName);
        host.services = &services;
        host.relist = [this] {
            if (!page) return;
            Result<DiskImage> disk = DiskImage::Load(data.image.path);
            Result<DiskView> view =
                disk ? ReadDiskView(*disk, options.data.ignoreDeleted) : Failure{disk.Error()};
            page->ShowDirectory(view ? &*view : nullptr, Grid()->currentRow());
        };
        options.Item("MnuPromptSave")->setChecked(false);
        options.Item("MnuBackupFiles")->setChecked(false);
        options.Item("MnuPromptExport")->setChecked(false);
    }

    // Saves the disk and builds both pages over it, as the window's set-up does.
    void Open(std::uint16_t freeBlocks = 664) {
        ASSERT_TRUE(disk.Save(dir.File(ImageName)));
        page = std::make_unique<TDirPage>(services, host);
        page6502 = std::make_unique<T6502Page>(services, host);
        host.page6502 = page6502.get();
        page->resize(400, 400);
        page->show();
        DiskView view = ViewOf(dir.File(ImageName), options.data.ignoreDeleted, freeBlocks);
        view.header.label = "TEST DISK";
        page->ShowDirectory(&view);
        page6502->PrepareForOpening();
    }

    // The page's widgets and actions, found as a user's tools find them.
    template <class W>
    W* Find(const char* name) const {
        W* w = page->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QTableWidget* Grid() const { return Find<QTableWidget>("StrGridDir"); }
    QAction* Action(const char* name) const { return Find<QAction>(name); }
    QMenu* Menu(const char* name) const { return Find<QMenu>(name); }
    QLabel* Label(const char* name) const { return Find<QLabel>(name); }

    void Press(int row, int column, Qt::MouseButton button) {
        QRect r = Grid()->visualRect(Grid()->model()->index(row, column));
        QTest::mousePress(Grid()->viewport(), button, {}, r.center());
        QTest::mouseRelease(Grid()->viewport(), button, {}, r.center());
    }

    // Left click on a row, then open the pop-up menu: the names of the items
    // it shows, in menu order.
    std::vector<std::string> MenuFor(int row) {
        Press(row, 1, Qt::LeftButton);
        return OpenMenu();
    }
    std::vector<std::string> OpenMenu() {
        Press(Grid()->currentRow(), 1, Qt::RightButton);
        emit Menu("PopupMenuDir")->aboutToShow();
        std::vector<std::string> shown;
        for (QAction* a : Menu("PopupMenuDir")->actions())
            if (a->isVisible()) shown.push_back(a->objectName().toStdString());
        return shown;
    }

    // The raw bytes of a cell, as the listing holds them.
    std::string Cell(int row, int column) const {
        const QTableWidgetItem* item = Grid()->item(row, column);
        const QByteArray raw = item ? item->data(Qt::UserRole).toByteArray() : QByteArray();
        return {raw.constData(), std::size_t(raw.size())};
    }
};

} // namespace dyskel::test
