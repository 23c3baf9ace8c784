// The editor window over one open image.
#pragma once

#include "editor/EditorContext.h"
#include "editor/LinkTracking.h"

#include <QDialog>
#include <string>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace dyskel {

class TBamPage;
class TDirPage;
class THexPage;
class T6502Page;

class TEditor : public QDialog, public IEditorHost {
    Q_OBJECT
  public:
    // mainWindow is hidden while the editor is shown (may be null in tests).
    TEditor(EditorServices& services, QWidget* mainWindow, QWidget* parent = nullptr);
    ~TEditor() override;

    // Shows the window modally over the image: the set-up runs once, before
    // the user can act; returns when the window is closed with BtnClose.
    int Open(const ImageRef& image);

    // The set-up: fills every control and page from the image.  Run by Open
    // before the window is shown (and alone by the benchmark of an opening).
    void FormActivate(const ImageRef& image);

    // IEditorHost
    void JumpToBlock(int track, int sector) override;
    bool EnsureEditMode() override;
    void ShowPage(int index) override;
    void DisassembleFile(int track, int sector) override;
    bool ApplyEdit(const ImageEdit& edit) override;
    void Undo() override;
    void OpenPartition(const DirEntry* entry) override;

    // F5: header, BAM, directory, chart, facts and the block on show read
    // from the image again; with typed bytes not written it asks first, as
    // leaving the block does.
    void Refresh();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

  public slots:
    // Without a close box the window closes only through BtnClose; a close
    // request from the window system takes the same way.
    void reject() override;

  private:
    void BuildTopPanel(QWidget* top);
    // At the main window's place, moved and shrunk to lie wholly on the
    // screen that holds the main window.
    void PlaceOnScreen();
    // Reads header, BAM and directory from the file and shows them; the
    // directory keeps its selected row when asked.  False when they cannot
    // be read (error then says why).
    bool ShowImage(QString* error, bool keepRow);
    // The status line: why the image opened read-only (when it did), the
    // notes given (those of the last write), and that the disk is soft
    // write-protected (when it is).
    void ShowStatus(const std::vector<std::string>& notes = {});
    // Runs the write path with the options and the window's questions.
    UpdateResult Write(const ImageEdit& edit);
    // Writes the bytes typed on the Hex Editor page into the block on show.
    void WriteBlock();
    // Before the block on show is left: with typed bytes not written, asks
    // "Write", "Discard" or "Cancel"; false for Cancel.
    bool LeaveBlock();
    void ApplyHints(bool on);

    void SpinEditTrackChange();
    void SpinEditSectorChange();
    void ShowSector();
    void ShowInstruction();
    void ShowPosition();

    void BtnTrackForwardClick();
    void BtnTrackBackClick();
    void BtnResetTrackingClick();
    void MoveTo(int track, int sector);
    void BtnCloseClick();
    void RBEditClick();
    void RBdispOnlyClick();

    EditorServices& svc_;
    QWidget* mainWindow_;
    LinkTracking tracking_;
    bool hintsOn_ = false;
    QString hint6502_;                         // description line of the instruction on show
    BlockAddress shownAt_;                     // the block on the Hex Editor page
    bool restoring_ = false;                   // the selectors are being put back after Cancel
    int page_ = 1;                             // the page on show
    QString readOnly_;                         // why the image opened read-only; empty when it may be written
    QString diskReadOnly_;                     // the same for the disk, while a partition is shown
    const DiskFormat* format_ = &D64ExtFormat; // the open image's disk format

    QLineEdit* EditFileName = nullptr;
    QLabel* PanelHeaderID = nullptr;
    QLabel* PanelBlocksFree = nullptr;
    QPushButton* BtnClose = nullptr;
    QLabel* LblEC = nullptr;
    QRadioButton* RBEdit = nullptr;
    QRadioButton* RBdispOnly = nullptr;
    QRadioButton* RBWPon = nullptr;
    QRadioButton* RBWPoff = nullptr;
    QLabel* PanelTimeStamp = nullptr;
    QLabel* LblFormat = nullptr;
    QLabel* Panel6502 = nullptr;
    QLabel* PanelPos = nullptr;
    QPushButton* BtnTrackBack = nullptr;
    QPushButton* BtnTrackForward = nullptr;
    QPushButton* BtnResetTracking = nullptr;
    QSpinBox* SpinEditTrack = nullptr;
    QSpinBox* SpinEditSector = nullptr;
    QTabWidget* TNBdisplay = nullptr;
    QLabel* LblStatus = nullptr;   // the status line under the pages
    QAction* MnuRefresh = nullptr; // F5

    THexPage* hexPage_ = nullptr;
    TDirPage* dirPage_ = nullptr;
    TBamPage* bamPage_ = nullptr;
    T6502Page* page6502_ = nullptr;
};

// The time stamp as the window shows it: the user's short date, a blank and
// the long time (no time at exactly midnight); "N/A" when unknown (-1).
QString ImageTimeStampText(std::int64_t mtime);

} // namespace dyskel
