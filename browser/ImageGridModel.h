// The rows of the main window's image grid as a model: the cell texts of each
// image, made once per scan; the view asks only for the rows on show, so a
// folder of 100,000 images costs no widget per cell.
#pragma once

#include <QAbstractTableModel>
#include <QBrush>
#include <array>
#include <vector>

namespace dyskel {

class ImageGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using Cells = std::array<QString, 8>;
    // fixedFace: the background of column 0, the grid's fixed column.
    explicit ImageGridModel(QBrush fixedFace, QObject* parent = nullptr);

    // One blank row when there are no images, as in an empty string grid.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // A cell's text may be replaced (DisplayRole or EditRole); the view does
    // not offer editing.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void SetRows(std::vector<Cells> rows);
    int Images() const { return int(rows_.size()); }

  private:
    std::vector<Cells> rows_;
    QBrush fixedFace_;
};

} // namespace dyskel
