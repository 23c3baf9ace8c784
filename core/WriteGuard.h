// What keeps writers of one image from spoiling each other's work, shared by
// the write path (UpdateImage) and new images (CreateImageFile): a lock on the
// image's folder, a check that the image is still the file that was read, the
// leftovers of writes that did not finish, and temporary files beside an
// image.
#pragma once

#include "core/FileIO.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace dyskel::guard {

// The folder of a path, "." when it names none.
std::string FolderOf(const std::string& path);

// Where a path leads: the final target of its symbolic links (the path itself
// when it is none).
std::string Resolve(const std::string& path);

// Syncs a folder, so that a rename in it is on the disk.
bool SyncFolder(const std::string& folder);

// An exclusive advisory lock (flock) on the folder an image is renamed in:
// the image itself cannot carry it, for the rename replaces it.  Every
// Dyskel writer takes it from the read to the rename.
class FolderLock {
  public:
    // Waits at most 2 s for the lock.  Empty when it is held, and also where
    // the file system has no locks (the write goes on without); else the
    // message of the refusal, naming imagePath.
    std::string Take(const std::string& folder, const std::string& imagePath);
    void Release();
    bool Held() const { return held_; }

  private:
    fileio::Fd dir_;
    bool held_ = false;
};

// True when the file at path is still the one whose status is st and whose
// bytes are bytes: the same inode, size, modification and change times, or,
// where any differs, the same bytes (st then takes the file's new status).
bool StillTheFileRead(const std::string& path, struct stat& st, const std::vector<std::uint8_t>& bytes);

// Removes what writes of the image at target left when they did not finish:
// ".NAME.dyskel-XXXXXX" (a new image being written) and "NAME.new-PID" (a new
// image of an older Dyskel) go; ".NAME.dyskel-bak-PID-N" (the old image kept
// for its backup) goes when it holds what the image holds, and else, being
// the only copy of the old image, becomes backupPath.  Files whose PID is a
// running process other than this one are left alone.  Only under the lock.
void SweepLeftovers(const std::string& target, const std::string& backupPath);

// Creates ".NAME.dyskel-XXXXXX" beside target with mode (less the umask);
// empty with errno set on failure.
std::string TempBeside(const std::string& target, fileio::Fd& fd, mode_t mode);

} // namespace dyskel::guard
