// StrGrid6502's rows, made on demand from the listing of the file buffer, so
// that a 64 KiB program lists without building tens of thousands of cells.
#pragma once

#include "disasm/Listing6502.h"

#include <QAbstractTableModel>
#include <memory>

namespace dyskel {

class TListing6502Model : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    // The header of a mode and one empty row, as at each opening.
    void Prepare(char mode);
    // The listing of the file buffer in a mode ('T' text, anything else 6502).
    void List(const FileBuffer6502& file, char mode);

    bool Listed() const { return listing_ != nullptr; }
    char Mode() const { return mode_; }
    int ColumnWidth(int column) const;
    // The raw bytes of a data cell; row 0 is the grid's first row below the header.
    std::string CellBytes(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const ListingColumn& Column(int c) const;

    std::unique_ptr<Listing6502> listing_;
    char mode_ = 'A';
};

} // namespace dyskel
