// The BAM of tracks 36 to 40 on 40-track disks (the extended BAM at 0xC0 as
// SpeedDOS keeps it, at 0xAC as DolphinDOS does, or none) and BAM entries
// with bits past their track's end, through the edits that write the BAM:
// Delete, Clear Entire Image, Validate's fix and Import.  Entries are 4 bytes
// a track: free count, then 3 bitmap bytes, sector 0 in bit 0.
#include "CoreTestSupport.h"
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/Validate.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace dyskel {
namespace {

using test::InMemory;
using Bytes = std::vector<std::uint8_t>;

// Tracks 36 to 40 each with sectors 0 to 16 free.
const Bytes AllFree = {0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF,
                       0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01};
// The same with 36/0 and 36/1 used.
const Bytes Used36 = {0x0F, 0xFC, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF,
                      0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01};
// 37/5 used.
const Bytes Used37 = {0x11, 0xFF, 0xFF, 0x01, 0x10, 0xDF, 0xFF, 0x01, 0x11, 0xFF,
                      0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01};
// Counts that agree with their bitmaps, but a bit set for sector 17 of track 36.
const Bytes Sector17 = {0x12, 0xFF, 0xFF, 0x03, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF,
                        0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01};
// Track 36 counts 16 free, its bitmap 17.
const Bytes CountWrong = {0x10, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF,
                          0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01};

enum class Edit { Delete, Clear, Fix };

struct Patch {
    std::size_t at;
    Bytes bytes;
};

struct DamagedCase {
    const char* name;
    int tracks;
    std::vector<Patch> header;                   // written into 18/0 after the file
    std::vector<D64Builder::Address> fileBlocks; // of the one file, "F"
    Edit edit;
    std::vector<Patch> expected; // in 18/0 after the edit
    bool keepsAbToFf;            // bytes 0xAB to 0xFF of 18/0 as they were
    int freeAfter;               // BLOCKS FREE of the listing after the edit
};

void PrintTo(const DamagedCase& c, std::ostream* os) {
    *os << c.name;
}

class DamagedDisk : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedDisk, EditWritesOnlyTheBamThatIsThere) {
    const DamagedCase& c = GetParam();
    D64Builder disk("DAMAGED", "01", c.tracks);
    if (!c.fileBlocks.empty()) disk.AddFile("F", 0x82, Bytes(254 * c.fileBlocks.size(), 1), c.fileBlocks);
    for (const Patch& p : c.header) std::copy(p.bytes.begin(), p.bytes.end(), disk.Header() + p.at);
    DiskImage image = InMemory(disk.Bytes());
    const Block before = *image.ReadBlock({18, 0});
    const ImageEdit edit = c.edit == Edit::Delete  ? DeleteEntry(ListDirectory(image, true)->entries.at(0))
                           : c.edit == Edit::Clear ? ClearImage()
                                                   : FixBam();
    Result<EditPlan> plan = edit(image);
    ASSERT_TRUE(plan) << plan.Error();
    for (const BlockChange& change : plan->changes) image.PutBlock(change.at, change.bytes);

    const Block after = *image.ReadBlock({18, 0});
    for (const Patch& p : c.expected)
        EXPECT_EQ(Bytes(after.begin() + p.at, after.begin() + p.at + p.bytes.size()), p.bytes) << p.at;
    if (c.keepsAbToFf) {
        EXPECT_TRUE(std::equal(after.begin() + 0xAB, after.end(), before.begin() + 0xAB));
    }
    EXPECT_EQ(ReadDiskView(image, true)->bam.freeBlocks, c.freeAfter);
    EXPECT_EQ(ValidationSummary(*ValidateImage(image)), "clean");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedDisk,
    ::testing::Values(
        DamagedCase{
            "DeleteWithoutExtendedBam", 40, {}, {{36, 0}, {36, 1}, {17, 0}}, Edit::Delete, {}, true, 664},
        DamagedCase{"DeleteInSpeedDosBam",
                    40,
                    {{0xC0, Used36}},
                    {{36, 0}, {36, 1}},
                    Edit::Delete,
                    {{0xC0, AllFree}},
                    false,
                    749},
        DamagedCase{"DeleteInDolphinDosBam",
                    40,
                    {{0xAC, Used36}},
                    {{36, 0}, {36, 1}},
                    Edit::Delete,
                    {{0xAC, AllFree}, {0xC0, Bytes(20, 0)}},
                    false,
                    749},
        DamagedCase{"SpeedDosWinsOverDolphinDos",
                    40,
                    {{0xAC, AllFree}, {0xC0, Used36}},
                    {{36, 0}, {36, 1}},
                    Edit::Delete,
                    {{0xC0, AllFree}, {0xAC, AllFree}},
                    false,
                    749},
        DamagedCase{"BitOfSector17IsNoExtendedBam",
                    40,
                    {{0xC0, Sector17}},
                    {{36, 0}, {17, 0}},
                    Edit::Delete,
                    {},
                    true,
                    664},
        DamagedCase{"CountNotItsBitmapIsNoExtendedBam",
                    40,
                    {{0xAC, CountWrong}},
                    {{36, 0}, {17, 0}},
                    Edit::Delete,
                    {},
                    true,
                    664},
        DamagedCase{"ClearFreesSpeedDosBam",
                    40,
                    {{0xC0, Used36}},
                    {{36, 0}, {36, 1}},
                    Edit::Clear,
                    {{0xC0, AllFree}},
                    false,
                    749},
        DamagedCase{"ClearFreesDolphinDosBam",
                    40,
                    {{0xAC, Used36}},
                    {{36, 0}, {36, 1}},
                    Edit::Clear,
                    {{0xAC, AllFree}, {0xC0, Bytes(20, 0)}},
                    false,
                    749},
        DamagedCase{"ClearWithoutExtendedBam",
                    40,
                    {{0xAB, {1, 9, 3}}, {0xC0, {5, 3, 0, 0}}},
                    {{36, 0}, {17, 0}},
                    Edit::Clear,
                    {},
                    true,
                    664},
        DamagedCase{"FixInDolphinDosBam", 40, {{0xAC, Used37}}, {}, Edit::Fix, {{0xAC, AllFree}}, false, 749},
        DamagedCase{"FixWithoutExtendedBam",
                    40,
                    {{0xC0, {5, 3, 0, 0}}, {0x44, {0x14, 0xFE}}},
                    {},
                    Edit::Fix,
                    {{0x44, {0x15, 0xFF}}},
                    true,
                    664},
        // Track 17 has 21 sectors; the 3 bits past them stay and are not counted.
        DamagedCase{"Track17BitsPastItsEnd",
                    35,
                    {{0x47, {0xFF}}},
                    {{17, 0}},
                    Edit::Delete,
                    {{0x44, {0x15, 0xFF, 0xFF, 0xFF}}},
                    false,
                    664}),
    [](const auto& info) { return std::string(info.param.name); });

// A 40-track disk whose tracks 1 to 35 are full: the listing counts the free
// blocks of tracks 36 to 40, which a file then gets.
TEST(FreeCount, IsWhatAFileCanGetOnAFortyTrackDisk) {
    DiskImage image = InMemory(NewImageBytes(40, "FULL", "01"));
    EXPECT_EQ(ReadDiskView(image, true)->bam.freeBlocks, 749); // cc1541 -4: "749 blocks free."
    Block header = *image.ReadBlock({18, 0});
    for (int t = 1; t <= 35; ++t)
        for (int s = 0; s < SectorsPerTrack(t) && t != 18; ++s) SetBamBlockFree(header, {t, s}, false);
    image.PutBlock({18, 0}, header);
    EXPECT_EQ(ReadDiskView(image, true)->bam.freeBlocks, 85);
    Result<EditPlan> plan = ImportEntry({"TWO", FileType::Prg, Bytes(300, 1), OnClash::Refuse})(image);
    ASSERT_TRUE(plan) << plan.Error();
    for (const BlockChange& change : plan->changes) image.PutBlock(change.at, change.bytes);
    EXPECT_EQ(ReadDiskView(image, true)->bam.freeBlocks, 83);
}

// Disks cc1541 writes with its two 40-track layouts, a file of 12 blocks and
// one of 12 from track 36 on: the count cc1541 prints, and Delete frees the
// blocks in the layout the disk has.
TEST(FreeCount, AgreesWithCc1541AndDeleteKeepsItsLayout) {
    if (std::system("command -v cc1541 >/dev/null 2>&1") != 0) GTEST_SKIP() << "cc1541 is not installed";
    test::TempDir dir;
    dir.Write("big.bin", Bytes(3000, 0x5A));
    for (auto [option, layout, other] : {std::tuple{"-4", 0xC0, 0xAC}, std::tuple{"-5", 0xAC, 0xC0}}) {
        SCOPED_TRACE(option);
        const std::string cmd = "cd '" + dir.Path() + "' && cc1541 " + option +
                                " -r 36 -f big -w big.bin -f small -w big.bin x.d64 >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        DiskImage image = InMemory(dir.Read("x.d64"));
        std::remove(dir.File("x.d64").c_str());
        EXPECT_EQ(ReadDiskView(image, true)->bam.freeBlocks, 725); // cc1541: "725 blocks free."
        Result<EditPlan> plan = DeleteEntry(ListDirectory(image, true)->entries.at(0))(image);
        ASSERT_TRUE(plan) << plan.Error();
        for (const BlockChange& change : plan->changes) image.PutBlock(change.at, change.bytes);
        EXPECT_EQ(ReadDiskView(image, true)->bam.freeBlocks, 737);
        EXPECT_EQ(ValidationSummary(*ValidateImage(image)), "clean");
        const Block header = *image.ReadBlock({18, 0});
        EXPECT_EQ(header[std::size_t(layout)], 12); // track 36: the blocks of "big" free again
        EXPECT_EQ(Bytes(header.begin() + other, header.begin() + other + 20), Bytes(20, 0));
    }
}

} // namespace
} // namespace dyskel
