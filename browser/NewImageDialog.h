// File > New Image...: the file name, disk name, ID and tracks of a new image.
#pragma once

#include "core/Format.h"

#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QTableWidget;
class QRadioButton;
class QPushButton;

namespace dyskel {

class TNewImageDialog : public QDialog {
    Q_OBJECT
  public:
    // folder: where the image will be written, shown in the dialog.
    explicit TNewImageDialog(const QString& folder, QWidget* parent = nullptr);

    QLabel* LblNewFolder = nullptr;
    QLineEdit* EdtFileName = nullptr;
    QLineEdit* EdtDiskName = nullptr; // up to 16 characters
    QLineEdit* EdtDiskId = nullptr;   // 2 characters
    QRadioButton* Rb35 = nullptr;
    QRadioButton* Rb40 = nullptr;
    QRadioButton* RbD71 = nullptr; // a double-sided 1571 disk
    QRadioButton* RbD81 = nullptr; // a 1581 disk
    QLabel* LblNewError = nullptr; // why OK did not close the dialog
    QPushButton* BtnNewOk = nullptr;
    QPushButton* BtnNewCancel = nullptr;

    int Tracks() const;
    // The format chosen: a D64 of 35 or 40 tracks, a D71 or a D81.
    const DiskFormat& Format() const;

    // What was typed, ready for the disk: the file name (the format's
    // extension, ".D64", ".D71" or ".D81", added when it has none), the disk name and ID as C64 bytes,
    // letters made capitals.
    struct Typed {
        std::string fileName, name, id;
    };
    // Nothing when a field cannot be used; then message says why, naming the
    // character that is wrong, and field is the line to correct.
    std::optional<Typed> Values(QString* message = nullptr, QLineEdit** field = nullptr) const;

    // OK closes the dialog only when every field can be used; otherwise it
    // says why below the fields and keeps what was typed.
    void accept() override;
};

// The window of the image-health report: one row per image of the folder,
// filled while the images are checked.
class THealthDialog : public QDialog {
    Q_OBJECT
  public:
    explicit THealthDialog(QWidget* parent = nullptr);

    QTableWidget* GridHealth = nullptr;
    QProgressBar* HealthProgress = nullptr;
    QLabel* LblHealthSummary = nullptr; // how many images are clean, how many not
};

} // namespace dyskel
