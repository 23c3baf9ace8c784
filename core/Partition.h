// A 1581 partition laid out as a sub-directory: whole tracks from sector 0
// of its first track, at least three of them and not track 40, holding on
// that first track its own header (sector 0, linking to sector 3), its two
// BAM blocks (sectors 1 and 2, as 40/1 and 40/2) and its directory from
// sector 3.  Such a partition is read as a disk of its own; only read.
#pragma once

#include "core/Directory.h"
#include "core/Uglobal.h"

namespace dyskel {

// The D81 layout with header, BAM and directory on the track given.
const DiskFormat& D81SubdirFormat(int track);

// The partition of the entry read as a disk (the image's bytes, its layout
// moved to the partition's first track).  Fails, telling why, for an entry
// that is no partition or a partition not laid out as a sub-directory.
[[nodiscard]] Result<DiskImage> OpenPartition(const DiskImage& image, const DirEntry& entry);

// The same for the partition entry of the image's directory that starts at
// the block given (as kept while the image is read again).
[[nodiscard]] Result<DiskImage> OpenPartitionAt(const DiskImage& image, BlockAddress first);

} // namespace dyskel
