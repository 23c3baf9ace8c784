#include "core/Directory.h"

#include <bitset>
#include <cstdio>

namespace dyskel {

namespace {

// Type names by the low three bits of the type byte.  Codes 5 to 7 name no
// type on a 1541.
constexpr std::array<const char*, 8> TypeNames = {
    "DEL", //
    "SEQ", //
    "PRG", //
    "USR", //
    "REL", //
    "???", //
    "???", //
    "???", //
};

constexpr int DirSectors = 19; // sectors of track 18
constexpr int EntrySize = 32;
constexpr int EntriesPerBlock = 8;

std::string RightAligned(unsigned v, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%*u", width, v);
    return text;
}

// Two decimal digits.  A track or sector above 99 (no valid image has one)
// shows as "99" so that the digits keep their places in the " TT,SS" cell,
// which readers take apart by position; such an address lies outside every
// image, and following it reports a bad link.
std::string TwoDigits(unsigned v) {
    char text[4];
    std::snprintf(text, sizeof text, "%02u", v > 99 ? 99u : v);
    return text;
}

} // namespace

const char* FileTypeName(std::uint8_t typeByte) {
    return TypeNames[typeByte & 7];
}

std::array<std::string, 4> ReadDirEntry(const std::uint8_t* entry) {
    std::array<std::string, 4> cells;
    cells[0] = RightAligned(unsigned(entry[0x1E]) | unsigned(entry[0x1F]) << 8, 5);

    std::string name = "\"";
    name.append(reinterpret_cast<const char*>(entry + 0x05), 16);
    std::size_t pad = name.find('\xA0');
    if (pad != std::string::npos)
        name[pad] = '"'; // the padding after the first 0xA0 stays as it is
    else
        name += '"';
    cells[1] = std::move(name);

    cells[2] = std::string(1, (entry[0x02] & 0x40) ? '>' : ' ') + FileTypeName(entry[0x02]);
    cells[3] = " " + TwoDigits(entry[0x03]) + "," + TwoDigits(entry[0x04]);
    return cells;
}

DirListing ListDirectory(const TrackBuffer& track18, std::uint16_t freeBlocks) {
    DirListing listing;
    std::bitset<DirSectors> listed;
    int sector = 1;
    for (;;) {
        if (listed[std::size_t(sector)]) {
            listing.cut = true; // the chain came back to a block already listed
            break;
        }
        listed.set(std::size_t(sector));
        const std::uint8_t* block = track18.Block(sector);
        bool ended = false;
        for (int e = 0; e < EntriesPerBlock && !ended; ++e) {
            const std::uint8_t* entry = block + EntrySize * e;
            if (entry[0x02] == 0) {
                ended = true;
                break;
            }
            DirRow row;
            auto cols = ReadDirEntry(entry);
            row.cells[0] = RightAligned(unsigned(listing.entries.size() + 1), 3);
            for (int c = 0; c < 4; ++c) row.cells[std::size_t(c) + 1] = std::move(cols[std::size_t(c)]);
            row.sector = static_cast<std::uint8_t>(sector);
            row.offset = static_cast<std::uint8_t>(EntrySize * e);
            row.typeByte = entry[0x02];
            listing.entries.push_back(std::move(row));
        }
        if (ended || block[0] == 0) break;
        if (block[1] >= DirSectors) {
            listing.cut = true; // the link leaves track 18
            break;
        }
        sector = block[1];
    }
    listing.freeRow = {"", RightAligned(freeBlocks, 5), "BLOCKS FREE", "", ""};
    return listing;
}

std::optional<BlockAddress> ParseTrackSectorCell(const std::string& cell) {
    auto digit = [&](std::size_t i) { return i < cell.size() && cell[i] >= '0' && cell[i] <= '9'; };
    if (!digit(1) || !digit(2) || !digit(4) || !digit(5)) return std::nullopt;
    return BlockAddress{(cell[1] - '0') * 10 + (cell[2] - '0'), (cell[4] - '0') * 10 + (cell[5] - '0')};
}

std::string NameFromCell(const std::string& nameCell) {
    std::string name = nameCell.size() > 1 ? nameCell.substr(1, 16) : std::string();
    std::size_t quote = name.find('"');
    if (quote != std::string::npos) name.resize(quote);
    return name;
}

std::string NormaliseRenameText(const std::string& typed) {
    constexpr std::size_t MaxCell = 20;
    std::string text = typed.substr(0, MaxCell);
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (text.empty() || text[0] != '"') text = ("\"" + text).substr(0, MaxCell);
    if (text.find('"', 1) == std::string::npos && text.size() < MaxCell) text += '"';
    return text;
}

bool WriteEntryName(TrackBuffer& track18, int sector, int offset, const std::string& cellText) {
    if (track18.track != DirTrack) return false;
    if (sector < 0 || sector >= DirSectors || offset < 0 || offset >= BlockSize || offset % EntrySize != 0)
        return false;
    std::size_t from = !cellText.empty() && cellText[0] == '"' ? 1 : 0;
    std::size_t end = cellText.find('"', from);
    std::string name = cellText.substr(from, end == std::string::npos ? std::string::npos : end - from);
    if (name.size() > 16) name.resize(16);
    std::uint8_t* dst = track18.Block(sector) + offset + 0x05;
    for (std::size_t i = 0; i < 16; ++i) dst[i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0xA0;
    return true;
}

} // namespace dyskel
