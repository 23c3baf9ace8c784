#include "platform/Drives.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
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

// Mount points write a blank, a tab, a line feed and a backslash as \040,
// \011, \012 and \134.
std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() &&
            std::all_of(s.begin() + i + 1, s.begin() + i + 4, [](char c) { return c >= '0' && c <= '7'; })) {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
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

std::vector<std::string> ParseMounts(const std::string& table, bool (*isFolder)(const std::string&)) {
    std::vector<std::string> roots = {"/"};
    std::istringstream in(table);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type)) continue;
        mountPoint = Unescape(mountPoint);
        if (mountPoint.empty() || mountPoint.front() != '/') continue;
        if (std::find(SystemFileSystems.begin(), SystemFileSystems.end(), type) != SystemFileSystems.end())
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
    std::ifstream in("/proc/self/mounts");
    std::stringstream table;
    table << in.rdbuf();
    return ParseMounts(table.str(), IsFolder);
}

bool MountedDrives::Ready(const std::string& root) const {
    struct statvfs info {};
    return statvfs(root.c_str(), &info) == 0;
}

} // namespace dyskel
