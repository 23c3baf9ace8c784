// Validate on hand-broken images: each kind of finding, GEOS disks, the owner
// of each block and the BAM rewritten by the fix.  Bytes follow the 1541's
// layout: BAM at 18/0 (free count and 3 bitmap bytes a track from 0x04),
// directory entries of 32 bytes from 18/1 (type 0x02, first block 0x03/0x04,
// size 0x1E/0x1F).
#include "core/Validate.h"
#include "CoreTestSupport.h"
#include "core/DiskEdits.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <functional>

namespace dyskel {
namespace {

using test::InMemory;

// A disk with two files: "ONE" at 17/0 -> 17/1 and "TWO" at 17/2.
D64Builder TwoFiles() {
    D64Builder b("BROKEN", "01");
    b.AddFile("ONE", 0x82, std::vector<std::uint8_t>(300, 1), {{17, 0}, {17, 1}});
    b.AddFile("TWO", 0x82, std::vector<std::uint8_t>(10, 2), {{17, 2}});
    return b;
}

struct BrokenCase {
    const char* name;
    std::function<void(D64Builder&)> breakIt;
    FindingKind kind;
    BlockAddress block;
    int entry;
    const char* text;
};

class Broken : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(Broken, IsFoundAndTold) {
    const BrokenCase& c = GetParam();
    D64Builder b = TwoFiles();
    c.breakIt(b);
    Result<ValidationReport> r = ValidateImage(InMemory(b.Bytes()));
    ASSERT_TRUE(r) << r.Error();
    ASSERT_FALSE(r->findings.empty());
    const Finding& f = r->findings[0];
    EXPECT_EQ(f.kind, c.kind);
    EXPECT_EQ(f.block, c.block);
    EXPECT_EQ(f.entry, c.entry);
    EXPECT_EQ(FindingText(*r, f), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Findings, Broken,
    ::testing::Values(BrokenCase{"ChainLoops",
                                 [](D64Builder& b) { b.Block(17, 1)[0] = 17, b.Block(17, 1)[1] = 0; },
                                 FindingKind::ChainLoop,
                                 {17, 0},
                                 1,
                                 "entry 1 \"ONE\": the chain loops at 17,00"},
                      BrokenCase{"ChainLeavesTheDisk",
                                 [](D64Builder& b) { b.Block(17, 1)[0] = 36, b.Block(17, 1)[1] = 0; },
                                 FindingKind::ChainBadLink,
                                 {36, 0},
                                 1,
                                 "entry 1 \"ONE\": the chain links outside the disk (36,00)"},
                      BrokenCase{"SizeSaysMore",
                                 [](D64Builder& b) { b.Block(18, 1)[0x1E] = 5; },
                                 FindingKind::SizeMismatch,
                                 {17, 0},
                                 1,
                                 "entry 1 \"ONE\": the entry says 5 blocks, the chain holds 2"},
                      BrokenCase{"UsedButFree",
                                 [](D64Builder& b) { b.SetFree(17, 1, true); },
                                 FindingKind::UsedButFree,
                                 {17, 1},
                                 1,
                                 "17,01: used by entry 1 \"ONE\" but free in the BAM"},
                      BrokenCase{"Orphan",
                                 [](D64Builder& b) { b.SetFree(5, 3, false); },
                                 FindingKind::Orphan,
                                 {5, 3},
                                 0,
                                 "05,03: marked used in the BAM, but nothing owns it"},
                      BrokenCase{"CrossLinked",
                                 [](D64Builder& b) { b.Block(18, 1)[0x20 + 0x04] = 1; },
                                 FindingKind::CrossLinked,
                                 {17, 1},
                                 2,
                                 "17,01: claimed by entry 2 \"TWO\" and by entry 1 \"ONE\""},
                      BrokenCase{"TrackCount",
                                 [](D64Builder& b) { b.Header()[4 * 5] = 20; },
                                 FindingKind::TrackCount,
                                 {5, 0},
                                 0,
                                 "track 5: the BAM counts 20 free, its bitmap 21"},
                      BrokenCase{"DirectoryLoops",
                                 [](D64Builder& b) { b.Block(18, 1)[0] = 18, b.Block(18, 1)[1] = 1; },
                                 FindingKind::DirLoop,
                                 {18, 1},
                                 0,
                                 "the directory chain loops at 18,01"},
                      BrokenCase{"DirectoryLeavesTrack18",
                                 [](D64Builder& b) { b.Block(18, 1)[0] = 19, b.Block(18, 1)[1] = 0; },
                                 FindingKind::DirLeavesTrack18,
                                 {19, 0},
                                 0,
                                 "the directory chain leaves track 18 (19,00)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Validate, SoundDiskIsCleanAndKnowsEveryOwner) {
    D64Builder b = TwoFiles();
    Result<ValidationReport> r = ValidateImage(InMemory(b.Bytes()));
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->Clean());
    EXPECT_EQ(OwnerText(*r, {17, 1}), "\"ONE\", block 2 of 2");
    EXPECT_EQ(OwnerText(*r, {17, 2}), "\"TWO\", block 1 of 1");
    EXPECT_EQ(OwnerText(*r, {18, 0}), "BAM");
    EXPECT_EQ(OwnerText(*r, {18, 1}), "directory");
    EXPECT_EQ(OwnerText(*r, {17, 3}), "");
    EXPECT_FALSE(r->Flag({17, 1}));
}

TEST(Validate, GeosVlirRecordsAndBorderBlockAreOwned) {
    D64Builder b("GEOS", "01");
    std::copy_n("GEOS format V1.0", 16, b.Header() + 0xAD);
    b.Header()[0xAB] = 19, b.Header()[0xAC] = 8; // border block
    b.SetFree(19, 8, false);
    // Records 0 and 2 (one block each, 20/0 and 20/1); record 1 empty (00 FF).
    b.AddFile("REC0", 0x83, {1}, {{20, 0}});
    b.AddFile("REC2", 0x83, {2}, {{20, 1}});
    std::uint8_t* index = b.Block(21, 0);
    std::fill_n(index, 256, 0);
    index[1] = 0xFF, index[2] = 20, index[3] = 0, index[4] = 0, index[5] = 0xFF, index[6] = 20, index[7] = 1;
    b.SetFree(21, 0, false);
    b.SetFree(21, 1, false);
    b.Block(21, 1)[1] = 0xFF; // info block
    std::uint8_t* dir = b.Block(18, 1);
    std::fill_n(dir + 2, 62, 0); // the two helper entries become one VLIR entry
    const std::uint8_t entry[] = {0x83, 21, 0, 'A', 'P', 'P', 0xA0};
    std::copy(std::begin(entry), std::end(entry), dir + 2);
    std::fill_n(dir + 9, 12, 0xA0);
    dir[0x15] = 21, dir[0x16] = 1, dir[0x17] = 1, dir[0x18] = 6, dir[0x1E] = 4;
    Result<ValidationReport> r = ValidateImage(InMemory(b.Bytes()));
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->geos);
    EXPECT_TRUE(r->Clean()) << FindingText(*r, r->findings[0]);
    EXPECT_EQ(OwnerText(*r, {20, 1}), "\"APP\", block 4 of 4");
    EXPECT_EQ(OwnerText(*r, {19, 8}), "GEOS border block");
}

TEST(Validate, FixRewritesOnlyTheBamFromWhatFilesOwn) {
    D64Builder b = TwoFiles();
    b.SetFree(17, 1, true);       // used but free
    b.SetFree(5, 3, false);       // orphan
    b.Header()[4 * 7] = 3;        // wrong count
    b.Header()[4 * 9 + 3] = 0xFF; // bits beyond sector 20
    const std::vector<std::uint8_t> before = b.Bytes();
    DiskImage image = InMemory(b.Bytes());
    EXPECT_EQ(ValidateImage(image)->findings.size(), 3u); // the bits past sector 20 count for nothing
    Result<EditPlan> fix = FixBam()(image);
    ASSERT_TRUE(fix) << fix.Error();
    ASSERT_EQ(fix->changes.size(), 1u);
    EXPECT_EQ(fix->changes[0].at, (BlockAddress{18, 0}));
    const Block& h = fix->changes[0].bytes;
    EXPECT_EQ(std::vector<std::uint8_t>(h.begin() + 4 * 5, h.begin() + 4 * 5 + 4),
              (std::vector<std::uint8_t>{21, 0xFF, 0xFF, 0x1F}));
    EXPECT_EQ(std::vector<std::uint8_t>(h.begin() + 4 * 17, h.begin() + 4 * 17 + 4),
              (std::vector<std::uint8_t>{18, 0xF8, 0xFF, 0x1F}));
    EXPECT_EQ(std::vector<std::uint8_t>(h.begin() + 4 * 9, h.begin() + 4 * 9 + 4),
              (std::vector<std::uint8_t>{21, 0xFF, 0xFF, 0x1F}));
    for (std::size_t i = 0x90; i < 256; ++i) EXPECT_EQ(h[i], before[0x16500 + i]) << i;
    image.PutBlock({18, 0}, h);
    EXPECT_TRUE(ValidateImage(image)->Clean());
}

TEST(Validate, FixRefusesABrokenDirectory) {
    D64Builder b = TwoFiles();
    b.Block(18, 1)[0] = 19;
    Result<EditPlan> fix = FixBam()(InMemory(b.Bytes()));
    ASSERT_FALSE(fix);
    EXPECT_NE(fix.Error().find("directory chain is broken"), std::string::npos);
}

} // namespace
} // namespace dyskel
