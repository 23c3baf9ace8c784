// New images, files written onto disks and exported again, the 1541's block
// allocation, and the refusals.  Expected bytes follow the 1541's documented
// layout: BAM at 18/0 (4 bytes a track from 0x04), directory from 18/1.
#include "core/DiskFiles.h"
#include "CoreTestSupport.h"
#include "core/DiskEdits.h"
#include "core/FileChain.h"
#include "core/Validate.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <functional>

namespace dyskel {
namespace {

using test::InMemory;
using test::TempDir;

// Applies an edit to an image in memory; the message of a refusal.
std::string Apply(DiskImage& image, const ImageEdit& edit) {
    Result<EditPlan> plan = edit(image);
    if (!plan) return plan.Error();
    for (const BlockChange& c : plan->changes) image.PutBlock(c.at, c.bytes);
    return "";
}

Block Header(const DiskImage& image) {
    return *image.ReadBlock({18, 0});
}

ImportFile File(const std::string& name, std::size_t bytes, OnClash clash = OnClash::Refuse) {
    ImportFile f{name, FileType::Prg, {}, clash};
    for (std::size_t i = 0; i < bytes; ++i) f.data.push_back(std::uint8_t(i * 7 + i / 254));
    return f;
}

TEST(NewImage, TrackEighteenAsTheDriveFormatsIt) {
    for (int tracks : {35, 40}) {
        std::vector<std::uint8_t> b = NewImageBytes(tracks, "GAMES", "A1");
        ASSERT_EQ(b.size(), tracks == 35 ? 174848u : 196608u);
        const std::uint8_t* h = b.data() + 0x16500;
        EXPECT_EQ(std::vector<std::uint8_t>(h, h + 8),
                  (std::vector<std::uint8_t>{0x12, 0x01, 0x41, 0, 0x15, 0xFF, 0xFF, 0x1F}));
        EXPECT_EQ(std::vector<std::uint8_t>(h + 0x48, h + 0x4C),
                  (std::vector<std::uint8_t>{0x11, 0xFC, 0xFF, 0x07}));
        EXPECT_EQ(std::vector<std::uint8_t>(h + 0x8C, h + 0x90),
                  (std::vector<std::uint8_t>{0x11, 0xFF, 0xFF, 0x01}));
        EXPECT_EQ(std::string(h + 0x90, h + 0xAB), "GAMES\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0"
                                                   "A1\xA0"
                                                   "2A\xA0\xA0\xA0\xA0");
        for (int t = 0; t < 5; ++t)
            EXPECT_EQ(std::vector<std::uint8_t>(h + 0xC0 + 4 * t, h + 0xC4 + 4 * t),
                      (tracks == 40 ? std::vector<std::uint8_t>{0x11, 0xFF, 0xFF, 0x01}
                                    : std::vector<std::uint8_t>(4, 0)));
        EXPECT_EQ(b[0x16600], 0);
        EXPECT_EQ(b[0x16601], 0xFF);
        int nonZero = 0;
        for (std::size_t i = 0; i < b.size(); ++i) nonZero += (i < 0x16500 || i >= 0x16602) && b[i];
        EXPECT_EQ(nonZero, 0);
        DiskImage image = InMemory(b);
        EXPECT_EQ(BamFreeBlocks(Header(image), tracks), tracks == 35 ? 664 : 749);
    }
}

TEST(NewImage, ReplacesAFileOnlyWhenAsked) {
    TempDir dir;
    dir.Write("old.d64", std::vector<std::uint8_t>{1, 2, 3});
    dir.Write("old.d64.new", std::vector<std::uint8_t>{4}); // left by something else
    Result<void> made = CreateImageFile(dir.File("old.d64"), NewImageBytes(35, "X", "00"));
    EXPECT_FALSE(made);
    EXPECT_NE(made.Error().find("already exists"), std::string::npos);
    EXPECT_EQ(dir.Read("old.d64"), (std::vector<std::uint8_t>{1, 2, 3}));
    ASSERT_TRUE(CreateImageFile(dir.File("new.d64"), NewImageBytes(35, "X", "00")));
    EXPECT_EQ(dir.Read("new.d64").size(), 174848u);
    ASSERT_TRUE(CreateImageFile(dir.File("old.d64"), NewImageBytes(35, "X", "00"), true));
    EXPECT_EQ(dir.Read("old.d64"), dir.Read("new.d64"));
    EXPECT_EQ(dir.Read("old.d64.new"), std::vector<std::uint8_t>{4});
}

struct AllocCase {
    const char* name;
    int tracks;
    std::vector<BlockAddress> usedBefore; // blocks marked used first
    std::vector<int> fullTracks;          // tracks marked full first
    int count;
    std::vector<BlockAddress> expected;
    bool extendedBamLost = false; // the BAM entries of tracks 36 to 40 wiped
};

class Allocation : public ::testing::TestWithParam<AllocCase> {};

TEST_P(Allocation, FollowsTheDrive) {
    const AllocCase& c = GetParam();
    DiskImage image = InMemory(NewImageBytes(c.tracks, "A", "00"));
    Block header = Header(image);
    for (BlockAddress at : c.usedBefore) SetBamBlockFree(header, at, false);
    for (int t : c.fullTracks)
        for (int s = 0; s < SectorsPerTrack(t); ++s) SetBamBlockFree(header, {t, s}, false);
    if (c.extendedBamLost) std::fill_n(header.begin() + 0xC0, 20, 0);
    EXPECT_EQ(AllocateBlocks(header, c.tracks, c.count), c.expected);
}

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int t = from; t <= to; ++t)
        if (t != 18) v.push_back(t);
    return v;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Allocation,
    ::testing::Values(AllocCase{"InterleaveTenWrapSearchingOnForAFreeSector",
                                35,
                                {},
                                {},
                                13,
                                {{17, 0},
                                 {17, 10},
                                 {17, 20},
                                 {17, 8},
                                 {17, 18},
                                 {17, 6},
                                 {17, 16},
                                 {17, 4},
                                 {17, 14},
                                 {17, 2},
                                 {17, 12},
                                 {17, 1},
                                 {17, 11}}},
                      AllocCase{
                          "UsedBlockSkipped", 35, {{17, 0}, {17, 10}}, {}, 3, {{17, 1}, {17, 11}, {17, 2}}},
                      AllocCase{"NearestBelowFirst", 35, {}, {17}, 2, {{19, 0}, {19, 10}}},
                      AllocCase{"PastTrack35WithExtendedBam", 40, {}, Range(1, 35), 2, {{36, 0}, {36, 10}}},
                      AllocCase{"ExtendedBamLost", 40, {}, Range(1, 35), 1, {}, true},
                      AllocCase{"DiskFull", 35, {}, Range(1, 34), 18, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Bam, TracksThatCountFollowTheImageAndTheExtendedBam) {
    const std::vector<std::uint8_t> zero(20, 0),
        ext = {0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF,
               0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01, 0x11, 0xFF, 0xFF, 0x01};
    std::vector<std::uint8_t> badCount = ext;
    badCount[0] = 0x10;
    const struct {
        const char* name;
        int tracks;
        const std::vector<std::uint8_t>& at0xC0;
        int last, free, take; // 664 free on tracks 1 to 35, 17 more on each of 36 to 40
    } cases[] = {{"35 tracks", 35, zero, 35, 664, 664},
                 {"35 tracks, bytes at 0xC0", 35, ext, 35, 664, 664},
                 {"40 tracks, extended BAM", 40, ext, 40, 749, 749},
                 {"40 tracks, none", 40, zero, 35, 664, 664},
                 {"40 tracks, count wrong", 40, badCount, 35, 664, 664},
                 // Listed with the BAM's count; new files only where the file holds whole tracks.
                 {"30 tracks held", 30, zero, 30, 664, 664 - 5 * 17}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Block header = Header(InMemory(NewImageBytes(35, "A", "00")));
        std::copy(c.at0xC0.begin(), c.at0xC0.end(), header.begin() + 0xC0);
        EXPECT_EQ(LastBamTrack(header, c.tracks), c.last);
        EXPECT_EQ(BamFreeBlocks(header, c.tracks), c.free);
        EXPECT_EQ(DecodeBAM(header, c.tracks).freeBlocks, c.free);
        EXPECT_EQ(BlocksToTake(header, c.tracks, {}), c.take);
    }
}

TEST(Allocation, TrackFullGoesOnAwayFromTrack18) {
    DiskImage image = InMemory(NewImageBytes(35, "A", "00"));
    Block header = Header(image);
    std::vector<BlockAddress> got = AllocateBlocks(header, 35, 23);
    ASSERT_EQ(got.size(), 23u);
    EXPECT_EQ(got[20].track, 17);
    EXPECT_EQ(got[21], (BlockAddress{16, 0}));
    EXPECT_EQ(got[22], (BlockAddress{16, 10}));
    EXPECT_EQ(BamFreeBlocks(header, 35), 664 - 23);
}

TEST(Allocation, PastTheEdgeToTheOtherSide) {
    DiskImage image = InMemory(NewImageBytes(35, "A", "00"));
    Block header = Header(image);
    for (int t : Range(3, 33))
        for (int s = 0; s < SectorsPerTrack(t); ++s) SetBamBlockFree(header, {t, s}, false);
    std::vector<BlockAddress> got = AllocateBlocks(header, 35, 44);
    ASSERT_EQ(got.size(), 44u);
    EXPECT_EQ(got[0], (BlockAddress{2, 0}));
    EXPECT_EQ(got[21], (BlockAddress{1, 0}));
    EXPECT_EQ(got[42], (BlockAddress{34, 0}));
    EXPECT_EQ(got[43], (BlockAddress{34, 10}));
}

struct RoundTrip {
    const char* name;
    std::size_t bytes;
    int blocks;
};

class RoundTrips : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RoundTrips, ExportGivesBackTheSameBytes) {
    const RoundTrip& c = GetParam();
    TempDir dir;
    DiskImage image = InMemory(NewImageBytes(35, "A", "00"));
    ImportFile f = File("FILE", c.bytes);
    ASSERT_EQ(Apply(image, ImportEntry(f)), "");
    Result<DirListing> l = ListDirectory(image, true);
    ASSERT_TRUE(l);
    ASSERT_EQ(l->entries.size(), 1u);
    EXPECT_EQ(l->entries[0].blocks, c.blocks);
    EXPECT_EQ(l->entries[0].typeByte, 0x82);
    EXPECT_EQ(ChainLength(image, l->entries[0]), c.blocks);
    EXPECT_EQ(BamFreeBlocks(Header(image), 35), 664 - c.blocks);
    EXPECT_FALSE(ExportPRG(image, l->entries[0], dir.Path(), "OUT.PRG").failed);
    EXPECT_EQ(dir.Read("OUT.PRG"), f.data);
    Result<ValidationReport> report = ValidateImage(image);
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->Clean()) << FindingText(*report, report->findings[0]);
}

INSTANTIATE_TEST_SUITE_P(ImportSizes, RoundTrips,
                         ::testing::Values(RoundTrip{"Empty", 0, 1}, RoundTrip{"OneByte", 1, 1},
                                           RoundTrip{"Bytes253", 253, 1}, RoundTrip{"OneBlockFull", 254, 1},
                                           RoundTrip{"Bytes255", 255, 2}, RoundTrip{"TwoBlocksFull", 508, 2},
                                           RoundTrip{"Blocks200", 200 * 254, 200},
                                           RoundTrip{"FillsTheDisk", 664 * 254, 664}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Import, Refusals) {
    DiskImage image = InMemory(NewImageBytes(35, "A", "00"));
    EXPECT_EQ(Apply(image, ImportEntry(File("BIG", 664 * 254 + 1))),
              "\"BIG\" needs 665 blocks; the disk has 664 blocks free. Nothing was written.");
    ASSERT_EQ(Apply(image, ImportEntry(File("ONE", 10))), "");
    EXPECT_EQ(Apply(image, ImportEntry(File("ONE", 10))),
              "A file named \"ONE\" is already on the disk. Nothing was written.");
    std::vector<ImportFile> many;
    for (int i = 1; i < MaxDirEntries; ++i) many.push_back(File("F" + std::to_string(i), 1));
    ASSERT_EQ(Apply(image, ImportEntries(many)), "");
    EXPECT_EQ(Apply(image, ImportEntry(File("LAST", 1))),
              "The directory is full (144 entries); \"LAST\" was not written.");
    Result<DirListing> l = ListDirectory(image, true);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->entries.size(), 144u);
    EXPECT_TRUE(ValidateImage(image)->Clean());
}

TEST(Import, DirectoryGrowsOnTrack18WithInterleaveThree) {
    DiskImage image = InMemory(NewImageBytes(35, "A", "00"));
    std::vector<ImportFile> files;
    for (int i = 0; i < 17; ++i) files.push_back(File("F" + std::to_string(i), 1));
    ASSERT_EQ(Apply(image, ImportEntries(files)), "");
    const Block d1 = *image.ReadBlock({18, 1}), d4 = *image.ReadBlock({18, 4}),
                d7 = *image.ReadBlock({18, 7});
    EXPECT_EQ(d1[0], 18);
    EXPECT_EQ(d1[1], 4);
    EXPECT_EQ(d4[0], 18);
    EXPECT_EQ(d4[1], 7);
    EXPECT_EQ(d7[0], 0);
    EXPECT_EQ(d7[1], 0xFF);
    EXPECT_EQ(Header(image)[0x48], 19 - 4); // 18/0, 1, 4 and 7 used
}

TEST(Import, ReplaceAndKeepBoth) {
    DiskImage image = InMemory(NewImageBytes(35, "A", "00"));
    ASSERT_EQ(Apply(image, ImportEntry(File("HELLO", 600))), "");
    ASSERT_EQ(Apply(image, ImportEntry(File("HELLO", 100, OnClash::Replace))), "");
    EXPECT_EQ(ListDirectory(image, true)->entries.size(), 1u);
    EXPECT_EQ(BamFreeBlocks(Header(image), 35), 663);
    ASSERT_EQ(Apply(image, ImportEntry(File("HELLO", 100, OnClash::KeepBoth))), "");
    EXPECT_EQ(ListDirectory(image, true)->entries.size(), 2u);
    EXPECT_TRUE(ValidateImage(image)->Clean());
}

// --- Damaged disks ----------------------------------------------------------
// Files at hand-picked blocks, the BAM then damaged as a mender finds it.
// "A" at 17/0 -> 17/10, "B" at 16/0 whose chain runs on into A's 17/10.

D64Builder Damaged(bool errorBytes = false) {
    D64Builder b("DAMAGED", "01", 35, errorBytes);
    b.AddFile("A", 0x82, std::vector<std::uint8_t>(300, 0xAA), {{17, 0}, {17, 10}});
    b.AddFile("B", 0x82, std::vector<std::uint8_t>(300, 0xBB), {{16, 0}, {17, 10}});
    b.Block(16, 0)[0] = 17, b.Block(16, 0)[1] = 10;
    return b;
}

// A REL file "R": side sector 17/5, data 17/6 (its entry counts both).
void AddRel(D64Builder& b, std::uint8_t typeByte = 0x84) {
    b.AddFile("R", typeByte, std::vector<std::uint8_t>(100, 0x11), {{17, 6}}, 2);
    auto [sector, offset] = std::pair{1, 0x20 * 2};
    b.Block(18, sector)[offset + 0x15] = 17, b.Block(18, sector)[offset + 0x16] = 5;
    b.Block(17, 5)[0] = 0, b.Block(17, 5)[1] = 0xFF;
    b.SetFree(17, 5, false);
}

DirEntry Row(const DiskImage& image, int row, bool deleted = false) {
    return ListDirectory(image, !deleted)->entries.at(std::size_t(row - 1));
}

struct DamageCase {
    const char* name;
    std::function<void(D64Builder&)> damage;
    std::function<ImageEdit(const DiskImage&)> edit;
    std::string refusal;            // "" when the edit is written
    std::string question;           // the plan's destructive line
    std::vector<std::string> notes; // told after the write
    std::vector<BlockAddress> freeAfter, usedAfter;
    bool errorBytes = false;
};

class EditOnDamagedDisk : public ::testing::TestWithParam<DamageCase> {};

TEST_P(EditOnDamagedDisk, NeverDestroysWhatAnotherEntryOwns) {
    const DamageCase& c = GetParam();
    D64Builder b = Damaged(c.errorBytes);
    c.damage(b);
    DiskImage image = InMemory(b.Bytes());
    Result<ValidationReport> before = ValidateImage(image);
    Result<EditPlan> plan = c.edit(image)(image);
    ASSERT_EQ(plan ? "" : plan.Error(), c.refusal);
    if (!plan) return;
    EXPECT_EQ(plan->destructive, c.question);
    EXPECT_EQ(plan->notes, c.notes);
    for (const BlockChange& ch : plan->changes) image.PutBlock(ch.at, ch.bytes);
    for (BlockAddress at : c.freeAfter) EXPECT_TRUE(BamBlockFree(Header(image), at)) << BlockText(at);
    for (BlockAddress at : c.usedAfter) EXPECT_FALSE(BamBlockFree(Header(image), at)) << BlockText(at);
    EXPECT_EQ(*image.ReadBlock({17, 10}), *InMemory(b.Bytes()).ReadBlock({17, 10})) << "A's block kept";
    Result<ValidationReport> after = ValidateImage(image);
    for (const Finding& f : after->findings)
        EXPECT_TRUE(std::any_of(before->findings.begin(), before->findings.end(),
                                [&](const Finding& o) { return o.kind == f.kind && o.block == f.block; }))
            << "new: " << FindingText(*after, f);
}

ImageEdit Import(const std::string& name, std::size_t bytes, OnClash clash = OnClash::Refuse) {
    return ImportEntry(File(name, bytes, clash));
}

const char* const CrossLinkNote =
    "\"A\" was cross-linked with entry 2 \"B\"; the block they share stays allocated.";

INSTANTIATE_TEST_SUITE_P(
    Cases, EditOnDamagedDisk,
    ::testing::Values(
        DamageCase{
            "ImportSkipsBlocksTheBamWronglyMarksFree",
            [](D64Builder& b) { b.SetFree(17, 0, true), b.SetFree(17, 10, true); },
            [](const DiskImage&) { return Import("NEW", 300); },
            "",
            "",
            {"The BAM was wrong: it marked 2 blocks free that the directory or files use; they were left "
             "alone. Run Validate to mend the BAM."},
            {{17, 0}, {17, 10}},
            {{17, 1}, {17, 11}}},
        DamageCase{"ImportSkipsBlocksThatDidNotRead",
                   [](D64Builder& b) { b.Bytes()[174848 + 16 * 21 + 2] = 0x05; }, // 17/2: error 5
                   [](const DiskImage&) { return Import("NEW", 300); },
                   "",
                   "",
                   {},
                   {{17, 2}},
                   {{17, 1}, {17, 11}},
                   true},
        DamageCase{"RefusalCountsOnlyBlocksItMayTake", [](D64Builder& b) { b.SetFree(16, 0, true); },
                   [](const DiskImage&) { return Import("BIG", 662 * 254); },
                   "\"BIG\" needs 662 blocks; the disk has 661 blocks free. Nothing was written."},
        DamageCase{"ReplaceRefusesALockedEntry", [](D64Builder& b) { b.Block(18, 1)[0x02] = 0xC2; },
                   [](const DiskImage&) { return Import("A", 10, OnClash::Replace); },
                   "The file \"A\" is locked (write protected); it was not replaced."},
        DamageCase{"ReplaceKeepsTheBlockAnotherEntryShares",
                   [](D64Builder&) {},
                   [](const DiskImage&) { return Import("A", 600, OnClash::Replace); },
                   "",
                   "Replace \"A\" (2 blocks)",
                   {CrossLinkNote},
                   {},
                   {{17, 0}, {17, 1}, {17, 11}}},
        DamageCase{"DeleteKeepsTheBlockAnotherEntryShares",
                   [](D64Builder&) {},
                   [](const DiskImage& i) { return DeleteEntry(Row(i, 1)); },
                   "",
                   "Delete \"A\" (2 blocks)",
                   {CrossLinkNote},
                   {{17, 0}},
                   {{17, 10}}},
        DamageCase{"DeleteOfRelFreesItsSideSectors",
                   [](D64Builder& b) { AddRel(b); },
                   [](const DiskImage& i) { return DeleteEntry(Row(i, 3)); },
                   "",
                   "Delete \"R\" (2 blocks)",
                   {},
                   {{17, 5}, {17, 6}}},
        DamageCase{"TypeAwayFromRelFreesItsSideSectors",
                   [](D64Builder& b) { AddRel(b); },
                   [](const DiskImage& i) { return SetEntryType(Row(i, 3), FileType::Prg); },
                   "",
                   "Change \"R\" from REL to PRG: its side sector is freed",
                   {},
                   {{17, 5}},
                   {{17, 6}}},
        DamageCase{"TypeOfAScratchedEntryOffersUndelete", [](D64Builder& b) { b.Block(18, 1)[0x02] = 0; },
                   [](const DiskImage& i) { return SetEntryType(Row(i, 1, true), FileType::Prg); },
                   "The entry \"A\" is scratched; Undelete takes it back with a type. Nothing was written."},
        DamageCase{"UnlockThatWouldScratch", [](D64Builder& b) { b.Block(18, 1)[0x02] = 0x40; },
                   [](const DiskImage& i) { return SetEntryLocked(Row(i, 1), false); },
                   "The type byte of \"A\" would become 0, the mark of a scratched entry; Delete scratches a "
                   "file. Nothing was written."},
        DamageCase{"UndeleteTakesBackChainAndSideSectors",
                   [](D64Builder& b) {
                       AddRel(b, 0);
                       b.SetFree(17, 5, true), b.SetFree(17, 6, true);
                   },
                   [](const DiskImage& i) { return UndeleteEntry(Row(i, 3, true), FileType::Rel); },
                   "",
                   "",
                   {},
                   {},
                   {{17, 5}, {17, 6}}},
        DamageCase{"UndeleteRefusedWhereAnotherEntryNowOwns",
                   [](D64Builder& b) { b.Block(18, 1)[0x22] = 0; }, // B scratched; A owns 17/10
                   [](const DiskImage& i) { return UndeleteEntry(Row(i, 2, true), FileType::Prg); },
                   "\"B\" cannot be taken back: its block 17,10 is now owned by entry 1 \"A\". Nothing was "
                   "written."},
        DamageCase{"SizeTellsTheBlocksShared",
                   [](D64Builder&) {},
                   [](const DiskImage& i) { return SetEntrySize(Row(i, 2), 2); },
                   "",
                   "",
                   {"\"B\": 1 of its blocks is shared with entry 1 \"A\"."}},
        DamageCase{
            "FullTrack18IsNotAFullDirectory",
            [](D64Builder& b) {
                for (int s = 2; s < 19; ++s) b.SetFree(18, s, false);
                for (int k = 0; k < 6; ++k) b.AddDirEntry(0x82, {17, 0}, "X", 0);
            },
            [](const DiskImage&) { return Import("NEW", 1); },
            "The directory holds 8 entries and track 18 has no free block for another directory block; "
            "\"NEW\" was not written."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Size, CountsSideSectorsAsValidateDoes) {
    D64Builder b = Damaged();
    AddRel(b);
    DiskImage image = InMemory(b.Bytes());
    EXPECT_EQ(ChainLength(image, Row(image, 3)), 2) << "side sector and data block";
}

struct NameCase {
    const char* path;
    const char* name; // nullptr: refused
    FileType type;
    bool changed = false; // a character not taken as it is
};

TEST(Import, NamesAndTypesOfHostFiles) {
    const NameCase cases[] = {
        {"/x/hello.prg", "HELLO", FileType::Prg},
        {"notes.SEQ", "NOTES", FileType::Seq},
        {"data.usr", "DATA", FileType::Usr},
        {"readme.txt", "README", FileType::Prg},
        {"archive.tar.seq", "ARCHIVE.TAR", FileType::Seq},
        {"averyveryverylongname.prg", "AVERYVERYVERYLON", FileType::Prg},
        {"caf\xC3\xA9.prg", "CAFE", FileType::Prg, true},
        {"\xE6\x97\xA5.prg", "-", FileType::Prg, true},
    };
    for (const NameCase& c : cases) {
        Result<HostFileName> got = NameOfHostFile(c.path);
        ASSERT_EQ(got.Ok(), c.name != nullptr) << c.path;
        if (!c.name) continue;
        EXPECT_EQ(got->name, c.name);
        EXPECT_EQ(got->type, c.type) << c.path;
        EXPECT_EQ(got->changed, c.changed) << c.path;
    }
}

} // namespace
} // namespace dyskel
