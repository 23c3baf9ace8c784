// D71 and D81 images: the layouts typed out from the public descriptions of
// the 1571 and 1581 disks (sizes, a fresh header and BAM byte by byte), the
// blocks a file gets as the drives lay files out, and what Validate says of
// a D71 whose track 53 is not kept as the 1571 keeps it.
#include "core/Format.h"
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/Validate.h"

#include <gtest/gtest.h>

namespace dyskel {
namespace {

struct SizeCase {
    const char* name;
    std::int64_t size;
    const char* path;
    const char* format;
    int blocks;
    bool errorBytes;
};

class FormatOfFile : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FormatOfFile, BySizeThenByExtension) {
    const SizeCase& c = GetParam();
    const DiskFormat& f = FormatOf(c.size, c.path);
    EXPECT_STREQ(f.name, c.format);
    EXPECT_EQ(HasErrorBytes(c.size), c.errorBytes);
    if (FormatOfSize(c.size)) EXPECT_EQ(f.Blocks(), c.blocks);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FormatOfFile,
                         ::testing::Values(SizeCase{"D71", 349696, "a.d64", "D71", 1366, false},
                                           SizeCase{"D71Errors", 351062, "a", "D71", 1366, true},
                                           SizeCase{"D81", 819200, "a.d71", "D81", 3200, false},
                                           SizeCase{"D81Errors", 822400, "a.D64", "D81", 3200, true},
                                           SizeCase{"ShortD71ByName", 300000, "x.D71", "D71", 0, false},
                                           SizeCase{"ShortD81ByName", 5000, "x.d81", "D81", 0, false},
                                           SizeCase{"ShortOtherIsD64", 300000, "x.prg", "D64", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

DiskImage Fresh(const DiskFormat& f) {
    return DiskImage::FromBytes(std::string("x.") + f.name, NewImageBytes(f, "WORK", "W1"));
}

TEST(FreshD71, HeaderAndBothSidesOfTheBam) {
    DiskImage image = Fresh(D71Format);
    ASSERT_EQ(image.FileSize(), 349696);
    const Block h = *image.ReadBlock({18, 0});
    const Block side2 = *image.ReadBlock({53, 0});
    EXPECT_EQ((std::array<int, 4>{h[0], h[1], h[2], h[3]}), (std::array<int, 4>{0x12, 0x01, 0x41, 0x80}));
    EXPECT_EQ((std::array<int, 4>{h[4], h[5], h[6], h[7]}), (std::array<int, 4>{21, 0xFF, 0xFF, 0x1F}));
    // Track 18: 19 sectors, 18/0 and 18/1 used.
    EXPECT_EQ((std::array<int, 4>{h[0x48], h[0x49], h[0x4A], h[0x4B]}),
              (std::array<int, 4>{17, 0xFC, 0xFF, 0x07}));
    EXPECT_EQ(h[0x90], 'W');
    EXPECT_EQ(h[0xA2], 'W');
    EXPECT_EQ(h[0xA3], '1');
    EXPECT_EQ(h[0xDD], 21);      // track 36
    EXPECT_EQ(h[0xDD + 17], 0);  // track 53: all used
    EXPECT_EQ(h[0xDD + 34], 17); // track 70
    EXPECT_EQ((std::array<int, 3>{side2[0], side2[1], side2[2]}), (std::array<int, 3>{0xFF, 0xFF, 0x1F}));
    EXPECT_EQ((std::array<int, 3>{side2[51], side2[52], side2[53]}), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ((std::array<int, 3>{side2[102], side2[103], side2[104]}),
              (std::array<int, 3>{0xFF, 0xFF, 0x01}));
    Result<DiskView> view = ReadDiskView(image, false);
    ASSERT_TRUE(view) << view.Error();
    EXPECT_EQ(view->bam.freeBlocks, 1328);
    EXPECT_EQ(view->header.label, "\"WORK\" W12A");
    EXPECT_TRUE(ValidateImage(image)->Clean());
}

TEST(FreshD81, HeaderBamBlocksAndDirectory) {
    DiskImage image = Fresh(D81Format);
    ASSERT_EQ(image.FileSize(), 819200);
    const Block h = *image.ReadBlock({40, 0});
    const Block b1 = *image.ReadBlock({40, 1});
    const Block b2 = *image.ReadBlock({40, 2});
    const Block d = *image.ReadBlock({40, 3});
    EXPECT_EQ((std::array<int, 4>{h[0], h[1], h[2], h[3]}), (std::array<int, 4>{40, 3, 'D', 0}));
    EXPECT_EQ(h[0x04], 'W');
    EXPECT_EQ(h[0x08], 0xA0);
    EXPECT_EQ((std::array<int, 5>{h[0x16], h[0x17], h[0x18], h[0x19], h[0x1A]}),
              (std::array<int, 5>{'W', '1', 0xA0, '3', 'D'}));
    EXPECT_EQ((std::array<int, 8>{b1[0], b1[1], b1[2], b1[3], b1[4], b1[5], b1[6], b1[7]}),
              (std::array<int, 8>{40, 2, 'D', 0xBB, 'W', '1', 0xC0, 0}));
    EXPECT_EQ((std::array<int, 4>{b2[0], b2[1], b2[2], b2[3]}), (std::array<int, 4>{0, 0xFF, 'D', 0xBB}));
    // Track 1 at 0x10, track 40 (0x10 + 39 * 6): sectors 0 to 3 used.
    EXPECT_EQ((std::array<int, 6>{b1[0x10], b1[0x11], b1[0x12], b1[0x13], b1[0x14], b1[0x15]}),
              (std::array<int, 6>{40, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ((std::array<int, 6>{b1[0xFA], b1[0xFB], b1[0xFC], b1[0xFD], b1[0xFE], b1[0xFF]}),
              (std::array<int, 6>{36, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(b2[0xFA], 40); // track 80
    EXPECT_EQ((std::array<int, 2>{d[0], d[1]}), (std::array<int, 2>{0, 0xFF}));
    Result<DiskView> view = ReadDiskView(image, false);
    ASSERT_TRUE(view) << view.Error();
    EXPECT_EQ(view->bam.freeBlocks, 3160);
    EXPECT_EQ(view->header.label, "\"WORK\" W13D");
    EXPECT_FALSE(view->header.writeProtected);
    EXPECT_TRUE(ValidateImage(image)->Clean());
}

// Blocks a file gets, typed out: the first on the track nearest the
// directory track(s), then the drive's interleave (6 on a 1571, 1 on a 1581),
// past a full track on away from the directory track.
struct LayoutCase {
    const char* name;
    const DiskFormat* format;
    std::vector<BlockAddress> freeOnly; // when given, every other block is used first
    int count;
    std::vector<BlockAddress> expected;
};

class DriveLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DriveLayout, BlocksInOrder) {
    const LayoutCase& c = GetParam();
    DiskImage image = Fresh(*c.format);
    Bam bam = *ReadBam(image);
    if (!c.freeOnly.empty()) {
        for (int t = 1; t <= c.format->tracks; ++t)
            for (int s = 0; s < c.format->Sectors(t); ++s) SetBamBlockFree(bam, {t, s}, false);
        for (BlockAddress at : c.freeOnly) SetBamBlockFree(bam, at, true);
    }
    EXPECT_EQ(AllocateBlocks(bam, c.count), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DriveLayout,
    ::testing::Values(LayoutCase{"D71FirstTrack", &D71Format, {}, 23, {{17, 0},  {17, 6},  {17, 12}, {17, 18},
                                                                       {17, 2},  {17, 8},  {17, 14}, {17, 20},
                                                                       {17, 4},  {17, 10}, {17, 16}, {17, 1},
                                                                       {17, 7},  {17, 13}, {17, 19}, {17, 3},
                                                                       {17, 9},  {17, 15}, {17, 5},  {17, 11},
                                                                       {17, 17}, {16, 0},  {16, 6}}},
                      // From 21 sectors to 19 past the directory track.
                      LayoutCase{"D71ZoneBorder",
                                 &D71Format,
                                 {{17, 20}, {19, 0}, {19, 6}, {19, 12}, {19, 18}, {19, 4}},
                                 6,
                                 {{17, 20}, {19, 0}, {19, 6}, {19, 12}, {19, 18}, {19, 4}}},
                      // Side one full: on to side two, below track 53 first.
                      LayoutCase{"D71OtherSide",
                                 &D71Format,
                                 {{1, 20}, {36, 0}, {36, 6}, {70, 3}},
                                 4,
                                 {{1, 20}, {36, 0}, {36, 6}, {70, 3}}},
                      // Track 53 is never taken, even when its BAM says free.
                      LayoutCase{"D71NotTrack53", &D71Format, {{53, 1}, {53, 2}, {54, 5}}, 1, {{54, 5}}},
                      LayoutCase{"D81",
                                 &D81Format,
                                 {},
                                 42,
                                 [] {
                                     std::vector<BlockAddress> v;
                                     for (int s = 0; s < 40; ++s) v.push_back({39, s});
                                     v.push_back({38, 0});
                                     v.push_back({38, 1});
                                     return v;
                                 }()},
                      LayoutCase{"D81AboveTheDirectory",
                                 &D81Format,
                                 {{41, 7}, {41, 8}, {80, 39}},
                                 3,
                                 {{41, 7}, {41, 8}, {80, 39}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(D71Validate, Track53FreeIsReportedAndFixed) {
    DiskImage image = Fresh(D71Format);
    Bam bam = *ReadBam(image);
    for (int s = 1; s < 19; ++s) SetBamBlockFree(bam, {53, s}, true); // as other tools leave it
    ChangeSet changes;
    PutBam(changes, image, bam);
    for (const BlockChange& c : changes) image.PutBlock(c.at, c.bytes);
    Result<ValidationReport> report = ValidateImage(image);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->findings.size(), 18u);
    EXPECT_EQ(report->findings[0].kind, FindingKind::UsedButFree);
    EXPECT_EQ(report->findings[0].block, (BlockAddress{53, 1}));
    EXPECT_EQ(FindingText(*report, report->findings[0]), "53,01: kept for the BAM but free in the BAM");
    Result<EditPlan> fix = FixBam()(image);
    ASSERT_TRUE(fix) << fix.Error();
    for (const BlockChange& c : fix->changes) image.PutBlock(c.at, c.bytes);
    EXPECT_TRUE(ValidateImage(image)->Clean());
}

// A header or BAM block that breaks the drive's rules is one of Validate's
// findings (so the Validate dialog and Image Health show it), and the fix
// mends it.
struct HeaderCase {
    const char* name;
    const DiskFormat* format;
    BlockAddress at;
    std::size_t offset;
    std::uint8_t value;
    const char* text;
};

class HeaderFinding : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderFinding, ReportedAndFixed) {
    const HeaderCase& c = GetParam();
    DiskImage image = Fresh(*c.format);
    Block b = *image.ReadBlock(c.at);
    b[c.offset] = c.value;
    image.PutBlock(c.at, b);
    Result<ValidationReport> report = ValidateImage(image);
    ASSERT_TRUE(report);
    ASSERT_EQ(report->findings.size(), 1u);
    EXPECT_EQ(report->findings[0].block, c.at);
    EXPECT_EQ(FindingText(*report, report->findings[0]), c.text);
    EXPECT_EQ(ValidationSummary(*report), "1 finding: 1 header");
    Result<EditPlan> fix = FixBam()(image);
    ASSERT_TRUE(fix) << fix.Error();
    for (const BlockChange& ch : fix->changes) image.PutBlock(ch.at, ch.bytes);
    EXPECT_EQ(ValidationSummary(*ValidateImage(image)), "clean");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, HeaderFinding,
    ::testing::Values(
        HeaderCase{"D71SingleSided",
                   &D71Format,
                   {18, 0},
                   3,
                   0x00,
                   "The header block 18/0 does not say double-sided (byte 3 is $00; a 1571 writes $80)."},
        HeaderCase{"D81SecondBamId",
                   &D81Format,
                   {40, 2},
                   5,
                   'Z',
                   "The BAM block 40,02 holds the ID $57 $5A, the header block $57 $31."},
        HeaderCase{"D81LastLink",
                   &D81Format,
                   {40, 2},
                   1,
                   0x00,
                   "The BAM block 40,02 links to $00 $00, not to nothing ($00 $FF)."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(D81Import, DirectoryHolds296Entries) {
    DiskImage image = Fresh(D81Format);
    std::vector<ImportFile> files;
    for (int i = 0; i < 296; ++i)
        files.push_back({"F" + std::to_string(i), FileType::Prg, {1, 2, 3}, OnClash::Refuse});
    Result<EditPlan> plan = ImportEntries(files)(image);
    ASSERT_TRUE(plan) << plan.Error();
    for (const BlockChange& c : plan->changes) image.PutBlock(c.at, c.bytes);
    EXPECT_EQ(ListDirectory(image, true)->entries.size(), 296u);
    EXPECT_EQ(ReadDiskView(image, true)->bam.freeBlocks, 3160 - 296);
    Result<EditPlan> more = ImportEntry({"ONE MORE", FileType::Prg, {1}, OnClash::Refuse})(image);
    ASSERT_FALSE(more);
    EXPECT_EQ(more.Error(), "The directory is full (296 entries); \"ONE MORE\" was not written.");
}

// A 1581 partition: an entry of type 5 owning a run of whole blocks (here
// 41/0 to 42/39), listed as CBM; Validate counts its blocks, no chain.
TEST(D81Partition, ListedAsCbmAndItsBlocksOwned) {
    DiskImage image = Fresh(D81Format);
    Block dir = *image.ReadBlock({40, 3});
    const std::array<std::uint8_t, 30> entry = {0x85, 41,   0,    'P',  'A',  'R',  'T',  0xA0, 0xA0, 0xA0,
                                                0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0,
                                                0,    0,    0,    0,    0,    0,    0,    0,    80,   0};
    std::copy(entry.begin(), entry.end(), dir.begin() + 2);
    image.PutBlock({40, 3}, dir);
    Bam bam = *ReadBam(image);
    for (int t = 41; t <= 42; ++t)
        for (int s = 0; s < 40; ++s) SetBamBlockFree(bam, {t, s}, false);
    ChangeSet changes;
    PutBam(changes, image, bam);
    for (const BlockChange& c : changes) image.PutBlock(c.at, c.bytes);
    Result<DiskView> view = ReadDiskView(image, true);
    ASSERT_TRUE(view);
    ASSERT_EQ(view->dir.entries.size(), 1u);
    EXPECT_EQ(DirRowCells(view->dir.entries[0], 1)[3], " CBM");
    EXPECT_EQ(view->bam.freeBlocks, 3160 - 80);
    Result<ValidationReport> report = ValidateImage(image);
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->Clean()) << FindingText(*report, report->findings[0]);
    EXPECT_EQ(report->Owner({42, 39}).entry, 1);
    EXPECT_EQ(report->Owner({42, 39}).index, 80);
}

} // namespace
} // namespace dyskel
