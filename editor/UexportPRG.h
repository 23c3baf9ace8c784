// The export file-name dialog: lets the user change the name of a PRG file
// before it is written.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dyskel {

class TExportFileName : public QDialog {
    Q_OBJECT
  public:
    // folder: shown in PanelDir until an export names the folder it writes to.
    explicit TExportFileName(const QString& folder, QWidget* parent = nullptr);

    QFrame* Bevel1 = nullptr;
    QLabel* LblDir = nullptr;
    QLabel* PanelDir = nullptr;
    QLabel* LblFileName = nullptr;
    QLineEdit* EditFileName = nullptr;
    QLabel* LblFNHelp = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

  protected:
    // Each showing starts with the focus in the name box.
    void showEvent(QShowEvent* event) override;
};

} // namespace dyskel
