#include "browser/DirListBox.h"

#include "core/FileIO.h"
#include "platform/HostPath.h"

#include <QIcon>
#include <QStyle>
#include <algorithm>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace dyskel {

namespace {

constexpr int ItemHeight = 16;
constexpr int IndentPerLevel = 2; // blanks per folder level

} // namespace

TDirListBox::TDirListBox(QWidget* parent) : QListWidget(parent) {
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { SetDirectory(ItemFolder(item)); });
}

std::string TDirListBox::ItemFolder(const QListWidgetItem* item) {
    QByteArray raw = item ? item->data(Qt::UserRole).toByteArray() : QByteArray();
    return std::string(raw.constData(), static_cast<std::size_t>(raw.size()));
}

bool TDirListBox::SetDirectory(const std::string& folder, bool notify) {
    std::string target = fileio::NormalFolder(folder);
    std::error_code ec;
    if (!fs::is_directory(target, ec)) return false;
    bool changed = target != folder_;
    folder_ = target;
    Fill();
    if (changed && notify) emit DirectoryChanged();
    return true;
}

void TDirListBox::Fill() {
    clear();
    QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [&](const std::string& path, const std::string& name, int level, const QIcon& icon) {
        auto* item =
            new QListWidgetItem(icon, QString(level * IndentPerLevel, ' ') + FromHostPath(name), this);
        item->setData(Qt::UserRole, QByteArray(path.data(), qsizetype(path.size())));
        item->setSizeHint(QSize(0, ItemHeight));
        return item;
    };

    // The way down from the root.
    fs::path current(folder_);
    std::vector<fs::path> chain;
    for (fs::path p = current; !p.empty(); p = p.parent_path()) {
        chain.push_back(p);
        if (p == p.root_path()) break;
    }
    std::reverse(chain.begin(), chain.end());
    int level = 0;
    QListWidgetItem* here = nullptr;
    for (const auto& p : chain) {
        std::string name = p == p.root_path() ? p.string() : p.filename().string();
        here = add(p.string(), name, level++, open);
    }

    // The subfolders, hidden ones left out, in name order regardless of case.
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(current, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code typeEc;
        if (!name.starts_with('.') && it->is_directory(typeEc)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int c = QString::compare(FromHostPath(a), FromHostPath(b), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    for (const auto& name : names) add((current / name).string(), name, level, closed);

    setCurrentItem(here);
    scrollToItem(here);
}

} // namespace dyskel
