// Link tracking as plain logic: the C64 address of each block's data along a
// chain, and where it wraps.
#include "editor/LinkTracking.h"

#include <array>
#include <gtest/gtest.h>

namespace dyskel {
namespace {

std::array<std::uint8_t, 256> LinkedBlock(int track, int sector, std::uint16_t load = 0) {
    std::array<std::uint8_t, 256> b{};
    b[0] = static_cast<std::uint8_t>(track);
    b[1] = static_cast<std::uint8_t>(sector);
    b[2] = static_cast<std::uint8_t>(load & 0xFF);
    b[3] = static_cast<std::uint8_t>(load >> 8);
    return b;
}

// A program loading at $FF00: the first block's data ends 252 bytes on, the
// later ones 254 bytes each, and the address wraps past $FFFF as the C64's
// 16-bit address does.
TEST(LinkTrackingLogic, PositionsAlongAChainWrapAt64K) {
    LinkTracking t;
    const auto first = LinkedBlock(1, 10, 0xFF00);
    const auto later = LinkedBlock(1, 20);
    const std::uint16_t expected[] = {0xFF00, 0xFFFC, 0x00FA, 0x01F8};
    EXPECT_FALSE(TrackForward(t, 1, 0, first.data()).move); // the first step only records
    EXPECT_EQ(t.position, expected[0]);
    for (int i = 1; i < 4; ++i) {
        TrackStep s = TrackForward(t, 1, 10, (i == 1 ? first : later).data());
        EXPECT_TRUE(s.move);
        EXPECT_EQ(t.position, expected[i]) << "step " << i;
    }
    for (int i = 2; i >= 0; --i) {
        TrackBack(t, 1);
        EXPECT_EQ(t.position, expected[i]) << "back to " << i;
    }
    TrackBack(t, 1); // back at the start: no position
    EXPECT_EQ(t.position, 0);
}

} // namespace
} // namespace dyskel
