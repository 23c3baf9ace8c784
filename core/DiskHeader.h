// The header block (track 18, sector 0): disk label and flags; its BAM is
// read and changed through core/Bam.h.
#pragma once

#include "core/Bam.h"
#include "core/Uglobal.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace dyskel {

// What the header block says of the disk.
struct HeaderInfo {
    std::string label;           // raw PETSCII bytes, at most 25 characters
    bool doubleSided = false;    // bit 7 of byte 0x03
    bool writeProtected = false; // byte 0x02 is not the drive's DOS version ('A'; 'D' on a D81)
};

// Label text: a quote, the kept bytes of 0x90 to 0xA0, a quote and a blank,
// the kept bytes of 0xA2 to 0xA6.  Kept are 0x20, 0x21 and 0x23 to 0x9D.
std::string LabelText(const Block& header);
HeaderInfo ParseHeader(const Block& header);
// The same for a header block of the format: a D81 keeps its name at 0x04,
// its ID at 0x16 and its DOS type at 0x19, and has no double-sided flag.
std::string LabelText(const DiskFormat& format, const Block& header);
HeaderInfo ParseHeader(const DiskFormat& format, const Block& header);

// The editor's sentences on the image's facts (error bytes, format).
constexpr const char* ErrorInfoText(bool hasErrorInfo) {
    return hasErrorInfo ? "Image contains error information." : "Image does not contain error information.";
}
constexpr const char* FormatText(bool doubleSided) {
    return doubleSided ? "1571 disk image, Double Sided." : "1540/1541/1570 disk image, Single Sided.";
}
constexpr const char* FormatText(const DiskFormat& format, bool doubleSided) {
    return format.kind == FormatKind::D81   ? "1581 disk image, 3.5 inch."
           : format.kind == FormatKind::D71 ? FormatText(true)
                                            : FormatText(doubleSided);
}

// Reads the header block straight from the file.
[[nodiscard]] Result<HeaderInfo> ReadHeaderBlock(const std::string& path);

} // namespace dyskel
