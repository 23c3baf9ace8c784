#include "browser/ImageGridModel.h"

#include "core/ImageScan.h"

namespace dyskel {

ImageGridModel::ImageGridModel(QBrush fixedFace, QObject* parent)
    : QAbstractTableModel(parent), fixedFace_(std::move(fixedFace)) {}

int ImageGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(int(rows_.size()), 1);
}

int ImageGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ImageGridTitles.size());
}

QVariant ImageGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || std::size_t(index.row()) >= rows_.size()) return {};
    if (role == Qt::BackgroundRole && index.column() == 0) return fixedFace_;
    if (role != Qt::DisplayRole) return {};
    return rows_[std::size_t(index.row())][std::size_t(index.column())];
}

bool ImageGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || std::size_t(index.row()) >= rows_.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    rows_[std::size_t(index.row())][std::size_t(index.column())] = value.toString();
    emit dataChanged(index, index, {Qt::DisplayRole});
    return true;
}

QVariant ImageGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    return QString::fromLatin1(ImageGridTitles[std::size_t(section)]);
}

Qt::ItemFlags ImageGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // The fixed column is never selected.
    return index.column() == 0 && !rows_.empty() ? Qt::ItemIsEnabled
                                                 : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ImageGridModel::SetRows(std::vector<Cells> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

} // namespace dyskel
