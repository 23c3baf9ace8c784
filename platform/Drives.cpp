#include "platform/Drives.h"

#include "platform/HostPath.h"

#include <QStorageInfo>
#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <sys/statvfs.h>

namespace dyskel {

namespace {

// Kernel and system file systems that hold no user files.
constexpr std::array<std::string_view, 24> SystemFileSystems = {
    "proc",       "sysfs",     "devtmpfs",  "devpts",      "cgroup",          "cgroup2",
    "securityfs", "pstore",    "debugfs",   "tracefs",     "configfs",        "fusectl",
    "mqueue",     "hugetlbfs", "bpf",       "binfmt_misc", "autofs",          "efivarfs",
    "rpc_pipefs", "nsfs",      "selinuxfs", "ramfs",       "fuse.gvfsd-fuse", "fuse.portal",
};

// Folders whose volumes belong to the system.
constexpr std::array<std::string_view, 5> SystemFolders = {"/proc", "/sys", "/dev", "/run", "/snap"};

bool Under(const std::string& path, std::string_view folder) {
    return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

} // namespace

std::string IDrives::DriveOf(const std::string& folder) const {
    std::string best = "/";
    for (const auto& root : List())
        if (root.size() > best.size() && Under(folder, root)) best = root;
    return best;
}

std::vector<std::string> DriveRoots(const std::vector<Mount>& mounts, bool (*isFolder)(const std::string&)) {
    std::vector<std::string> roots = {"/"};
    for (const Mount& mount : mounts) {
        const std::string& mountPoint = mount.root;
        if (mountPoint.empty() || mountPoint.front() != '/') continue;
        if (std::find(SystemFileSystems.begin(), SystemFileSystems.end(), mount.type) !=
            SystemFileSystems.end())
            continue;
        if (std::any_of(SystemFolders.begin(), SystemFolders.end(),
                        [&](std::string_view f) { return Under(mountPoint, f); }))
            continue;
        if (std::find(roots.begin(), roots.end(), mountPoint) != roots.end()) continue;
        if (!isFolder(mountPoint)) continue;
        roots.push_back(mountPoint);
    }
    return roots;
}

std::vector<std::string> MountedDrives::List() const {
    std::vector<Mount> mounts;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        mounts.push_back({ToHostPath(volume.rootPath()), volume.fileSystemType().toStdString()});
    return DriveRoots(mounts, IsFolder);
}

bool MountedDrives::Ready(const std::string& root) const {
    struct statvfs info {};
    return statvfs(root.c_str(), &info) == 0;
}

} // namespace dyskel
