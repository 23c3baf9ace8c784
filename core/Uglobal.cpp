#include "core/Uglobal.h"

#include "core/FileIO.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dyskel {

namespace {

std::string Where(BlockAddress at) {
    return "track " + std::to_string(at.track) + ", sector " + std::to_string(at.sector);
}

void PopulateForWrite(void* data, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(data) & ~(page - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(data) + size;
    // Not available (an older kernel) is no failure: the pages then come
    // one fault at a time.
    (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}

} // namespace

std::string BlockReadError(const std::string& path, BlockAddress at, const std::string& why) {
    return "Reading " + Where(at) + " of \"" + path + "\" failed: " + why;
}

Result<DiskImage> DiskImage::Load(const std::string& path) {
    fileio::Fd in = fileio::Fd::OpenRead(path);
    if (!in.IsOpen())
        return Failure{"The image \"" + path + "\" could not be opened: " + fileio::LastError()};
    struct stat st {};
    if (::fstat(in.Get(), &st) != 0)
        return Failure{"The image \"" + path + "\" could not be examined: " + fileio::LastError()};
    if (!S_ISREG(st.st_mode)) return Failure{"The image \"" + path + "\" is not a regular file."};
    DiskImage image;
    image.path_ = path;
    image.fileSize_ = st.st_size;
    image.format_ = &FormatOf(st.st_size, path);
    image.stamp_ = fileio::StampOf(st);
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(st.st_size, image.format_->errorSize));
    // The buffer's pages are made present in one call before they are
    // filled: a process that reads one image pays for a page fault per 4 KiB
    // otherwise, which costs more than reading the bytes.
    image.bytes_.reserve(want);
    PopulateForWrite(image.bytes_.data(), want);
    image.bytes_.resize(want);
    const std::size_t got = fileio::ReadAt(in.Get(), 0, image.bytes_.data(), want);
    if (got != want)
        return Failure{"Reading \"" + path + "\" failed after " + std::to_string(got) + " of " +
                       std::to_string(want) + " bytes: " + fileio::LastError()};
    return image;
}

DiskImage DiskImage::FromBytes(std::string path, std::vector<std::uint8_t> bytes) {
    DiskImage image;
    image.path_ = std::move(path);
    image.fileSize_ = static_cast<std::int64_t>(bytes.size());
    image.format_ = &FormatOf(image.fileSize_, image.path_);
    if (bytes.size() > std::size_t(image.format_->errorSize))
        bytes.resize(std::size_t(image.format_->errorSize));
    image.bytes_ = std::move(bytes);
    return image;
}

bool DiskImage::HoldsBlock(BlockAddress at) const {
    return ValidBlock(*format_, at) && BlockOffset(*format_, at) + BlockSize <= BlockBytesOfSize(fileSize_);
}

int DiskImage::Tracks() const {
    int t = 0;
    while (t < format_->tracks && HoldsTrack(t + 1)) ++t;
    return t;
}

Result<Block> DiskImage::ReadBlock(BlockAddress at) const {
    if (!ValidBlock(*format_, at))
        return Failure{
            BlockReadError(path_, at, std::string("a ") + format_->name + " image has no such block.")};
    if (!HoldsBlock(at))
        return Failure{
            BlockReadError(path_, at, "the file holds only " + std::to_string(fileSize_) + " bytes.")};
    Block block;
    const auto offset = static_cast<std::size_t>(BlockOffset(*format_, at));
    std::copy_n(bytes_.begin() + std::ptrdiff_t(offset), BlockSize, block.begin());
    return block;
}

void DiskImage::PutBlock(BlockAddress at, const Block& block) {
    if (!HoldsBlock(at)) return;
    const auto offset = static_cast<std::size_t>(BlockOffset(*format_, at));
    std::copy(block.begin(), block.end(), bytes_.begin() + std::ptrdiff_t(offset));
}

Result<Block> ReadBlock(const std::string& path, BlockAddress at) {
    fileio::Fd in = fileio::Fd::OpenRead(path);
    if (!in.IsOpen()) return Failure{BlockReadError(path, at, fileio::LastError())};
    struct stat st {};
    if (::fstat(in.Get(), &st) != 0) return Failure{BlockReadError(path, at, fileio::LastError())};
    if (!S_ISREG(st.st_mode)) return Failure{BlockReadError(path, at, "it is no regular file.")};
    const DiskFormat& format = FormatOf(st.st_size, path);
    if (!ValidBlock(format, at))
        return Failure{
            BlockReadError(path, at, std::string("a ") + format.name + " image has no such block.")};
    // The error bytes after the last track are no block.
    if (BlockOffset(format, at) + BlockSize > BlockBytesOfSize(st.st_size))
        return Failure{
            BlockReadError(path, at, "the file holds only " + std::to_string(st.st_size) + " bytes.")};
    Block block;
    const std::size_t got = fileio::ReadAt(in.Get(), BlockOffset(format, at), block.data(), BlockSize);
    if (got != BlockSize) return Failure{BlockReadError(path, at, "the file does not hold the whole block.")};
    return block;
}

Result<TrackData> ReadTrack(const std::string& path, int track) {
    return ReadTrack(path, nullptr, track);
}

Result<TrackData> ReadTrack(const std::string& path, const DiskFormat* known, int track) {
    fileio::Fd in = fileio::Fd::OpenRead(path);
    const auto fail = [&](const std::string& why) {
        return Failure{"Reading track " + std::to_string(track) + " of \"" + path + "\" failed: " + why};
    };
    if (!in.IsOpen()) return fail(fileio::LastError());
    struct stat st {};
    if (!known && ::fstat(in.Get(), &st) != 0) return fail(fileio::LastError());
    const DiskFormat& format = known ? *known : FormatOf(st.st_size, path);
    if (format.Sectors(track) == 0) return fail("no such track.");
    TrackData data;
    data.track = track;
    data.format = &format;
    data.bytes.resize(std::size_t(format.Sectors(track)) * BlockSize);
    const std::size_t got =
        fileio::ReadAt(in.Get(), BlockOffset(format, {track, 0}), data.bytes.data(), data.bytes.size());
    if (got != data.bytes.size()) return fail("the file does not hold the whole track.");
    return data;
}

std::string ImageRef::Folder() const {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) return {};
    // "/disks/" names the folder "/disks"; the root keeps its one separator.
    std::string text = folder.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

} // namespace dyskel
