// Listing the images of a folder, sorting them and the texts of their rows.
#include "core/ImageScan.h"
#include "CoreTestSupport.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <utime.h>

namespace dyskel {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

struct AttrRow {
    std::uint8_t attributes;
    const char* text;
};
constexpr AttrRow AttrRows[] = {
    {0, "____"}, {32, "__A_"}, {33, "R_A_"}, {34, "H_A_"}, {6, "S___"},  {1, "R___"},
    {2, "H___"}, {3, "R___"},  {7, "S___"},  {39, "S_A_"}, {16, "____"}, {8, "____"},
};
class Attr : public ::testing::TestWithParam<AttrRow> {};
TEST_P(Attr, OneLetterInPlaceOneArchiveInPlaceThree) {
    EXPECT_EQ(AttrText(GetParam().attributes), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(Table, Attr, ::testing::ValuesIn(AttrRows));

std::vector<std::string> Names(const std::vector<ImageEntry>& v) {
    std::vector<std::string> n;
    for (auto& e : v) n.push_back(e.name);
    return n;
}

TEST(SortImages, ByteWiseUnsignedStableAndPrefixFirst) {
    std::vector<ImageEntry> v = {{"arcade.D64", 1}, {"Zork.D64", 2}, {"\xE9t\xE9.d64", 3},
                                 {"ab.D64", 4},     {"ab.D64x", 5},  {"ab.D64", 6}};
    SortImages(v, "OTHER");
    EXPECT_EQ(v[0].name, "arcade.D64");
    SortImages(v, "NAME");
    EXPECT_EQ(Names(v), (std::vector<std::string>{"Zork.D64", "ab.D64", "ab.D64", "ab.D64x", "arcade.D64",
                                                  "\xE9t\xE9.d64"}));
    EXPECT_EQ(v[1].size, 4); // equal names keep their order
    EXPECT_EQ(v[2].size, 6);
}

class ScanTest : public ::testing::Test {
  protected:
    TempDir dir;
};

TEST_F(ScanTest, ListsFilesAndFoldersEndingInD64InAnyCase) {
    D64Builder disk;
    disk.Save(dir.File("a.d64"));
    dir.Write("B.D64", {1, 2, 3});
    dir.Write("c.D6", {});
    dir.Write("d.d64x", {});
    dir.Write("e.txt", {});
    dir.Write(".hidden.d64", {});
    dir.Write("ro.D64", {});
    chmod(dir.File("ro.D64").c_str(), 0444);
    fs::create_directory(dir.File("old.D64"));
    dir.Write("old.D64/x", std::vector<std::uint8_t>(5000));
    auto found = ListImages(dir.Path());
    SortImages(found, "NAME");
    ASSERT_EQ(Names(found), (std::vector<std::string>{".hidden.d64", "B.D64", "a.d64", "old.D64", "ro.D64"}));
    EXPECT_EQ(found[0].attributes, AttrHidden);
    EXPECT_EQ(found[1].size, 3);
    EXPECT_EQ(found[1].attributes, 0);
    EXPECT_EQ(found[2].size, 174848);
    EXPECT_EQ(found[3].attributes, AttrDirectory);
    EXPECT_EQ(found[3].size, 0);
    EXPECT_EQ(found[4].attributes, AttrReadOnly);
    EXPECT_GT(found[2].mtime, 0);
}

TEST_F(ScanTest, MissingFolderGivesNothing) {
    EXPECT_TRUE(ListImages(dir.File("none")).empty());
    EXPECT_TRUE(ListImages(dir.Path()).empty());
}

TEST_F(ScanTest, MoreThan2000ImagesAreAllListedWithProgressUpTo100) {
    for (int i = 0; i < 2005; ++i) dir.Write("i" + std::to_string(i) + ".d64", {});
    std::vector<int> progress;
    auto found = ListImages(dir.Path(), [&](int p) { progress.push_back(p); });
    EXPECT_EQ(found.size(), 2005u);
    ASSERT_EQ(progress.size(), 2004u); // after every match but the first
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress[998], 50); // 1000 of 2000
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

// Columns of an image row, with and without details.
class RowTest : public ScanTest {
  protected:
    ImageEntry Save(const std::string& name, D64Builder& disk) {
        disk.Save(dir.File(name));
        return FindImage(dir.File(name));
    }
};

TEST_F(RowTest, StandardImageRow) {
    D64Builder disk("GAMES", "01");
    ImageEntry e = Save("GAMES.D64", disk);
    auto cells = ImageRowCells(dir.Path(), e, true);
    EXPECT_EQ(cells, (std::array<std::string, 8>{"", "GAMES.D64", "174848", "____", "\"GAMES\" 012A",
                                                 "1541SS", "No", "R/W"}));
    auto plain = ImageRowCells(dir.Path(), e, false);
    EXPECT_EQ(plain, (std::array<std::string, 8>{"", "GAMES.D64", "174848", "____", "", "", "", ""}));
}

TEST_F(RowTest, ErrorBytesDoubleSidedAndWriteProtected) {
    D64Builder disk("GAMES", "01", 35, true);
    disk.Header()[0x03] = 0x80;
    disk.Header()[0x02] = 'B';
    ImageEntry e = Save("E.D64", disk);
    auto cells = ImageRowCells(dir.Path(), e, true);
    EXPECT_EQ(cells[2], "175531");
    EXPECT_EQ(cells[5], "1571DS");
    EXPECT_EQ(cells[6], "Yes");
    EXPECT_EQ(cells[7], "R/O");
    // 40 tracks carry their error bytes too.
    D64Builder fortyDisk("FORTY", "01", 40, true);
    ImageEntry forty = Save("F.D64", fortyDisk);
    EXPECT_EQ(ImageRowCells(dir.Path(), forty, true)[2], "197376");
    EXPECT_EQ(ImageRowCells(dir.Path(), forty, true)[6], "Yes");
}

TEST_F(RowTest, QuoteAndShiftedLettersLeaveTheLabel) {
    D64Builder disk("A\"B\xC1\xDA"
                    "C",
                    "01");
    ImageEntry e = Save("Q.D64", disk);
    DiskLabel l = ReadDiskLabel(dir.Path(), e);
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.label, "\"ABC\" 012A");
}

TEST_F(RowTest, UnreadableHeaderLeavesTheDetailColumnsEmpty) {
    dir.Write("short.d64", std::vector<std::uint8_t>(91392 + 255, 0x41));
    fs::create_directory(dir.File("dir.d64"));
    ASSERT_EQ(mkfifo(dir.File("pipe.d64").c_str(), 0644), 0); // must not hang the scan
    for (const char* name : {"short.d64", "dir.d64", "gone.d64", "pipe.d64"}) {
        ImageEntry e{name, 174848, 0, -1}; // as listed before the file changed
        DiskLabel l = ReadDiskLabel(dir.Path(), e);
        EXPECT_FALSE(l.ok) << name;
        EXPECT_EQ(l.label, "");
        auto cells = ImageRowCells(dir.Path(), e, true);
        EXPECT_EQ(cells[1], name);
        for (int c = 4; c < 8; ++c) EXPECT_EQ(cells[std::size_t(c)], "") << name << " " << c;
    }
}

TEST_F(RowTest, FindImageReportsNameSizeTimeAndAttributes) {
    dir.Write("T.D64", std::vector<std::uint8_t>(174848));
    utimbuf times{1000000000, 1234567890};
    utime(dir.File("T.D64").c_str(), &times);
    ImageEntry e = FindImage(dir.File("T.D64"));
    EXPECT_EQ(e.name, "T.D64");
    EXPECT_EQ(e.size, 174848);
    EXPECT_EQ(e.mtime, 1234567890);
    EXPECT_EQ(e.attributes, 0);
    EXPECT_TRUE(IsValidD64(e));
    EXPECT_EQ(FindImage(dir.File("none.D64")).name, "");
    ImageEntry d = FindImage(dir.Path() + "/");
    EXPECT_EQ(d.attributes, AttrDirectory);
    EXPECT_EQ(d.name, fs::path(dir.Path()).filename().string());
}

struct ValidRow {
    const char* name;
    std::int64_t size;
    bool valid;
};
constexpr ValidRow ValidRows[] = {
    {"X.D64", 174848, true}, {"X.D64", 175531, true},      {"x.d64", 174848, true},  {"X.D64", 174849, false},
    {"X.D64", 196608, true}, {"X.D64.PRG", 174848, false}, {"X.D6", 174848, false},  {"X.D64", 0, false},
    {"x.D6", 174848, false}, {"y.d64", 197376, true},      {"Y.d64", 196609, false}, {"Z.d64", 175531, true},
};
class Valid : public ::testing::TestWithParam<ValidRow> {};
TEST_P(Valid, NameAndSize) {
    EXPECT_EQ(IsValidD64({GetParam().name, GetParam().size, 0, -1}), GetParam().valid);
}
INSTANTIATE_TEST_SUITE_P(Table, Valid, ::testing::ValuesIn(ValidRows));

} // namespace
} // namespace dyskel
