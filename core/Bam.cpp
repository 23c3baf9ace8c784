#include "core/Bam.h"

#include <algorithm>
#include <bit>

namespace dyskel {

namespace {

constexpr int ExtendedTracks = MaxTracks - StdTracks;

// Bytes 1 to 3 of a D64 entry as one bitmap, sector 0 in bit 0.
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

// The block's bit of the track's bitmap: byte offset and mask.
std::pair<std::size_t, std::uint8_t> BitOf(const Bam& bam, BlockAddress at) {
    return {bam.layout.Map(at.track) + std::size_t(at.sector / 8),
            static_cast<std::uint8_t>(1u << (at.sector % 8))};
}

} // namespace

const BamRun* BamLayout::RunOf(int track) const {
    for (int i = 0; i < runCount; ++i)
        if (track >= runs[std::size_t(i)].first && track <= runs[std::size_t(i)].last)
            return &runs[std::size_t(i)];
    return nullptr;
}

std::size_t BamLayout::Entry(int track) const {
    const BamRun* run = RunOf(track);
    return run ? run->count + run->countStride * std::size_t(track - run->first) : 0;
}

std::size_t BamLayout::Map(int track) const {
    const BamRun* run = RunOf(track);
    return run ? run->map + run->mapStride * std::size_t(track - run->first) : 0;
}

std::size_t ExtendedBamOffset(const Block& header) {
    for (std::size_t at : {SpeedDosBam, DolphinDosBam})
        if (SoundExtendedBam(header, at)) return at;
    return 0;
}

BamLayout D64BamLayout(std::size_t extended) {
    BamLayout layout;
    layout.runs[0] = {1, StdTracks, 4, 4, 5, 4, 3};
    layout.runCount = 1;
    if (extended)
        layout.runs[std::size_t(layout.runCount++)] = {StdTracks + 1, MaxTracks, extended, 4,
                                                       extended + 1,  4,         3};
    return layout;
}

BamLayout D64BamLayout(const Block& header) {
    return D64BamLayout(ExtendedBamOffset(header));
}

BamLayout LayoutOf(const DiskFormat& format, const Block& firstBamBlock) {
    if (format.kind == FormatKind::D64) return D64BamLayout(firstBamBlock);
    BamLayout layout;
    layout.runCount = format.bamRunCount;
    for (int i = 0; i < format.bamRunCount; ++i) layout.runs[std::size_t(i)] = format.bamRuns[std::size_t(i)];
    return layout;
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

// --- The BAM of a disk ---------------------------------------------------------

Block Bam::BlockAt(int i) const {
    Block b;
    std::copy_n(bytes.begin() + i * BlockSize, BlockSize, b.begin());
    return b;
}

void Bam::SetBlock(int i, const Block& block) {
    std::copy(block.begin(), block.end(), bytes.begin() + i * BlockSize);
}

int Bam::Count(int track) const {
    const BamRun* run = layout.RunOf(track);
    return run ? bytes[layout.Entry(track)] : 0;
}

std::uint64_t Bam::Bitmap(int track) const {
    const BamRun* run = layout.RunOf(track);
    if (!run) return 0;
    std::uint64_t bits = 0;
    const std::size_t map = layout.Map(track);
    for (int i = 0; i < run->mapBytes; ++i) bits |= std::uint64_t(bytes[map + std::size_t(i)]) << (8 * i);
    return bits;
}

Bam BamOf(const DiskFormat& format, const Block& first, const Block& second, int tracks) {
    Bam bam;
    bam.format = &format;
    bam.layout = LayoutOf(format, first);
    bam.SetBlock(0, first);
    if (format.bamBlocks > 1) bam.SetBlock(1, second);
    bam.tracks = tracks;
    return bam;
}

Bam D64Bam(const Block& header, int tracks) {
    return BamOf(D64ExtFormat, header, Block{}, tracks);
}

Result<Bam> ReadBam(const DiskImage& image) {
    const DiskFormat& f = image.Format();
    Result<Block> first = image.ReadBlock({f.bamAt[0], f.bamAt[1]});
    if (!first) return Failure{first.Error()};
    Block second{};
    if (f.bamBlocks > 1)
        if (Result<Block> b = image.ReadBlock({f.bamAt[2], f.bamAt[3]})) second = *b;
    return BamOf(f, *first, second, image.Tracks());
}

bool BamBlockFree(const Bam& bam, BlockAddress at) {
    if (!bam.layout.RunOf(at.track) || !bam.format->Valid(at.track, at.sector)) return false;
    return (bam.Bitmap(at.track) >> at.sector) & 1;
}

void SetBamBlockFree(Bam& bam, BlockAddress at, bool free) {
    if (!bam.layout.RunOf(at.track) || !bam.format->Valid(at.track, at.sector)) return;
    auto [byte, mask] = BitOf(bam, at);
    bam.bytes[byte] = static_cast<std::uint8_t>(free ? bam.bytes[byte] | mask : bam.bytes[byte] & ~mask);
    const std::uint64_t sectors = (std::uint64_t(1) << bam.format->Sectors(at.track)) - 1;
    bam.bytes[bam.layout.Entry(at.track)] =
        static_cast<std::uint8_t>(std::popcount(bam.Bitmap(at.track) & sectors));
}

int LastBamTrack(const Bam& bam) {
    return std::min(bam.tracks, bam.layout.LastTrack());
}

bool BamBlockFree(const Block& header, const BamLayout& layout, BlockAddress at) {
    Bam bam = D64Bam(header, MaxTracks);
    bam.layout = layout;
    return BamBlockFree(bam, at);
}

bool BamBlockFree(const Block& header, BlockAddress at) {
    return BamBlockFree(header, D64BamLayout(at.track > StdTracks ? ExtendedBamOffset(header) : 0), at);
}

BamInfo DecodeBAM(const Bam& bam) {
    BamInfo info;
    const DiskFormat& f = *bam.format;
    info.freeMap.tracks = bam.tracks;
    info.freeMap.format = bam.format;
    // A D64 shows tracks 1 to 35 even when the file is cut short.
    info.freeMap.lastBamTrack =
        f.kind != FormatKind::D64 || bam.tracks > StdTracks ? bam.layout.LastTrack() : StdTracks;
    for (int t = 1; t <= info.freeMap.lastBamTrack; ++t) {
        if (t == f.dirTrack) continue;
        const std::uint64_t bits = bam.Bitmap(t);
        for (int s = 0; s < f.Sectors(t); ++s) {
            const bool free = (bits >> s) & 1;
            info.freeMap.used[std::size_t(t)][std::size_t(s)] = free ? 0 : 1;
            if (free) ++info.freeBlocks;
        }
    }
    return info;
}

BamInfo DecodeBAM(const Block& header, int tracks) {
    return DecodeBAM(D64Bam(header, tracks));
}

int BamFreeBlocks(const Bam& bam) {
    return DecodeBAM(bam).freeBlocks;
}

int BamFreeBlocks(const Block& header, int tracks) {
    return DecodeBAM(header, tracks).freeBlocks;
}

void SetBamBlockFree(Block& header, const BamLayout& layout, BlockAddress at, bool free) {
    Bam bam = D64Bam(header, MaxTracks);
    bam.layout = layout;
    SetBamBlockFree(bam, at, free);
    header = bam.BlockAt(0);
}

void SetBamBlockFree(Block& header, BlockAddress at, bool free) {
    SetBamBlockFree(header, D64BamLayout(at.track > StdTracks ? ExtendedBamOffset(header) : 0), at, free);
}

void FormatBam(Bam& bam, std::size_t extended) {
    const DiskFormat& f = *bam.format;
    if (f.kind == FormatKind::D64) bam.layout = D64BamLayout(extended);
    const auto reserved = [&](BlockAddress at) {
        if (at.track == f.flipDirTrack) return true;
        if (at.track != f.dirTrack) return false;
        if (at.sector == f.headerSector || at.sector == f.firstDirSector) return true;
        for (int i = 0; i < f.bamBlocks; ++i)
            if (bam.At(i) == at) return true;
        return false;
    };
    for (int t = 1; t <= bam.layout.LastTrack(); ++t)
        for (int s = 0; s < f.Sectors(t); ++s) SetBamBlockFree(bam, {t, s}, !reserved({t, s}));
}

void FormatBam(Block& header, std::size_t extended) {
    Bam bam = D64Bam(header, MaxTracks);
    FormatBam(bam, extended);
    header = bam.BlockAt(0);
}

// --- Allocation -----------------------------------------------------------------

namespace {

// What allocation looks at: the BAM and the blocks never taken.
struct Picker {
    const Bam& bam;
    const BlockSet& barred;

    const DiskFormat& F() const { return *bam.format; }
    bool Takeable(BlockAddress at) const {
        return BamBlockFree(bam, at) && !barred[std::size_t(at.track)][std::size_t(at.sector)];
    }
    bool TrackHasFree(int track) const {
        for (int s = 0; s < F().Sectors(track); ++s)
            if (Takeable({track, s})) return true;
        return false;
    }
    // The first free sector of the track from sector on, wrapping; -1 when none.
    int FreeSectorFrom(int track, int sector) const {
        const int n = F().Sectors(track);
        for (int k = 0; k < n; ++k)
            if (int s = (sector + k) % n; Takeable({track, s})) return s;
        return -1;
    }
    int Count(int last) const {
        int n = 0;
        for (int t = 1; t <= last; ++t)
            for (int s = 0; !F().Reserved(t) && s < F().Sectors(t); ++s) n += Takeable({t, s});
        return n;
    }
};

// A run of tracks the search walks, from a track next to a directory track
// to the edge.
struct TrackRun {
    int from = 0;
    int to = 0;
    int Step() const { return to >= from ? 1 : -1; }
    bool Holds(int t) const { return Step() > 0 ? t >= from && t <= to : t <= from && t >= to; }
};

// Below and above the directory track, and on a D71 below and above its
// track 53 on side two, up to the last track allocation may use.
std::vector<TrackRun> TrackRuns(const DiskFormat& f, int last) {
    std::vector<TrackRun> runs;
    const auto side = [&](int centre, int low, int high) {
        high = std::min(high, last);
        if (centre - 1 >= low) runs.push_back({centre - 1, low});
        if (centre + 1 <= high) runs.push_back({centre + 1, high});
    };
    if (f.flipDirTrack) {
        side(f.dirTrack, 1, f.sideTracks);
        side(f.flipDirTrack, f.sideTracks + 1, f.tracks);
    } else {
        side(f.dirTrack, 1, f.tracks);
    }
    return runs;
}

// The track after a full one: on away from the directory track, and past
// the edge to the start of the next run.
int NextTrack(const std::vector<TrackRun>& runs, int track) {
    for (std::size_t i = 0; i < runs.size(); ++i)
        if (runs[i].Holds(track))
            return track != runs[i].to ? track + runs[i].Step() : runs[(i + 1) % runs.size()].from;
    return runs.empty() ? track : runs[0].from;
}

// The track of the first block: nearest a directory track, below first.
int FirstTrack(const Picker& pick, int last) {
    const DiskFormat& f = pick.F();
    for (int d = 1; d < f.tracks; ++d)
        for (int centre : {f.dirTrack, f.flipDirTrack}) {
            if (!centre) continue;
            const int low = centre == f.flipDirTrack ? f.sideTracks + 1 : 1;
            const int high = f.flipDirTrack && centre == f.dirTrack ? f.sideTracks : last;
            for (int t : {centre - d, centre + d})
                if (t >= low && t <= std::min(high, last) && !f.Reserved(t) && pick.TrackHasFree(t)) return t;
        }
    return 0;
}

} // namespace

int BlocksToTake(const Bam& bam, const BlockSet& barred) {
    return Picker{bam, barred}.Count(LastBamTrack(bam));
}

int FreeSectorFrom(const Bam& bam, const BlockSet& barred, int track, int sector) {
    return Picker{bam, barred}.FreeSectorFrom(track, sector);
}

std::vector<BlockAddress> AllocateBlocks(Bam& bam, int count, const BlockSet& barred) {
    const int last = LastBamTrack(bam);
    const Picker pick{bam, barred};
    if (count <= 0 || pick.Count(last) < count) return {};
    const std::vector<TrackRun> runs = TrackRuns(*bam.format, last);
    int track = FirstTrack(pick, last);
    std::vector<BlockAddress> out;
    int sector = 0;
    while (int(out.size()) < count) {
        const int s = pick.FreeSectorFrom(track, sector);
        if (s < 0) {
            track = NextTrack(runs, track);
            sector = 0;
            continue;
        }
        SetBamBlockFree(bam, {track, s}, false);
        out.push_back({track, s});
        sector = NextSector(s, bam.format->fileInterleave, bam.format->Sectors(track));
    }
    return out;
}

int BlocksToTake(const Block& header, int tracks, const BlockSet& barred) {
    return BlocksToTake(D64Bam(header, tracks), barred);
}

int FreeSectorFrom(const Block& header, const BlockSet& barred, int track, int sector) {
    return FreeSectorFrom(D64Bam(header, MaxTracks), barred, track, sector);
}

std::vector<BlockAddress> AllocateBlocks(Block& header, int tracks, int count, const BlockSet& barred) {
    Bam bam = D64Bam(header, tracks);
    std::vector<BlockAddress> out = AllocateBlocks(bam, count, barred);
    header = bam.BlockAt(0);
    return out;
}

} // namespace dyskel
