// Every file Dyskel writes (an image, a new image, an export, the settings
// file) is put in place whole, each with its own rule for links, names that
// are taken and folders that take no new file.
#include "core/DiskEdits.h"
#include "core/DiskFiles.h"
#include "core/FileIO.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dyskel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Writer {
    const char* name;
    Bytes old;                                     // what the file holds before
    std::function<bool(const std::string&)> write; // true when it says it wrote
    bool followsLinks, mustNotExist, inPlaceWhereNoNewFile;
};

const Bytes OldImage = NewImageBytes(35, "OLD", "01");
const Bytes OldText = {'[', 'S', ']', '\n', 'K', '=', '1', '\n'};

const Writer Writers[] = {
    {"Image", OldImage,
     [](const std::string& path) {
         UpdateOptions options;
         return UpdateImage(path, PokeBlock({1, 0}, 0, {0x55}), options, {}).status == UpdateStatus::Updated;
     },
     true, false, false},
    {"NewImage", OldImage,
     [](const std::string& path) { return CreateImageFile(path, NewImageBytes(35, "NEW", "02")).Ok(); }, true,
     true, false},
    {"Export", OldText, [](const std::string& path) { return fileio::WriteWholeFile(path, "NEW").empty(); },
     false, false, false},
    {"Settings", OldText, [](const std::string& path) { return IniFile(path).Write("S", "K", "2"); }, true,
     false, true},
};

class SafeWrite : public ::testing::TestWithParam<Writer> {
  protected:
    test::TempDir dir;
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.Path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// A new file takes the name: another hard link of the old one keeps the old
// bytes, the mode stays, and nothing is left beside it.
TEST_P(SafeWrite, ReplacesWholeKeepingTheModeOrRefusesATakenName) {
    const Writer& w = GetParam();
    dir.Write("F", w.old);
    ::chmod(dir.File("F").c_str(), 0640);
    fs::create_hard_link(dir.File("F"), dir.File("OTHER"));
    EXPECT_EQ(w.write(dir.File("F")), !w.mustNotExist);
    EXPECT_EQ(dir.Read("F") == w.old, w.mustNotExist);
    EXPECT_EQ(dir.Read("OTHER"), w.old);
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("F").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"F", "OTHER"}));
}

TEST_P(SafeWrite, ASymbolicLinkIsFollowedOrRefusedAndStays) {
    const Writer& w = GetParam();
    dir.Write("T", w.old);
    fs::create_symlink("T", dir.File("L"));
    const bool written = w.followsLinks && !w.mustNotExist;
    EXPECT_EQ(w.write(dir.File("L")), written);
    EXPECT_EQ(dir.Read("T") != w.old, written);
    EXPECT_TRUE(fs::is_symlink(dir.File("L")));
    EXPECT_EQ(Names(), (std::vector<std::string>{"L", "T"}));
}

TEST_P(SafeWrite, AFolderThatTakesNoNewFileLeavesTheFileOrIsWrittenInPlace) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may create files in any folder";
    const Writer& w = GetParam();
    dir.Write("F", w.old);
    ::chmod(dir.Path().c_str(), 0555);
    const bool written = w.inPlaceWhereNoNewFile;
    EXPECT_EQ(w.write(dir.File("F")), written);
    EXPECT_EQ(dir.Read("F") != w.old, written);
    ::chmod(dir.Path().c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(Callers, SafeWrite, ::testing::ValuesIn(Writers),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dyskel
