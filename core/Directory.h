// The disk directory as the C64 lists it: one row of texts per entry.
//
// Cells are raw PETSCII bytes.  Column formats are an interface: readers take
// characters 2-3 and 5-6 of the " TT,SS" cell as track and sector, character
// 1 of the type cell as the lock mark and characters 2-4 as the type name,
// characters 2-17 of the name cell (cut before a quote) as the file name.
#pragma once

#include "core/Uglobal.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dyskel {

constexpr int DirColumns = 5;
using DirCells = std::array<std::string, DirColumns>;

// Header texts and widths (pixels) of the five columns.
inline constexpr std::array<const char*, DirColumns> DirHeaders = {" #", " SIZE", "    FILENAME", "TYPE",
                                                                   " TT,SS"};
inline constexpr std::array<int, DirColumns> DirWidths = {32, 50, 166, 40, 60};

// "DEL", "SEQ", "PRG", "USR", "REL" by type code; codes 5 to 7 show "???".
const char* FileTypeName(std::uint8_t typeByte);

// Columns 1 to 4 of one 32-byte directory entry: size, name, type, TT,SS.
std::array<std::string, 4> ReadDirEntry(const std::uint8_t* entry);

struct DirRow {
    DirCells cells;
    std::uint8_t sector = 0; // where the entry lies on track 18
    std::uint8_t offset = 0; // offset of the 32-byte entry in that block
    std::uint8_t typeByte = 0;
};

struct DirListing {
    std::vector<DirRow> entries; // grid rows 1 to n
    DirCells freeRow;            // grid row n + 1: "", FreeBlocks, "BLOCKS FREE", "", ""
    bool cut = false;            // the chain looped or left track 18
    int RowCount() const { return static_cast<int>(entries.size()) + 2; }
};

// Walks the directory from sector 1 of track 18 held in the buffer.  The
// listing ends at a type byte of 0, at a link track of 0, at a link sector not
// on track 18 and at a block already listed.
DirListing ListDirectory(const TrackBuffer& track18, std::uint16_t freeBlocks);

// Start block of an entry row read back from its " TT,SS" cell; nullopt when
// the cell does not hold two decimal numbers at characters 2-3 and 5-6.
struct BlockAddress {
    int track = 0;
    int sector = 0;
};
std::optional<BlockAddress> ParseTrackSectorCell(const std::string& cell);

// The file name of an entry row: characters 2-17 of the name cell, cut before
// the first double quote.
std::string NameFromCell(const std::string& nameCell);

// Rename: normalise the text typed into the name cell as Enter does.  At most
// 20 characters; a leading quote is added when missing (cut to 20 again); a
// closing quote is appended when no quote follows the first, as far as 20
// characters allow.  Letters are made capitals.
std::string NormaliseRenameText(const std::string& typed);

// Writes the name of a normalised cell text (quotes removed, at most 16
// bytes, padded with 0xA0) into bytes 0x05 to 0x14 of the entry at
// (sector, offset) of the track-18 buffer.  False when the place is not an
// entry of track 18, or when the buffer does not hold track 18 as read whole
// by ReadTrack (track18.track != 18): writing such a buffer back as track 18
// would overwrite the directory track with another track.
bool WriteEntryName(TrackBuffer& track18, int sector, int offset, const std::string& cellText);

} // namespace dyskel
