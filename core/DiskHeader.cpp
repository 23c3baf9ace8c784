#include "core/DiskHeader.h"

#include <algorithm>
#include <bit>

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

constexpr int ExtendedTracks = MaxTracks - StdTracks;

// Bytes 1 to 3 of an entry as one bitmap, sector 0 in bit 0.
std::uint32_t Bitmap(const Block& header, std::size_t entry) {
    return header[entry + 1] | std::uint32_t(header[entry + 2]) << 8 | std::uint32_t(header[entry + 3]) << 16;
}

bool SoundExtendedBam(const Block& header, std::size_t at) {
    bool any = false;
    for (std::size_t entry = at; entry < at + 4 * ExtendedTracks; entry += 4) {
        const std::uint32_t bits = Bitmap(header, entry);
        if (bits >> SectorsPerTrack(MaxTracks)) return false; // no sector 17 and up
        if (header[entry] != std::popcount(bits)) return false;
        any = any || bits != 0;
    }
    return any; // all 0 is no BAM: a formatted disk has free blocks there
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

std::size_t ExtendedBamOffset(const Block& header) {
    for (std::size_t at : {SpeedDosBam, DolphinDosBam})
        if (SoundExtendedBam(header, at)) return at;
    return 0;
}

int LastBamTrack(const Block& header, int tracks) {
    return tracks > StdTracks && HasExtendedBam(header) ? MaxTracks : std::min(tracks, StdTracks);
}

std::size_t BamEntryOffset(int track, std::size_t extended) {
    if (track >= 1 && track <= StdTracks) return std::size_t(4 * track);
    if (extended && track > StdTracks && track <= MaxTracks)
        return extended + std::size_t(4 * (track - StdTracks - 1));
    return 0;
}

std::size_t BamEntryOffset(const Block& header, int track) {
    return BamEntryOffset(track, track > StdTracks ? ExtendedBamOffset(header) : 0);
}

bool BamBlockFree(const Block& header, BlockAddress at) {
    const std::size_t entry = BamEntryOffset(header, at.track);
    if (!entry || !ValidBlock(at.track, at.sector)) return false;
    return (Bitmap(header, entry) >> at.sector) & 1;
}

BamInfo DecodeBAM(const Block& header, int tracks) {
    BamInfo bam;
    bam.freeMap.tracks = tracks;
    bam.freeMap.lastBamTrack = LastBamTrack(header, std::max(tracks, StdTracks));
    const std::size_t extended = ExtendedBamOffset(header);
    for (int t = 1; t <= bam.freeMap.lastBamTrack; ++t) {
        if (t == DirTrack) continue;
        const std::uint32_t bits = Bitmap(header, BamEntryOffset(t, extended));
        for (int s = 0; s < SectorsPerTrack(t); ++s) {
            const bool free = (bits >> s) & 1;
            bam.freeMap.used[std::size_t(t)][std::size_t(s)] = free ? 0 : 1;
            if (free) ++bam.freeBlocks;
        }
    }
    return bam;
}

int BamFreeBlocks(const Block& header, int tracks) {
    int free = 0;
    const int last = LastBamTrack(header, tracks);
    for (int t = 1; t <= last; ++t) {
        if (t == DirTrack) continue;
        for (int s = 0; s < SectorsPerTrack(t); ++s) free += BamBlockFree(header, {t, s});
    }
    return free;
}

} // namespace dyskel
