// Small POSIX file helpers of the disk image core: every call says whether it
// worked, so that no failed read or write passes unnoticed.
#pragma once

#include "core/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <sys/stat.h>

namespace dyskel::fileio {

// An open file descriptor, closed when it goes out of scope.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd();
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept;

    static Fd OpenRead(const std::string& path);

    bool IsOpen() const { return fd_ >= 0; }
    int Get() const { return fd_; }
    // Closes now; false (with errno set) when the close reported an error.
    bool Close();

  private:
    int fd_ = -1;
};

// What tells one version of a file from another without reading it: its
// device, inode, size, modification and change times.
struct Stamp {
    std::uint64_t device = 0, inode = 0;
    std::int64_t size = -1; // -1: none taken
    std::int64_t modified = 0, modifiedNs = 0, changed = 0, changedNs = 0;
    bool operator==(const Stamp&) const = default;
};
Stamp StampOf(const struct stat& st);

// Reads up to len bytes at offset, stopping at the end of the file or at an
// error; returns the count read.  dst beyond that count is left untouched.
std::size_t ReadAt(int fd, std::int64_t offset, std::uint8_t* dst, std::size_t len);

// Reads up to len bytes at the current position (same rules as ReadAt).
std::size_t ReadSome(int fd, std::uint8_t* dst, std::size_t len);

// Writes all len bytes; false when any could not be written.
bool WriteAll(int fd, const void* src, std::size_t len);

// Size of a regular file; -1 when the path is no readable regular file.
std::int64_t RegularFileSize(const std::string& path);

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);

// Text of the last error (errno), e.g. "No space left on device".
std::string LastError();

// Writes bytes as the whole content of path, as exports and dumps do: a new
// file, or one that replaces an existing regular file whole (written beside
// it, flushed and renamed over it; its mode is kept).  A symbolic link, a
// pipe, a folder or any other kind of file at the name is refused, never
// followed or waited on.  Empty on success, else a message naming the file.
std::string WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);
std::string WriteWholeFile(const std::string& path, const std::string& bytes);

// The folder as an absolute path without "." or ".." parts and without a
// trailing separator ("/" stays); an empty name is the current folder.
std::string NormalFolder(const std::string& folder);

} // namespace dyskel::fileio
