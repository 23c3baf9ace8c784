// The one write path: a new image written beside the old one and renamed over
// it, with a backup when asked, and the edits it is given.
#include "core/ImageUpdate.h"
#include "CoreTestSupport.h"
#include "core/DiskEdits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

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
    UpdateOptions options;
    std::vector<std::string> asked;
    Answer answer = Answer::Yes;

    void Make(std::size_t size) {
        original = NumberedImage(size);
        dir.Write("GAMES.D64", original);
    }
    // Writes every block of the track as 0x5A.
    UpdateResult Update(int track, const std::string& name = "GAMES.D64") {
        return UpdateImage(dir.File(name), PutBlocks(test::WholeTrack(track, 0x5A)), options,
                           [&](const Question& question) {
                               asked.push_back(question.text);
                               return answer;
                           });
    }
    // The expected file: the original with [from, to) replaced by 0x5A.
    std::vector<std::uint8_t> With(std::size_t from, std::size_t to) const {
        auto e = original;
        std::fill(e.begin() + std::ptrdiff_t(from), e.begin() + std::ptrdiff_t(to), 0x5A);
        return e;
    }
    // The names in the folder, sorted: no temporary file may be left behind.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

struct TrackCase {
    std::size_t size;
    int track;
    std::size_t from, to; // file bytes that come from the new track
};
constexpr TrackCase TrackCases[] = {
    {174848, 18, 91392, 96256},   // blocks 357-375
    {175531, 18, 91392, 96256},   // error bytes kept after
    {174848, 1, 0, 5376},         // nothing copied before
    {174848, 35, 170496, 174848}, // nothing copied after
    {175531, 35, 170496, 174848}, // only the error bytes after
    {196608, 40, 192256, 196608}, // a 40-track image
    {196608, 36, 174848, 179200}, //
    {197376, 40, 192256, 196608}, // 40 tracks and their error bytes
};
class UpdateTrack : public UpdateTest, public ::testing::WithParamInterface<TrackCase> {};
TEST_P(UpdateTrack, OnlyThatTrackChangesAndTheSizeStays) {
    const TrackCase& c = GetParam();
    Make(c.size);
    UpdateResult r = Update(c.track);
    EXPECT_EQ(r.status, UpdateStatus::Updated) << r.message;
    EXPECT_EQ(r.warning, "");
    EXPECT_EQ(dir.Read("GAMES.D64"), With(c.from, c.to));
    EXPECT_EQ(Names(), std::vector<std::string>{"GAMES.D64"});
    EXPECT_TRUE(asked.empty());
    // Before and after: every block of the track, in sector order.
    const std::size_t sectors = SectorsPerTrack(c.track);
    ASSERT_EQ(r.before.size(), sectors);
    ASSERT_EQ(r.after.size(), sectors);
    for (std::size_t s = 0; s < sectors; ++s) {
        EXPECT_EQ(r.after[s].at, (BlockAddress{c.track, int(s)}));
        EXPECT_EQ(r.before[s].at, (BlockAddress{c.track, int(s)}));
        EXPECT_TRUE(std::equal(r.before[s].bytes.begin(), r.before[s].bytes.end(),
                               original.begin() + std::ptrdiff_t(c.from + 256 * s)));
        EXPECT_EQ(r.after[s].bytes[255], 0x5A);
    }
}
INSTANTIATE_TEST_SUITE_P(Tracks, UpdateTrack, ::testing::ValuesIn(TrackCases));

TEST_F(UpdateTest, BackupKeptHoldsTheImageAsItWas) {
    Make(174848);
    options.backupFiles = true;
    dir.Write("GAMES.BAK", {1, 2, 3}); // an older backup is replaced
    UpdateResult r = Update(18);
    EXPECT_EQ(r.status, UpdateStatus::Updated) << r.message;
    EXPECT_EQ(r.warning, "");
    EXPECT_EQ(dir.Read("GAMES.BAK"), original);
    EXPECT_EQ(dir.Read("GAMES.D64"), With(91392, 96256));
    EXPECT_EQ(Names(), (std::vector<std::string>{"GAMES.BAK", "GAMES.D64"}));
}

TEST_F(UpdateTest, WithoutBackupsAnOldBackupIsLeftAlone) {
    Make(174848);
    dir.Write("GAMES.BAK", {1, 2, 3});
    EXPECT_EQ(Update(18).status, UpdateStatus::Updated);
    EXPECT_EQ(dir.Read("GAMES.BAK"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(dir.Read("GAMES.D64"), With(91392, 96256));
}

TEST_F(UpdateTest, AnsweringNoChangesNothing) {
    Make(174848);
    dir.Write("GAMES.BAK", {1, 2, 3});
    options.promptSave = true;
    options.backupFiles = true;
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

TEST_F(UpdateTest, BackupNameHeldByAFolderIsNoHindranceWithoutBackups) {
    Make(174848);
    std::filesystem::create_directory(dir.File("GAMES.BAK"));
    dir.Write("GAMES.BAK/keep", {9});
    UpdateResult r = Update(18);
    EXPECT_EQ(r.status, UpdateStatus::Updated) << r.message;
    EXPECT_EQ(dir.Read("GAMES.D64"), With(91392, 96256));
    EXPECT_EQ(dir.Read("GAMES.BAK/keep"), std::vector<std::uint8_t>{9});
}

TEST_F(UpdateTest, BackupNameHeldByAFolderGivesAWarningAndNoStrayFile) {
    Make(174848);
    options.backupFiles = true;
    std::filesystem::create_directory(dir.File("GAMES.BAK"));
    dir.Write("GAMES.BAK/keep", {9});
    UpdateResult r = Update(18);
    EXPECT_EQ(r.status, UpdateStatus::Updated) << r.message;
    EXPECT_TRUE(Has(r.warning, dir.File("GAMES.BAK"))) << r.warning;
    EXPECT_EQ(dir.Read("GAMES.D64"), With(91392, 96256));
    EXPECT_EQ(dir.Read("GAMES.BAK/keep"), std::vector<std::uint8_t>{9});
    EXPECT_EQ(Names(), (std::vector<std::string>{"GAMES.BAK", "GAMES.D64"}));
}

TEST_F(UpdateTest, MissingImageKeepsTheOldBackup) {
    dir.Write("GAMES.BAK", {1, 2, 3});
    options.backupFiles = true;
    UpdateResult r = Update(18);
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_TRUE(Has(r.message, dir.File("GAMES.D64"))) << r.message;
    EXPECT_EQ(dir.Read("GAMES.BAK"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(dir.Exists("GAMES.D64"));
}

TEST_F(UpdateTest, ImageThatIsAFolderFails) {
    std::filesystem::create_directory(dir.File("GAMES.D64"));
    UpdateResult r = Update(18);
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_TRUE(Has(r.message, "no regular file")) << r.message;
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("GAMES.D64")));
}

struct RefusedCase {
    std::size_t size;
    int track;
    const char* why; // part of the message
};
const RefusedCase RefusedCases[] = {
    {91392 + 300, 18, "91692 bytes long"}, // no D64 size, whatever the track
    {0, 18, "0 bytes long"},
    {174847, 1, "174847 bytes long"},
    {174849, 1, "174849 bytes long"},
    {175530, 1, "175530 bytes long"},
    {196609, 1, "196609 bytes long"},
    {197375, 1, "197375 bytes long"},
    {262144, 1, "262144 bytes long"},
    {174848, 36, "track 36, sector 0"},
    {175531, 36, "track 36, sector 0"}, // the error bytes are no track
    {174848, 0, "track 0, sector 0"},
    {174848, 41, "track 41, sector 0"},
    {196608, 41, "track 41, sector 0"},
};
class UpdateRefused : public UpdateTest, public ::testing::WithParamInterface<RefusedCase> {};
TEST_P(UpdateRefused, NothingIsTouched) {
    const RefusedCase& c = GetParam();
    Make(c.size);
    options.backupFiles = true;
    UpdateResult r = Update(c.track);
    EXPECT_EQ(r.status, UpdateStatus::Failed) << c.size << " " << c.track;
    EXPECT_TRUE(Has(r.message, c.why)) << r.message;
    EXPECT_TRUE(Has(r.message, "othing was written")) << r.message;
    EXPECT_EQ(dir.Read("GAMES.D64"), original);
    EXPECT_EQ(Names(), std::vector<std::string>{"GAMES.D64"});
}
INSTANTIATE_TEST_SUITE_P(Table, UpdateRefused, ::testing::ValuesIn(RefusedCases));

TEST_F(UpdateTest, ReadOnlyImageIsRefusedEvenForRoot) {
    Make(174848);
    ASSERT_EQ(chmod(dir.File("GAMES.D64").c_str(), 0444), 0);
    UpdateResult r = Update(18);
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_TRUE(Has(r.message, "read-only")) << r.message;
    EXPECT_EQ(dir.Read("GAMES.D64"), original);
    EXPECT_EQ(WriteRefusal(dir.File("GAMES.D64")),
              "The image \"" + dir.File("GAMES.D64") + "\" is read-only; nothing was written.");
}

TEST_F(UpdateTest, WriteRefusalOfAWritableD64IsEmpty) {
    Make(175531);
    EXPECT_EQ(WriteRefusal(dir.File("GAMES.D64")), "");
    EXPECT_TRUE(Has(WriteRefusal(dir.File("NONE.D64")), "was not found"))
        << WriteRefusal(dir.File("NONE.D64"));
    EXPECT_TRUE(Has(WriteRefusal(dir.Path()), "no regular file"));
}

TEST_F(UpdateTest, OwnerGroupAndModeAreKept) {
    Make(174848);
    ASSERT_EQ(chmod(dir.File("GAMES.D64").c_str(), 0640), 0);
    EXPECT_EQ(Update(18).status, UpdateStatus::Updated);
    struct stat st {};
    ASSERT_EQ(stat(dir.File("GAMES.D64").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_uid, getuid());
}

TEST_F(UpdateTest, TheNewImageReplacesTheOldOneWhole) {
    // A reader holding the old file open still sees the old bytes: the new
    // image is a new file renamed over the name, not the old one rewritten.
    Make(174848);
    std::ifstream held(dir.File("GAMES.D64"), std::ios::binary);
    ASSERT_TRUE(held);
    EXPECT_EQ(Update(18).status, UpdateStatus::Updated);
    held.seekg(91392);
    char c = 0;
    held.read(&c, 1);
    EXPECT_EQ(std::uint8_t(c), original[91392]);
    EXPECT_EQ(dir.Read("GAMES.D64"), With(91392, 96256));
}

TEST_F(UpdateTest, AnImageReachedThroughALinkIsWrittenAtItsTarget) {
    Make(174848);
    std::filesystem::create_directory(dir.File("real"));
    std::filesystem::rename(dir.File("GAMES.D64"), dir.File("real/GAMES.D64"));
    std::filesystem::create_symlink("real/GAMES.D64", dir.File("GAMES.D64"));
    options.backupFiles = true;
    UpdateResult r = Update(18);
    EXPECT_EQ(r.status, UpdateStatus::Updated) << r.message;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("GAMES.D64")));
    EXPECT_EQ(dir.Read("real/GAMES.D64"), With(91392, 96256));
    EXPECT_EQ(dir.Read("real/GAMES.BAK"), original);
    EXPECT_FALSE(dir.Exists("GAMES.BAK"));
}

struct BackupNameCase {
    bool backup;
    UpdateStatus status;
};
class ImageNamedLikeItsBackup : public UpdateTest, public ::testing::WithParamInterface<BackupNameCase> {};
TEST_P(ImageNamedLikeItsBackup, IsRefusedOnlyWhenABackupIsAsked) {
    original = NumberedImage(174848);
    dir.Write("OLD.BAK", original);
    options.backupFiles = GetParam().backup;
    UpdateResult r = Update(18, "OLD.BAK");
    EXPECT_EQ(r.status, GetParam().status) << r.message;
    EXPECT_EQ(dir.Read("OLD.BAK"), GetParam().backup ? original : With(91392, 96256));
    if (GetParam().backup) {
        EXPECT_TRUE(Has(r.message, "has the backup name itself")) << r.message;
    }
}
INSTANTIATE_TEST_SUITE_P(Table, ImageNamedLikeItsBackup,
                         ::testing::Values(BackupNameCase{true, UpdateStatus::Failed},
                                           BackupNameCase{false, UpdateStatus::Updated}));

// A write that fails part-way (here: past a file size limit, as on a full
// disk) must not be reported as done, must leave the image as it was and
// must leave no partial file behind.
TEST_F(UpdateTest, WriteFailurePartWayLeavesTheImageAsItWas) {
    for (bool backup : {false, true}) {
        Make(174848);
        options.backupFiles = backup;
        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 100000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        UpdateResult r = Update(18);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_EQ(r.status, UpdateStatus::Failed) << backup;
        EXPECT_TRUE(Has(r.message, "The image \"" + dir.File("GAMES.D64") + "\" was left as it was."))
            << r.message;
        EXPECT_EQ(dir.Read("GAMES.D64"), original);
        EXPECT_EQ(Names(), std::vector<std::string>{"GAMES.D64"}) << "no temporary file and no backup";
    }
}

// --- Other writers ---------------------------------------------------------------

// The 1541 writes only a disk whose format byte (18/0 byte 2) is "A" (0x41).
struct FormatByteCase {
    const char* name;
    std::uint8_t byte;
    bool warned;
};
class SoftWriteProtection : public UpdateTest, public ::testing::WithParamInterface<FormatByteCase> {};
TEST_P(SoftWriteProtection, IsToldInTheQuestionAndAfterTheWrite) {
    Make(174848);
    original[91392 + 2] = GetParam().byte;
    dir.Write("GAMES.D64", original);
    options.promptSave = true;
    std::vector<std::string> warnings;
    UpdateResult r = UpdateImage(dir.File("GAMES.D64"), PutBlocks(test::WholeTrack(1, 0x5A)), options,
                                 [&](const Question& q) {
                                     warnings = q.warnings;
                                     return Answer::Yes;
                                 });
    ASSERT_EQ(r.status, UpdateStatus::Updated) << r.message;
    const std::string told = "The disk is soft write-protected: a 1541 would refuse to write this disk.";
    EXPECT_EQ(warnings, GetParam().warned ? std::vector<std::string>{told} : std::vector<std::string>{});
    EXPECT_EQ(r.notes, warnings);
}
INSTANTIATE_TEST_SUITE_P(FormatByte, SoftWriteProtection,
                         ::testing::Values(FormatByteCase{"A", 0x41, false}, FormatByteCase{"B", 0x42, true},
                                           FormatByteCase{"Zero", 0x00, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateTest, AWriterHoldingTheFolderLockKeepsOthersOut) {
    Make(174848);
    const int folder = open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(folder, LOCK_EX), 0);
    UpdateResult r = Update(18);
    close(folder);
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_EQ(r.message,
              "\"" + dir.File("GAMES.D64") + "\" is being written by another program; nothing was written.");
    EXPECT_EQ(dir.Read("GAMES.D64"), original);
}

// While the question is open another program writes (here: a write of its
// own, which must not wait for this one); the answer then writes only onto
// the file it was asked about.
struct MeanwhileCase {
    const char* name;
    std::function<void(const std::string& path)> meanwhile;
    UpdateStatus status;
};
class WrittenWhileAsking : public UpdateTest, public ::testing::WithParamInterface<MeanwhileCase> {};
TEST_P(WrittenWhileAsking, TheAnswerWritesOnlyOntoTheFileAskedAbout) {
    Make(174848);
    options.promptSave = true;
    const std::string path = dir.File("GAMES.D64");
    auto theirs = std::make_shared<std::vector<std::uint8_t>>(original);
    UpdateResult r = UpdateImage(path, PutBlocks(test::WholeTrack(18, 0x5A)), options, [&](const Question&) {
        GetParam().meanwhile(path);
        *theirs = dir.Read("GAMES.D64");
        return Answer::Yes;
    });
    EXPECT_EQ(r.status, GetParam().status) << r.message;
    if (GetParam().status == UpdateStatus::Failed) {
        EXPECT_TRUE(Has(r.message, "was changed by another program")) << r.message;
        EXPECT_EQ(dir.Read("GAMES.D64"), *theirs);
    } else {
        EXPECT_EQ(dir.Read("GAMES.D64"), With(91392, 96256));
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"GAMES.D64"});
}
INSTANTIATE_TEST_SUITE_P(
    Table, WrittenWhileAsking,
    ::testing::Values(MeanwhileCase{"AnotherWrite",
                                    [](const std::string& path) {
                                        UpdateOptions plain;
                                        UpdateImage(path, PutBlocks(test::WholeTrack(1, 0x77)), plain, {});
                                    },
                                    UpdateStatus::Failed},
                      MeanwhileCase{"SameBytesAsANewFile",
                                    [](const std::string& path) {
                                        std::filesystem::copy_file(path, path + ".x");
                                        std::filesystem::rename(path + ".x", path);
                                    },
                                    UpdateStatus::Updated},
                      MeanwhileCase{"OnlyTouched",
                                    [](const std::string& path) { utimes(path.c_str(), nullptr); },
                                    UpdateStatus::Updated}),
    [](const auto& info) { return std::string(info.param.name); });

// What killed writes left beside the image, met by the next write.
struct LeftoverCase {
    const char* name;
    std::string file; // {pid} stands for the PID, {dead} for one that ended
    bool sameAsImage; // else other bytes
    bool stays;
    bool becomesBackup;
};
class Leftover : public UpdateTest, public ::testing::WithParamInterface<LeftoverCase> {};
TEST_P(Leftover, IsClearedOrKeptAsTheBackup) {
    Make(174848);
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    std::string file = GetParam().file;
    for (auto [key, pid] : {std::pair{"{dead}", dead}, std::pair{"{live}", getppid()}})
        if (std::size_t at = file.find(key); at != std::string::npos)
            file.replace(at, 6, std::to_string(pid));
    const std::vector<std::uint8_t> left =
        GetParam().sameAsImage ? original : std::vector<std::uint8_t>(174848, 7);
    dir.Write(file, left);
    ASSERT_EQ(Update(1).status, UpdateStatus::Updated);
    std::vector<std::string> names{"GAMES.D64"};
    if (GetParam().stays) names.push_back(file);
    if (GetParam().becomesBackup) names.push_back("GAMES.BAK");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(Names(), names);
    if (GetParam().becomesBackup) {
        EXPECT_EQ(dir.Read("GAMES.BAK"), left);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Table, Leftover,
    ::testing::Values(
        LeftoverCase{"NewImage", ".GAMES.D64.dyskel-a1B2c3", false, false, false},
        LeftoverCase{"OldNewCommand", "GAMES.D64.new-{dead}", false, false, false},
        LeftoverCase{"OldImageStillInPlace", ".GAMES.D64.dyskel-bak-{dead}-0", true, false, false},
        LeftoverCase{"OnlyCopyOfTheOldImage", ".GAMES.D64.dyskel-bak-{dead}-0", false, false, true},
        LeftoverCase{"OfARunningWriter", ".GAMES.D64.dyskel-bak-{live}-0", false, true, false},
        LeftoverCase{"OfAnotherImage", ".GAMES2.D64.dyskel-a1B2c3", false, true, false},
        LeftoverCase{"NotOfTheForm", ".GAMES.D64.dyskel-a1B2c", false, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A write by a member of the image's group who is not its owner: the owner
// cannot be kept (only root may give a file away), the group and mode are.
// Run as root by children that take unused user and group ids.
struct OwnerCase {
    const char* name;
    bool writerInGroup;
    UpdateStatus status;
};
class WriterNotTheOwner : public UpdateTest, public ::testing::WithParamInterface<OwnerCase> {};
TEST_P(WriterNotTheOwner, KeepsGroupAndModeOrRefuses) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as two other users";
    uid_t ids[2];
    for (uid_t id = 61000, n = 0; n < 2; ++id)
        if (!getpwuid(id) && !getgrgid(id)) ids[n++] = id;
    const uid_t owner = ids[0], writer = ids[1];
    Make(174848);
    const std::string path = dir.File("GAMES.D64");
    TempDir base; // where the child tells what it was told
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777) | chmod(base.Path().c_str(), 0777), 0);
    ASSERT_EQ(chown(path.c_str(), owner, owner), 0);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    const std::string toldFile = base.File("told");
    const pid_t child = fork();
    if (child == 0) {
        const gid_t group = GetParam().writerInGroup ? owner : writer;
        if (setgroups(1, &group) != 0 || setresgid(writer, writer, writer) != 0 ||
            setresuid(writer, writer, writer) != 0)
            _exit(2);
        UpdateOptions plain;
        UpdateResult r = UpdateImage(path, PutBlocks(test::WholeTrack(18, 0x5A)), plain, {});
        std::ofstream(toldFile) << r.message << (r.notes.empty() ? "" : r.notes.back());
        _exit(r.status == UpdateStatus::Updated ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::ifstream in(toldFile);
    const std::string told{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2);
    EXPECT_EQ(WEXITSTATUS(status) == 0 ? UpdateStatus::Updated : UpdateStatus::Failed, GetParam().status)
        << told;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, owner) << "the group is the image's";
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    EXPECT_EQ(Names(), std::vector<std::string>{"GAMES.D64"});
    if (GetParam().status == UpdateStatus::Updated) {
        EXPECT_EQ(st.st_uid, writer);
        EXPECT_TRUE(
            Has(told, "owner changed from " + std::to_string(owner) + " to " + std::to_string(writer)))
            << told;
        EXPECT_EQ(dir.Read("GAMES.D64"), With(91392, 96256));
    } else {
        EXPECT_EQ(st.st_uid, owner);
        EXPECT_TRUE(Has(told, "group")) << told;
        EXPECT_EQ(dir.Read("GAMES.D64"), original);
    }
}
INSTANTIATE_TEST_SUITE_P(Table, WriterNotTheOwner,
                         ::testing::Values(OwnerCase{"MemberOfTheGroup", true, UpdateStatus::Updated},
                                           OwnerCase{"OutsideTheGroup", false, UpdateStatus::Failed}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Edits ---------------------------------------------------------------------

TEST_F(UpdateTest, AnEditThatFailsWritesNothing) {
    Make(174848);
    options.backupFiles = true;
    bool called = false;
    UpdateResult r = UpdateImage(dir.File("GAMES.D64"),
                                 [&](const DiskImage& image) -> Result<EditPlan> {
                                     called = true;
                                     EXPECT_EQ(image.Bytes(), original) << "the edit sees the image as it is";
                                     return Failure{"The entry is gone; nothing was written."};
                                 },
                                 options, {});
    EXPECT_TRUE(called);
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_EQ(r.message, "The entry is gone; nothing was written.");
    EXPECT_EQ(dir.Read("GAMES.D64"), original);
    EXPECT_EQ(Names(), std::vector<std::string>{"GAMES.D64"});
}

TEST_F(UpdateTest, AnEditChangesOnlyItsBlocks) {
    Make(196608);
    Block a, b;
    a.fill(0x11);
    b.fill(0x22);
    UpdateResult r = UpdateImage(dir.File("GAMES.D64"),
                                 [&](const DiskImage&) -> Result<EditPlan> {
                                     return EditPlan{{{{1, 0}, a}, {{40, 16}, b}}, {}, {}};
                                 },
                                 options, {});
    ASSERT_EQ(r.status, UpdateStatus::Updated) << r.message;
    auto expected = original;
    std::fill(expected.begin(), expected.begin() + 256, 0x11);
    std::fill(expected.end() - 256, expected.end(), 0x22);
    EXPECT_EQ(dir.Read("GAMES.D64"), expected);
    ASSERT_EQ(r.before.size(), 2u);
    EXPECT_EQ(r.before[0].bytes[0], 0); // block 0 starts with its number
    EXPECT_EQ(r.before[1].bytes[0], 767 & 0xFF);
    EXPECT_EQ(r.before[1].bytes[1], 767 >> 8);
}

TEST_F(UpdateTest, AnEditOfABlockTheImageDoesNotHoldFails) {
    Make(174848);
    Block a{};
    UpdateResult r = UpdateImage(dir.File("GAMES.D64"),
                                 [&](const DiskImage&) -> Result<EditPlan> {
                                     return EditPlan{{{{36, 0}, a}}, {}, {}};
                                 },
                                 options, {});
    EXPECT_EQ(r.status, UpdateStatus::Failed);
    EXPECT_TRUE(Has(r.message, "track 36, sector 0")) << r.message;
    EXPECT_EQ(dir.Read("GAMES.D64"), original);
}

TEST(PutChange, KeepsTrackAndSectorOrderAndOneChangePerBlock) {
    ChangeSet changes;
    Block a, b, c;
    a.fill(1);
    b.fill(2);
    c.fill(3);
    PutChange(changes, {18, 1}, a);
    PutChange(changes, {1, 5}, b);
    PutChange(changes, {18, 0}, c);
    PutChange(changes, {18, 1}, c); // replaces the first
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].at, (BlockAddress{1, 5}));
    EXPECT_EQ(changes[1].at, (BlockAddress{18, 0}));
    EXPECT_EQ(changes[2].at, (BlockAddress{18, 1}));
    EXPECT_EQ(changes[2].bytes, c);
}

} // namespace
} // namespace dyskel
