// The folder list: the folders from the root down to the current one, then
// the current folder's own subfolders.  Double click or Enter on an item
// moves there.
#pragma once

#include <QListWidget>
#include <string>

namespace dyskel {

class TDirListBox : public QListWidget {
    Q_OBJECT
  public:
    explicit TDirListBox(QWidget* parent = nullptr);

    // The current folder, absolute, without a trailing "/" (but "/" itself).
    const std::string& Directory() const { return folder_; }

    // Moves to folder (made absolute).  False, and nothing changes, when it
    // is not a folder.  A move to another folder raises DirectoryChanged
    // unless notify is false.
    bool SetDirectory(const std::string& folder, bool notify = true);

    // The folder an item stands for.
    static std::string ItemFolder(const QListWidgetItem* item);

  signals:
    void DirectoryChanged();

  private:
    void Fill();
    std::string folder_;
};

// folder absolute and without "." and ".." steps or a trailing "/".
std::string NormalFolder(const std::string& folder);

} // namespace dyskel
