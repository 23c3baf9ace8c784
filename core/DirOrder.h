// The order of the directory: separator entries put in, entries moved up
// and down, the directory's room and how much of it is used, and a whole new
// order with new names at once (the directory art a user draws).  Each
// change is an edit for the one write path.  Entries move between slots of
// the directory blocks; the chains of the files stay as they are.
#pragma once

#include "core/Directory.h"
#include "core/ImageUpdate.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dyskel {

// How many entries the directory holds at most, and how many blocks of its
// track it may use for them.  Every rule about the directory's room asks
// this one place.
struct DirCapacity {
    int entries = 0;
    int blocks = 0;
};
DirCapacity DirectoryCapacity(const DiskImage& image);

// How much of that room the directory uses: live entries (type byte not 0)
// and blocks in its chain.
struct DirUsage {
    int entries = 0;
    int blocks = 0;
    DirCapacity capacity;
};
[[nodiscard]] Result<DirUsage> DirectoryUsage(const DiskImage& image);
// "12 of 144 entries used, 2 directory blocks of 18"
std::string DirUsageText(const DirUsage& usage);

// The type byte of a separator entry: a closed DEL file.
constexpr std::uint8_t SeparatorType = ClosedBit | std::uint8_t(FileType::Del);
// The name a separator is given when none is: 16 dashes.
std::array<std::uint8_t, 16> SeparatorName();

using NameBytes = std::array<std::uint8_t, 16>;

// One place of the new order: an entry as it was listed, or a new separator
// (type byte 0x80, first block 0,0, size 0); with a new name or the one it
// has (a separator without one gets SeparatorName()).
struct Placement {
    std::optional<DirEntry> entry;
    std::optional<NameBytes> name;
};

// The header line's bytes, each part when it is to change: the disk name
// (0x90-0x9F) and ID, 0xA0 and DOS type (0xA2-0xA6).
struct DiskLabelBytes {
    std::optional<NameBytes> name;
    std::optional<std::array<std::uint8_t, 5>> idAndType;
};

// Puts every live entry of the directory, each once, and the new separators
// into the directory in the order given, names as given, and the parts of the
// disk label given, in one change.  The entries fill the slots the live entries
// hold, in the chain's order; a new separator takes in addition the first
// free slot (type byte 0), and when there is none a new directory block is
// linked in as the drive does (interleave 3 on the directory track, never a
// block the directory or a file owns).  Refused when the directory would hold
// more entries than it may, when the directory track has no block left for
// it, when its chain is broken, and when the entries given are not the live
// entries of the image as it is now.
ImageEdit ArrangeDirectory(const std::vector<Placement>& order, const DiskLabelBytes& label = {});

// The live entries of a listing (scratched ones left out), as placements.
std::vector<Placement> PlacementsOf(const std::vector<DirEntry>& listed);

// Inserts a separator before row `before` of the listing (from 0; the row
// count puts it after the last).  Scratched rows of the listing keep their
// slots; a separator before one goes before the next live entry.
ImageEdit InsertSeparator(const std::vector<DirEntry>& listed, std::size_t before,
                          const NameBytes& name = SeparatorName());

// Moves the live entry of row `row` of the listing one place up (step -1) or
// down (step +1) among the live entries: the two swap slots.  Refused on a
// scratched entry and at either end.
ImageEdit MoveEntry(const std::vector<DirEntry>& listed, std::size_t row, int step);

} // namespace dyskel
