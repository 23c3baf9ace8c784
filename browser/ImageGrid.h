// The rows of the main window's image grid as a model: each image with the
// texts of its cells, made once when the image is read.  The view asks only
// for the rows on show, so a folder of 100,000 images costs no widget per
// cell, and rows can be added while a scan is still running.
#pragma once

#include "browser/BatchModel.h"
#include "core/FileAttributes.h"

#include <QBrush>
#include <QFont>
#include <QTableView>
#include <array>
#include <vector>

namespace dyskel {

struct ImageRow {
    ImageEntry entry;
    std::array<QString, 8> cells; // as the grid's titles name them
};

class ImageGridModel : public BatchModel<ImageRow> {
    Q_OBJECT
  public:
    static constexpr int NameColumn = 1;
    static constexpr int SizeColumn = 2;
    static constexpr int LabelColumn = 4;

    // fixedFace: the background of column 0, the grid's fixed column.
    // labelFont: the font of the disk label column.
    ImageGridModel(QBrush fixedFace, QFont labelFont, QObject* parent = nullptr);

    // One blank row when there are no images, as in an empty string grid.
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // A cell's text may be replaced; the grid does not offer editing.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Stable: rows with equal cells keep their order.  The size column sorts
    // by the number.  Rows appended later go to their places in that order.
    void sort(int column, Qt::SortOrder order) override;

    // Clear() keeps a sort order given.
    int Images() const { return Count(); }
    // The image of a row; nullptr for the blank row of an empty grid.
    const ImageEntry* Entry(int row) const;
    // The row of the image of that name, or -1.
    int RowOf(const std::string& name) const;

  private:
    bool Before(int a, int b) const; // row a goes before row b
    void SortFrom(std::size_t first);
    void Appended(std::size_t first) override { SortFrom(first); }
    int sortColumn_ = -1; // -1: the order the rows came in
    Qt::SortOrder order_ = Qt::AscendingOrder;
    QBrush fixedFace_;
    QFont labelFont_;
};

// The grid itself, with the row-and-column words of a string grid.
class TImageGrid : public QTableView {
    Q_OBJECT
  public:
    explicit TImageGrid(QWidget* parent = nullptr);
    ImageGridModel* Rows() const { return rows_; }
    int rowCount() const { return rows_->rowCount(); }
    int columnCount() const { return rows_->columnCount(); }
    int currentRow() const { return currentIndex().row(); }
    int currentColumn() const { return currentIndex().column(); }
    void setCurrentCell(int row, int column) { setCurrentIndex(rows_->index(row, column)); }
    QString Text(int row, int column) const { return rows_->index(row, column).data().toString(); }

  private:
    ImageGridModel* rows_;
};

} // namespace dyskel
