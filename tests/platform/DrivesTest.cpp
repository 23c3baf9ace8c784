#include "platform/Drives.h"

#include <gtest/gtest.h>
#include <set>

namespace dyskel {
namespace {

bool AnyFolder(const std::string& p) {
    return p != "/etc/hosts";
}

TEST(Mounts, VolumesThatHoldFilesOnly) {
    const std::string table = "proc /proc proc rw,relatime 0 0\n"
                              "sysfs /sys sysfs rw 0 0\n"
                              "devtmpfs /dev devtmpfs rw 0 0\n"
                              "/dev/vda / ext4 rw,relatime 0 0\n"
                              "tmpfs /tmp tmpfs rw 0 0\n"
                              "cgroup /sys/fs/cgroup/cpu cgroup rw 0 0\n"
                              "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                              "/dev/sdb1 /media/c64/USB\\040STICK vfat rw 0 0\n"
                              "/dev/vda /etc/hosts ext4 rw 0 0\n"
                              "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
                              "server:/export /mnt/nfs nfs4 rw 0 0\n"
                              "tmpfs /tmp tmpfs rw 0 0\n"
                              "broken line\n";
    std::vector<std::string> expected = {"/", "/tmp", "/media/c64/USB STICK", "/mnt/nfs"};
    EXPECT_EQ(ParseMounts(table, AnyFolder), expected);
}

TEST(Mounts, RootIsAlwaysADrive) {
    EXPECT_EQ(ParseMounts("", AnyFolder), std::vector<std::string>{"/"});
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
