// Disk formats as data: the tracks and sectors of a D64 (35 or 40 tracks),
// D71 (a double-sided 1571 disk) and D81 (a 1581 disk), where each keeps its
// header, BAM and directory, how its BAM entries are laid out, the sizes of
// its image files and how its drive allocates blocks.  Everything that walks,
// lists, checks, allocates or writes an image asks its format.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dyskel {

constexpr int FormatMaxTracks = 80;  // the most tracks of any format (D81)
constexpr int FormatMaxSectors = 40; // the most sectors of a track (D81)

enum class FormatKind : std::uint8_t { D64, D71, D81 };

// Sectors of the tracks up to lastTrack (of a side), from the previous zone on.
struct Zone {
    int lastTrack = 0;
    int sectors = 0;
};

// Where the BAM entries of a run of tracks lie.  The BAM is read as the bytes
// of its blocks one after another (block 1 from offset 256 on): the free count
// of track first at count, each next one countStride further; its bitmap of
// mapBytes bytes (sector 0 in bit 0 of the first; a set bit is a free block)
// at map, each next one mapStride further.
struct BamRun {
    int first = 0;
    int last = -1;
    std::size_t count = 0;
    std::size_t countStride = 4;
    std::size_t map = 0;
    std::size_t mapStride = 4;
    int mapBytes = 3;
};

struct DiskFormat {
    FormatKind kind = FormatKind::D64;
    const char* name = "";      // "D64", "D71", "D81"
    const char* drive = "";     // the drive whose disks these are
    const char* imageType = ""; // the main window's Image column
    int tracks = 0;             // the highest track addressed (a D64's 40 also in a 35-track file)
    int sideTracks = 0;         // tracks of one side: a D71's second side repeats the zones
    std::array<Zone, 4> zones{};
    int zoneCount = 0;

    int dirTrack = 0;           // header, BAM and directory
    int flipDirTrack = 0;       // a D71's track 53: BAM of side two, never files; 0 none
    int headerSector = 0;       // the header block on dirTrack
    int firstDirSector = 0;     // the first directory block on dirTrack
    int bamBlocks = 0;          // BAM blocks: bamAt[0] and, when 2, bamAt[1]
    std::array<int, 4> bamAt{}; // their track and sector: track, sector, track, sector
    std::array<BamRun, 3> bamRuns{};
    int bamRunCount = 0;
    std::size_t labelOffset = 0;   // disk name in the header block, 16 bytes; ID two after it
    std::uint8_t dosVersion = 0;   // header byte 2 of a disk the drive formatted ('A', 'D')
    std::array<char, 2> dosType{}; // the two letters after the ID ("2A", "3D")
    int maxDirEntries = 0;         // entries the directory track holds
    int fileInterleave = 0;        // sectors between two blocks of a file
    int dirInterleave = 0;         // sectors between two directory blocks
    std::int64_t imageSize = 0;    // bytes of the blocks
    std::int64_t errorSize = 0;    // the same followed by one error byte per block

    // Sectors of a track; 0 for a track the format does not have.
    constexpr int Sectors(int track) const {
        if (track < 1 || track > tracks) return 0;
        const int onSide = (track - 1) % sideTracks + 1;
        for (int z = 0; z < zoneCount; ++z)
            if (onSide <= zones[std::size_t(z)].lastTrack) return zones[std::size_t(z)].sectors;
        return 0;
    }
    constexpr bool Valid(int track, int sector) const { return sector >= 0 && sector < Sectors(track); }
    constexpr int Blocks() const {
        int n = 0;
        for (int t = 1; t <= tracks; ++t) n += Sectors(t);
        return n;
    }
    // Block number of sector 0 of the track.
    constexpr int TrackStart(int track) const {
        int n = 0;
        for (int t = 1; t < track && t <= tracks; ++t) n += Sectors(t);
        return n;
    }
    // A track no file gets: the directory track and a D71's track 53.
    constexpr bool Reserved(int track) const { return track == dirTrack || track == flipDirTrack; }
    constexpr bool DoubleSided() const { return kind == FormatKind::D71; }
};

// Block number of sector 0 of each track, index 1 to tracks.
struct TrackStarts {
    std::array<std::uint16_t, FormatMaxTracks + 2> at{};
};
constexpr TrackStarts MakeTrackStarts(const DiskFormat& f) {
    TrackStarts s;
    for (int t = 1; t <= FormatMaxTracks + 1; ++t) s.at[std::size_t(t)] = std::uint16_t(f.TrackStart(t));
    return s;
}

// The 1541's four zones: 21, 19, 18 and 17 sectors.
inline constexpr std::array<Zone, 4> ZonesOf1541 = {{{17, 21}, {24, 19}, {30, 18}, {40, 17}}};

// clang-format off
// A D64 file of 35 tracks: tracks 36 to 40 are addressed, the file does not
// hold them.
inline constexpr DiskFormat D64Format = {
    .kind = FormatKind::D64, .name = "D64", .drive = "1541", .imageType = "1541SS",
    .tracks = 40, .sideTracks = 40, .zones = ZonesOf1541, .zoneCount = 4,
    .dirTrack = 18, .flipDirTrack = 0, .headerSector = 0, .firstDirSector = 1,
    .bamBlocks = 1, .bamAt = {18, 0, 0, 0},
    .bamRuns = {{{1, 35, 4, 4, 5, 4, 3}}}, .bamRunCount = 1,
    .labelOffset = 0x90, .dosVersion = 'A', .dosType = {'2', 'A'},
    .maxDirEntries = 144, .fileInterleave = 10, .dirInterleave = 3,
    .imageSize = 174848, .errorSize = 175531,
};
// 40 tracks; tracks 36 to 40 are in the BAM when the header block holds an
// extended BAM (see core/Bam.h).
inline constexpr DiskFormat D64ExtFormat = [] {
    DiskFormat f = D64Format;
    f.imageSize = 196608;
    f.errorSize = 197376;
    return f;
}();
// Side two (tracks 36 to 70) has the zones of side one.  Tracks 1 to 35 are
// in 18/0 as on a D64; the free counts of tracks 36 to 70 at 18/0 0xDD to
// 0xFF, their bitmaps 3 bytes a track in 53/0.
inline constexpr DiskFormat D71Format = {
    .kind = FormatKind::D71, .name = "D71", .drive = "1571", .imageType = "1571DS",
    .tracks = 70, .sideTracks = 35, .zones = ZonesOf1541, .zoneCount = 4,
    .dirTrack = 18, .flipDirTrack = 53, .headerSector = 0, .firstDirSector = 1,
    .bamBlocks = 2, .bamAt = {18, 0, 53, 0},
    .bamRuns = {{{1, 35, 4, 4, 5, 4, 3}, {36, 70, 0xDD, 1, 256, 3, 3}}}, .bamRunCount = 2,
    .labelOffset = 0x90, .dosVersion = 'A', .dosType = {'2', 'A'},
    .maxDirEntries = 144, .fileInterleave = 6, .dirInterleave = 3,
    .imageSize = 349696, .errorSize = 351062,
};
// 80 tracks of 40 sectors.  Header 40/0, BAM 40/1 (tracks 1 to 40) and 40/2
// (41 to 80), 6 bytes a track from 0x10: the free count and 40 bits.
inline constexpr DiskFormat D81Format = {
    .kind = FormatKind::D81, .name = "D81", .drive = "1581", .imageType = "1581",
    .tracks = 80, .sideTracks = 80, .zones = {{{80, 40}}}, .zoneCount = 1,
    .dirTrack = 40, .flipDirTrack = 0, .headerSector = 0, .firstDirSector = 3,
    .bamBlocks = 2, .bamAt = {40, 1, 40, 2},
    .bamRuns = {{{1, 40, 0x10, 6, 0x11, 6, 5}, {41, 80, 0x110, 6, 0x111, 6, 5}}}, .bamRunCount = 2,
    .labelOffset = 0x04, .dosVersion = 'D', .dosType = {'3', 'D'},
    .maxDirEntries = 296, .fileInterleave = 1, .dirInterleave = 1,
    .imageSize = 819200, .errorSize = 822400,
};
// clang-format on

// The bytes read of an image file at most: a D81 with error bytes.
constexpr std::int64_t MostImageBytes = 822400;

// The format of an image file of a known size; nullptr for any other size.
constexpr const DiskFormat* FormatOfSize(std::int64_t size) {
    for (const DiskFormat* f : {&D64Format, &D64ExtFormat, &D71Format, &D81Format})
        if (size == f->imageSize || size == f->errorSize) return f;
    return nullptr;
}

// The format named by a file name's extension, any letter case: ".d71",
// ".d81"; the 40-track D64 layout for anything else.
const DiskFormat& FormatOfExtension(std::string_view path);

// The format an image file is read as: by its size, else by its extension.
const DiskFormat& FormatOf(std::int64_t size, std::string_view path);

// The format named "d64", "d71" or "d81" (any case); nullptr else.  A D64 of
// tracks 35 or 40.
const DiskFormat* FormatNamed(std::string_view name, int tracks = 35);

// True for a file name ending in .d64, .d71 or .d81 (any letter case).
bool EndsWithImageExtension(std::string_view name);

// The known sizes as a text: "174848, 175531, 196608, 197376, 349696,
// 351062, 819200 or 822400".
const char* KnownSizesText();

} // namespace dyskel
