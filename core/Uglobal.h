// The open image: an image file's blocks as read from disk, and what the
// program knows of the image that is open.
#pragma once

#include "core/FileAttributes.h"
#include "core/FileIO.h"
#include "core/Geometry.h"
#include "core/Result.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dyskel {

// The blocks of an image file, read once.  Every block read says whether the
// file held it; nothing of another read can show through a failed one.
class DiskImage {
  public:
    // Reads the file: the blocks of its format (chosen by its size, else by
    // its extension) and the error bytes after them.  Fails when the file cannot be opened or read, or is no
    // regular file.
    [[nodiscard]] static Result<DiskImage> Load(const std::string& path);
    // An image held in memory only (tests, fuzzing, planning a change).
    static DiskImage FromBytes(std::string path, std::vector<std::uint8_t> bytes);

    const std::string& Path() const { return path_; }
    std::int64_t FileSize() const { return fileSize_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // The disk format the file is read as.
    const DiskFormat& Format() const { return *format_; }
    // True when the file's size is one of its format's two sizes.
    bool KnownSize() const { return FormatOfSize(fileSize_) != nullptr; }
    // The file as it was when read (size -1 for an image held in memory only).
    const fileio::Stamp& ReadStamp() const { return stamp_; }
    // True when the file holds every byte of the track.
    bool HoldsTrack(int track) const { return ImageHoldsTrack(*format_, fileSize_, track); }
    // True when the file holds every byte of the block.
    bool HoldsBlock(BlockAddress at) const;
    // The highest track held whole (0 when none).
    int Tracks() const;

    // The same bytes read with another layout of the same disk (a 1581
    // partition read as its own disk); format must outlive the copy.
    DiskImage ReadAs(const DiskFormat& format) const {
        DiskImage copy = *this;
        copy.format_ = &format;
        return copy;
    }

    [[nodiscard]] Result<Block> ReadBlock(BlockAddress at) const;
    // Sets a block of the copy in memory (the file is not touched).
    void PutBlock(BlockAddress at, const Block& block);

  private:
    std::string path_;
    std::vector<std::uint8_t> bytes_;
    std::int64_t fileSize_ = 0;
    const DiskFormat* format_ = &D64ExtFormat;
    fileio::Stamp stamp_;
};

// The message of a block that could not be read, naming file and block.
std::string BlockReadError(const std::string& path, BlockAddress at, const std::string& why);

// One block straight from the file.
[[nodiscard]] Result<Block> ReadBlock(const std::string& path, BlockAddress at);

// A whole track straight from the file: block s at s * 256.
struct TrackData {
    int track = 0;
    const DiskFormat* format = &D64ExtFormat; // the format the file is read as
    std::vector<std::uint8_t> bytes;
    const std::uint8_t* Block(int sector) const { return bytes.data() + sector * BlockSize; }
};
[[nodiscard]] Result<TrackData> ReadTrack(const std::string& path, int track);
// The same of a file whose format is known (from a size taken before): the
// file is not looked at again for it.  nullptr: by the file's size.
[[nodiscard]] Result<TrackData> ReadTrack(const std::string& path, const DiskFormat* known, int track);

// An image to open: its file, what the folder scan found of the file, and the
// directory entry to show first.  What the image holds (header, BAM,
// directory) is read from the file by whoever opens it.
struct ImageRef {
    std::string path; // the image file
    ImageEntry file;  // the folder-scan record of the file: name, size, attributes, time stamp
    // The directory entry (its sector on track 18 and offset there) that the
    // editor selects on its Directory page when it opens; none for the first.
    std::optional<std::pair<int, int>> showEntry;

    // The folder of the file, no trailing separator ("/" for the root).
    std::string Folder() const;
};

// Used/free flag per track 0 to 80 and sector 0 to 39: 1 used, 0 free.
struct FreeMap {
    std::array<std::array<std::uint8_t, FormatMaxSectors>, FormatMaxTracks + 1> used{};
    int tracks = StdTracks;                   // tracks the image holds
    int lastBamTrack = StdTracks;             // tracks 1 to this are in the BAM
    const DiskFormat* format = &D64ExtFormat; // the disk's format
};

} // namespace dyskel
