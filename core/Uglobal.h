// Disk geometry of a D64 image, the track buffer and the open-image state.
//
// A D64 file is a plain run of 256-byte blocks, track 1 first, sector 0 first
// within a track.  Standard images hold 35 tracks (683 blocks, 174848 bytes),
// optionally followed by one error byte per block (175531 bytes).  Anything
// else is read through the same 40-track layout.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace dyskel {

constexpr int BlockSize = 256;
constexpr int MaxTracks = 40;        // tracks 1 to 40 are addressable
constexpr int StdTracks = 35;        // tracks of a standard image
constexpr int MaxSectors = 21;       // sectors of the longest track
constexpr int DirTrack = 18;         // header, BAM and directory
constexpr int StdBlocks = 683;       // blocks of a 35-track image
constexpr std::int64_t StdImageSize = 174848;
constexpr std::int64_t ErrImageSize = 175531; // 683 blocks + 683 error bytes
constexpr std::int64_t HeaderOffset = 91392;  // track 18, sector 0

// Sectors of a track by zone; 0 for a track outside 1 to 40.
constexpr std::uint8_t SectorsPerTrack(int track) {
    return track >= 1 && track <= 17   ? 21
           : track >= 18 && track <= 24 ? 19
           : track >= 25 && track <= 30 ? 18
           : track >= 31 && track <= 40 ? 17
                                        : 0;
}

// Block number of sector 0 of each track, index 1 to 40 (index 0 unused).
constexpr std::array<std::uint16_t, MaxTracks + 1> MakeTrackStartBlocks() {
    std::array<std::uint16_t, MaxTracks + 1> t{};
    for (int track = 2; track <= MaxTracks; ++track)
        t[track] = static_cast<std::uint16_t>(t[track - 1] + SectorsPerTrack(track - 1));
    return t;
}
inline constexpr std::array<std::uint16_t, MaxTracks + 1> TrackStartBlock = MakeTrackStartBlocks();

// True when (track, sector) is an address of the 40-track layout.
constexpr bool ValidBlock(int track, int sector) {
    return track >= 1 && track <= MaxTracks && sector >= 0 && sector < SectorsPerTrack(track);
}

// Highest track the editor offers for an image of this size.
constexpr int TrackLimitForSize(std::int64_t size) {
    return size == StdImageSize || size == ErrImageSize ? StdTracks : MaxTracks;
}

// True when the image file of this size holds every byte of the track.
constexpr bool ImageHoldsTrack(std::int64_t imageSize, int track) {
    if (track < 1 || track > MaxTracks) return false;
    std::int64_t end = (std::int64_t(TrackStartBlock[track]) + SectorsPerTrack(track)) * BlockSize;
    // The error bytes of a 175531-byte image are not a track.
    std::int64_t blocksEnd = imageSize == ErrImageSize ? StdImageSize : imageSize;
    return end <= blocksEnd;
}

// One result of a folder search: an image file (or a folder whose name matches).
struct ImageEntry {
    std::string name;            // file name without folder, as stored
    std::int64_t size = 0;       // bytes
    std::uint8_t attributes = 0; // AttrReadOnly | AttrHidden | ...
    std::int64_t mtime = -1;     // last write, seconds since the epoch; -1 unknown
};

constexpr std::uint8_t AttrReadOnly = 1;
constexpr std::uint8_t AttrHidden = 2;
constexpr std::uint8_t AttrSystem = 4;
constexpr std::uint8_t AttrVolume = 8;
constexpr std::uint8_t AttrDirectory = 16;
constexpr std::uint8_t AttrArchive = 32;

// The one in-memory copy of a track.  Block s of the track last read lies at
// s * 256.  A read of a shorter track leaves the blocks above it as they were.
struct TrackBuffer {
    std::array<std::uint8_t, MaxSectors * BlockSize> bytes{};
    int track = 0; // the track last read into it, 0 when none

    std::uint8_t* Block(int sector) { return bytes.data() + sector * BlockSize; }
    const std::uint8_t* Block(int sector) const { return bytes.data() + sector * BlockSize; }
};

// Which image is open and what its header said.
struct OpenImageState {
    std::string CurrentFolder;  // folder of the image, no trailing separator
    std::string ImageFileName;  // file name without folder
    ImageEntry ImageFindRec;    // the folder-scan record of the image
    bool DoubleSided = false;
    bool HasErrorInfo = false;
    bool WriteProtected = false;
    std::uint16_t FreeBlocks = 0;
    int MainFormLeft = 0;
    int MainFormTop = 0;

    std::string ImagePath() const { return JoinPath(CurrentFolder, ImageFileName); }
    static std::string JoinPath(const std::string& folder, const std::string& name);
};

// Used/free flag per track 0 to 40 and sector 0 to 20: 1 used, 0 free.
struct FreeMap {
    std::array<std::array<std::uint8_t, MaxSectors>, MaxTracks + 1> used{};
};

// Reads track t of the image file at path into the buffer.  The file is opened
// and closed on every call.  A file that cannot be opened, or a track outside
// 1 to 40, leaves the buffer as it was; a read past the end of the file fills
// what the file still holds.  Returns the number of bytes read.
std::size_t ReadTrack(const std::string& path, int track, TrackBuffer& buffer);

} // namespace dyskel
