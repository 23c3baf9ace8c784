// The BAM's layout: where the 1541 (and SpeedDOS, DolphinDOS on 40 tracks)
// keep each track's entry in the BAM block.
#include "core/Bam.h"

#include <gtest/gtest.h>

namespace dyskel {
namespace {

struct EntryCase {
    const char* name;
    std::size_t extended; // 0: no extended BAM
    int track;
    std::size_t entry; // 0: not in the BAM
};

class BamEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(BamEntry, StandsWhereTheDiskKeepsIt) {
    EXPECT_EQ(D64BamLayout(GetParam().extended).Entry(GetParam().track), GetParam().entry);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, BamEntry,
    ::testing::Values(EntryCase{"Track1", 0, 1, 0x04}, EntryCase{"Track18", 0, 18, 0x48},
                      EntryCase{"Track35", 0, 35, 0x8C}, EntryCase{"Track36WithoutExtended", 0, 36, 0},
                      EntryCase{"Track0", 0xC0, 0, 0}, EntryCase{"SpeedDos36", 0xC0, 36, 0xC0},
                      EntryCase{"SpeedDos40", 0xC0, 40, 0xD0}, EntryCase{"DolphinDos36", 0xAC, 36, 0xAC},
                      EntryCase{"DolphinDos40", 0xAC, 40, 0xBC}, EntryCase{"Track41", 0xC0, 41, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A freshly formatted 40-track BAM: 683 blocks less 18/0 and 18/1 on tracks
// 1 to 35 but 18 give 664, tracks 36 to 40 add 5 * 17.
TEST(Bam, AFormattedFortyTrackBamCountsEveryBlockButTrack18) {
    for (std::size_t extended : {SpeedDosBam, DolphinDosBam}) {
        Block header{};
        FormatBam(header, extended);
        EXPECT_EQ(ExtendedBamOffset(header), extended);
        EXPECT_EQ(DecodeBAM(header, 40).freeBlocks, 749);
        EXPECT_EQ(DecodeBAM(header, 35).freeBlocks, 664);
    }
}

} // namespace
} // namespace dyskel
