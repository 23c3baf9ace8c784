#include "editor/Listing6502Model.h"

#include "platform/Fonts.h"

namespace dyskel {

namespace {
bool IsText(char mode) {
    return mode == 'T';
}
} // namespace

void TListing6502Model::Prepare(char mode) {
    beginResetModel();
    listing_.reset();
    mode_ = IsText(mode) ? 'T' : 'A';
    endResetModel();
}

void TListing6502Model::List(const FileBuffer6502& file, char mode) {
    beginResetModel();
    listing_ = std::make_unique<Listing6502>(file, mode);
    mode_ = listing_->Mode();
    endResetModel();
}

const ListingColumn& TListing6502Model::Column(int c) const {
    if (listing_) return listing_->Column(c);
    return IsText(mode_) ? TextColumns[c] : AsmColumns[c];
}

int TListing6502Model::ColumnWidth(int column) const {
    // Pixels of the columns of the two listings.
    // The sixth disassembly column is the C64 symbol's.
    static constexpr std::array<int, 6> AsmWidths = {52, 30, 30, 30, 410, 150};
    static constexpr std::array<int, 3> TextWidths = {44, 380, 132};
    const bool text = listing_ ? listing_->Mode() == 'T' : IsText(mode_);
    return text ? TextWidths[std::size_t(column)] : AsmWidths[std::size_t(column)];
}

int TListing6502Model::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return listing_ ? listing_->RowCount() - 1 : 1;
}

int TListing6502Model::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (listing_) return listing_->ColumnCount();
    return IsText(mode_) ? int(TextColumns.size()) : int(AsmColumns.size());
}

std::string TListing6502Model::CellBytes(int row, int column) const {
    if (!listing_ || row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
    return listing_->Cell(row + 1, column);
}

QVariant TListing6502Model::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return PetsciiToQString(CellBytes(index.row(), index.column()));
    if (role == Qt::UserRole) {
        std::string raw = CellBytes(index.row(), index.column());
        return QByteArray(raw.data(), qsizetype(raw.size()));
    }
    return {};
}

QVariant TListing6502Model::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return PetsciiToQString(Column(section).header);
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

} // namespace dyskel
