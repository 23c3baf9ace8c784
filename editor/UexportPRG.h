// The export file-name dialog: lets the user change the name of a PRG file
// before it is written.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dyskel {

class TExportFileName : public QDialog {
    Q_OBJECT
  public:
    // folder: the folder the main window showed when the program started; it
    // is shown in PanelDir and never updated.
    explicit TExportFileName(const QString& folder, QWidget* parent = nullptr);

    QLabel* PanelDir = nullptr;
    QLineEdit* EditFileName = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};

} // namespace dyskel
