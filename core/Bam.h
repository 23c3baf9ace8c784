// The BAM (block availability map): where a disk keeps which blocks are
// free, read, counted, changed and allocated from in one place.  A BAM is a
// run of entries, one a track: the free count and then a bitmap (bit 0 of
// the first bitmap byte is sector 0; a set bit is a free block).  Where each
// track's entry stands is data (BamLayout), so that other disk formats can
// bring their own.
#pragma once

#include "core/Result.h"
#include "core/Uglobal.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <vector>

namespace dyskel {

// --- Layout ---------------------------------------------------------------------

// Where a disk's BAM keeps its tracks: runs of entries (core/Format.h).
struct BamLayout {
    std::array<BamRun, 3> runs{};
    int runCount = 0;

    // The run holding a track; nullptr when the BAM does not cover it.
    const BamRun* RunOf(int track) const;
    // Offset of a track's free count in the BAM bytes; 0 when the BAM does
    // not cover the track.
    std::size_t Entry(int track) const;
    // Offset of a track's bitmap in the BAM bytes.
    std::size_t Map(int track) const;
    // The highest track covered.
    int LastTrack() const { return runCount ? runs[std::size_t(runCount - 1)].last : 0; }
};

// A D64's BAM block (track 18, sector 0): tracks 1 to 35 at 0x04.  A 40-track
// disk keeps tracks 36 to 40 in an extended BAM of 20 bytes: at 0xC0
// (SpeedDOS and its kin; the layout new images get) or at 0xAC (DolphinDOS).
constexpr std::size_t SpeedDosBam = 0xC0;
constexpr std::size_t DolphinDosBam = 0xAC;

// Where the header block holds an extended BAM: 0xC0 or 0xAC when the 20
// bytes there are not all 0, no bit past sector 16 is set and every track's
// count matches its bitmap (0xC0 when both do); 0 when neither does.
std::size_t ExtendedBamOffset(const Block& header);
inline bool HasExtendedBam(const Block& header) {
    return ExtendedBamOffset(header) != 0;
}

// The D64 layout with the extended BAM at `extended` (0: none).
BamLayout D64BamLayout(std::size_t extended);
// The D64 layout the header block's bytes say.
BamLayout D64BamLayout(const Block& header);
// The layout of a format's BAM; for a D64 as its first BAM block says.
BamLayout LayoutOf(const DiskFormat& format, const Block& firstBamBlock);

// --- The BAM of a disk ---------------------------------------------------------

// A disk's BAM blocks as one run of bytes (the second block from offset 256
// on), their layout, and the tracks the image holds.
struct Bam {
    const DiskFormat* format = &D64ExtFormat;
    BamLayout layout;
    std::array<std::uint8_t, 2 * BlockSize> bytes{};
    int tracks = 35;

    int BlockCount() const { return format->bamBlocks; }
    BlockAddress At(int i) const {
        return {format->bamAt[std::size_t(2 * i)], format->bamAt[std::size_t(2 * i + 1)]};
    }
    Block BlockAt(int i) const;
    void SetBlock(int i, const Block& block);
    // The stored free count of a track (0 outside the BAM) and its bitmap.
    int Count(int track) const;
    std::uint64_t Bitmap(int track) const;
};

// The BAM of an image: its BAM blocks as the file holds them (a block the
// file does not hold reads as zeros).  Fails when the first cannot be read.
[[nodiscard]] Result<Bam> ReadBam(const DiskImage& image);
// A D64's BAM: the header block, for an image of this many tracks.
Bam D64Bam(const Block& header, int tracks);
// A BAM of the format made of its blocks' bytes (a D64: the header block).
Bam BamOf(const DiskFormat& format, const Block& first, const Block& second, int tracks);

bool BamBlockFree(const Bam& bam, BlockAddress at);
// Sets a block free or used and the track's free count to the free sectors
// of its bitmap.  Tracks outside the BAM are left alone.
void SetBamBlockFree(Bam& bam, BlockAddress at, bool free);
// The last track allocation and the checks go up to.
int LastBamTrack(const Bam& bam);
// Free blocks of the tracks the BAM covers but the directory track.
int BamFreeBlocks(const Bam& bam);

// The last track of the BAM on an image of this many tracks: 40 when it has
// more than 35 and an extended BAM, else 35 or the image's last track when it
// holds fewer.  Allocation and the checks go up to this track; past it the
// BAM's bytes are never written.
int LastBamTrack(const Block& header, int tracks);

// Offset of a track's BAM entry with the extended BAM at `extended` (0: there
// is none); 0 when the track is not in the BAM.
std::size_t BamEntryOffset(int track, std::size_t extended);
// The same with the extended BAM the header block holds.
std::size_t BamEntryOffset(const Block& header, int track);

// --- Reading --------------------------------------------------------------------

// Whether a block is free by the BAM (a block outside it is not).
bool BamBlockFree(const Block& header, const BamLayout& layout, BlockAddress at);
bool BamBlockFree(const Block& header, BlockAddress at);

// The BAM as the header block holds it, for the listing and the chart: tracks
// 1 to 35 even when the file is cut short, 36 to 40 as LastBamTrack says.
struct BamInfo {
    FreeMap freeMap;              // those tracks but 18 filled, the rest 0
    std::uint16_t freeBlocks = 0; // free blocks of those tracks: BLOCKS FREE
};
BamInfo DecodeBAM(const Block& header, int tracks);
BamInfo DecodeBAM(const Bam& bam);

// The free count, one rule for every place that shows it: the free blocks of
// tracks 1 to 35 but 18, and of 36 to 40 when the image has 40 tracks and an
// extended BAM.  A file cut short counts as whole.
int BamFreeBlocks(const Block& header, int tracks);

// --- Changing -------------------------------------------------------------------

// Sets a block free or used and sets the track's free count to the free
// sectors of its bitmap (bits past the track's last sector are kept and not
// counted).  Tracks outside the BAM are left alone: on a 40-track image
// without an extended BAM, tracks 36 to 40.
void SetBamBlockFree(Block& header, const BamLayout& layout, BlockAddress at, bool free);
void SetBamBlockFree(Block& header, BlockAddress at, bool free);

// Writes the BAM of a freshly formatted disk into the header block: every
// block of tracks 1 to 35 free but 18/0 and 18/1, and with `extended` (0xC0
// or 0xAC; 0: none) every block of tracks 36 to 40.
void FormatBam(Block& header, std::size_t extended);
// The BAM of a freshly formatted disk of the format: every block free but
// the header, the BAM blocks and the first directory block, and on a D71
// every block of track 53 used as the 1571 formats it.  A D64 with
// `extended` as above.
void FormatBam(Bam& bam, std::size_t extended = 0);

// --- Allocation -----------------------------------------------------------------

constexpr int FileInterleave = 10; // sectors between two blocks of a file
constexpr int DirInterleave = 3;   // sectors between two directory blocks

// The sector the 1541 tries after sector s on a track of n sectors: s +
// interleave, and past the end of the track that less n, one less again when
// that is not 0.
constexpr int NextSector(int s, int interleave, int n) {
    int next = s + interleave;
    if (next >= n) {
        next -= n;
        if (next > 0) --next;
    }
    return next;
}

// Blocks by track and sector.
using BlockSet = std::array<std::bitset<FormatMaxSectors>, FormatMaxTracks + 1>;

// The blocks allocation may take: free in the BAM (tracks 1 to LastBamTrack,
// track 18 not counted) and not barred.
int BlocksToTake(const Block& header, int tracks, const BlockSet& barred);

// The first sector of the track from sector on (wrapping) that allocation
// may take; -1 when none.
int FreeSectorFrom(const Block& header, const BlockSet& barred, int track, int sector);

// Picks free blocks for a file as the 1541 DOS does: the first on the track
// nearest track 18 with a free block (below first on a tie), from sector 0;
// then interleave 10 within the track (the first free sector from there on,
// wrapping); a full track moves on away from track 18, and past the edge to
// the other side.  Never track 18, never a block the BAM marks used or that
// is barred; tracks 36 to 40 only when the image has 40 tracks and the
// extended BAM.  The blocks found are marked used in header.  Empty when
// fewer than count may be taken.
std::vector<BlockAddress> AllocateBlocks(Block& header, int tracks, int count, const BlockSet& barred = {});

// The same on any format as its drive does it: the first block on the track
// nearest the directory track with a free block (on a D71 also nearest its
// track 53, side one first; below first on a tie), then the format's
// interleave (10 on a 1541, 6 on a 1571, 1 on a 1581); a full track moves on
// away from the directory track to the edge, then to the next run: below the
// directory track, above it, and on a D71 the same on side two.  Never a
// reserved track (the directory track, a D71's track 53).
std::vector<BlockAddress> AllocateBlocks(Bam& bam, int count, const BlockSet& barred = {});
int BlocksToTake(const Bam& bam, const BlockSet& barred);
int FreeSectorFrom(const Bam& bam, const BlockSet& barred, int track, int sector);

} // namespace dyskel
