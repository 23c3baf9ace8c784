#include "platform/Drives.h"

#include <gtest/gtest.h>
#include <set>

namespace dyskel {
namespace {

bool AnyFolder(const std::string& p) {
    return p != "/etc/hosts";
}

TEST(Mounts, VolumesThatHoldFilesOnly) {
    const std::vector<Mount> mounts = {
        {"/proc", "proc"},           {"/sys", "sysfs"},
        {"/dev", "devtmpfs"},        {"/", "ext4"},
        {"/tmp", "tmpfs"},           {"/sys/fs/cgroup/cpu", "cgroup"},
        {"/run/user/1000", "tmpfs"}, {"/media/c64/USB STICK", "vfat"},
        {"/etc/hosts", "ext4"},      {"/snap/core/1", "squashfs"},
        {"/mnt/nfs", "nfs4"},        {"/home/c64/.cache/doc", "fuse.portal"},
        {"/tmp", "tmpfs"},           {"", "ext4"},
    };
    std::vector<std::string> expected = {"/", "/tmp", "/media/c64/USB STICK", "/mnt/nfs"};
    EXPECT_EQ(DriveRoots(mounts, AnyFolder), expected);
}

TEST(Mounts, RootIsAlwaysADrive) {
    EXPECT_EQ(DriveRoots({}, AnyFolder), std::vector<std::string>{"/"});
}

class FixedDrives : public IDrives {
  public:
    std::vector<std::string> List() const override { return {"/", "/media/usb", "/media/usb2", "/tmp"}; }
    bool Ready(const std::string&) const override { return true; }
};

TEST(Drives, DriveOfAFolderIsItsLongestMountPoint) {
    FixedDrives d;
    EXPECT_EQ(d.DriveOf("/media/usb2/games"), "/media/usb2");
    EXPECT_EQ(d.DriveOf("/media/usb"), "/media/usb");
    EXPECT_EQ(d.DriveOf("/media/usbx"), "/");
    EXPECT_EQ(d.DriveOf("/tmp/dyskel"), "/tmp");
    EXPECT_EQ(d.DriveOf("/home"), "/");
    EXPECT_EQ(d.DriveOf("/"), "/");
}

TEST(Drives, TheRealSystem) {
    MountedDrives d;
    auto roots = d.List();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.front(), "/");
    EXPECT_EQ(std::set<std::string>(roots.begin(), roots.end()).size(), roots.size());
    EXPECT_TRUE(d.Ready("/"));
    EXPECT_FALSE(d.Ready("/no/such/volume"));
}

} // namespace
} // namespace dyskel
