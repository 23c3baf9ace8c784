#include "core/DiskHeader.h"

namespace dyskel {

namespace {

// Bytes that the label shows: the blank, "!", and "#" up to 0x9D.  The quote,
// control codes, the 0xA0 padding and the shifted range are dropped.
constexpr bool KeptInLabel(std::uint8_t b) {
    return b == 0x20 || b == 0x21 || (b >= 0x23 && b <= 0x9D);
}

void AppendKept(std::string& out, const Block& header, int from, int to) {
    for (int i = from; i <= to; ++i)
        if (KeptInLabel(header[std::size_t(i)])) out.push_back(static_cast<char>(header[std::size_t(i)]));
}

} // namespace

std::string LabelText(const Block& header) {
    std::string label = "\"";
    AppendKept(label, header, 0x90, 0xA0); // name and the byte after it
    label += "\" ";
    AppendKept(label, header, 0xA2, 0xA6); // ID, separator, format letters
    return label;
}

HeaderInfo ParseHeader(const Block& header) {
    HeaderInfo info;
    info.label = LabelText(header);
    info.doubleSided = (header[0x03] & 0x80) != 0;
    info.writeProtected = header[0x02] != 0x41;
    return info;
}

Result<HeaderInfo> ReadHeaderBlock(const std::string& path) {
    Result<Block> header = ReadBlock(path, {DirTrack, 0});
    if (!header) return Failure{header.Error()};
    return ParseHeader(*header);
}

std::size_t BamEntryOffset(int track) {
    if (track >= 1 && track <= StdTracks) return std::size_t(4 * track);
    if (track > StdTracks && track <= MaxTracks) return 0xC0 + std::size_t(4 * (track - StdTracks - 1));
    return 0;
}

bool BamBlockFree(const Block& header, BlockAddress at) {
    const std::size_t entry = BamEntryOffset(at.track);
    if (!entry || !ValidBlock(at.track, at.sector)) return false;
    return (header[entry + 1 + std::size_t(at.sector / 8)] >> (at.sector % 8)) & 1;
}

BamInfo DecodeBAM(const Block& header) {
    BamInfo bam;
    for (int t = 1; t <= StdTracks; ++t) {
        if (t == DirTrack) continue;
        for (int s = 0; s < SectorsPerTrack(t); ++s) {
            const bool free = BamBlockFree(header, {t, s});
            bam.freeMap.used[std::size_t(t)][std::size_t(s)] = free ? 0 : 1;
            if (free) ++bam.freeBlocks;
        }
    }
    return bam;
}

} // namespace dyskel
