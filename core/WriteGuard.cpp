#include "core/WriteGuard.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace dyskel::guard {

using fileio::Fd;

std::string FolderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string Resolve(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        std::string target(PATH_MAX, '\0');
        ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
        if (n <= 0) return at;
        target.resize(std::size_t(n));
        at = target.starts_with('/') ? target : (std::filesystem::path(FolderOf(at)) / target).string();
    }
    return at;
}

bool SyncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.IsOpen() && ::fsync(dir.Get()) == 0;
}

std::string FolderLock::Take(const std::string& folder, const std::string& imagePath) {
    Release();
    dir_ = Fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A folder that may be written but not listed cannot be opened to lock.
    if (!dir_.IsOpen() && errno == EACCES) return {};
    if (!dir_.IsOpen())
        return "The folder of \"" + imagePath + "\" could not be opened (" + fileio::LastError() +
               "); nothing was written.";
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        if (::flock(dir_.Get(), LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return {};
        }
        if (errno == EINTR) continue;
        if (errno == EOPNOTSUPP || errno == ENOLCK || errno == EINVAL) return {}; // no locks here
        if (errno != EWOULDBLOCK)
            return "\"" + imagePath + "\" could not be locked against other writers (" + fileio::LastError() +
                   "); nothing was written.";
        if (std::chrono::steady_clock::now() >= until)
            return "\"" + imagePath + "\" is being written by another program; nothing was written.";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void FolderLock::Release() {
    if (held_) ::flock(dir_.Get(), LOCK_UN);
    held_ = false;
    dir_.Close();
}

namespace {

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool SameIdentity(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           SameTime(a.st_mtim, b.st_mtim) && SameTime(a.st_ctim, b.st_ctim);
}

// The whole file, with its status; false when it cannot be read whole.
bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes, struct stat& st) {
    Fd in = Fd::OpenRead(path);
    if (!in.IsOpen() || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    bytes.resize(std::size_t(st.st_size));
    return fileio::ReadAt(in.Get(), 0, bytes.data(), bytes.size()) == bytes.size();
}

// The PID in a leftover's name: the digits after prefix up to the end or up
// to "-N"; 0 when the name is none of that form.
pid_t PidAfter(const std::string& file, const std::string& prefix, bool counted) {
    if (!file.starts_with(prefix)) return 0;
    const std::string rest = file.substr(prefix.size());
    const std::size_t dash = counted ? rest.find('-') : rest.size();
    if (dash == 0 || dash == std::string::npos) return 0;
    auto digits = [](const std::string& s) {
        return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(rest.substr(0, dash)) || dash > 9 || (counted && !digits(rest.substr(dash + 1)))) return 0;
    return pid_t(std::stol(rest.substr(0, dash)));
}

// Whether a file of that PID may still be in the making.
bool WriterRunning(pid_t pid) {
    if (pid == ::getpid()) return false; // this process holds the lock and writes nothing now
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

bool StillTheFileRead(const std::string& path, struct stat& st, const std::vector<std::uint8_t>& bytes) {
    struct stat now {};
    if (::stat(path.c_str(), &now) != 0) return false;
    if (SameIdentity(now, st)) return true;
    std::vector<std::uint8_t> again;
    if (now.st_size != st.st_size || !ReadWhole(path, again, now) || again != bytes) return false;
    st = now;
    return true;
}

void SweepLeftovers(const std::string& target, const std::string& backupPath) {
    const std::filesystem::path folder(FolderOf(target));
    const std::string name = std::filesystem::path(target).filename().string();
    const std::string temp = "." + name + ".dyskel-", kept = "." + name + ".dyskel-bak-",
                      made = name + ".new-";
    std::vector<std::pair<timespec, std::string>> olds;
    std::error_code ec;
    // Stepped with an error code: a folder that cannot be listed leaves
    // nothing to clear, and throws nothing.
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        const std::string path = it->path().string();
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        const std::string rest = file.starts_with(temp) ? file.substr(temp.size()) : std::string();
        if (rest.size() == 6 && std::all_of(rest.begin(), rest.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            })) {
            ::unlink(path.c_str());
        } else if (pid_t pid = PidAfter(file, made, false); pid && !WriterRunning(pid)) {
            ::unlink(path.c_str());
        } else if (pid_t owner = PidAfter(file, kept, true); owner && !WriterRunning(owner)) {
            olds.push_back({st.st_mtim, path});
        }
    }
    if (olds.empty()) return;
    // The newest old image is the one the last write meant to keep.
    std::sort(olds.begin(), olds.end(), [](const auto& a, const auto& b) {
        return a.first.tv_sec != b.first.tv_sec ? a.first.tv_sec < b.first.tv_sec
                                                : a.first.tv_nsec < b.first.tv_nsec;
    });
    std::vector<std::uint8_t> image, old;
    struct stat st {};
    const bool readable = ReadWhole(target, image, st);
    for (const auto& [time, path] : olds) {
        if ((readable && ReadWhole(path, old, st) && old == image) || backupPath == target)
            ::unlink(path.c_str());
        else
            ::rename(path.c_str(), backupPath.c_str());
    }
}

std::string TempBeside(const std::string& target, Fd& fd, mode_t mode) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<unsigned long long> counter = 0;
    const std::string base = (std::filesystem::path(FolderOf(target)) /
                              ("." + std::filesystem::path(target).filename().string() + ".dyskel-"))
                                 .string();
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    unsigned long long seed = (unsigned long long)now.tv_nsec ^ ((unsigned long long)::getpid() << 32);
    for (int tries = 0; tries < 100; ++tries) {
        // splitmix64: a fresh suffix each try
        unsigned long long x = (seed += 0x9E3779B97F4A7C15ULL + ++counter);
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
        x ^= x >> 31;
        std::string name = base;
        for (int i = 0; i < 6; ++i, x /= 62) name += digits[x % 62];
        int raw = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (raw >= 0) {
            fd = Fd(raw);
            return name;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

} // namespace dyskel::guard
