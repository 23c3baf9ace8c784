#include "core/Directory.h"

#include <algorithm>
#include <bitset>
#include <charconv>

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

// As printf's "%*u" and "%02d" write them; a listing has hundreds.
std::string RightAligned(unsigned v, int width) {
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    std::string text(std::size_t(std::max(0, width - int(end - digits))), ' ');
    return text.append(digits, std::size_t(end - digits));
}
void AppendTwoDigits(std::string& text, int v) {
    if (v >= 0 && v < 10) text += '0';
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    text.append(digits, std::size_t(end - digits));
}

// No entry was ever written here: all bytes after the link are 0.
bool EmptySlot(const Block& block, int offset) {
    const auto from = block.begin() + offset + 2;
    return std::all_of(from, from + DirEntrySize - 2, [](std::uint8_t b) { return b == 0; });
}

} // namespace

const char* FileTypeName(std::uint8_t typeByte) {
    return TypeNames[typeByte & TypeMask];
}

const char* FileTypeName(const DirEntry& entry) {
    return entry.Partition() ? "CBM" : FileTypeName(entry.typeByte);
}

std::optional<FileType> FileTypeNamed(std::string_view name) {
    for (std::uint8_t code = 0; code <= std::uint8_t(FileType::Rel); ++code)
        if (name == TypeNames[code]) return FileType(code);
    return std::nullopt;
}

std::string DirEntry::Name() const {
    std::string text(name.begin(), name.end());
    if (auto pad = text.find('\xA0'); pad != std::string::npos) text.resize(pad);
    return text;
}

DirEntry DecodeDirEntry(const Block& block, int sector, int offset) {
    if (offset < 0 || offset > BlockSize - DirEntrySize) return {}; // no entry starts there
    const auto at = [&](int i) { return block[std::size_t(offset + i)]; };
    DirEntry e;
    e.typeByte = at(0x02);
    e.first = {at(0x03), at(0x04)};
    for (int i = 0; i < 16; ++i) e.name[std::size_t(i)] = at(0x05 + i);
    e.blocks = static_cast<std::uint16_t>(at(0x1E) | at(0x1F) << 8);
    e.sector = static_cast<std::uint8_t>(sector);
    e.offset = static_cast<std::uint8_t>(offset);
    return e;
}

std::string BlockText(BlockAddress at) {
    std::string text;
    AppendTwoDigits(text, at.track);
    text += ',';
    AppendTwoDigits(text, at.sector);
    return text;
}

DirCells DirRowCells(const DirEntry& entry, int number) {
    DirCells cells;
    cells[0] = RightAligned(unsigned(number), 3);
    cells[1] = RightAligned(entry.blocks, 5);
    std::string name = "\"";
    name.append(entry.name.begin(), entry.name.end());
    std::size_t pad = name.find('\xA0');
    if (pad != std::string::npos)
        name[pad] = '"'; // the padding after the first 0xA0 stays as it is
    else
        name += '"';
    cells[2] = std::move(name);
    cells[3] = std::string(1, entry.Locked() ? '>' : ' ') + FileTypeName(entry);
    cells[4] = " " + BlockText(entry.first);
    return cells;
}

DirCells FreeRowCells(std::uint16_t freeBlocks) {
    return {"", RightAligned(freeBlocks, 5), "BLOCKS FREE", "", ""};
}

Result<DirListing> ListDirectory(const DiskImage& image, bool ignoreDeleted) {
    const int track = image.Format().dirTrack;
    return ListDirectory(
        [&](int sector) {
            return image.ReadBlock({track, sector});
        },
        ignoreDeleted, image.Format());
}

Result<DirListing> ListDirectory(const DirBlockReader& read, bool ignoreDeleted, const DiskFormat& format) {
    DirListing listing;
    std::bitset<FormatMaxSectors> listed;
    const int dirSectors = format.Sectors(format.dirTrack);
    int sector = format.firstDirSector;
    for (;;) {
        if (listed[std::size_t(sector)]) {
            listing.cut = true; // the chain came back to a block already listed
            break;
        }
        listed.set(std::size_t(sector));
        Result<Block> block = read(sector);
        if (!block) {
            if (sector == format.firstDirSector) return Failure{block.Error()};
            listing.cut = true;
            listing.note = block.Error();
            break;
        }
        for (int e = 0; e < DirEntriesPerBlock; ++e) {
            const int offset = DirEntrySize * e;
            if (EmptySlot(*block, offset)) continue;
            DirEntry entry = DecodeDirEntry(*block, sector, offset);
            entry.onD81 = format.kind == FormatKind::D81;
            if (entry.Scratched() && ignoreDeleted) continue;
            listing.entries.push_back(entry);
        }
        const int linkTrack = (*block)[0], linkSector = (*block)[1];
        if (linkTrack == 0) break;
        // The header and BAM blocks before the first are never directory blocks.
        if (linkSector < format.firstDirSector || linkSector >= dirSectors) {
            listing.cut = true;
            break;
        }
        sector = linkSector;
    }
    return listing;
}

Result<DiskView> ReadDiskView(const DiskImage& image, bool ignoreDeleted) {
    const DiskFormat& f = image.Format();
    Result<Block> header = image.ReadBlock({f.dirTrack, f.headerSector});
    if (!header) return Failure{header.Error()};
    Result<Bam> bam = ReadBam(image);
    if (!bam) return Failure{bam.Error()};
    Result<DirListing> dir = ListDirectory(image, ignoreDeleted);
    if (!dir) return Failure{dir.Error()};
    return DiskView{ParseHeader(f, *header), DecodeBAM(*bam), std::move(*dir)};
}

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string NormaliseRenameText(const std::string& typed) {
    constexpr std::size_t MaxCell = 20;
    std::string text = UpperAscii(typed.substr(0, MaxCell));
    if (text.empty() || text[0] != '"') text = ("\"" + text).substr(0, MaxCell);
    if (text.find('"', 1) == std::string::npos && text.size() < MaxCell) text += '"';
    return text;
}

std::array<std::uint8_t, 16> NameBytesFromCell(const std::string& cellText) {
    std::size_t from = !cellText.empty() && cellText[0] == '"' ? 1 : 0;
    std::size_t end = cellText.find('"', from);
    return PaddedName(cellText.substr(from, end == std::string::npos ? std::string::npos : end - from));
}

std::array<std::uint8_t, 16> PaddedName(const std::string& bytes) {
    std::array<std::uint8_t, 16> name;
    for (std::size_t i = 0; i < 16; ++i)
        name[i] = i < bytes.size() ? static_cast<std::uint8_t>(bytes[i]) : 0xA0;
    return name;
}

} // namespace dyskel
