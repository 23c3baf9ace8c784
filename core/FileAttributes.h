// What the folder search reports of one file: name, size, attributes, time.
#pragma once

#include <cstdint>
#include <string>

namespace dyskel {

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

} // namespace dyskel
