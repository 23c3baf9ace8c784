// The editor's "Directory" page: the disk directory as the C64 lists it, and
// the pop-up menu of commands on an entry.
#pragma once

#include "core/Directory.h"
#include "core/DiskFiles.h"
#include "editor/EditorContext.h"

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QMenu;

namespace dyskel {

class TC64ScreenView;

// The window talks to the page through its few public functions; the
// commands run from the page's own menu, and tests find its widgets and
// actions by objectName.
class TDirPage : public QWidget {
    Q_OBJECT
  public:
    TDirPage(EditorServices& services, IEditorHost& host, QWidget* parent = nullptr);

    // Lists the directory of the view into StrGridDir and shows the label in
    // PanelDirHeaderID; no view (the image could not be read) leaves both
    // empty.  The row at keepRow is selected (the first one when it is gone).
    void ShowDirectory(const DiskView* view, int keepRow = 0);
    // The row selected (-1 when none).
    int CurrentRow() const;
    // Selects the entry at that sector of track 18 and offset there; false
    // when the listing holds none there.
    bool SelectEntry(int sector, int offset);
    // The listing on show.
    const DirListing& Listing() const { return listing_; }
    // Clears the page's short note (a refused character and the like).
    void ClearNote();
    // Undo (Ctrl+Z), which the window also takes from its other controls.
    QAction* UndoAction() const { return PMnuDirUndo; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The entry of a grid row; null for the free-blocks row and outside.
    const DirEntry* EntryAt(int row) const;
    // The raw bytes of a cell.  Row 0 is the first entry (the header row is
    // the grid's header); the last row is the free-blocks row.
    std::string CellBytes(int row, int column) const;
    // True when row is an entry row (not the free-blocks row).
    bool IsEntryRow(int row) const;

    // The handlers of the grid and of the pop-up menu's items.
    void StrGridDirMouseDown();
    void PopupMenuDirPopup();
    void PMnuDirFileNameClick();
    void PMnuDirRenameClick();
    void PMnuDirExportPRGClick();
    void PMnuDirHexDumpClick();
    void PMnuDir6502Click();
    void PMnuDirDeleteClick();
    void PMnuDirTypeClick(FileType type);
    // Takes a scratched entry back as the type the user picks (PRG unless
    // told otherwise), its blocks used again: one write, one Undo step.
    void PMnuDirUndeleteClick();
    void PMnuDirWPClick(bool locked);
    void PMnuDirFsizeClick();
    void PMnuDirClrImgClick();
    void PMnuDirImportClick();
    void PMnuDirValidateClick();
    // Writes host files onto the disk as new entries, in one change; a name
    // already on the disk asks "Replace", "Keep both" or "Cancel".  Import
    // File and a drop of files onto the grid run it.
    void ImportFiles(const QStringList& paths);
    // The C64 names of the host files; when a name has characters without a
    // C64 byte, the names proposed are shown, editable, in one dialog.  None
    // when a file has no name or the dialog was cancelled.
    std::optional<std::vector<HostFileName>> ImportNames(const QStringList& paths);

    void EndRename(QLineEdit* editor);
    // Drag and drop of host files onto the grid; true when it took the event.
    bool DropEvent(QEvent* event);
    void ShowError(const QString& text);
    std::string ImagePath() const;
    // The entry of the current row after the edit-mode check; null when
    // there is none or the user stays in Display mode.
    const DirEntry* EntryToEdit();

    // The C64 screen beside the table in one place, switched by ChkDirC64;
    // returns that place.
    QWidget* AddC64Screen(QWidget* table);
    // The PETSCII editor on the current entry's name or on the disk name and
    // ID; OK stores them in one write.
    void PetsciiEdit(bool entryName);

    EditorServices& svc_;
    IEditorHost& host_;
    DirListing listing_;
    bool renaming_ = false;

    QLabel* PanelDirHeaderID = nullptr;
    QLabel* LblDirStatus = nullptr; // short notes, such as a refused character
    QTableWidget* StrGridDir = nullptr;
    class TDirArtBar* DirArtBar = nullptr; // the gauge and the directory art commands
    QMenu* PopupMenuDir = nullptr;
    QCheckBox* ChkDirC64 = nullptr;
    QAction* PMnuDirPetscii = nullptr;
    QAction* PMnuDirLabel = nullptr;
    TC64ScreenView* c64View_ = nullptr;

    QAction* PMnuDirFileName = nullptr;
    QAction* PMnuDirRename = nullptr;
    QAction* PMnuDirDelete = nullptr;
    QAction* PMnuDirExportPRG = nullptr;
    QAction* PMnuDirHexDump = nullptr;
    QAction* PMnuDir6502 = nullptr;
    QMenu* PMnuDirFtype = nullptr;
    QAction* PMnuDirSEQ = nullptr;
    QAction* PMnuDirPRG = nullptr;
    QAction* PMnuDirUSR = nullptr;
    QAction* PMnuDirREL = nullptr;
    QAction* PMnuDirUndelete = nullptr; // shown instead of File Type on a scratched entry
    QMenu* PMnuDirWP = nullptr;
    QAction* PMnuDirWPno = nullptr;
    QAction* PMnuDirWPyes = nullptr;
    QAction* PMnuDirFsize = nullptr;
    QAction* PMnuDirClrImg = nullptr;
    QAction* PMnuDirUndo = nullptr;
    QAction* PMnuDirImport = nullptr;
    QAction* PMnuDirValidate = nullptr;
    QAction* PMnuDirOpenPartition = nullptr;  // on a D81's CBM entry
    QAction* PMnuDirLeavePartition = nullptr; // while a partition is shown
};

} // namespace dyskel
