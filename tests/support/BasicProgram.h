// Tokenised BASIC lines linked into a program as the C64 keeps it from
// $0801 on: each line's link, number, text and 0 byte, then the end marker.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace dyskel::test {

inline std::vector<std::uint8_t>
LinkBasic(const std::vector<std::pair<int, std::vector<std::uint8_t>>>& lines) {
    std::vector<std::uint8_t> out;
    for (const auto& [number, text] : lines) {
        const std::size_t next = 0x0801 + out.size() + 4 + text.size() + 1;
        out.insert(out.end(), {std::uint8_t(next), std::uint8_t(next >> 8), std::uint8_t(number),
                               std::uint8_t(number >> 8)});
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
    }
    out.insert(out.end(), {0, 0});
    return out;
}

} // namespace dyskel::test
