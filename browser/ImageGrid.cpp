#include "browser/ImageGrid.h"

#include "core/ImageScan.h"
#include "platform/Fonts.h"

#include <algorithm>

namespace dyskel {

ImageGridModel::ImageGridModel(QBrush fixedFace, QFont labelFont, QObject* parent)
    : BatchModel(true, parent), fixedFace_(std::move(fixedFace)), labelFont_(std::move(labelFont)) {}

int ImageGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ImageGridTitles.size());
}

QVariant ImageGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || std::size_t(index.row()) >= rows_.size()) return {};
    const int column = index.column();
    const QString& text = rows_[std::size_t(index.row())].cells[std::size_t(column)];
    switch (role) {
    case Qt::DisplayRole:
        return text;
    case Qt::BackgroundRole:
        return column == 0 ? QVariant(fixedFace_) : QVariant();
    // A name or label cut at its column's edge shows whole as a tip.
    case Qt::ToolTipRole:
        return column == NameColumn || column == LabelColumn ? QVariant(text) : QVariant();
    // The label holds the disk's own bytes, each shown as its C64 glyph.
    case Qt::FontRole:
        return column == LabelColumn ? QVariant(labelFont_) : QVariant();
    default:
        return {};
    }
}

bool ImageGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || std::size_t(index.row()) >= rows_.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    rows_[std::size_t(index.row())].cells[std::size_t(index.column())] = value.toString();
    emit dataChanged(index, index, {Qt::DisplayRole});
    return true;
}

QVariant ImageGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        std::size_t(section) >= ImageGridTitles.size())
        return {};
    return QString::fromLatin1(ImageGridTitles[std::size_t(section)]);
}

Qt::ItemFlags ImageGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // The fixed column is never selected.
    return index.column() == 0 && !rows_.empty() ? Qt::ItemIsEnabled
                                                 : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool ImageGridModel::Before(int a, int b) const {
    const ImageRow& x = rows_[std::size_t(order_ == Qt::AscendingOrder ? a : b)];
    const ImageRow& y = rows_[std::size_t(order_ == Qt::AscendingOrder ? b : a)];
    if (sortColumn_ == SizeColumn) return x.entry.size < y.entry.size;
    return x.cells[std::size_t(sortColumn_)] < y.cells[std::size_t(sortColumn_)];
}

void ImageGridModel::sort(int column, Qt::SortOrder order) {
    if (column <= 0 || column >= columnCount()) return;
    sortColumn_ = column;
    order_ = order;
    SortFrom(0);
}

void ImageGridModel::SortFrom(std::size_t first) {
    if (sortColumn_ <= 0 || rows_.size() < 2) return;
    // Rows from first on are new: sorted among themselves and merged into the
    // rows before them, which are in order already.
    std::vector<int> from(rows_.size());
    for (std::size_t i = 0; i < from.size(); ++i) from[i] = int(i);
    const auto before = [this](int a, int b) { return Before(a, b); };
    const auto middle = from.begin() + std::ptrdiff_t(first);
    std::stable_sort(middle, from.end(), before);
    std::inplace_merge(from.begin(), middle, from.end(), before);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> to(rows_.size());
    std::vector<ImageRow> sorted;
    sorted.reserve(rows_.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
        to[std::size_t(from[i])] = int(i);
        sorted.push_back(std::move(rows_[std::size_t(from[i])]));
    }
    rows_ = std::move(sorted);
    const QModelIndexList kept = persistentIndexList();
    QModelIndexList moved;
    for (const QModelIndex& i : kept) moved << index(to[std::size_t(i.row())], i.column());
    changePersistentIndexList(kept, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const ImageEntry* ImageGridModel::Entry(int row) const {
    const ImageRow* r = At(row);
    return r ? &r->entry : nullptr;
}

int ImageGridModel::RowOf(const std::string& name) const {
    for (std::size_t r = 0; r < rows_.size(); ++r)
        if (rows_[r].entry.name == name) return int(r);
    return -1;
}

TImageGrid::TImageGrid(QWidget* parent)
    : QTableView(parent), rows_(new ImageGridModel(palette().button(), C64Font(8), this)) {
    setModel(rows_);
}

} // namespace dyskel
