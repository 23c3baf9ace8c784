// A whole program file gathered along its chain, and its listing rows as a
// disassembly, as hex and text or as BASIC V2 lines.
#pragma once

#include "core/FileChain.h"
#include "core/Uglobal.h"
#include "disasm/BasicListing.h"
#include "disasm/Disasm6502.h"
#include "disasm/ListingMode.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dyskel {

// The file's bytes in chain order without the load address.
struct FileBuffer6502 {
    static constexpr std::uint32_t Size = 65536;
    // Longest file kept: the disassembly reads two bytes past the end and its
    // 16-bit offset must not wrap.
    static constexpr std::uint32_t MaxLength = Size - 3;
    std::array<std::uint8_t, Size> bytes{};
    std::uint32_t length = 0; // bytes the last walk put in
    std::uint16_t loadAddress = 0;
};

struct GatherResult {
    int blocks = 0; // blocks walked
    ChainEnd end = ChainEnd::LastBlock;
    bool cut() const { return end != ChainEnd::LastBlock; }
};

// Clears the file buffer and joins the data of the chain from start: bytes 4-255 of the first block (bytes
// 2-3 are the load address), 2-255 of later ones, up to the last block's last-byte index.  The walk ends at
// the last block, on a loop or a bad link, or before the buffer would overflow (then the bytes that fit are
// kept).
GatherResult GatherFile6502(const DiskImage& image, BlockAddress start, FileBuffer6502& file);

// What the listing tells of a walk that did not reach the last block, as
// lines: why it ended early and how much it shows.
std::vector<std::string> GatherCutLines(const GatherResult& r, const FileBuffer6502& file);

// Panel captions after a walk: "2 / 300", "$0801", "$0A2D".
std::string BlocksCaption(const GatherResult& r, const FileBuffer6502& file);
std::string LoadAdrCaption(const FileBuffer6502& file);
std::string EndAdrCaption(const FileBuffer6502& file);

struct ListingColumn {
    const char* header;
};
// The header row of each listing mode; a disassembly that shows C64 symbols
// has a sixth column naming them.
[[nodiscard]] std::span<const ListingColumn> ListingColumns(ListingMode mode, bool symbols);

// How a disassembly reads the file.  The defaults list it as the program
// always has: every byte from the load address on as code, documented
// opcodes only, five columns.
struct AsmOptions {
    // Where the code starts.  The bytes before it (the BASIC line that SYS
    // starts the code from, say) are listed as .BYTE rows of up to eight.  An
    // address outside the file is ignored.
    std::optional<std::uint16_t> start;
    OpcodeSet opcodes = OpcodeSet::Documented;
    bool symbols = false; // a sixth column names the operand's C64 symbol
};

inline constexpr int DataRowBytes = 8;

// The offset of the start address in a file of the length that loads at the
// load address; 0 when there is no start or it lies outside the file.
[[nodiscard]] std::uint32_t StartOffset6502(std::optional<std::uint16_t> start, std::uint16_t load,
                                            std::uint32_t length);

// The row offsets of a disassembly: rows of up to DataRowBytes data bytes
// from 0 to start, then one row per instruction from start on while the
// offset is below end.  Reads bytes[offset] of every instruction row.
[[nodiscard]] std::vector<std::uint32_t> RowOffsets6502(const std::uint8_t* bytes, std::uint32_t start,
                                                        std::uint32_t end, OpcodeSet opcodes);

// The text of a data row: ".BYTE $0B,$08,$0A".
[[nodiscard]] std::string ByteRowText(const std::uint8_t* bytes, std::uint32_t count);

// The rows of one listing, made on demand.  Row 0 is the header row; data rows
// are 1 to RowCount() - 1.  Cells of the text column are raw bytes.
class Listing6502 {
  public:
    Listing6502(const FileBuffer6502& file, ListingMode mode, const AsmOptions& options = {});

    ListingMode Mode() const { return mode_; }
    int ColumnCount() const;
    const ListingColumn& Column(int c) const;
    int RowCount() const; // header row included
    std::string Cell(int row, int col) const;
    // Buffer offset where the disassembly's code starts: 0, or the offset of
    // a start address inside the file.
    std::uint32_t StartOffset() const { return start_; }
    // The reversed flags of the text cell of a BASIC row (one per byte);
    // nullptr for any other cell.  A listing whose links break ends in a row
    // that says where.
    const std::vector<bool>* Reversed(int row, int col) const;

  private:
    std::string BasicCell(int row, int col) const;

    const FileBuffer6502& file_;
    ListingMode mode_;
    BasicListing basic_;
    OpcodeSet opcodes_;
    bool symbols_;
    std::uint32_t start_ = 0;
    std::vector<std::uint32_t> offsets_; // disassembly: buffer offset of each data row
    int textRows_ = 0;
};

} // namespace dyskel
