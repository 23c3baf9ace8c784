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
    // data() of a BASIC text cell under this role: one byte per character,
    // 1 where the C64 shows it reversed.  Other cells give no value.
    static constexpr int ReversedRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    // The header of a mode and one empty row, as at each opening.
    void Prepare(ListingMode mode);
    // The listing of the file buffer in a mode.
    void List(const FileBuffer6502& file, ListingMode mode, const AsmOptions& options = {});

    bool Listed() const { return listing_ != nullptr; }
    ListingMode Mode() const { return mode_; }
    // Where the listed disassembly's code starts in the file buffer.
    std::uint32_t StartOffset() const { return listing_ ? listing_->StartOffset() : 0; }
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
    ListingMode mode_ = ListingMode::Asm;
};

} // namespace dyskel
