// Drives on a system without drive letters: the mounted volumes, each named
// by the folder it is mounted on.
#pragma once

#include <string>
#include <vector>

namespace dyskel {

class IDrives {
  public:
    virtual ~IDrives() = default;

    // The roots of the volumes, "/" first.
    virtual std::vector<std::string> List() const = 0;

    // True when the volume answers a free-space query.
    virtual bool Ready(const std::string& root) const = 0;

    // The root among List() that holds folder: the longest one that is a
    // leading part of it, "/" at least.
    std::string DriveOf(const std::string& folder) const;
};

// The mounted volumes as Qt lists them (QStorageInfo::mountedVolumes) that
// hold files, as DriveRoots picks them.
class MountedDrives : public IDrives {
  public:
    std::vector<std::string> List() const override;
    bool Ready(const std::string& root) const override;
};

// A mounted volume: the folder it is mounted on and its file system's name
// ("ext4", "vfat", "proc" ...).
struct Mount {
    std::string root;
    std::string type;
};

// The roots of the volumes that hold user files: "/" first, then the others
// in their order, without repeats.  Kernel and system file systems, volumes
// under /proc, /sys, /dev, /run and /snap, and mount points that are no
// folder (a single file mounted over a file) are left out; isFolder tells
// whether a mount point is a folder.
std::vector<std::string> DriveRoots(const std::vector<Mount>& mounts, bool (*isFolder)(const std::string&));

} // namespace dyskel
