// The disk directory: its entries as data, and the five texts of a row as the
// C64 lists it.  Texts are raw PETSCII bytes.
#pragma once

#include "core/DiskHeader.h"
#include "core/Uglobal.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dyskel {

constexpr int DirColumns = 5;
using DirCells = std::array<std::string, DirColumns>;
constexpr int DirEntrySize = 32;
constexpr int DirEntriesPerBlock = 8;
constexpr int MaxDirEntries = 144; // 18 blocks of 8 entries

// Header texts of the five columns.
inline constexpr std::array<const char*, DirColumns> DirHeaders = {" #", " SIZE", "    FILENAME", "TYPE",
                                                                   " TT,SS"};

// File type codes, the low three bits of the type byte.
enum class FileType : std::uint8_t { Del = 0, Seq = 1, Prg = 2, Usr = 3, Rel = 4 };
constexpr std::uint8_t TypeMask = 0x07;
constexpr std::uint8_t CbmType = 5;      // a partition on a 1581 disk
constexpr std::uint8_t LockBit = 0x40;   // ">" in the listing
constexpr std::uint8_t ClosedBit = 0x80; // "*" on a real drive when clear

// "DEL", "SEQ", "PRG", "USR", "REL" by type code; codes 5 to 7 show "???".
const char* FileTypeName(std::uint8_t typeByte);
// The same for a listed entry: a D81's partitions show "CBM".
struct DirEntry;
const char* FileTypeName(const DirEntry& entry);
// The type named as the listing names it ("PRG"), DEL to REL; none for any
// other text.
[[nodiscard]] std::optional<FileType> FileTypeNamed(std::string_view name);

// One 32-byte directory entry and where it lies on track 18.
struct DirEntry {
    std::uint8_t typeByte = 0;
    BlockAddress first;                  // bytes 0x03 and 0x04
    std::array<std::uint8_t, 16> name{}; // bytes 0x05 to 0x14, padded with 0xA0
    std::uint16_t blocks = 0;            // bytes 0x1E and 0x1F
    std::uint8_t sector = 0;             // the directory block holding it
    std::uint8_t offset = 0;             // its offset in that block
    bool onD81 = false;                  // listed from a D81, where type 5 is a partition (CBM)

    // A 1581 partition: type CBM (5) on a D81, a run of whole blocks from
    // its first block on, no chain.
    bool Partition() const { return onD81 && TypeCode() == CbmType; }

    bool Locked() const { return (typeByte & LockBit) != 0; }
    bool Closed() const { return (typeByte & ClosedBit) != 0; }
    std::uint8_t TypeCode() const { return typeByte & TypeMask; }
    // Scratched by the drive: type byte 0.
    bool Scratched() const { return typeByte == 0; }
    // A DEL entry whose first block is on track 0 (a separator of a
    // listing's art): it names no block and owns none.
    bool OwnsNoBlock() const { return TypeCode() == std::uint8_t(FileType::Del) && first.track == 0; }
    // The name bytes up to the first 0xA0 padding byte.
    std::string Name() const;
};

// Decodes the entry at offset of a directory block (an empty entry when no
// 32-byte entry fits there).
DirEntry DecodeDirEntry(const Block& block, int sector, int offset);

// The five cells of an entry row: number (3 wide), size (5 wide), quoted name
// (the first 0xA0 becomes the closing quote), lock mark and type, " TT,SS".
DirCells DirRowCells(const DirEntry& entry, int number);
// A block as the listings name it: "TT,SS", two digits at least each.
std::string BlockText(BlockAddress at);
// The last row: "", the free blocks (5 wide), "BLOCKS FREE", "", "".
DirCells FreeRowCells(std::uint16_t freeBlocks);

struct DirListing {
    std::vector<DirEntry> entries; // in directory order; rows 1 to n
    bool cut = false;              // the chain looped, left track 18 or could not be read
    std::string note;              // why it was cut, when a block could not be read
};

// Walks the directory chain from its first block (18/1; 40/3 on a D81) to
// its end, on the format's directory track.  Entries whose 30 bytes
// after the link are all 0 are no entries; scratched entries are left out
// when ignoreDeleted.  The walk ends at a link track of 0 and, cut, at a link
// to a sector before the first directory block (the header and BAM blocks)
// or beyond the directory track's sectors, at a block
// already listed and at a block the file does not hold.  Fails when 18/1
// cannot be read.
[[nodiscard]] Result<DirListing> ListDirectory(const DiskImage& image, bool ignoreDeleted);
// The same walk over blocks of track 18 read by read(sector), for a reader
// that fetches only the directory track and not the whole image.
using DirBlockReader = std::function<Result<Block>(int sector)>;
[[nodiscard]] Result<DirListing> ListDirectory(const DirBlockReader& read, bool ignoreDeleted,
                                               const DiskFormat& format = D64Format);

// Header, BAM and directory of an image, as the editor and dyskel-cli show
// them.  Fails when the header block or the first directory block cannot be
// read.
struct DiskView {
    HeaderInfo header;
    BamInfo bam;
    DirListing dir;
};
[[nodiscard]] Result<DiskView> ReadDiskView(const DiskImage& image, bool ignoreDeleted);

// Rename: normalise the text typed into the name cell as Enter does.  At most
// 20 characters; a leading quote is added when missing (cut to 20 again); a
// closing quote is appended when no quote follows the first, as far as 20
// characters allow.  Letters are made capitals.
std::string NormaliseRenameText(const std::string& typed);

// The 16 name bytes of a normalised cell text: quotes removed, at most 16
// bytes, padded with 0xA0.
std::array<std::uint8_t, 16> NameBytesFromCell(const std::string& cellText);

// Name bytes made into the 16 bytes of a directory entry: at most 16 bytes,
// padded with 0xA0.
std::array<std::uint8_t, 16> PaddedName(const std::string& bytes);

// ASCII letters made capitals, everything else as it is.
std::string UpperAscii(std::string text);

} // namespace dyskel
