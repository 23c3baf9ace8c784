// The changes Dyskel makes to a disk, each as an edit for the one write path:
// it reads the blocks it needs from the image as it is right now, checks that
// the entry is still the one the user chose, and gives the changed blocks.
#pragma once

#include "core/Directory.h"
#include "core/ImageUpdate.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dyskel {

// --- The BAM ------------------------------------------------------------------

// The BAM is read through core/DiskHeader.h (BamBlockFree, LastBamTrack,
// BamFreeBlocks, ExtendedBamOffset).
// Sets a block free or used and sets the track's free count to the free
// sectors of its bitmap (bits past the track's last sector are kept and not
// counted).  Tracks outside the BAM are left alone: on a 40-track image
// without an extended BAM, tracks 36 to 40.
void SetBamBlockFree(Block& header, BlockAddress at, bool free);
// Marks every block of the chain from first, up to a break, free in the BAM,
// as scratching a file does; blocks on track 18 (the directory's) stay used.
void FreeChainInBam(Block& header, const DiskImage& image, BlockAddress first);

// --- Editing entries ----------------------------------------------------------

// Writes the 16 name bytes of the entry.
ImageEdit RenameEntry(const DirEntry& entry, const std::array<std::uint8_t, 16>& name);

// Scratches the entry as the drive does: type byte 0, and every block of its
// chain (up to a break) marked free in the BAM.  A locked entry is refused.
ImageEdit DeleteEntry(const DirEntry& entry);

// Sets bits 0 to 2 of the type byte, keeping bits 3 to 7.
ImageEdit SetEntryType(const DirEntry& entry, FileType type);

// Takes a scratched entry back: type byte 0x80 plus type, its data chain and
// side sectors used again in the BAM.  Refused when one of those blocks is now
// owned by another entry.
ImageEdit UndeleteEntry(const DirEntry& entry, FileType type);

// Sets or clears the lock bit (bit 6).
ImageEdit SetEntryLocked(const DirEntry& entry, bool locked);

// Writes the block count of bytes 0x1E and 0x1F.
ImageEdit SetEntrySize(const DirEntry& entry, std::uint16_t blocks);

// The length of the entry's chain in blocks, up to a break.
int ChainLength(const DiskImage& image, const DirEntry& entry);

// Track 18 as a freshly formatted disk has it: the BAM block with every block
// of tracks 1 to 35 free but 18/0 and 18/1, the disk name and ID kept (or
// replaced when given), DOS version and type "2A", and an empty directory
// block 18/1.  In a 40-track image bytes 0xAB to 0xFF of the BAM block are
// kept, and tracks 36 to 40 become free in the extended BAM when it has one.
// The other blocks are kept as they are.
ImageEdit ClearImage(const std::string* name = nullptr, const std::string* id = nullptr);
// Writes a disk name (cut to 16 bytes, padded with 0xA0) at 0x90 and an ID
// (its first two bytes, padded with 0xA0) at 0xA2 of a header block; what is
// not given is kept.
void PutNameAndId(Block& header, const std::optional<std::string>& name,
                  const std::optional<std::string>& id);
// The two blocks of ClearImage built from the header block of an image of
// this many tracks, with every block of tracks 36 to 40 free in an extended
// BAM at `extended` (0xC0 or 0xAC; 0: none is written).
std::array<Block, 2> FormattedTrack18(const Block& oldHeader, int tracks, std::size_t extended);

// Writes bytes into a block from offset on.
ImageEdit PokeBlock(BlockAddress at, int offset, const std::vector<std::uint8_t>& bytes);

// Writes whole blocks as given (the Hex Editor's Write Block).
ImageEdit PutBlocks(const ChangeSet& changes);

// Puts back the blocks of an earlier write, while the image still holds what
// that write left; otherwise fails saying that the image was changed elsewhere.
ImageEdit UndoWrite(const UpdateResult& write);

} // namespace dyskel
