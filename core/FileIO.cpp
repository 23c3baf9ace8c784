#include "core/FileIO.h"

#include "core/SafeWrite.h"

#include <filesystem>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dyskel::fileio {

Fd::~Fd() {
    if (fd_ >= 0) ::close(fd_);
}

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

// Non-blocking so that a named pipe that happens to end in ".d64" cannot
// hang the program; for regular files the flag changes nothing.
Fd Fd::OpenRead(const std::string& path) {
    return Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
}

bool Fd::Close() {
    if (fd_ < 0) return true;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
}

Stamp StampOf(const struct stat& st) {
    return {std::uint64_t(st.st_dev),         std::uint64_t(st.st_ino),
            std::int64_t(st.st_size),         std::int64_t(st.st_mtim.tv_sec),
            std::int64_t(st.st_mtim.tv_nsec), std::int64_t(st.st_ctim.tv_sec),
            std::int64_t(st.st_ctim.tv_nsec)};
}

std::size_t ReadAt(int fd, std::int64_t offset, std::uint8_t* dst, std::size_t len) {
    std::size_t done = 0;
    while (done < len) {
        ssize_t n = ::pread(fd, dst + done, len - done, static_cast<off_t>(offset + std::int64_t(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t ReadSome(int fd, std::uint8_t* dst, std::size_t len) {
    std::size_t done = 0;
    while (done < len) {
        ssize_t n = ::read(fd, dst + done, len - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool WriteAll(int fd, const void* src, std::size_t len) {
    const char* p = static_cast<const char*>(src);
    std::size_t done = 0;
    while (done < len) {
        ssize_t n = ::write(fd, p + done, len - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::int64_t RegularFileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string LastError() {
    return std::strerror(errno);
}

std::string WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    safe::Policy policy;
    policy.links = safe::Links::Refuse;
    const safe::Outcome put = safe::WriteFile(path, bytes, policy);
    const std::string why = std::strerror(put.error);
    switch (put.failed) {
    case safe::Step::None:
        return {};
    case safe::Step::Refused:
        return "Could not create file \"" + path + "\": " +
               (put.refusedLink ? "a symbolic link is in its place; it is not followed."
                                : "something that is no regular file is in its place.");
    case safe::Step::Create:
        return "Could not create file \"" + path + "\": " + why;
    case safe::Step::Close:
        return "Could not close file \"" + path + "\": " + why;
    case safe::Step::Place:
        return "Could not replace file \"" + path + "\": " + why;
    default:
        return "Could not write file \"" + path + "\": " + why;
    }
}

std::string WriteWholeFile(const std::string& path, const std::string& bytes) {
    return WriteWholeFile(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string NormalFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::path p =
        std::filesystem::absolute(folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder),
                                  ec)
            .lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

} // namespace dyskel::fileio
