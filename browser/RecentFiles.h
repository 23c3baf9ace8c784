// File > Open Recent: the last ten images opened, newest first, kept in the
// settings file's own section (File1 the newest) and shown as a menu.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QMenu;

namespace dyskel {

class IIniFile;

class TRecentFiles : public QObject {
    Q_OBJECT
  public:
    // Reads the list from the settings file and shows it in menu; choosing
    // an item calls open with its path.
    TRecentFiles(IIniFile& ini, QMenu* menu, std::function<void(const std::string&)> open);

    // Puts path first (once) and writes the list to the settings file.
    void Remember(const std::string& path);
    const std::vector<std::string>& Paths() const { return paths_; }

  private:
    void Show();

    IIniFile& ini_;
    QMenu* menu_;
    std::function<void(const std::string&)> open_;
    std::vector<std::string> paths_;
};

} // namespace dyskel
