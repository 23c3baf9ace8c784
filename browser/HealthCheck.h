// File > Image Health of the main window: every image of the folder checked
// on a worker, the report filled row by row with a progress bar.
#pragma once

#include "browser/Worker.h"

#include <QObject>
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

    // Shows the report (made on the first call) over the images of folder,
    // one row per name, and checks them; nothing while a check runs.
    void Start(const std::string& folder, const std::vector<std::string>& names);
    bool Running() const { return worker_.Running(); }

  signals:
    // The report is filled.
    void Done();

  private:
    QWidget* window_;
    THealthDialog* dialog_ = nullptr; // the last report
    TWorker worker_;
};

} // namespace dyskel
