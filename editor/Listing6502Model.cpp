#include "editor/Listing6502Model.h"

#include "platform/Fonts.h"

namespace dyskel {

namespace {

// Pixels of the columns of each listing; the sixth disassembly column is the
// C64 symbol's.
constexpr std::array<int, 6> AsmWidths = {52, 30, 30, 30, 410, 150};
constexpr std::array<int, 3> TextWidths = {44, 380, 132};
constexpr std::array<int, 2> BasicWidths = {52, 640};

} // namespace

void TListing6502Model::Prepare(ListingMode mode) {
    beginResetModel();
    listing_.reset();
    mode_ = mode;
    endResetModel();
}

void TListing6502Model::List(const FileBuffer6502& file, ListingMode mode, const AsmOptions& options) {
    beginResetModel();
    listing_ = std::make_unique<Listing6502>(file, mode, options);
    mode_ = mode;
    endResetModel();
}

const ListingColumn& TListing6502Model::Column(int c) const {
    if (listing_) return listing_->Column(c);
    return ListingColumns(mode_, false)[std::size_t(c)];
}

int TListing6502Model::ColumnWidth(int column) const {
    const std::size_t c = std::size_t(column);
    switch (mode_) {
    case ListingMode::Text:
        return TextWidths[c];
    case ListingMode::Basic:
        return BasicWidths[c];
    case ListingMode::Asm:
        break;
    }
    return AsmWidths[c];
}

int TListing6502Model::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return listing_ ? listing_->RowCount() - 1 : 1;
}

int TListing6502Model::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (listing_) return listing_->ColumnCount();
    return int(ListingColumns(mode_, false).size());
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
    if (role == ReversedRole && listing_) {
        const std::vector<bool>* flags = listing_->Reversed(index.row() + 1, index.column());
        if (!flags) return {};
        QByteArray mask(qsizetype(flags->size()), '\0');
        for (std::size_t i = 0; i < flags->size(); ++i) mask[qsizetype(i)] = (*flags)[i] ? 1 : 0;
        return mask;
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
