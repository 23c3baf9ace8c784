// The Directory page's row for directory art: the gauge of the directory's
// room, Insert separator, Move up, Move down, and Export and Import of the
// listing as the text `dyskel-cli dirart` reads and writes (or a screen grab
// or raw names to import).  Each change is one write through the window.
#pragma once

#include "core/Directory.h"
#include "editor/EditorContext.h"

#include <QWidget>

class QAction;
class QLabel;

namespace dyskel {

class TDirPage;

class TDirArtBar : public QWidget {
    Q_OBJECT
  public:
    TDirArtBar(EditorServices& services, IEditorHost& host, TDirPage& page);

    // The gauge for the image as listed ("12 of 144 entries used, 2 of 18
    // directory blocks"); empty without a view.
    void Show(const DiskView* view);

  private:
    void InsertSeparatorClick();
    void MoveClick(int step);
    void ExportListingClick();
    void ImportListingClick();
    // The image as it is now; an error box and none when it cannot be read.
    std::optional<DiskImage> Load();

    EditorServices& svc_;
    IEditorHost& host_;
    TDirPage& page_;
    QLabel* LblDirGauge = nullptr;
    QAction* ActDirSeparator = nullptr;
    QAction* ActDirUp = nullptr;
    QAction* ActDirDown = nullptr;
    QAction* ActDirExportList = nullptr;
    QAction* ActDirImportList = nullptr;
};

} // namespace dyskel
