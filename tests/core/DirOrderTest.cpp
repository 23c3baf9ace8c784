// The directory's order: separators put in, entries moved, the room it has,
// and separators owning no block.  Expected bytes follow the 1541's layout:
// track 18 from byte 0x16500 of the image, 8 entries of 32 bytes a block
// (type at +2, first block at +3, name at +5, size at +0x1E), the second
// directory block at 18/4 (interleave 3), the BAM of track 18 at 0x48.
#include "core/DirOrder.h"
#include "CoreTestSupport.h"
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/FileChain.h"
#include "core/Validate.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace dyskel {
namespace {

using test::InMemory;
using test::TempDir;

bool Says(const std::string& message, const std::string& part) {
    return message.find(part) != std::string::npos;
}

std::string Apply(DiskImage& image, const ImageEdit& edit) {
    Result<EditPlan> plan = edit(image);
    if (!plan) return plan.Error();
    for (const BlockChange& c : plan->changes) image.PutBlock(c.at, c.bytes);
    return "";
}

// A disk with one-block PRG files named by the letters of names; a "*"
// after a letter scratches that file afterwards (type byte 0, name kept).
DiskImage Disk(const std::string& names) {
    D64Builder b;
    std::vector<std::pair<std::pair<int, int>, D64Builder::Address>> scratch;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == '*') continue;
        const D64Builder::Address block = b.Allocate();
        auto at = b.AddDirEntry(0x82, block, std::string(1, names[i]), 1);
        if (i + 1 < names.size() && names[i + 1] == '*') scratch.push_back({at, block});
    }
    for (const auto& [at, block] : scratch) {
        b.Block(18, at.first)[at.second + 2] = 0;
        b.SetFree(block.track, block.sector, true);
    }
    return InMemory(b.Bytes());
}

// The directory as bytes tell it: "s/k:TT:N" for every slot k of block 18/s
// in chain order whose type byte is not 0 (TT the type byte in hex, N the
// first name byte, "-" for a separator's dashes).
std::string Slots(const DiskImage& image) {
    const auto& bytes = image.Bytes();
    std::string out;
    int sector = 1;
    for (int guard = 0; guard < 19; ++guard) {
        const std::size_t block = 0x16500 + std::size_t(sector) * 256;
        for (int k = 0; k < 8; ++k) {
            const std::size_t e = block + std::size_t(k) * 32;
            if (bytes[e + 2] == 0) continue;
            char text[32];
            std::snprintf(text, sizeof text, "%d/%d:%02X:%c ", sector, k, bytes[e + 2], char(bytes[e + 5]));
            out += text;
        }
        if (bytes[block] == 0) break;
        sector = bytes[block + 1];
    }
    return out;
}

std::vector<DirEntry> Listed(const DiskImage& image) {
    return ListDirectory(image, false)->entries;
}

enum class Op { Insert, MoveUp, MoveDown };

struct OrderCase {
    const char* name;
    const char* disk;
    Op op;
    std::size_t row;
    const char* slots; // as Slots() writes them
};

class Order : public testing::TestWithParam<OrderCase> {};

TEST_P(Order, SlotsChangeChainsDoNot) {
    const OrderCase& c = GetParam();
    DiskImage image = Disk(c.disk);
    const auto before = Listed(image);
    const ImageEdit edit = c.op == Op::Insert ? InsertSeparator(before, c.row)
                                              : MoveEntry(before, c.row, c.op == Op::MoveUp ? -1 : 1);
    ASSERT_EQ(Apply(image, edit), "");
    EXPECT_EQ(Slots(image), c.slots);
    // Each file keeps its first block under its name; the disk is clean.
    const DirListing after = *ListDirectory(image, true);
    for (const DirEntry& now : after.entries) {
        if (now.OwnsNoBlock()) continue;
        auto was =
            std::find_if(before.begin(), before.end(), [&](const DirEntry& e) { return e.name == now.name; });
        ASSERT_NE(was, before.end());
        EXPECT_EQ(now.first, was->first);
    }
    EXPECT_TRUE(ValidateImage(image)->Clean()) << ValidationSummary(*ValidateImage(image));
}

INSTANTIATE_TEST_SUITE_P(
    DirOrder, Order,
    testing::Values(
        OrderCase{"InsertBeforeSecond", "ABC", Op::Insert, 1, "1/0:82:A 1/1:80:- 1/2:82:B 1/3:82:C "},
        OrderCase{"InsertAfterLast", "AB", Op::Insert, 2, "1/0:82:A 1/1:82:B 1/2:80:- "},
        OrderCase{"InsertTakesTheScratchedSlot", "AX*B", Op::Insert, 3, "1/0:82:A 1/1:82:B 1/2:80:- "},
        OrderCase{"InsertBeforeAScratchedRow", "AX*B", Op::Insert, 1, "1/0:82:A 1/1:80:- 1/2:82:B "},
        OrderCase{"InsertIntoAFullBlockLinks18_4", "ABCDEFGH", Op::Insert, 0,
                  "1/0:80:- 1/1:82:A 1/2:82:B 1/3:82:C 1/4:82:D 1/5:82:E 1/6:82:F 1/7:82:G 4/0:82:H "},
        OrderCase{"MoveUp", "ABC", Op::MoveUp, 2, "1/0:82:A 1/1:82:C 1/2:82:B "},
        OrderCase{"MoveDownPastAScratchedRow", "AX*B", Op::MoveDown, 0, "1/0:82:B 1/2:82:A "},
        OrderCase{"MoveAcrossBlocks", "ABCDEFGHI", Op::MoveDown, 7,
                  "1/0:82:A 1/1:82:B 1/2:82:C 1/3:82:D 1/4:82:E 1/5:82:F 1/6:82:G 1/7:82:I 2/0:82:H "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DirOrder, ASeparatorIsTheBytesOfAClosedDelOwningNothing) {
    DiskImage image = Disk("AB");
    ASSERT_EQ(Apply(image, InsertSeparator(Listed(image), 1)), "");
    const std::uint8_t* e = image.Bytes().data() + 0x16500 + 256 + 32;
    const std::vector<std::uint8_t> expected = {
        0x00, 0x00, 0x80, 0x00, 0x00, '-',  '-',  '-',  '-',  '-',  '-',  '-',  '-',  '-',  '-',  '-',
        '-',  '-',  '-',  '-',  '-',  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::vector<std::uint8_t>(e, e + 32), expected);

    const DirEntry sep = Listed(image)[1];
    EXPECT_TRUE(EntryBlocksOf(image, sep).blocks.empty());
    TempDir dir;
    FileOutcome out = ExportPRG(image, sep, dir.Path(), "SEP.PRG");
    EXPECT_FALSE(out.failed);
    EXPECT_EQ(out.blocks, 0);
    EXPECT_EQ(std::filesystem::file_size(out.path), 0u);
    HexDumpText dump = BuildHexDump(image, sep);
    EXPECT_FALSE(dump.failed);
    EXPECT_EQ(dump.text, "FILENAME: \"----------------.PRG\"      SIZE: 0 BLOCKS\r\n");

    // Delete frees nothing: the BAM stays as it was.
    const Block header = *image.ReadBlock({18, 0});
    ASSERT_EQ(Apply(image, DeleteEntry(sep)), "");
    EXPECT_EQ(*image.ReadBlock({18, 0}), header);
    EXPECT_TRUE(ValidateImage(image)->Clean());
}

TEST(DirOrder, ANewDirectoryBlockIsTakenFromTheBam) {
    DiskImage image = Disk("ABCDEFGH");
    ASSERT_EQ(Apply(image, InsertSeparator(Listed(image), 8)), "");
    const auto& b = image.Bytes();
    EXPECT_EQ(b[0x16500 + 256 + 0], 18); // 18/1 links to 18/4
    EXPECT_EQ(b[0x16500 + 256 + 1], 4);
    EXPECT_EQ(b[0x16500 + 4 * 256 + 0], 0);
    EXPECT_EQ(b[0x16500 + 4 * 256 + 1], 0xFF);
    EXPECT_EQ(b[0x16500 + 0x48], 16);   // track 18: 19 sectors, 0, 1 and 4 used
    EXPECT_EQ(b[0x16500 + 0x49], 0xEC); // sectors 0-7: 1110 1100
    EXPECT_EQ(DirUsageText(*DirectoryUsage(image)), "9 of 144 entries used, 2 of 18 directory blocks");
}

struct Refusal {
    const char* name;
    const char* disk;
    Op op;
    std::size_t row;
    const char* says;
};

class Refused : public testing::TestWithParam<Refusal> {};

TEST_P(Refused, NothingChanges) {
    const Refusal& c = GetParam();
    DiskImage image = Disk(c.disk);
    const auto listed = Listed(image);
    const ImageEdit edit = c.op == Op::Insert ? InsertSeparator(listed, c.row)
                                              : MoveEntry(listed, c.row, c.op == Op::MoveUp ? -1 : 1);
    EXPECT_PRED2(Says, Apply(image, edit), c.says);
}

INSTANTIATE_TEST_SUITE_P(DirOrder, Refused,
                         testing::Values(Refusal{"FirstUp", "AB", Op::MoveUp, 0, "already the first"},
                                         Refusal{"LastDown", "AB", Op::MoveDown, 1, "already the last"},
                                         Refusal{"Scratched", "AX*B", Op::MoveUp, 1, "is scratched"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DirOrder, AListingThatNoLongerHoldsRefuses) {
    DiskImage image = Disk("ABC");
    const auto listed = Listed(image);
    ASSERT_EQ(Apply(image, RenameEntry(listed[2], PaddedName("Z"))), "");
    EXPECT_PRED2(Says, Apply(image, MoveEntry(listed, 0, 1)), "changed elsewhere");
    ASSERT_EQ(Apply(image, DeleteEntry(Listed(image)[1])), "");
    EXPECT_PRED2(Says, Apply(image, InsertSeparator(listed, 0)), "changed elsewhere");
}

TEST(DirOrder, AFullDirectoryTakesNoSeparator) {
    D64Builder b;
    for (int i = 0; i < 144; ++i) b.AddDirEntry(0x80, {0, 0}, "S", 0);
    DiskImage image = InMemory(b.Bytes());
    EXPECT_EQ(DirUsageText(*DirectoryUsage(image)), "144 of 144 entries used, 18 of 18 directory blocks");
    EXPECT_PRED2(Says, Apply(image, InsertSeparator(Listed(image), 0)), "at most 144 entries");
}

// A 1571 keeps its directory on track 18 as a 1541 does (second block 18/4,
// track 18's BAM entry at 18/0 0x48); a 1581 from 40/3 with interleave 1 (the
// second block 40/4), track 40's BAM entry in 40/1 at 0xFA (6 bytes a track
// from 0x10: count, then sectors 0-7 in the first map byte).  A fresh disk
// uses the header, BAM and first directory blocks.
struct FormatCase {
    const char* name;
    const DiskFormat* format;
    std::size_t dirTrack;  // byte offset of sector 0 of the directory track
    std::size_t bamEntry;  // the directory track's BAM entry, from dirTrack
    int countAfter;        // its free count with one more directory block
    std::uint8_t mapAfter; // its first map byte then
    int secondDir;         // the sector of the second directory block
    const char* gauge;
    const char* full;
};

class FormatDir : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatDir, ANewDirectoryBlockFollowsTheDrive) {
    const FormatCase& c = GetParam();
    DiskImage image = InMemory(NewImageBytes(*c.format, "ART", "AB"), "/nonexistent/mem.img");
    ASSERT_EQ(&image.Format(), c.format);
    std::vector<Placement> nine(9, Placement{std::nullopt, std::nullopt});
    ASSERT_EQ(Apply(image, ArrangeDirectory(nine)), "");
    const auto& b = image.Bytes();
    const std::size_t first = c.dirTrack + std::size_t(c.format->firstDirSector) * 256;
    EXPECT_EQ(b[first], c.format->dirTrack);
    EXPECT_EQ(b[first + 1], c.secondDir);
    EXPECT_EQ(b[first + 0xE2], 0x80); // the eighth separator's type byte
    EXPECT_EQ(b[c.dirTrack + std::size_t(c.secondDir) * 256 + 1], 0xFF);
    EXPECT_EQ(b[c.dirTrack + std::size_t(c.secondDir) * 256 + 2], 0x80);
    EXPECT_EQ(b[c.dirTrack + c.bamEntry], c.countAfter);
    EXPECT_EQ(b[c.dirTrack + c.bamEntry + 1], c.mapAfter);
    EXPECT_EQ(DirUsageText(*DirectoryUsage(image)), c.gauge);

    std::vector<Placement> all = PlacementsOf(Listed(image));
    all.resize(std::size_t(DirectoryCapacity(image).entries), Placement{std::nullopt, std::nullopt});
    ASSERT_EQ(Apply(image, ArrangeDirectory(all)), "");
    EXPECT_EQ(b[c.dirTrack + c.bamEntry], 0) << "every block of the directory track used";
    EXPECT_PRED2(Says, Apply(image, InsertSeparator(Listed(image), 0)), c.full);
}

INSTANTIATE_TEST_SUITE_P(
    DirOrder, FormatDir,
    testing::Values(FormatCase{"D71", &D71Format, 0x16500, 0x48, 16, 0xEC, 4,
                               "9 of 144 entries used, 2 of 18 directory blocks", "at most 144 entries"},
                    FormatCase{"D81", &D81Format, 0x61800, 0x1FA, 35, 0xE0, 4,
                               "9 of 296 entries used, 2 of 37 directory blocks", "at most 296 entries"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DirOrder, ANewD81DirectoryBlockSkipsABlockTheBamHolds) {
    DiskImage image = InMemory(NewImageBytes(D81Format, "ART", "AB"), "/nonexistent/mem.d81");
    Block bam = *image.ReadBlock({40, 1});
    bam[0xFA] = 35, bam[0xFB] = 0xE0; // 40/4 used
    image.PutBlock({40, 1}, bam);
    std::vector<Placement> nine(9, Placement{std::nullopt, std::nullopt});
    ASSERT_EQ(Apply(image, ArrangeDirectory(nine)), "");
    EXPECT_EQ(image.Bytes()[0x61B01], 5);
    EXPECT_EQ(image.Bytes()[0x61900 + 0xFB], 0xC0);
}

} // namespace
} // namespace dyskel
