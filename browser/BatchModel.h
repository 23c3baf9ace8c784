// A table model whose rows come in batches while work runs elsewhere (the
// folder scan, a search): each batch is one insertion, so the view lays out
// once per batch and not once per row, and the current row stays on its row.
#pragma once

#include <QAbstractTableModel>
#include <algorithm>
#include <iterator>
#include <vector>

namespace dyskel {

template <class RowType>
class BatchModel : public QAbstractTableModel {
  public:
    // blankRow: an empty model shows one blank row, as an empty string grid
    // does; the first row appended takes its place.
    explicit BatchModel(bool blankRow, QObject* parent = nullptr)
        : QAbstractTableModel(parent), blankRow_(blankRow) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : std::max(Count(), blankRow_ ? 1 : 0);
    }

    // No rows.
    void Clear() {
        beginResetModel();
        rows_.clear();
        endResetModel();
    }

    void Append(std::vector<RowType> batch) {
        if (batch.empty()) return;
        const int first = Count();
        const int last = first + int(batch.size()) - 1;
        if (first == 0 && blankRow_) {
            if (last > 0) beginInsertRows({}, 1, last);
            rows_ = std::move(batch);
            if (last > 0) endInsertRows();
            emit dataChanged(index(0, 0), index(0, columnCount() - 1));
        } else {
            beginInsertRows({}, first, last);
            rows_.insert(rows_.end(), std::make_move_iterator(batch.begin()),
                         std::make_move_iterator(batch.end()));
            endInsertRows();
        }
        Appended(std::size_t(first));
    }

    // The rows, not counting the blank row.
    int Count() const { return int(rows_.size()); }
    // A row; nullptr past the last one (and for the blank row).
    const RowType* At(int row) const {
        return row >= 0 && std::size_t(row) < rows_.size() ? &rows_[std::size_t(row)] : nullptr;
    }

  protected:
    // After a batch was appended; rows from first on are the new ones.
    virtual void Appended(std::size_t /*first*/) {}

    std::vector<RowType> rows_;

  private:
    bool blankRow_;
};

} // namespace dyskel
