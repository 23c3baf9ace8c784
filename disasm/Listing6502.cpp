// A program file gathered along its block chain, and its listing rows.
#include "disasm/Listing6502.h"

#include "core/HexText.h"
#include "disasm/C64Symbols.h"

#include <algorithm>
#include <cstring>

namespace dyskel {

namespace {

constexpr int BytesPerTextRow = 16;
constexpr int TextRowsPerPage = 16;
constexpr int PageSize = 256;

// Addresses are 16 bits: one past $FFFF wraps round to $0000.
std::string Address(std::uint32_t address) {
    return DollarWord(static_cast<std::uint16_t>(address));
}

constexpr std::array<ListingColumn, 6> AsmColumns = {
    {{" ADR"}, {"OC1"}, {"OC2"}, {"OC3"}, {"6502 ASSEMBLER COMMAND"}, {"C64 SYMBOL"}}};
constexpr std::array<ListingColumn, 3> TextColumns = {
    {{" ADR"}, {"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"}, {"      TEXT"}}};
constexpr std::array<ListingColumn, 2> BasicColumns = {{{" LINE"}, {"BASIC V2"}}};

} // namespace

std::span<const ListingColumn> ListingColumns(ListingMode mode, bool symbols) {
    switch (mode) {
    case ListingMode::Text:
        return TextColumns;
    case ListingMode::Basic:
        return BasicColumns;
    case ListingMode::Asm:
        break;
    }
    return std::span(AsmColumns).first(symbols ? AsmColumns.size() : AsmColumns.size() - 1);
}

GatherResult GatherFile6502(const DiskImage& image, BlockAddress start, FileBuffer6502& file) {
    // A new walk starts on a clean buffer: no byte after the end of this file
    // may show another file's bytes.
    file.bytes.fill(0);
    file.length = 0;
    file.loadAddress = 0;

    GatherResult result;
    bool overflow = false;
    auto visit = [&](BlockAddress, const Block& block, int index) {
        result.blocks = index;
        int from = 2;
        if (index == 1) {
            file.loadAddress = static_cast<std::uint16_t>(block[2] | block[3] << 8);
            from = 4;
        }
        // A last block ends at its last-byte index; nothing when that lies
        // below the start of its data.
        int end = block[0] != 0 ? BlockSize - 1 : block[1];
        if (end < from) return true;
        std::uint32_t count = static_cast<std::uint32_t>(end - from + 1);
        if (file.length + count > FileBuffer6502::MaxLength) {
            count = FileBuffer6502::MaxLength - file.length;
            overflow = true;
        }
        std::memcpy(file.bytes.data() + file.length, block.data() + from, count);
        file.length += count;
        return !overflow;
    };
    // No chain that does not loop is longer than the blocks of its disk.
    ChainWalk walk = WalkChain(image, start, image.Format().Blocks(), visit);
    result.end = overflow ? ChainEnd::Stopped : walk.end;
    return result;
}

std::vector<std::string> GatherCutLines(const GatherResult& r, const FileBuffer6502& file) {
    // The walk stops by itself only when the buffer is full.
    const std::string why =
        r.end == ChainEnd::Stopped ? "the 64 KiB file buffer is full" : ChainEndText(r.end);
    return {"The file's block chain ends early (" + why + ") after " + BlockCountText(r.blocks) + ".",
            "The listing shows the " + std::to_string(file.length) + " bytes read up to there."};
}

std::string BlocksCaption(const GatherResult& r, const FileBuffer6502& file) {
    return std::to_string(r.blocks) + " / " + std::to_string(file.length);
}

std::string LoadAdrCaption(const FileBuffer6502& file) {
    return Address(file.loadAddress);
}

std::string EndAdrCaption(const FileBuffer6502& file) {
    return Address(file.loadAddress + file.length);
}

std::uint32_t StartOffset6502(std::optional<std::uint16_t> start, std::uint16_t load, std::uint32_t length) {
    if (!start) return 0;
    const std::uint32_t offset = static_cast<std::uint16_t>(*start - load);
    return offset < length ? offset : 0;
}

std::vector<std::uint32_t> RowOffsets6502(const std::uint8_t* bytes, std::uint32_t start, std::uint32_t end,
                                          OpcodeSet opcodes) {
    std::vector<std::uint32_t> offsets;
    offsets.reserve(start / DataRowBytes + (end - std::min(start, end)) * 2 / 3 + 2);
    std::uint32_t c = 0;
    for (; c < start && c < end; c += std::min<std::uint32_t>(DataRowBytes, start - c)) offsets.push_back(c);
    for (; c < end; c += static_cast<std::uint32_t>(OpcodeLength6502(bytes[c], opcodes)))
        offsets.push_back(c);
    return offsets;
}

std::string ByteRowText(const std::uint8_t* bytes, std::uint32_t count) {
    std::string text = ".BYTE ";
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i) text += ',';
        text += DollarByte(bytes[i]);
    }
    return text;
}

Listing6502::Listing6502(const FileBuffer6502& file, ListingMode mode, const AsmOptions& options)
    : file_(file), mode_(mode), opcodes_(options.opcodes), symbols_(options.symbols) {
    // The gather keeps the length at most MaxLength, so the offsets below stay
    // inside the buffer with the two bytes read past each; a longer length
    // is listed up to that bound all the same.
    const std::uint32_t length = std::min(file_.length, FileBuffer6502::MaxLength);
    if (mode_ == ListingMode::Basic) {
        basic_ = ListBasic(std::span(file_.bytes.data(), length), file_.loadAddress);
        return;
    }
    if (mode_ == ListingMode::Text) {
        // Whole pages, at least one.
        std::uint32_t pages = std::max<std::uint32_t>(1, (length + PageSize - 1) / PageSize);
        textRows_ = static_cast<int>(pages) * TextRowsPerPage;
        return;
    }
    start_ = StartOffset6502(options.start, file_.loadAddress, length);
    // One row per instruction while the offset is at most the length: an
    // instruction that ends at the length is followed by a row at the end
    // address.
    offsets_ = RowOffsets6502(file_.bytes.data(), start_, length + 1, opcodes_);
}

int Listing6502::ColumnCount() const {
    return int(ListingColumns(mode_, symbols_).size());
}

const ListingColumn& Listing6502::Column(int c) const {
    const std::span<const ListingColumn> columns = ListingColumns(mode_, symbols_);
    return columns[std::size_t(std::clamp(c, 0, int(columns.size()) - 1))];
}

int Listing6502::RowCount() const {
    switch (mode_) {
    case ListingMode::Text:
        return 1 + textRows_;
    case ListingMode::Basic:
        return 1 + int(basic_.lines.size()) + (basic_.Broken() ? 1 : 0);
    case ListingMode::Asm:
        break;
    }
    return 1 + static_cast<int>(offsets_.size());
}

const std::vector<bool>* Listing6502::Reversed(int row, int col) const {
    if (mode_ != ListingMode::Basic || col != 1 || row < 1 || row > int(basic_.lines.size())) return nullptr;
    return &basic_.lines[std::size_t(row - 1)].reversed;
}

std::string Listing6502::BasicCell(int row, int col) const {
    const std::size_t i = static_cast<std::size_t>(row - 1);
    if (i < basic_.lines.size()) {
        const BasicLine& line = basic_.lines[i];
        return col == 0 ? std::to_string(line.number) : line.text;
    }
    if (col == 0) return {};
    // The row after the last line says why the walk stopped, in capitals:
    // the grid draws the C64's upper case and graphics set.
    std::string why = "?BROKEN LINK: " + BasicEndText(basic_);
    for (char& ch : why)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return why;
}

std::string Listing6502::Cell(int row, int col) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= ColumnCount()) return {};
    if (row == 0) return Column(col).header;

    if (mode_ == ListingMode::Basic) return BasicCell(row, col);
    const std::uint8_t* bytes = file_.bytes.data();
    if (mode_ == ListingMode::Text) {
        const std::uint32_t offset = static_cast<std::uint32_t>(row - 1) * BytesPerTextRow;
        const std::uint8_t* p = bytes + offset;
        switch (col) {
        case 0:
            return Address(file_.loadAddress + offset);
        case 1: {
            std::string hex;
            hex.reserve(3 * BytesPerTextRow);
            for (int i = 0; i < BytesPerTextRow; ++i) {
                if (i) hex += ' ';
                hex += ByteToHex(p[i]);
            }
            return hex;
        }
        default:
            return std::string(reinterpret_cast<const char*>(p), BytesPerTextRow);
        }
    }

    const std::size_t i = static_cast<std::size_t>(row - 1);
    const std::uint32_t c = offsets_[i];
    const std::uint8_t* p = bytes + c;
    if (col == 0) return Address(file_.loadAddress + c);
    if (c < start_) { // a data row; the code rows follow it
        const std::uint32_t count = offsets_[i + 1] - c;
        return col == 4 ? ByteRowText(p, count) : col == 5 ? std::string() : std::string(4, ' ');
    }
    if (col == 4) return Disasm6502(p[0], p[1], p[2], opcodes_);
    if (col == 5) return SymbolicOperand(p[0], p[1], p[2], opcodes_);
    // The instruction's length is the step to the next row.
    const std::uint32_t length =
        i + 1 < offsets_.size() ? offsets_[i + 1] - c : OpcodeLength6502(p[0], opcodes_);
    const std::uint32_t k = static_cast<std::uint32_t>(col - 1);
    if (k >= length) return std::string(4, ' ');
    std::string cell = DollarByte(p[k]);
    cell += ' ';
    return cell;
}

} // namespace dyskel
