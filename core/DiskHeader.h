// The header block (track 18, sector 0): disk label, flags and the BAM.
#pragma once

#include "core/Uglobal.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace dyskel {

// What the header block says of the disk.
struct HeaderInfo {
    std::string label;           // raw PETSCII bytes, at most 25 characters
    bool doubleSided = false;    // bit 7 of byte 0x03
    bool writeProtected = false; // byte 0x02 is not 0x41
};

// Label text: a quote, the kept bytes of 0x90 to 0xA0, a quote and a blank,
// the kept bytes of 0xA2 to 0xA6.  Kept are 0x20, 0x21 and 0x23 to 0x9D.
std::string LabelText(const Block& header);
HeaderInfo ParseHeader(const Block& header);

// The editor's sentences on the image's facts (error bytes, format).
constexpr const char* ErrorInfoText(bool hasErrorInfo) {
    return hasErrorInfo ? "Image contains error information." : "Image does not contain error information.";
}
constexpr const char* FormatText(bool doubleSided) {
    return doubleSided ? "1571 disk image, Double Sided." : "1540/1541/1570 disk image, Single Sided.";
}

// Reads the header block straight from the file.
[[nodiscard]] Result<HeaderInfo> ReadHeaderBlock(const std::string& path);

// The BAM: 4 bytes a track in the header block, the free count and then a
// bitmap of 3 bytes (bit 0 of the first byte is sector 0; a set bit is a free
// block).  Tracks 1 to 35 are at 0x04.  A 40-track disk keeps tracks 36 to 40
// in an extended BAM of 20 bytes: at 0xC0 (SpeedDOS and its kin; the layout
// new images get) or at 0xAC (DolphinDOS).
constexpr std::size_t SpeedDosBam = 0xC0;
constexpr std::size_t DolphinDosBam = 0xAC;

// Where the header block holds an extended BAM: 0xC0 or 0xAC when the 20
// bytes there are not all 0, no bit past sector 16 is set and every track's
// count matches its bitmap (0xC0 when both do); 0 when neither does.
std::size_t ExtendedBamOffset(const Block& header);
inline bool HasExtendedBam(const Block& header) {
    return ExtendedBamOffset(header) != 0;
}
// The last track of the BAM on an image of this many tracks: 40 when it has
// more than 35 and an extended BAM, else 35 or the image's last track when it
// holds fewer.  Every count, chart, allocation and check of the BAM goes up
// to this track; past it the BAM's bytes are never written.
int LastBamTrack(const Block& header, int tracks);

// Offset of a track's BAM entry with the extended BAM at `extended` (0: there
// is none); 0 when the track is not in the BAM.
std::size_t BamEntryOffset(int track, std::size_t extended);
// The same with the extended BAM the header block holds.
std::size_t BamEntryOffset(const Block& header, int track);
// Whether a block is free by the header block's BAM (a block outside the BAM
// is not).
bool BamBlockFree(const Block& header, BlockAddress at);

// The BAM as the header block holds it, for the listing and the chart: tracks
// 1 to 35 even when the file is cut short, 36 to 40 as LastBamTrack says.
struct BamInfo {
    FreeMap freeMap;              // those tracks but 18 filled, the rest 0
    std::uint16_t freeBlocks = 0; // free blocks of those tracks: BLOCKS FREE
};
BamInfo DecodeBAM(const Block& header, int tracks);
// Free blocks of tracks 1 to LastBamTrack but 18: on a whole image what
// DecodeBAM counts, on one cut short only what the file holds.
int BamFreeBlocks(const Block& header, int tracks);

} // namespace dyskel
