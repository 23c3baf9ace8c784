// File > New Image...: the file name, disk name, ID and tracks of a new image.
#pragma once

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QTableWidget;
class QRadioButton;
class QPushButton;

namespace dyskel {

class TNewImageDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TNewImageDialog(QWidget* parent = nullptr);

    QLineEdit* EdtFileName = nullptr;
    QLineEdit* EdtDiskName = nullptr; // up to 16 characters
    QLineEdit* EdtDiskId = nullptr;   // 2 characters
    QRadioButton* Rb35 = nullptr;
    QRadioButton* Rb40 = nullptr;
    QPushButton* BtnNewOk = nullptr;
    QPushButton* BtnNewCancel = nullptr;

    int Tracks() const;
};

// The window of the image-health report: one row per image of the folder,
// filled while the images are checked.
class THealthDialog : public QDialog {
    Q_OBJECT
  public:
    explicit THealthDialog(QWidget* parent = nullptr);

    QTableWidget* GridHealth = nullptr;
    QProgressBar* HealthProgress = nullptr;
};

} // namespace dyskel
