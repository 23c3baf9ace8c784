// A 1581 partition laid out as a sub-directory reads as a disk of its own;
// one laid out otherwise is refused, saying why.
#include "core/Partition.h"
#include "core/DiskFiles.h"
#include "core/DiskHeader.h"
#include "core/FileChain.h"
#include "support/D81Subdir.h"

#include <gtest/gtest.h>

namespace dyskel {
namespace {

using testsupport::WithPartition;

TEST(D81Subdirectory, ReadsAsADiskOfItsOwn) {
    const DiskImage image = WithPartition();
    Result<DiskView> outer = ReadDiskView(image, true);
    ASSERT_TRUE(outer);
    ASSERT_EQ(outer->dir.entries.size(), 1u);
    Result<DiskImage> part = OpenPartition(image, outer->dir.entries[0]);
    ASSERT_TRUE(part) << part.Error();
    Result<DiskView> view = ReadDiskView(*part, true);
    ASSERT_TRUE(view) << view.Error();
    EXPECT_EQ(view->header.label, "\"SUBDIR\" S13D"); // the 0xA0 between ID and DOS type not shown
    ASSERT_EQ(view->dir.entries.size(), 1u);
    EXPECT_EQ(view->dir.entries[0].Name(), "INNER");
    EXPECT_EQ(view->dir.entries[0].first, (BlockAddress{42, 0}));
    EXPECT_EQ(ChainBlocks(*part, {42, 0}), (std::vector<BlockAddress>{{42, 0}}));
    const auto& used = view->bam.freeMap.used;
    EXPECT_EQ(used[42][0], 1);
    EXPECT_EQ(used[42][1], 0);
    EXPECT_EQ(used[43][39], 0);
    EXPECT_EQ(used[44][0], 1);
}

struct NotSubdir {
    const char* name;
    BlockAddress at; // the byte broken
    std::size_t offset;
    std::uint8_t value;
    const char* error;
};

class PartitionRefused : public ::testing::TestWithParam<NotSubdir> {};

TEST_P(PartitionRefused, SaysWhy) {
    const NotSubdir& c = GetParam();
    DiskImage image = WithPartition();
    Block b = *image.ReadBlock(c.at);
    b[c.offset] = c.value;
    image.PutBlock(c.at, b);
    Result<DiskImage> part = OpenPartition(image, ListDirectory(image, true)->entries[0]);
    ASSERT_FALSE(part);
    EXPECT_EQ(part.Error(), c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PartitionRefused,
    ::testing::Values(
        NotSubdir{
            "NotWholeTracks",
            {40, 3},
            30,
            100,
            "The partition at 41,00 is not laid out as a sub-directory: it does not hold whole tracks."},
        NotSubdir{"TwoTracks",
                  {40, 3},
                  30,
                  80,
                  "The partition at 41,00 is not laid out as a sub-directory: it holds tracks 41 to 42 (a "
                  "sub-directory holds at least three, not track 40)."},
        NotSubdir{"OverTrack40",
                  {40, 3},
                  3,
                  39,
                  "The partition at 39,00 is not laid out as a sub-directory: it holds tracks 39 to 41 (a "
                  "sub-directory holds at least three, not track 40)."},
        NotSubdir{
            "HeaderUnlinked",
            {41, 0},
            1,
            4,
            "The partition at 41,00 is not laid out as a sub-directory: its header block 41,00 does not "
            "link to 41,03 with DOS version 'D'."},
        NotSubdir{"BamUnlinked",
                  {41, 1},
                  1,
                  5,
                  "The partition at 41,00 is not laid out as a sub-directory: its BAM blocks 41,01 and 41,02 "
                  "are not linked as a 1581 links them."}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dyskel
