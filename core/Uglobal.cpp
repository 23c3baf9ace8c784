#include "core/Uglobal.h"

#include "core/FileIO.h"

namespace dyskel {

std::string OpenImageState::JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::size_t ReadTrack(const std::string& path, int track, TrackBuffer& buffer) {
    if (track < 1 || track > MaxTracks) return 0;
    fileio::Fd in = fileio::Fd::OpenRead(path);
    if (!in.IsOpen()) return 0;
    const std::size_t want = std::size_t(SectorsPerTrack(track)) * BlockSize;
    const std::int64_t offset = std::int64_t(TrackStartBlock[track]) * BlockSize;
    // Reading straight into the buffer: bytes the file does not hold keep
    // what an earlier read left there.
    std::size_t got = fileio::ReadAt(in.Get(), offset, buffer.bytes.data(), want);
    if (got == want) buffer.track = track;
    return got;
}

} // namespace dyskel
