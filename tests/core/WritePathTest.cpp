// The one write path: what it refuses, what it keeps, links and backups.
#include "core/DiskEdits.h"
#include "core/FileChain.h"
#include "core/ImageUpdate.h"
#include "support/TempDir.h"
#include "tools/D64Builder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace dyskel {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

UpdateResult Write(const std::string& path, const ImageEdit& edit, bool backup = false) {
    UpdateOptions options{false, backup};
    return UpdateImage(path, edit, options, {});
}

class WritePathTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string Image(const Bytes& bytes, const std::string& name = "IMAGE.D64") {
        dir.Write(name, bytes);
        return dir.File(name);
    }
};

struct KeepCase {
    const char* name;
    int tracks;
    bool errorBytes;
    std::size_t size;
};
class KeepsEveryOtherByte : public WritePathTest, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(KeepsEveryOtherByte, OnlyThePokedBlockDiffers) {
    D64Builder disk("KEEP", "01", GetParam().tracks, GetParam().errorBytes);
    Bytes bytes = disk.Bytes();
    ASSERT_EQ(bytes.size(), GetParam().size);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::string path = Image(bytes);
    const int track = GetParam().tracks; // the last track: 35 or 40
    ASSERT_EQ(Write(path, PokeBlock({track, 16}, 255, {0x5A})).status, UpdateStatus::Updated);
    const std::size_t at = (GetParam().tracks == 35 ? 174848 : 196608) - 1; // last byte of the last block
    bytes[at] = 0x5A;
    EXPECT_EQ(dir.Read("IMAGE.D64"), bytes);
}
INSTANTIATE_TEST_SUITE_P(Sizes, KeepsEveryOtherByte,
                         ::testing::Values(KeepCase{"ErrorBytes", 35, true, 175531},
                                           KeepCase{"FortyTracks", 40, false, 196608}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WritePathTest, UndoPutsBackUntilTheImageChangedElsewhere) {
    const Bytes old = D64Builder().Bytes();
    const std::string path = Image(old);
    UpdateResult first = Write(path, PokeBlock({2, 3}, 10, {0xAA, 0xBB}));
    ASSERT_EQ(first.status, UpdateStatus::Updated);
    ASSERT_EQ(Write(path, UndoWrite(first)).status, UpdateStatus::Updated);
    EXPECT_EQ(dir.Read("IMAGE.D64"), old);

    UpdateResult second = Write(path, PokeBlock({2, 3}, 10, {0xAA}));
    ASSERT_EQ(Write(path, PokeBlock({2, 3}, 10, {0xCC})).status, UpdateStatus::Updated); // by someone else
    UpdateResult undo = Write(path, UndoWrite(second));
    EXPECT_EQ(undo.status, UpdateStatus::Failed);
    EXPECT_NE(undo.message.find("changed elsewhere"), std::string::npos);
}

// The bytes the caller read are used only while the file is still the one
// read: an image replaced since then is read again, and nothing of the
// earlier read comes back.
TEST_F(WritePathTest, AnImageReplacedSinceTheCallerReadItIsReadAgain) {
    const std::string path = Image(D64Builder("FIRST", "01").Bytes());
    Result<DiskImage> read = DiskImage::Load(path);
    ASSERT_TRUE(read.Ok());
    Bytes second = D64Builder("SECOND", "02").Bytes();
    dir.Write("OTHER.D64", second);
    fs::rename(dir.File("OTHER.D64"), path);
    UpdateOptions options;
    ASSERT_EQ(UpdateImage(*read, PokeBlock({1, 0}, 0, {0x55}), options, {}).status, UpdateStatus::Updated);
    second[0] = 0x55; // 1/0 is the file's first block
    EXPECT_EQ(dir.Read("IMAGE.D64"), second);
}

TEST_F(WritePathTest, AnEntryChangedSinceTheListingIsNotTouched) {
    D64Builder disk;
    disk.AddPrg("ONE", 0x0801, {0x60});
    const std::string path = Image(disk.Bytes());
    Result<DiskImage> image = DiskImage::Load(path);
    ASSERT_TRUE(image.Ok());
    Result<DirListing> dir1 = ListDirectory(*image, true);
    ASSERT_TRUE(dir1.Ok());
    const DirEntry entry = dir1->entries.at(0);
    ASSERT_EQ(Write(path, RenameEntry(entry, PaddedName("TWO"))).status, UpdateStatus::Updated);
    UpdateResult stale = Write(path, DeleteEntry(entry)); // still names "ONE"
    EXPECT_EQ(stale.status, UpdateStatus::Failed);
    EXPECT_NE(stale.message.find("no longer on the disk"), std::string::npos) << stale.message;
}

} // namespace
} // namespace dyskel

namespace dyskel {
namespace {} // namespace
} // namespace dyskel
