// Writers of one image at the same moment, a disk the 1541 would not write,
// and an image on a FAT file system (no Unix owners, modes or hard links).
#include "CliFixture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dyskel::test {
namespace {

// Starts dyskel-cli and does not wait for it; what it prints is dropped.
pid_t Start(const std::vector<std::string>& args) {
    std::vector<std::string> all{DYSKEL_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Two programs poke one image at once, each its own block (17/0 at 86016,
// 19/0 at 96256), round after round: a change reported as written is on the
// disk, one reported as failed is not.
TEST(TwoWriters, NeitherUndoesTheOther) {
    TempDir dir;
    const D64Builder disk("RACE", "01");
    const std::string image = dir.File("IMAGE.D64");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (int round = 1; round <= 40 && std::chrono::steady_clock::now() < until; ++round) {
        ASSERT_TRUE(disk.Save(image));
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02X", round);
        const pid_t a = Start({"poke", image, "17", "0", "$10", byte});
        const pid_t b = Start({"poke", image, "19", "0", "$10", byte});
        const int aExit = Wait(a), bExit = Wait(b);
        ASSERT_TRUE((aExit == 0 || aExit == 1) && (bExit == 0 || bExit == 1));
        const Bytes now = dir.Read("IMAGE.D64");
        EXPECT_EQ(now[86016 + 0x10] == round, aExit == 0) << "round " << round;
        EXPECT_EQ(now[96256 + 0x10] == round, bExit == 0) << "round " << round;
    }
}

TEST_F(Cli, ADiskTheDriveWouldNotWriteIsWrittenWithAWarning) {
    disk.Header()[2] = 0x42; // the format byte of a writable disk is "A"
    Save();
    const std::string told =
        "dyskel-cli: warning: The disk is soft write-protected: a 1541 would refuse to write this disk.\n";
    CliResult dry = Run({"poke", "--dry-run", image, "1", "0", "$10", "EE"});
    EXPECT_EQ(dry.exitCode, 0);
    EXPECT_EQ(dry.out, "01,00\n");
    EXPECT_EQ(dry.err, told);
    CliResult r = Run({"poke", image, "1", "0", "$10", "EE"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, told);
    EXPECT_EQ(dir.Read("GAMES.D64")[0x10], 0xEE);
}

// A FAT file system in a file, mounted through FUSE for the test's time.
class FatFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string image = base.File("fat.img");
        std::ofstream(image, std::ios::binary).close();
        std::filesystem::resize_file(image, 8 << 20);
        std::filesystem::create_directory(mount);
        if (std::system(("mkfs.vfat " + image + " >/dev/null 2>&1").c_str()) != 0)
            GTEST_SKIP() << "mkfs.vfat (dosfstools) could not make a FAT file system";
        const int started =
            std::system(("fusefat -o rw+ " + image + " " + mount + " >/dev/null 2>&1").c_str());
        mounted = std::system(("mountpoint -q " + mount).c_str()) == 0;
        if (!mounted)
            GTEST_SKIP() << "fusefat could not mount the FAT file system (exit " << started
                         << "; it needs fusefat, /dev/fuse and root)";
    }
    void TearDown() override {
        if (mounted && std::system(("fusermount -u " + mount).c_str()) != 0)
            ADD_FAILURE() << "fusermount -u " << mount << " failed";
    }

    TempDir base;
    const std::string mount = base.File("fat");
    bool mounted = false;
};

// Each command leaves on FAT the bytes it leaves in an ordinary folder, and
// nothing beside them.
TEST_F(FatFolder, EveryWriteWorksAndLeavesTheSameBytes) {
    TempDir plain;
    for (const std::string& folder : {mount, plain.Path()}) {
        std::ofstream(folder + "/HOST.PRG", std::ios::binary) << "\x01\x08\x60";
        std::ofstream(folder + "/HOST.SEQ", std::ios::binary) << "NOTES";
    }
    const std::vector<std::vector<std::string>> steps{{"new", "IMAGE.D64", "FAT DISK", "F1"},
                                                      {"write", "IMAGE.D64", "HOST.PRG"},
                                                      {"rename", "IMAGE.D64", "1", "RENAMED"},
                                                      {"write", "--backup", "IMAGE.D64", "HOST.SEQ"},
                                                      {"delete", "--backup", "IMAGE.D64", "2"}};
    for (const auto& step : steps) {
        const CliResult fat = RunCli(step, mount);
        EXPECT_EQ(fat.exitCode, 0) << step[0] << ": " << fat.err;
        const CliResult there = RunCli(step, plain.Path());
        ASSERT_EQ(there.exitCode, 0) << step[0] << ": " << there.err;
        EXPECT_TRUE(base.Read("fat/IMAGE.D64") == plain.Read("IMAGE.D64")) << step[0];
    }
    const Bytes image = base.Read("fat/IMAGE.D64");
    ASSERT_EQ(image.size(), 174848u);
    EXPECT_EQ(Str(Bytes(image.begin() + 91648 + 5, image.begin() + 91648 + 12)), "RENAMED"); // 18/1, entry 1
    EXPECT_TRUE(base.Read("fat/IMAGE.BAK") == plain.Read("IMAGE.BAK"));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(mount)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"HOST.PRG", "HOST.SEQ", "IMAGE.BAK", "IMAGE.D64"}));
}

} // namespace
} // namespace dyskel::test
