// The changes Dyskel makes to a disk, each as an edit for the one write path:
// it reads the blocks it needs from the image as it is right now, checks that
// the entry is still the one the user chose, and gives the changed blocks.
#pragma once

#include "core/Bam.h"
#include "core/Directory.h"
#include "core/ImageUpdate.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dyskel {

// --- Who owns a block -------------------------------------------------------------

struct ValidationReport;

// Marks free in the BAM the blocks (Validate's count of the entry's blocks)
// that nothing else owns: no other entry, not the directory, not the BAM.
// Blocks on tracks the BAM does not cover are left alone.  Adds a note for
// each other owner the entry shared blocks with ("\"A\" was cross-linked with
// entry 2 \"B\"; ...").  Returns the blocks freed.
int FreeEntryBlocks(Bam& bam, const ValidationReport& report, const DirEntry& entry,
                    const std::vector<BlockAddress>& blocks, std::vector<std::string>& notes);

// Puts the BAM's blocks (those the image holds) into the changes.
void PutBam(ChangeSet& changes, const DiskImage& image, const Bam& bam);

// --- Editing entries ----------------------------------------------------------

// Writes the 16 name bytes of the entry.
ImageEdit RenameEntry(const DirEntry& entry, const std::array<std::uint8_t, 16>& name);

// Scratches the entry as the drive does: type byte 0, and its blocks (data
// chain, REL side sectors, GEOS info block and records) marked free in the
// BAM, but those another entry or the directory also owns (told in a note).
// A locked entry is refused.
ImageEdit DeleteEntry(const DirEntry& entry);

// Sets bits 0 to 2 of the type byte, keeping bits 3 to 7.  Blocks the entry
// owns no longer under the new type (a REL file's side sectors) are freed in
// the same write, and the question says so; blocks it comes to own are marked
// used (refused when another owns them).  The size follows when it was right.
// Refused on a scratched entry (Undelete takes it back) and when the type
// byte would become 0, the mark of a scratched entry.
ImageEdit SetEntryType(const DirEntry& entry, FileType type);

// Takes a scratched entry back: type byte 0x80 plus type, its data chain and
// side sectors used again in the BAM.  Refused when one of those blocks is now
// owned by another entry.
ImageEdit UndeleteEntry(const DirEntry& entry, FileType type);

// Sets or clears the lock bit (bit 6); refused when the type byte would
// become 0.
ImageEdit SetEntryLocked(const DirEntry& entry, bool locked);

// Writes the block count of bytes 0x1E and 0x1F; a note tells how many of
// the entry's blocks it shares with each other owner.
ImageEdit SetEntrySize(const DirEntry& entry, std::uint16_t blocks);

// The entry's length in blocks as Validate counts it: the data chain up to a
// break, with REL side sectors and GEOS info block and records.
int ChainLength(const DiskImage& image, const DirEntry& entry);

// Track 18 as a freshly formatted disk has it: the BAM block with every block
// of tracks 1 to 35 free but 18/0 and 18/1, the disk name and ID kept (or
// replaced when given), DOS version and type "2A", and an empty directory
// block 18/1.  In a 40-track image bytes 0xAB to 0xFF of the BAM block are
// kept, and tracks 36 to 40 become free in the extended BAM when it has one.
// The other blocks are kept as they are.
ImageEdit ClearImage(const std::string* name = nullptr, const std::string* id = nullptr);
// Writes a disk name (cut to 16 bytes, padded with 0xA0) at `at` (0x90; 0x04
// on a D81) and an ID (its first two bytes, padded with 0xA0) 0x12 after it;
// what is not given is kept.
void PutNameAndId(Block& header, const std::optional<std::string>& name, const std::optional<std::string>& id,
                  std::size_t at = 0x90);
// The two blocks of ClearImage built from the header block of an image of
// this many tracks, with every block of tracks 36 to 40 free in an extended
// BAM at `extended` (0xC0 or 0xAC; 0: none is written).
std::array<Block, 2> FormattedTrack18(const Block& oldHeader, int tracks, std::size_t extended);

// The blocks of a freshly formatted directory of the format, the disk name and
// ID taken from oldHeader: on a D64 those of FormattedTrack18; on a D71 the
// same with the double-sided flag and the BAM of side two (free counts at
// 18/0 0xDD, bitmaps in 53/0, all of track 53 used); on a D81 the header 40/0
// (DOS type "3D"), the BAM blocks 40/1 and 40/2 and the directory block 40/3.
ChangeSet FormattedBlocks(const DiskFormat& format, const Block& oldHeader, int tracks, std::size_t extended);

// Writes the header line's bytes of the header block as they are given: the
// 16 name bytes at 0x90-0x9F and the 5 bytes after them at 0xA2-0xA6 (the ID,
// 0xA0 and the DOS type), the way the listing's first line shows them.
ImageEdit SetDiskLabel(const std::array<std::uint8_t, 16>& name,
                       const std::array<std::uint8_t, 5>& idAndType);

// Writes bytes into a block from offset on.
ImageEdit PokeBlock(BlockAddress at, int offset, const std::vector<std::uint8_t>& bytes);

// Writes whole blocks as given (the Hex Editor's Write Block).
ImageEdit PutBlocks(const ChangeSet& changes);

// Puts back the blocks of an earlier write, while the image still holds what
// that write left; otherwise fails saying that the image was changed elsewhere.
ImageEdit UndoWrite(const UpdateResult& write);

} // namespace dyskel
