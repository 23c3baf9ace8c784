#include "core/FormatCheck.h"

#include "core/Directory.h"

namespace dyskel {

namespace {

std::string Hex(std::uint8_t b) {
    static const char* digits = "0123456789ABCDEF";
    return std::string("$") + digits[b >> 4] + digits[b & 15];
}

// Checks (and with mend set, mends) the blocks; the faults found.
std::vector<HeaderFault> Check(const DiskImage& image, ChangeSet* mend) {
    std::vector<HeaderFault> faults;
    const DiskFormat& f = image.Format();
    if (f.kind == FormatKind::D64) return faults;
    Result<Block> header = image.ReadBlock({f.dirTrack, f.headerSector});
    if (!header) return faults;
    if (f.kind == FormatKind::D71) {
        if (!((*header)[0x03] & 0x80)) {
            faults.push_back({{f.dirTrack, f.headerSector},
                              "The header block 18/0 does not say double-sided (byte 3 is " +
                                  Hex((*header)[0x03]) + "; a 1571 writes $80)."});
            Block b = *header;
            b[0x03] |= 0x80;
            if (mend) PutChange(*mend, {f.dirTrack, f.headerSector}, b);
        }
        return faults;
    }
    for (int i = 0; i < f.bamBlocks; ++i) {
        const BlockAddress at{f.bamAt[std::size_t(2 * i)], f.bamAt[std::size_t(2 * i + 1)]};
        Result<Block> read = image.ReadBlock(at);
        if (!read) continue;
        Block b = *read;
        const std::string where = "The BAM block " + BlockText(at);
        if (b[0x04] != (*header)[0x16] || b[0x05] != (*header)[0x17])
            faults.push_back({at, where + " holds the ID " + Hex(b[0x04]) + " " + Hex(b[0x05]) +
                                      ", the header block " + Hex((*header)[0x16]) + " " +
                                      Hex((*header)[0x17]) + "."});
        if (b[0x02] != f.dosVersion)
            faults.push_back({at, where + " has the DOS version " + Hex(b[0x02]) + ", not $44 ('D')."});
        if (b[0x03] != std::uint8_t(~f.dosVersion))
            faults.push_back(
                {at, where + " has " + Hex(b[0x03]) + " as the complement of the DOS version, not $BB."});
        const bool linked = i + 1 < f.bamBlocks ? b[0] == f.bamAt[std::size_t(2 * i + 2)] &&
                                                      b[1] == f.bamAt[std::size_t(2 * i + 3)]
                                                : b[0] == 0 && b[1] == 0xFF;
        if (!linked)
            faults.push_back({at, where + " links to " + Hex(b[0]) + " " + Hex(b[1]) + ", not to " +
                                      (i + 1 < f.bamBlocks ? "40/2." : "nothing ($00 $FF).")});
        b[0x02] = f.dosVersion;
        b[0x03] = std::uint8_t(~f.dosVersion);
        b[0x04] = (*header)[0x16];
        b[0x05] = (*header)[0x17];
        b[0] = i + 1 < f.bamBlocks ? std::uint8_t(f.bamAt[std::size_t(2 * i + 2)]) : 0;
        b[1] = i + 1 < f.bamBlocks ? std::uint8_t(f.bamAt[std::size_t(2 * i + 3)]) : 0xFF;
        if (mend && b != *read) PutChange(*mend, at, b);
    }
    return faults;
}

} // namespace

std::vector<HeaderFault> HeaderFaultsAt(const DiskImage& image) {
    return Check(image, nullptr);
}

std::vector<std::string> HeaderFaults(const DiskImage& image) {
    std::vector<std::string> texts;
    for (const HeaderFault& fault : Check(image, nullptr)) texts.push_back(fault.text);
    return texts;
}

ChangeSet MendHeader(const DiskImage& image) {
    ChangeSet mend;
    Check(image, &mend);
    return mend;
}

} // namespace dyskel
