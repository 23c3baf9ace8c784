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

// The volumes of /proc/self/mounts that hold files: system and kernel file
// systems, and single files mounted over files, are left out.
class MountedDrives : public IDrives {
  public:
    std::vector<std::string> List() const override;
    bool Ready(const std::string& root) const override;
};

// The mount points of a mounts table (the text of /proc/self/mounts): "/"
// first, then the others in the table's order, without repeats.  isFolder
// tells whether a mount point is a folder.
std::vector<std::string> ParseMounts(const std::string& table, bool (*isFolder)(const std::string&));

} // namespace dyskel
