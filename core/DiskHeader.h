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

// Offset of a track's 4-byte BAM entry (free count, then 3 bitmap bytes) in
// the header block: tracks 1 to 35 in the standard BAM at 0x04, tracks 36 to
// 40 in the extended BAM at 0xC0 that the speeder DOSes (SpeedDOS and its
// kin) and the emulators use; 0 when the track is not in the BAM.
std::size_t BamEntryOffset(int track);
// Whether a block is free by the header block's BAM.
bool BamBlockFree(const Block& header, BlockAddress at);

// The BAM of tracks 1 to 35 (but 18) as the header block holds it.
struct BamInfo {
    FreeMap freeMap;              // tracks 1 to 35 but 18 filled, the rest 0
    std::uint16_t freeBlocks = 0; // free blocks of those tracks
};
BamInfo DecodeBAM(const Block& header);

} // namespace dyskel
