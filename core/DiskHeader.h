// The header block (track 18, sector 0): disk label, flags and the BAM.
#pragma once

#include "core/Uglobal.h"

#include <cstdint>
#include <string>

namespace dyskel {

// What the header block says of the disk.
struct HeaderInfo {
    bool ok = false;            // the header block could be read whole
    std::string label;          // raw PETSCII bytes, at most 25 characters
    bool doubleSided = false;   // bit 7 of byte 0x03
    bool writeProtected = false; // byte 0x02 is not 0x41
};

// Label text: a quote, the kept bytes of 0x90 to 0xA0, a quote and a blank,
// the kept bytes of 0xA2 to 0xA6.  Kept are 0x20, 0x21 and 0x23 to 0x9D.
std::string LabelText(const std::uint8_t* header);
HeaderInfo ParseHeader(const std::uint8_t* header);

// The editor's sentences on the image's facts (error bytes, format).
constexpr const char* ErrorInfoText(bool hasErrorInfo) {
    return hasErrorInfo ? "Image contains error information." : "Image does not contain error information.";
}
constexpr const char* FormatText(bool doubleSided) {
    return doubleSided ? "1571 disk image, Double Sided." : "1540/1541/1570 disk image, Single Sided.";
}

// Reads the header block straight from the file.  An unreadable header gives
// ok false, an empty label and cleared flags.
HeaderInfo ReadHeaderBlock(const std::string& path);

// Probes the open image's header: returns the label text and sets
// DoubleSided, WriteProtected and HasErrorInfo (from ImageFindRec.size).
std::string ReadDiskHeader(OpenImageState& state);

// Reads track 18 into the buffer and decodes the BAM of tracks 1 to 35 (but
// 18) into the free map; returns the count of free blocks.  Other entries of
// the free map are left as they were.
std::uint16_t DecodeBAM(const std::string& path, TrackBuffer& buffer, FreeMap& freeMap);

} // namespace dyskel
