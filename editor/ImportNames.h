// Import's two helpers: the folder its file dialog starts in (the one the
// last import was taken from, kept in the settings file), and the dialog
// that shows the C64 names proposed for host files whose names have
// characters without a C64 byte, each name editable, before anything is
// written.
#pragma once

#include "core/DiskFiles.h"

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QTableWidget;

namespace dyskel {

class IIniFile;

// The folder the last import was taken from, when ini keeps one that is still
// there; else imageFolder.
std::string ImportStartFolder(const IIniFile* ini, const std::string& imageFolder);
// Keeps the folder of hostFile as the one the next import starts in.
void RememberImportFolder(IIniFile* ini, const std::string& hostFile);

class TImportNamesDialog : public QDialog {
    Q_OBJECT
  public:
    // One row per host file: its file name and the name proposed for it.
    TImportNamesDialog(const std::vector<std::string>& paths, const std::vector<HostFileName>& names,
                       QWidget* parent = nullptr);

    // The C64 names as typed (1 to 16 bytes each); valid once accepted.
    const std::vector<std::string>& Names() const { return names_; }

    QTableWidget* GridImportNames = nullptr;
    QLabel* LblImportNamesError = nullptr;

    // OK closes the dialog only when every name can be used; otherwise it
    // says why and keeps what was typed.
    void accept() override;

  private:
    std::vector<std::string> names_;
};

} // namespace dyskel
