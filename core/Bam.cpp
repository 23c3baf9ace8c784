#include "core/Bam.h"

#include <algorithm>
#include <bit>

namespace dyskel {

namespace {

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

std::size_t BamLayout::Entry(int track) const {
    for (int i = 0; i < runCount; ++i) {
        const BamRun& run = runs[std::size_t(i)];
        if (track >= run.first && track <= run.last) return run.offset + std::size_t(4 * (track - run.first));
    }
    return 0;
}

std::size_t ExtendedBamOffset(const Block& header) {
    for (std::size_t at : {SpeedDosBam, DolphinDosBam})
        if (SoundExtendedBam(header, at)) return at;
    return 0;
}

BamLayout D64BamLayout(std::size_t extended) {
    BamLayout layout;
    layout.runs[0] = {1, StdTracks, 4};
    layout.runCount = 1;
    if (extended) layout.runs[layout.runCount++] = {StdTracks + 1, MaxTracks, extended};
    return layout;
}

BamLayout D64BamLayout(const Block& header) {
    return D64BamLayout(ExtendedBamOffset(header));
}

int LastBamTrack(const Block& header, int tracks) {
    return tracks > StdTracks && HasExtendedBam(header) ? MaxTracks : std::min(tracks, StdTracks);
}

std::size_t BamEntryOffset(int track, std::size_t extended) {
    return D64BamLayout(extended).Entry(track);
}

std::size_t BamEntryOffset(const Block& header, int track) {
    return BamEntryOffset(track, track > StdTracks ? ExtendedBamOffset(header) : 0);
}

bool BamBlockFree(const Block& header, const BamLayout& layout, BlockAddress at) {
    const std::size_t entry = layout.Entry(at.track);
    if (!entry || !ValidBlock(at.track, at.sector)) return false;
    return (Bitmap(header, entry) >> at.sector) & 1;
}

bool BamBlockFree(const Block& header, BlockAddress at) {
    return BamBlockFree(header, D64BamLayout(at.track > StdTracks ? ExtendedBamOffset(header) : 0), at);
}

BamInfo DecodeBAM(const Block& header, int tracks) {
    BamInfo bam;
    const BamLayout layout = D64BamLayout(header);
    bam.freeMap.tracks = tracks;
    bam.freeMap.lastBamTrack = tracks > StdTracks ? layout.LastTrack() : StdTracks;
    for (int t = 1; t <= bam.freeMap.lastBamTrack; ++t) {
        if (t == DirTrack) continue;
        const std::uint32_t bits = Bitmap(header, layout.Entry(t));
        for (int s = 0; s < SectorsPerTrack(t); ++s) {
            const bool free = (bits >> s) & 1;
            bam.freeMap.used[std::size_t(t)][std::size_t(s)] = free ? 0 : 1;
            if (free) ++bam.freeBlocks;
        }
    }
    return bam;
}

int BamFreeBlocks(const Block& header, int tracks) {
    return DecodeBAM(header, tracks).freeBlocks;
}

void SetBamBlockFree(Block& header, const BamLayout& layout, BlockAddress at, bool free) {
    const std::size_t entry = layout.Entry(at.track);
    if (!entry || !ValidBlock(at.track, at.sector)) return;
    std::uint8_t& bits = header[entry + 1 + std::size_t(at.sector / 8)];
    const auto mask = static_cast<std::uint8_t>(1u << (at.sector % 8));
    bits = static_cast<std::uint8_t>(free ? bits | mask : bits & ~mask);
    const std::uint32_t sectors = (1u << SectorsPerTrack(at.track)) - 1;
    header[entry] = static_cast<std::uint8_t>(std::popcount(Bitmap(header, entry) & sectors));
}

void SetBamBlockFree(Block& header, BlockAddress at, bool free) {
    SetBamBlockFree(header, D64BamLayout(at.track > StdTracks ? ExtendedBamOffset(header) : 0), at, free);
}

void FormatBam(Block& header, std::size_t extended) {
    const BamLayout layout = D64BamLayout(extended);
    for (int t = 1; t <= layout.LastTrack(); ++t)
        for (int s = 0; s < SectorsPerTrack(t); ++s)
            SetBamBlockFree(header, layout, {t, s}, !(t == DirTrack && s <= 1));
}

// --- Allocation -----------------------------------------------------------------

namespace {

// What allocation looks at: the BAM, its layout and the blocks never taken.
struct Picker {
    const Block& header;
    BamLayout layout;
    const BlockSet& barred;

    bool Takeable(BlockAddress at) const {
        return BamBlockFree(header, layout, at) && !barred[std::size_t(at.track)][std::size_t(at.sector)];
    }
    bool TrackHasFree(int track) const {
        for (int s = 0; s < SectorsPerTrack(track); ++s)
            if (Takeable({track, s})) return true;
        return false;
    }
    // The first free sector of the track from sector on, wrapping; -1 when none.
    int FreeSectorFrom(int track, int sector) const {
        const int n = SectorsPerTrack(track);
        for (int k = 0; k < n; ++k)
            if (int s = (sector + k) % n; Takeable({track, s})) return s;
        return -1;
    }
    int Count(int last) const {
        int n = 0;
        for (int t = 1; t <= last; ++t)
            for (int s = 0; t != DirTrack && s < SectorsPerTrack(t); ++s) n += Takeable({t, s});
        return n;
    }
};

// The track after a full one: on away from track 18, and past the edge on
// the other side of it.
int NextTrack(int track, int last) {
    if (track < DirTrack) return track > 1 ? track - 1 : DirTrack + 1;
    return track < last ? track + 1 : DirTrack - 1;
}

} // namespace

int BlocksToTake(const Block& header, int tracks, const BlockSet& barred) {
    return Picker{header, D64BamLayout(header), barred}.Count(LastBamTrack(header, tracks));
}

int FreeSectorFrom(const Block& header, const BlockSet& barred, int track, int sector) {
    return Picker{header, D64BamLayout(header), barred}.FreeSectorFrom(track, sector);
}

std::vector<BlockAddress> AllocateBlocks(Block& header, int tracks, int count, const BlockSet& barred) {
    const int last = LastBamTrack(header, tracks);
    const Picker pick{header, D64BamLayout(header), barred};
    if (count <= 0 || pick.Count(last) < count) return {};
    int track = 0;
    for (int d = 1; !track && d < MaxTracks; ++d)
        for (int t : {DirTrack - d, DirTrack + d})
            if (!track && t >= 1 && t <= last && pick.TrackHasFree(t)) track = t;
    std::vector<BlockAddress> out;
    int sector = 0;
    while (int(out.size()) < count) {
        const int s = pick.FreeSectorFrom(track, sector);
        if (s < 0) {
            track = NextTrack(track, last);
            sector = 0;
            continue;
        }
        SetBamBlockFree(header, pick.layout, {track, s}, false);
        out.push_back({track, s});
        sector = NextSector(s, FileInterleave, SectorsPerTrack(track));
    }
    return out;
}

} // namespace dyskel
