// Validate: the whole image checked against its own rules, as data.  Who owns
// each block (a file's block k of n, the directory, the BAM), what disagrees
// with the BAM, and the BAM rewritten from what the files really own.
#pragma once

#include "core/Directory.h"
#include "core/ImageUpdate.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dyskel {

// Shows an entry name's raw disk bytes as text (the caller's character table).
using NameFormat = std::function<std::string(const std::string& bytes)>;

enum class OwnerKind : std::uint8_t { None, Bam, Directory, File, GeosBorder };

// The first claimant of a block, and how many there are.
struct BlockOwner {
    OwnerKind kind = OwnerKind::None;
    int entry = 0; // for a file: its number in the listing, from 1
    int index = 0; // block index of count, from 1
    int count = 0;
    int claims = 0;
};

enum class FindingKind : std::uint8_t {
    ChainLoop,        // an entry's chain links back to a block it holds
    ChainBadLink,     // an entry's chain links outside the disk
    SizeMismatch,     // the entry's block count is not its chain's length
    UsedButFree,      // a block a file or the directory owns is free in the BAM
    Orphan,           // a block marked used that nothing owns
    CrossLinked,      // a block two owners claim
    TrackCount,       // a track's free count disagrees with its bitmap
    DirLoop,          // the directory chain loops
    DirLeavesTrack18, // the directory chain links off track 18
    Header,           // a D71's or D81's header or BAM block breaks the drive's rules
};

// How many kinds FindingKind has.
constexpr int FindingKinds = 10;

struct Finding {
    FindingKind kind;
    BlockAddress block;    // the block in question (a track's finding: sector 0)
    int entry = 0;         // the entry concerned, by listing number; 0 none
    int other = 0;         // CrossLinked: the first claimant's entry (0: no file)
    int expected = 0;      // SizeMismatch: the entry's count; TrackCount: the BAM's
    int actual = 0;        // the count found
    std::string text = {}; // Header: what is wrong with the block
};

// The blocks an entry owns, in the order they are read: GEOS info block,
// VLIR index and records (on a GEOS disk), REL side sectors, then the data
// chain, each chain up to a break; broken when a walk ended on a loop or a
// link outside the disk.
struct EntryBlockList {
    std::vector<BlockAddress> blocks;
    bool broken = false;
};

struct ValidationReport {
    std::vector<DirEntry> entries; // the live entries, rows 1 to n as the listing numbers them
    std::vector<std::vector<BlockAddress>> entryBlocks; // each live entry's blocks, row by row
    std::array<std::array<BlockOwner, FormatMaxSectors>, FormatMaxTracks + 1> owners{};
    // Every claim of each block in the order made: an entry's row, or minus
    // the owner kind for the BAM, the directory and the GEOS border block.
    std::array<std::array<std::vector<int>, FormatMaxSectors>, FormatMaxTracks + 1> claimants{};
    std::vector<Finding> findings;
    bool geos = false;     // the BAM block carries the "GEOS format" signature
    int lastBamTrack = 35; // tracks checked against the BAM: 1 to this

    bool Clean() const { return findings.empty(); }
    const BlockOwner& Owner(BlockAddress at) const {
        return owners[std::size_t(at.track)][std::size_t(at.sector)];
    }
    // The row of the live entry at that place of the directory; 0 when the
    // listing does not hold it.
    int Row(const DirEntry& entry) const;
    // Who else claims the block besides the entry of that row (0: none),
    // each once in the order claimed, coded as in claimants.
    std::vector<int> OtherOwners(BlockAddress at, int row) const;
    // The finding that flags a block on the BAM chart (used but free, orphan,
    // cross-linked); nullopt when none does.
    std::optional<FindingKind> Flag(BlockAddress at) const;
};

// Checks the image.  Fails only when its BAM block cannot be read.
[[nodiscard]] Result<ValidationReport> ValidateImage(const DiskImage& image);

// The blocks the entry owns as Validate counts them, read as its type byte
// says (also for a scratched entry, given the type byte it would have).
EntryBlockList EntryBlocksOf(const DiskImage& image, const DirEntry& entry);

// A claimant of OtherOwners as a text: "entry 2 \"LOG\"", "the directory",
// "the BAM", "the GEOS border block".
std::string OwnerName(const ValidationReport& report, int claimant, const NameFormat& name = {});

// Short name of a finding kind ("loop", "bad-link", "size", "used-but-free",
// "orphan", "cross-linked", "track-count", "dir-loop", "dir-off-track",
// "header").
const char* FindingKindName(FindingKind kind);

// One finding as an English line; entry names through name (raw bytes when
// none is given).
std::string FindingText(const ValidationReport& report, const Finding& finding, const NameFormat& name = {});

// One line for a folder's report: "clean", or "3 findings: 1 orphan, 2
// used-but-free" (kinds in their order).
std::string ValidationSummary(const ValidationReport& report);

// Who owns a block, for the chart's hint: "\"HELLO\", block 3 of 7",
// "directory", "BAM", "GEOS border block", or "".
std::string OwnerText(const ValidationReport& report, BlockAddress at, const NameFormat& name = {});

// The BAM block rewritten from what the report found owned: every owned block
// used, every other block free, each track's count from its bitmap.
Block BamFromOwners(const Block& header, const ValidationReport& report);
Bam BamFromOwners(const Bam& bam, const ValidationReport& report);

// Validate's fix as an edit: the BAM block rewritten from what the files own.
// Nothing else changes.  Refused when the directory chain is broken (files
// past the break would lose their blocks).
ImageEdit FixBam();

} // namespace dyskel
