#include "core/DiskHeader.h"

#include "core/FileIO.h"

namespace dyskel {

namespace {

// Bytes that the label shows: the blank, "!", and "#" up to 0x9D.  The quote,
// control codes, the 0xA0 padding and the shifted range are dropped.
constexpr bool KeptInLabel(std::uint8_t b) {
    return b == 0x20 || b == 0x21 || (b >= 0x23 && b <= 0x9D);
}

void AppendKept(std::string& out, const std::uint8_t* from, const std::uint8_t* to) {
    for (const std::uint8_t* p = from; p <= to; ++p)
        if (KeptInLabel(*p)) out.push_back(static_cast<char>(*p));
}

} // namespace

std::string LabelText(const std::uint8_t* header) {
    std::string label = "\"";
    AppendKept(label, header + 0x90, header + 0xA0); // name and the byte after it
    label += "\" ";
    AppendKept(label, header + 0xA2, header + 0xA6); // ID, separator, format letters
    return label;
}

HeaderInfo ParseHeader(const std::uint8_t* header) {
    HeaderInfo info;
    info.ok = true;
    info.label = LabelText(header);
    info.doubleSided = (header[0x03] & 0x80) != 0;
    info.writeProtected = header[0x02] != 0x41;
    return info;
}

HeaderInfo ReadHeaderBlock(const std::string& path) {
    fileio::Fd in = fileio::Fd::OpenRead(path);
    if (!in.IsOpen()) return {};
    std::uint8_t block[BlockSize];
    if (fileio::ReadAt(in.Get(), HeaderOffset, block, BlockSize) != BlockSize) return {};
    return ParseHeader(block);
}

std::string ReadDiskHeader(OpenImageState& state) {
    HeaderInfo info = ReadHeaderBlock(state.ImagePath());
    state.DoubleSided = info.doubleSided;
    state.WriteProtected = info.writeProtected;
    state.HasErrorInfo = state.ImageFindRec.size == ErrImageSize;
    return info.label;
}

std::uint16_t DecodeBAM(const std::string& path, TrackBuffer& buffer, FreeMap& freeMap) {
    ReadTrack(path, DirTrack, buffer);
    const std::uint8_t* header = buffer.Block(0);
    std::uint16_t freeBlocks = 0;
    for (int t = 1; t <= StdTracks; ++t) {
        if (t == DirTrack) continue;
        const std::uint8_t* bitmap = header + 4 * t + 1;
        for (int s = 0; s < SectorsPerTrack(t); ++s) {
            bool free = (bitmap[s / 8] >> (s % 8)) & 1;
            freeMap.used[t][s] = free ? 0 : 1;
            if (free) ++freeBlocks;
        }
    }
    return freeBlocks;
}

} // namespace dyskel
