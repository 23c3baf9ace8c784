// File > Image Health of the main window: every image of the folder checked
// on a worker, the report filled row by row with a progress bar and a
// summary line; a double click on a row opens the editor on that image.
#pragma once

#include "browser/Worker.h"

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace dyskel {

class THealthDialog;

class THealthCheck : public QObject {
    Q_OBJECT
  public:
    // window: the report's owner.
    explicit THealthCheck(QWidget* window);

    // Shows the editor on the image and returns when it has closed; set by
    // the main window.  The report stays open, and the image's row is
    // checked again afterwards.
    std::function<void(const std::string& path)> OpenImage;

    // Shows the report (made on the first call) over the images of folder,
    // one row per name, and checks them; nothing while a check runs.
    void Start(const std::string& folder, const std::vector<std::string>& names);
    bool Running() const { return worker_.Running(); }

  signals:
    // The report is filled.
    void Done();

  private:
    // How a row came out: its text and whether the image is clean, has
    // findings or could not be read.
    enum class Health { Clean, Findings, Unreadable };
    struct Checked {
        QString text;
        Health health;
    };
    static Checked Check(const std::string& path);
    void ShowRow(int row, const Checked& checked);
    void ShowSummary();
    void RowOpened(int row);

    QWidget* window_;
    THealthDialog* dialog_ = nullptr; // the last report
    std::vector<std::string> paths_;  // of its rows
    TWorker worker_;
};

} // namespace dyskel
