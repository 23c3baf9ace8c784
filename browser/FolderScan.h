// The main window's folder scan: lists the D64 images of a folder in the
// image grid.  A worker reads them; rows come into the grid in batches while
// the window goes on, the status panel and the gauge follow, and a scan still
// running when another starts is given up.
#pragma once

#include "browser/Worker.h"

#include <QObject>
#include <QString>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;

namespace dyskel {

class TImageGrid;
struct ImageRow;

// The controls a scan fills.
struct ScanView {
    TImageGrid* grid;
    QLabel* status; // "Analyzing", "Sorting", "Updating", then the idle text
    QProgressBar* gauge;
    QLabel* count; // the number of images listed
};

class TFolderScan : public QObject {
    Q_OBJECT
  public:
    TFolderScan(ScanView view, QObject* parent = nullptr);

    // Lists the images of folder; byName sorts them by name, details reads
    // each one's header block for the label columns.
    void Start(const std::string& folder, bool byName, bool details);
    bool Running() const { return worker_.Running(); }
    // Makes the image's row current; while a scan runs, once the row is in.
    void Select(const std::string& name);
    // As Select; when the scan ends without that image, the row at index
    // row (or the last one) is made current instead: the one that took its
    // place.
    void SelectOrRow(const std::string& name, int row);
    // Shown in the status panel (with a tool tip) at the end of the scan, or
    // now when none runs, instead of the idle text.
    void Note(const QString& text, const QString& tip);

  signals:
    // The scan has read the whole folder (not sent for a scan given up).
    void Done();

  private:
    void SetProgress(int percent);
    void ShowStatus(const QString& text);
    void RowsArrived(std::vector<ImageRow> rows);
    void Finished();

    ScanView view_;
    TWorker worker_;
    std::string pendingSelect_; // the image to select once its row is in
    int fallbackRow_ = -1;      // made current at the end when pendingSelect_ never came
    QString note_, noteTip_;    // shown at the end of the scan instead of the idle text
};

} // namespace dyskel
