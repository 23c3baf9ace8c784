// Files onto disks: a freshly formatted image, and host files written in as
// new directory entries with the blocks the 1541 DOS would give them.
#pragma once

#include "core/Bam.h"
#include "core/Directory.h"
#include "core/ImageUpdate.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dyskel {

// --- The directory's blocks ----------------------------------------------------

// The directory blocks of the chain from the format's first directory block
// (18/1, 40/3), in order, as an edit reads them: a chain that loops or leaves
// the directory track is a failure ("... run Validate first. Nothing was
// written.").
struct DirChain {
    std::vector<BlockAddress> at;
    std::vector<Block> blocks;
};
[[nodiscard]] Result<DirChain> ReadDirChain(const DiskImage& image);

// --- New image ----------------------------------------------------------------

// The bytes of a freshly formatted image of 35 or 40 tracks: track 18 as
// Clear Entire Image writes it (name and ID padded with 0xA0), every other
// block 0.  A 40-track image has tracks 36 to 40 free in the extended BAM at
// 0xC0.
std::vector<std::uint8_t> NewImageBytes(int tracks, const std::string& name, const std::string& id);
// The bytes of a freshly formatted image of the format (FormattedBlocks),
// without error bytes; a D64 of 40 tracks with the extended BAM at 0xC0.
std::vector<std::uint8_t> NewImageBytes(const DiskFormat& format, const std::string& name,
                                        const std::string& id);

// Writes a new image file beside the path, flushed, then puts it in place
// whole: linked in under its name (renamed without replacing where there are
// no hard links, written in place where neither is possible), which fails
// when the name is taken, or with replace renamed over the file there.  Under
// the same folder lock as UpdateImage.
[[nodiscard]] Result<void> CreateImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                           bool replace = false);

// --- Allocation -----------------------------------------------------------------

// The 1541's allocation is in core/Bam.h (AllocateBlocks, NextSector).

struct ValidationReport;

// The blocks allocation never takes, whatever the BAM says: those Validate's
// owner map gives to the BAM, the directory or a live entry (but the entry of
// row except, whose blocks are being given up, where only it owns them), and
// those whose error byte is other than 0x00 or 0x01 (a read that failed).
BlockSet BlocksNotToTake(const DiskImage& image, const ValidationReport& report, int except = 0);

// --- Import -------------------------------------------------------------------

// Blocks a file of this many bytes takes: 254 bytes a block, at least one.
int BlocksForBytes(std::size_t bytes);

// The name and type of a host file: the base name (without the extension)
// with letters in capitals, cut to 16 characters, as C64NameFromHost makes
// it (a character without a C64 byte decomposed, else '-'); PRG for ".prg"
// and anything else, SEQ for ".seq", USR for ".usr".  Fails when the name is
// empty.
struct HostFileName {
    std::string name; // C64 bytes, 1 to 16
    FileType type = FileType::Prg;
    bool changed = false; // a character of the base name was not taken as it is
};
[[nodiscard]] Result<HostFileName> NameOfHostFile(const std::string& path);

// What to do when the disk already holds a live entry of the same name.
enum class OnClash { Refuse, Replace, KeepBoth };

struct ImportFile {
    std::string name; // C64 bytes, at most 16
    FileType type = FileType::Prg;
    std::vector<std::uint8_t> data;
    OnClash onClash = OnClash::Refuse;
};

// The first live entry of that name; nullopt when there is none.
std::optional<DirEntry> FindEntryNamed(const DiskImage& image, const std::string& name);

// Writes the file as a new entry: its data blocks, the BAM, the entry (in
// the first free slot, or a new directory block on track 18 when the
// directory is full), all in one change.  The directory holds the format's
// number of entries (144; 296 on a D81).  Blocks are taken only where
// allocation may take them (BlocksNotToTake); when the BAM marked owned
// blocks free, a note says so and points to Validate.  Replace scratches the
// old entry of the same name first, as Delete does (a locked one is refused),
// and takes its slot.  Refused before anything is written when the file does
// not fit (saying how many blocks were needed and could be taken), the
// directory holds 144 entries or track 18 has no block for another directory
// block, or the name is taken and onClash is Refuse.
ImageEdit ImportEntry(const ImportFile& file);

// Several files in one change, in order.
ImageEdit ImportEntries(const std::vector<ImportFile>& files);

} // namespace dyskel
