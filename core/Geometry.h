// Disk geometry of a D64 image.
//
// A D64 file is a plain run of 256-byte blocks, track 1 first, sector 0 first
// within a track.  Standard images hold 35 tracks (683 blocks, 174848 bytes),
// optionally followed by one error byte per block (175531 bytes); extended
// images hold 40 tracks (768 blocks, 196608 bytes, or 197376 with error
// bytes).  Anything else is read through the same 40-track layout.
#pragma once

#include "core/Format.h"

#include <array>
#include <cstdint>
#include <optional>

namespace dyskel {

constexpr int BlockSize = 256;
constexpr int MaxTracks = 40;  // tracks 1 to 40 are addressable
constexpr int StdTracks = 35;  // tracks of a standard image
constexpr int MaxSectors = 21; // sectors of the longest track
constexpr int DirTrack = 18;   // header, BAM and directory
constexpr std::int64_t StdImageSize = 174848;
constexpr std::int64_t ErrImageSize = 175531; // 683 blocks + 683 error bytes
constexpr std::int64_t ExtImageSize = 196608; // 40 tracks
constexpr std::int64_t ExtErrImageSize = 197376;
constexpr std::int64_t HeaderOffset = 91392; // track 18, sector 0

using Block = std::array<std::uint8_t, BlockSize>;

// Sectors of a track by zone; 0 for a track outside 1 to 40.
constexpr std::uint8_t SectorsPerTrack(int track) {
    return track >= 1 && track <= 17    ? 21
           : track >= 18 && track <= 24 ? 19
           : track >= 25 && track <= 30 ? 18
           : track >= 31 && track <= 40 ? 17
                                        : 0;
}

// Block number of sector 0 of each track, index 1 to 40 (index 0 unused).
constexpr std::array<std::uint16_t, MaxTracks + 1> MakeTrackStartBlocks() {
    std::array<std::uint16_t, MaxTracks + 1> t{};
    for (int track = 2; track <= MaxTracks; ++track)
        t[std::size_t(track)] =
            static_cast<std::uint16_t>(t[std::size_t(track - 1)] + SectorsPerTrack(track - 1));
    return t;
}
inline constexpr std::array<std::uint16_t, MaxTracks + 1> TrackStartBlock = MakeTrackStartBlocks();

// A block's place on the disk.
struct BlockAddress {
    int track = 0;
    int sector = 0;
    friend constexpr bool operator==(BlockAddress, BlockAddress) = default;
    friend constexpr bool operator<(BlockAddress a, BlockAddress b) {
        return a.track != b.track ? a.track < b.track : a.sector < b.sector;
    }
};

// True when (track, sector) is an address of the 40-track layout.
constexpr bool ValidBlock(int track, int sector) {
    return track >= 1 && track <= MaxTracks && sector >= 0 && sector < SectorsPerTrack(track);
}

// Byte offset of a valid block in the file.
constexpr std::int64_t BlockOffset(int track, int sector) {
    return (std::int64_t(TrackStartBlock[std::size_t(track)]) + sector) * BlockSize;
}

// Highest track the editor offers for an image of this size.
constexpr int TrackLimitForSize(std::int64_t size) {
    return size == StdImageSize || size == ErrImageSize ? StdTracks : MaxTracks;
}

// Tracks of an image whose size is one of the four D64 sizes; nullopt else.
constexpr std::optional<int> TracksOfD64Size(std::int64_t size) {
    if (size == StdImageSize || size == ErrImageSize) return StdTracks;
    if (size == ExtImageSize || size == ExtErrImageSize) return MaxTracks;
    return std::nullopt;
}

// True for the sizes that carry a byte of error information per block.
constexpr bool HasErrorBytes(std::int64_t size) {
    const DiskFormat* f = FormatOfSize(size);
    return f && size == f->errorSize;
}

// Bytes of the blocks of a file of this size: the error bytes of a known
// size are no blocks.
constexpr std::int64_t BlockBytesOfSize(std::int64_t size) {
    const DiskFormat* f = FormatOfSize(size);
    return f ? f->imageSize : size;
}

// True when (track, sector) fits the tables kept for any format: tracks 1
// to 80, sectors 0 to 39.
constexpr bool AnyFormatBlock(int track, int sector) {
    return track >= 1 && track <= FormatMaxTracks && sector >= 0 && sector < FormatMaxSectors;
}

// True when (track, sector) is a block of the format.
constexpr bool ValidBlock(const DiskFormat& f, BlockAddress at) {
    return f.Valid(at.track, at.sector);
}

// Byte offset of a block of the format in the file.
constexpr std::int64_t BlockOffset(const DiskFormat& f, BlockAddress at) {
    return (std::int64_t(f.TrackStart(at.track)) + at.sector) * BlockSize;
}

// True when the image file of this size and format holds every byte of the track.
constexpr bool ImageHoldsTrack(const DiskFormat& f, std::int64_t imageSize, int track) {
    if (track < 1 || track > f.tracks) return false;
    const std::int64_t end = (std::int64_t(f.TrackStart(track)) + f.Sectors(track)) * BlockSize;
    return end <= BlockBytesOfSize(imageSize);
}
constexpr bool ImageHoldsTrack(std::int64_t imageSize, int track) {
    return ImageHoldsTrack(D64ExtFormat, imageSize, track);
}

} // namespace dyskel
