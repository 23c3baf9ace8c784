#include "browser/RecentFiles.h"
#include "platform/HostPath.h"

#include "platform/IniFile.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

namespace dyskel {

namespace {

constexpr const char* Section = "Recent"; // File1 (newest) to File10
constexpr std::size_t Count = 10;

std::string Key(std::size_t i) {
    return "File" + std::to_string(i + 1);
}

} // namespace

TRecentFiles::TRecentFiles(IIniFile& ini, QMenu* menu, std::function<void(const std::string&)> open)
    : ini_(ini), menu_(menu), open_(std::move(open)) {
    for (std::size_t i = 0; i < Count; ++i) {
        std::string path = IniReadText(ini_, Section, Key(i), "");
        if (!path.empty()) paths_.push_back(path);
    }
    Show();
}

void TRecentFiles::Remember(const std::string& path) {
    std::erase(paths_, path);
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > Count) paths_.resize(Count);
    for (std::size_t i = 0; i < paths_.size(); ++i)
        if (!ini_.Write(Section, Key(i), paths_[i])) break;
    Show();
}

void TRecentFiles::Show() {
    menu_->clear();
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        const std::string path = paths_[i];
        QString caption = FromHostPath(path);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = menu_->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(caption));
        a->setObjectName(QStringLiteral("MnuRecent%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, path] { open_(path); });
    }
    menu_->setEnabled(!paths_.empty());
}

} // namespace dyskel
