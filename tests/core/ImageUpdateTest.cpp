// Rewriting one track of an image through a backup copy.
#include "core/ImageUpdate.h"
#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace dyskel {
namespace {

using test::NumberedImage;
using test::TempDir;

TEST(BackupName, ExtensionFromTheLastDotReplaced) {
    EXPECT_EQ(BackupName("GAMES.D64"), "GAMES.BAK");
    EXPECT_EQ(BackupName("A.B.D64"), "A.B.BAK");
    EXPECT_EQ(BackupName("game.d64"), "game.BAK");
    EXPECT_EQ(BackupName("NOEXT"), "NOEXT.BAK");
    EXPECT_EQ(BackupName("dir.x/NOEXT"), "dir.x/NOEXT.BAK");
}

TEST(UpdatePrompt, QuotesTheName) {
    EXPECT_EQ(UpdatePrompt("GAMES.D64"), "Update file \"GAMES.D64\"?");
}

class UpdateTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::vector<std::uint8_t> original;
    TrackBuffer buffer;
    UpdateOptions options;
    std::vector<std::string> asked;
    Answer answer = Answer::Yes;

    void Make(std::size_t size) {
        original = NumberedImage(size);
        dir.Write("GAMES.D64", original);
        buffer.bytes.fill(0x5A);
    }
    UpdateResult Update(int track) {
        return UpdateImageFile(dir.Path(), "GAMES.D64", track, buffer, options, [&](const std::string& text) {
            asked.push_back(text);
            return answer;
        });
    }
    // The expected file: the original with [from, to) replaced by 0x5A.
    std::vector<std::uint8_t> With(std::size_t from, std::size_t to) const {
        auto e = original;
        std::fill(e.begin() + std::ptrdiff_t(from), e.begin() + std::ptrdiff_t(to), 0x5A);
        return e;
    }
};

struct TrackCase {
    std::size_t size;
    int track;
    std::size_t from, to; // file bytes that come from the buffer
};
constexpr TrackCase TrackCases[] = {
    {174848, 18, 91392, 96256},   // blocks 357-375
    {175531, 18, 91392, 96256},   // error bytes kept after
    {174848, 1, 0, 5376},         // nothing copied before
    {174848, 35, 170496, 174848}, // nothing copied after
    {175531, 35, 170496, 174848}, // only the error bytes after
    {196608, 40, 192256, 196608}, // a 40-track image
    {196608, 36, 174848, 179200}, //
};
class UpdateTrack : public UpdateTest, public ::testing::WithParamInterface<TrackCase> {};
TEST_P(UpdateTrack, OnlyThatTrackChangesAndTheSizeStays) {
    const TrackCase& c = GetParam();
    Make(c.size);
    UpdateResult r = Update(c.track);
    EXPECT_EQ(r.status, UpdateStatus::Updated) << r.message;
    EXPECT_EQ(dir.Read("GAMES.D64"), With(c.from, c.to));
    EXPECT_FALSE(dir.Exists("GAMES.BAK"));
    EXPECT_TRUE(asked.empty());
}
INSTANTIATE_TEST_SUITE_P(Tracks, UpdateTrack, ::testing::ValuesIn(TrackCases));

TEST_F(UpdateTest, BackupKeptHoldsTheImageAsItWas) {
    Make(174848);
    options.backupFiles = true;
    dir.Write("GAMES.BAK", {1, 2, 3}); // an older backup is replaced
    EXPECT_EQ(Update(18).status, UpdateStatus::Updated);
    EXPECT_EQ(dir.Read("GAMES.BAK"), original);
    EXPECT_EQ(dir.Read("GAMES.D64"), With(91392, 96256));
}

TEST_F(UpdateTest, WithoutBackupsAnOldBackupIsGoneToo) {
    Make(174848);
    dir.Write("GAMES.BAK", {1, 2, 3});
    EXPECT_EQ(Update(18).status, UpdateStatus::Updated);
    EXPECT_FALSE(dir.Exists("GAMES.BAK"));
}

TEST_F(UpdateTest, AnsweringNoChangesNothing) {
    Make(174848);
    dir.Write("GAMES.BAK", {1, 2, 3});
    options.promptSave = true;
    answer = Answer::No;
    EXPECT_EQ(Update(18).status, UpdateStatus::Declined);
    EXPECT_EQ(asked, std::vector<std::string>{"Update file \"GAMES.D64\"?"});
    EXPECT_TRUE(options.promptSave);
    EXPECT_EQ(dir.Read("GAMES.D64"), original);
    EXPECT_EQ(dir.Read("GAMES.BAK"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(UpdateTest, AnsweringAllStopsTheQuestionsAndYesKeepsThem) {
    Make(174848);
    options.promptSave = true;
    EXPECT_EQ(Update(18).status, UpdateStatus::Updated);
    EXPECT_TRUE(options.promptSave);
    answer = Answer::All;
    EXPECT_EQ(Update(18).status, UpdateStatus::Updated);
    EXPECT_FALSE(options.promptSave);
    EXPECT_EQ(Update(18).status, UpdateStatus::Updated);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(dir.Read("GAMES.D64"), With(91392, 96256));
}

TEST_F(UpdateTest, BackupNameHeldByAFolderFailsWithTheImageUntouched) {
    Make(174848);
    std::filesystem::create_directory(dir.File("GAMES.BAK"));
    dir.Write("GAMES.BAK/keep", {9});
    UpdateResult r = Update(18);
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_NE(r.message.find("GAMES.BAK"), std::string::npos) << r.message;
    EXPECT_EQ(dir.Read("GAMES.D64"), original);
    EXPECT_EQ(dir.Read("GAMES.BAK/keep"), std::vector<std::uint8_t>{9});
}

TEST_F(UpdateTest, MissingImageKeepsTheOldBackup) {
    dir.Write("GAMES.BAK", {1, 2, 3});
    UpdateResult r = Update(18);
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(dir.Read("GAMES.BAK"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(dir.Exists("GAMES.D64"));
}

TEST_F(UpdateTest, ImageThatIsAFolderFails) {
    std::filesystem::create_directory(dir.File("GAMES.D64"));
    EXPECT_EQ(Update(18).status, UpdateStatus::Failed);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("GAMES.D64")));
}

TEST_F(UpdateTest, TrackTheImageDoesNotHoldIsRefused) {
    for (auto [size, track] : {std::pair{std::size_t(91392 + 300), 18}, std::pair{std::size_t(174848), 36},
                               std::pair{std::size_t(175531), 36}, std::pair{std::size_t(174848), 0},
                               std::pair{std::size_t(174848), 41}}) {
        Make(size);
        UpdateResult r = Update(track);
        EXPECT_EQ(r.status, UpdateStatus::Failed) << size << " " << track;
        EXPECT_EQ(dir.Read("GAMES.D64"), original);
        EXPECT_FALSE(dir.Exists("GAMES.BAK"));
    }
}

TEST_F(UpdateTest, ImageNamedLikeItsBackupIsRefused) {
    original = NumberedImage(174848);
    dir.Write("OLD.BAK", original);
    UpdateResult r = UpdateImageFile(dir.Path(), "OLD.BAK", 18, buffer, options, {});
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_EQ(dir.Read("OLD.BAK"), original);
}

// A write that fails part-way (here: past a file size limit, as on a full
// disk) must not be reported as done, and the backup must stay.
TEST_F(UpdateTest, WriteFailurePartWayKeepsTheBackupAndSaysWhereItIs) {
    Make(174848);
    options.backupFiles = false;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    UpdateResult r = Update(18);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_NE(r.message.find(dir.File("GAMES.BAK")), std::string::npos) << r.message;
    EXPECT_EQ(dir.Read("GAMES.BAK"), original);
    // No partial image is left under the image name.
    EXPECT_FALSE(dir.Exists("GAMES.D64"));
}

} // namespace
} // namespace dyskel
