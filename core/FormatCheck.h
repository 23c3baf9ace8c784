// The header and BAM blocks of a D71 or D81 against the drive's rules: a
// D71's header must say double-sided; a D81's BAM blocks 40/1 and 40/2 must
// repeat the header's ID, carry the DOS version 'D' and its complement $BB,
// and 40/1 must link to 40/2.  An image that breaks them is read and shown;
// writes are refused until validate --fix has mended it.
#pragma once

#include "core/ImageUpdate.h"

#include <string>
#include <vector>

namespace dyskel {

// A rule broken: the block that breaks it and a sentence telling how.
struct HeaderFault {
    BlockAddress at;
    std::string text;
};

// Each rule broken; empty for a sound image (and for every D64).
std::vector<HeaderFault> HeaderFaultsAt(const DiskImage& image);

// The sentences of HeaderFaultsAt.
std::vector<std::string> HeaderFaults(const DiskImage& image);

// The header and BAM blocks with the faults mended (the BAM's counts and
// bitmaps as they are); empty when there is nothing to mend.
ChangeSet MendHeader(const DiskImage& image);

} // namespace dyskel
