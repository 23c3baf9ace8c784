#include "core/Partition.h"

#include <array>

namespace dyskel {

namespace {

constexpr int SubdirMinTracks = 3;

std::array<DiskFormat, FormatMaxTracks + 1> MakeSubdirFormats() {
    std::array<DiskFormat, FormatMaxTracks + 1> formats{};
    for (int t = 0; t <= FormatMaxTracks; ++t) {
        DiskFormat f = D81Format;
        f.dirTrack = t;
        f.bamAt = {t, 1, t, 2};
        formats[std::size_t(t)] = f;
    }
    return formats;
}

} // namespace

const DiskFormat& D81SubdirFormat(int track) {
    static const std::array<DiskFormat, FormatMaxTracks + 1> formats = MakeSubdirFormats();
    return formats[std::size_t(track >= 1 && track <= FormatMaxTracks ? track : D81Format.dirTrack)];
}

Result<DiskImage> OpenPartition(const DiskImage& image, const DirEntry& entry) {
    const DiskFormat& d81 = image.Format();
    if (!entry.Partition() || d81.kind != FormatKind::D81)
        return Failure{"The entry is no partition (type CBM on a D81 image)."};
    const int t = entry.first.track, perTrack = d81.Sectors(t);
    const std::string no =
        "The partition at " + BlockText(entry.first) + " is not laid out as a sub-directory: ";
    if (!perTrack || entry.first.sector != 0 || entry.blocks % perTrack != 0)
        return Failure{no + "it does not hold whole tracks."};
    const int last = t + entry.blocks / perTrack - 1;
    if (last - t + 1 < SubdirMinTracks || last > d81.tracks || (t <= d81.dirTrack && d81.dirTrack <= last))
        return Failure{no + "it holds tracks " + std::to_string(t) + " to " + std::to_string(last) +
                       " (a sub-directory holds at least three, not track " + std::to_string(d81.dirTrack) +
                       ")."};
    Result<Block> header = image.ReadBlock({t, 0});
    Result<Block> bam1 = image.ReadBlock({t, 1});
    Result<Block> bam2 = image.ReadBlock({t, 2});
    if (!header || !bam1 || !bam2) return Failure{no + "the image does not hold its first blocks."};
    const auto links = [](const Block& b, int track, int sector) { return b[0] == track && b[1] == sector; };
    if (!links(*header, t, 3) || (*header)[0x02] != d81.dosVersion)
        return Failure{no + "its header block " + BlockText({t, 0}) + " does not link to " +
                       BlockText({t, 3}) + " with DOS version 'D'."};
    if (!links(*bam1, t, 2) || !links(*bam2, 0, 0xFF))
        return Failure{no + "its BAM blocks " + BlockText({t, 1}) + " and " + BlockText({t, 2}) +
                       " are not linked as a 1581 links them."};
    return image.ReadAs(D81SubdirFormat(t));
}

Result<DiskImage> OpenPartitionAt(const DiskImage& image, BlockAddress first) {
    Result<DirListing> listing = ListDirectory(image, true);
    if (!listing) return Failure{listing.Error()};
    for (const DirEntry& entry : listing->entries)
        if (entry.Partition() && entry.first == first) return OpenPartition(image, entry);
    return Failure{"The directory lists no partition at " + BlockText(first) + " any more."};
}

} // namespace dyskel
