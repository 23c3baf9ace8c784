// Shared helpers of the core tests: images whose bytes tell where they lie,
// and hand-built chains of raw blocks.
#pragma once

#include "core/Directory.h"
#include "core/ImageUpdate.h"
#include "core/Uglobal.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dyskel::test {

// An image of the given size whose block k starts with k (low, high) and is
// filled with 0x40 + k % 64 after that; error bytes, if any, are 0xE0 + n % 16.
inline std::vector<std::uint8_t> NumberedImage(std::size_t size) {
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) {
        std::size_t block = i / 256;
        if (size == 175531 && i >= 174848)
            image[i] = static_cast<std::uint8_t>(0xE0 + (i - 174848) % 16);
        else if (i % 256 == 0)
            image[i] = static_cast<std::uint8_t>(block & 0xFF);
        else if (i % 256 == 1)
            image[i] = static_cast<std::uint8_t>(block >> 8);
        else
            image[i] = static_cast<std::uint8_t>(0x40 + block % 64);
    }
    return image;
}

// Every block of a track, each filled with fill; sector 0 alone of a track
// that no image has.
inline ChangeSet WholeTrack(int track, std::uint8_t fill) {
    ChangeSet changes;
    for (int s = 0; s < std::max(int(SectorsPerTrack(track)), 1); ++s) {
        BlockChange c{{track, s}, {}};
        c.bytes.fill(fill);
        changes.push_back(c);
    }
    return changes;
}

// The 256 bytes at p as one block.
inline Block BlockAt(const std::uint8_t* p) {
    Block b;
    std::copy_n(p, BlockSize, b.begin());
    return b;
}

// An image held in memory only, under a path that names no file.
inline DiskImage InMemory(std::vector<std::uint8_t> bytes, const std::string& path = "/nonexistent/mem.d64") {
    return DiskImage::FromBytes(path, std::move(bytes));
}

// A directory entry made by hand: type byte, first block, name (padded with
// 0xA0), size, and where it lies on track 18.
inline DirEntry MakeEntry(std::uint8_t typeByte, BlockAddress first, const std::string& name,
                          std::uint16_t blocks, std::uint8_t sector = 1, std::uint8_t offset = 0) {
    DirEntry e;
    e.typeByte = typeByte;
    e.first = first;
    for (std::size_t i = 0; i < 16; ++i) e.name[i] = i < name.size() ? std::uint8_t(name[i]) : 0xA0;
    e.blocks = blocks;
    e.sector = sector;
    e.offset = offset;
    return e;
}

} // namespace dyskel::test

namespace dyskel::test {

// Sectors per track, typed from the 1541 zone table for building test chains.
inline int ZoneSectors(int track) {
    return track <= 17 ? 21 : track <= 24 ? 19 : track <= 30 ? 18 : 17;
}

// The first n blocks of the 40-track layout in file order.
inline std::vector<std::pair<int, int>> BlocksInFileOrder(std::size_t n) {
    std::vector<std::pair<int, int>> out;
    for (int t = 1; t <= 40 && out.size() < n; ++t)
        for (int s = 0; s < ZoneSectors(t) && out.size() < n; ++s) out.emplace_back(t, s);
    return out;
}

} // namespace dyskel::test
