// The BAM of tracks 36 to 40 on 40-track disks (the extended BAM at 0xC0 as
// SpeedDOS keeps it, at 0xAC as DolphinDOS does, or none) and BAM entries
// with bits past their track's end, through the edits that write the BAM.
// An entry is 4 bytes a track: free count, 3 bitmap bytes (sector 0 in bit 0).
#include "CoreTestSupport.h"
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/Validate.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace dyskel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Tracks 36 to 40 with sectors 0 to 16 free, the entry of one track as given.
Bytes Extended(int track = 36, Bytes entry = {0x11, 0xFF, 0xFF, 0x01}) {
    Bytes bytes;
    for (int t = 36; t <= 40; ++t) bytes.insert(bytes.end(), {0x11, 0xFF, 0xFF, 0x01});
    std::copy(entry.begin(), entry.end(), bytes.begin() + 4 * (track - 36));
    return bytes;
}
const Bytes Used36 = Extended(36, {0x0F, 0xFC, 0xFF, 0x01}); // 36/0 and 36/1 used

// Applies an edit to the image in memory.
void Apply(DiskImage& image, const ImageEdit& edit) {
    Result<EditPlan> plan = edit(image);
    ASSERT_TRUE(plan) << plan.Error();
    for (const BlockChange& change : plan->changes) image.PutBlock(change.at, change.bytes);
}

int ListedFree(const DiskImage& image) {
    return ReadDiskView(image, true)->bam.freeBlocks;
}

struct Patch {
    std::size_t at;
    Bytes bytes;
};
enum class Edit { Delete, Clear, Fix };

struct DamagedCase {
    const char* name;
    int tracks;
    std::vector<Patch> header;             // written into 18/0 after the file
    std::vector<D64Builder::Address> file; // the blocks of the one file
    Edit edit;
    std::vector<Patch> expected; // in 18/0 after the edit; none: 0xAB to 0xFF as they were
    int freeAfter;               // BLOCKS FREE of the listing after the edit
};
void PrintTo(const DamagedCase& c, std::ostream* os) {
    *os << c.name;
}

class DamagedDisk : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedDisk, EditWritesOnlyTheBamThatIsThere) {
    const DamagedCase& c = GetParam();
    D64Builder disk("DAMAGED", "01", c.tracks);
    if (!c.file.empty()) disk.AddFile("F", 0x82, Bytes(254 * c.file.size(), 1), c.file);
    for (const Patch& p : c.header) std::copy(p.bytes.begin(), p.bytes.end(), disk.Header() + p.at);
    DiskImage image = test::InMemory(disk.Bytes());
    const Block before = *image.ReadBlock({18, 0});
    Apply(image, c.edit == Edit::Delete  ? DeleteEntry(ListDirectory(image, true)->entries.at(0))
                 : c.edit == Edit::Clear ? ClearImage()
                                         : FixBam());
    const Block after = *image.ReadBlock({18, 0});
    for (const Patch& p : c.expected)
        EXPECT_EQ(Bytes(after.begin() + p.at, after.begin() + p.at + p.bytes.size()), p.bytes) << p.at;
    if (c.expected.empty()) {
        EXPECT_EQ(Bytes(after.begin() + 0xAB, after.end()), Bytes(before.begin() + 0xAB, before.end()));
    }
    EXPECT_EQ(ListedFree(image), c.freeAfter);
    EXPECT_EQ(ValidationSummary(*ValidateImage(image)), "clean");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, DamagedDisk, ::testing::Values(
    //          name, tracks, 18/0 bytes, file, edit, 18/0 after, free after
    DamagedCase{"DeleteWithoutExtendedBam", 40, {}, {{36, 0}, {36, 1}, {17, 0}}, Edit::Delete, {}, 664},
    DamagedCase{"DeleteInDolphinDosBam", 40, {{0xAC, Used36}}, {{36, 0}, {36, 1}}, Edit::Delete,
                {{0xAC, Extended()}, {0xC0, Bytes(20, 0)}}, 749},
    DamagedCase{"SpeedDosWinsOverDolphinDos", 40, {{0xAC, Extended()}, {0xC0, Used36}}, {{36, 0}, {36, 1}},
                Edit::Delete, {{0xC0, Extended()}, {0xAC, Extended()}}, 749},
    DamagedCase{"BitOfSector17IsNoExtendedBam", 40, {{0xC0, Extended(36, {0x12, 0xFF, 0xFF, 0x03})}},
                {{36, 0}, {17, 0}}, Edit::Delete, {}, 664},
    DamagedCase{"CountNotItsBitmapIsNoExtendedBam", 40, {{0xAC, Extended(36, {0x10, 0xFF, 0xFF, 0x01})}},
                {{36, 0}, {17, 0}}, Edit::Delete, {}, 664},
    DamagedCase{"ClearFreesSpeedDosBam", 40, {{0xC0, Used36}}, {{36, 0}, {36, 1}}, Edit::Clear,
                {{0xC0, Extended()}}, 749},
    DamagedCase{"ClearWithoutExtendedBam", 40, {{0xAB, {1, 9, 3}}, {0xC0, {5, 3, 0, 0}}}, {{36, 0}, {17, 0}},
                Edit::Clear, {}, 664},
    DamagedCase{"FixInDolphinDosBam", 40, {{0xAC, Extended(37, {0x10, 0xDF, 0xFF, 0x01})}}, {}, Edit::Fix,
                {{0xAC, Extended()}}, 749},
    DamagedCase{"FixWithoutExtendedBam", 40, {{0xC0, {5, 3, 0, 0}}, {0x44, {0x14, 0xFE}}}, {}, Edit::Fix, {}, 664},
    // Track 17 has 21 sectors; the 3 bits past them stay and are not counted.
    DamagedCase{"Track17BitsPastItsEnd", 35, {{0x47, {0xFF}}}, {{17, 0}}, Edit::Delete,
                {{0x44, {0x15, 0xFF, 0xFF, 0xFF}}}, 664}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A 40-track disk whose tracks 1 to 35 are full: the listing counts the free
// blocks of tracks 36 to 40, which a file then gets.
TEST(FreeCount, IsWhatAFileCanGetOnAFortyTrackDisk) {
    DiskImage image = test::InMemory(NewImageBytes(40, "FULL", "01"));
    EXPECT_EQ(ListedFree(image), 749); // cc1541 -4 on an empty disk: "749 blocks free."
    Block header = *image.ReadBlock({18, 0});
    for (int t = 1; t <= 35; ++t)
        for (int s = 0; s < SectorsPerTrack(t) && t != 18; ++s) SetBamBlockFree(header, {t, s}, false);
    image.PutBlock({18, 0}, header);
    EXPECT_EQ(ListedFree(image), 85);
    Apply(image, ImportEntry({"TWO", FileType::Prg, Bytes(300, 1), OnClash::Refuse}));
    EXPECT_EQ(ListedFree(image), 83);
}

// cc1541 -4 writes the extended BAM at 0xC0, -5 at 0xAC; here two files of 12
// blocks from track 36 on.  The count is the one cc1541 prints, and Delete
// frees the blocks where the disk keeps them.
TEST(FreeCount, AgreesWithCc1541AndDeleteKeepsItsLayout) {
    if (std::system("command -v cc1541 >/dev/null 2>&1") != 0) GTEST_SKIP() << "cc1541 is not installed";
    test::TempDir dir;
    dir.Write("big.bin", Bytes(3000, 0x5A));
    for (auto [option, layout, other] : {std::tuple{"-4", 0xC0, 0xAC}, std::tuple{"-5", 0xAC, 0xC0}}) {
        SCOPED_TRACE(option);
        const std::string cmd = "cd '" + dir.Path() + "' && cc1541 " + option + " -r 36 -f big -w big.bin" +
                                " -f small -w big.bin " + option + ".d64 >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        DiskImage image = test::InMemory(dir.Read(std::string(option) + ".d64"));
        EXPECT_EQ(ListedFree(image), 725); // cc1541: "725 blocks free."
        Apply(image, DeleteEntry(ListDirectory(image, true)->entries.at(0)));
        EXPECT_EQ(ListedFree(image), 737);
        EXPECT_EQ(ValidationSummary(*ValidateImage(image)), "clean");
        const Block header = *image.ReadBlock({18, 0});
        EXPECT_EQ(header[std::size_t(layout)], 12); // track 36: the 12 blocks of "big" free again
        EXPECT_EQ(Bytes(header.begin() + other, header.begin() + other + 20), Bytes(20, 0));
    }
}

} // namespace
} // namespace dyskel
