#include "core/SafeWrite.h"

#include "core/FileIO.h"
#include "core/WriteGuard.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dyskel::safe {

using fileio::Fd;

std::string Why(int error) {
    if (error == ENOSPC || error == EDQUOT)
        return "the disk is full (" + std::string(std::strerror(error)) + ")";
    return std::strerror(error);
}

namespace {

// Copies the whole file in to out.
bool CopyAll(int in, int out, std::int64_t size) {
    std::vector<std::uint8_t> buffer(1 << 16);
    std::int64_t done = 0;
    for (;;) {
        std::size_t n = fileio::ReadSome(in, buffer.data(), buffer.size());
        if (n == 0) break;
        if (!fileio::WriteAll(out, buffer.data(), n)) return false;
        done += std::int64_t(n);
    }
    if (done != size) {
        errno = EIO;
        return false;
    }
    return true;
}

// A name beside target for the backup's first place, not yet used.
std::string TempBackupName(const std::string& target) {
    std::string base = (std::filesystem::path(guard::FolderOf(target)) /
                        ("." + std::filesystem::path(target).filename().string() + ".dyskel-bak-"))
                           .string();
    for (int i = 0; i < 1000; ++i) {
        std::string name = base + std::to_string(::getpid()) + "-" + std::to_string(i);
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0) return name;
    }
    return base + "x";
}

// Keeps the old file under a temporary name: a second link to it, or a copy
// where the file system has no hard links.
bool KeepOld(const std::string& target, const std::string& keep, const struct stat& st) {
    if (::link(target.c_str(), keep.c_str()) == 0) return true;
    Fd in = Fd::OpenRead(target);
    Fd out(::open(keep.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
    if (!in.IsOpen() || !out.IsOpen()) return false;
    bool ok = CopyAll(in.Get(), out.Get(), st.st_size) && ::fsync(out.Get()) == 0;
    if (!out.Close()) ok = false;
    if (!ok) ::unlink(keep.c_str());
    return ok;
}

// A user's or group's name, or its number where it has none.
std::string UserName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{}, *found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) return entry.pw_name;
    return std::to_string(uid);
}
std::string GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{}, *found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) return entry.gr_name;
    return std::to_string(gid);
}

// What a file system without Unix owners says to fchown and fchmod, and the
// kernel to a writer who may not give a file away.
bool CannotSet(int error) {
    return error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

// Gives the new file the old one's owner, group and mode, as far as it can
// be done; then what the new file shows counts.  Only its owner can change: a
// writer who is not the old file's owner (nor root) cannot give the file
// away, and note says so.  Empty, or what failed.
std::string KeepOwnerGroupMode(int fd, const struct stat& st, const Policy& policy, std::string& note) {
    const std::string noun = "the new " + policy.noun;
    int ownerError = 0, modeError = 0;
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        ownerError = errno;
        if (!CannotSet(ownerError))
            return "Setting the owner of " + noun + " failed (" + std::strerror(ownerError) + ")";
        // The group, at least, a member of it may give.
        if (::fchown(fd, uid_t(-1), st.st_gid) != 0 && !CannotSet(errno))
            return "Setting the group of " + noun + " failed (" + Why(errno) + ")";
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0) {
        modeError = errno;
        if (!CannotSet(modeError))
            return "Setting the mode of " + noun + " failed (" + std::strerror(modeError) + ")";
    }
    struct stat now {};
    if (::fstat(fd, &now) != 0) return "Checking " + noun + " failed (" + Why(errno) + ")";
    auto reason = [](int error) {
        return error ? std::string(std::strerror(error)) : std::string("the file system did not keep it");
    };
    if ((now.st_mode & 07777) != (st.st_mode & 07777))
        return "Setting the mode of " + noun + " failed (" + reason(modeError) + ")";
    if (now.st_gid != st.st_gid)
        return "The new " + policy.noun + " could not keep the " + policy.noun + "'s group " +
               GroupName(st.st_gid) + " (" + reason(ownerError) +
               "; only its owner or root can write it without changing the group)";
    if (now.st_uid != st.st_uid)
        note = "\"" + policy.shownPath +
               "\" was written by a user other than its owner: owner changed from " + UserName(st.st_uid) +
               " to " + UserName(now.st_uid) + " (its group and mode were kept).";
    return {};
}

Outcome Failed(Step step, int error, std::string detail = {}) {
    Outcome o;
    o.failed = step;
    o.error = error;
    o.detail = std::move(detail);
    return o;
}

// Writes the bytes into an open new file, flushes and closes it.
Step WriteFlushClose(Fd& fd, std::span<const std::uint8_t> bytes) {
    if (!fileio::WriteAll(fd.Get(), bytes.data(), bytes.size())) return Step::Write;
    if (::fsync(fd.Get()) != 0) return Step::Flush;
    if (!fd.Close()) return Step::Close;
    return Step::None;
}

// Writes the file under its own name: over the file there (O_TRUNC) or,
// with exclusive, as a new one (O_EXCL; removed again when it cannot be
// written whole).
Outcome WriteInPlace(const std::string& target, std::span<const std::uint8_t> bytes, bool exclusive,
                     mode_t mode) {
    Outcome o;
    o.inPlace = true;
    Fd fd(::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC), mode));
    if (!fd.IsOpen()) {
        o.failed = exclusive && errno == EEXIST ? Step::Exists : Step::Create;
        o.error = errno;
    } else if (Step failed = WriteFlushClose(fd, bytes); failed != Step::None) {
        o.failed = failed;
        o.error = errno;
        fd.Close();
        if (exclusive) ::unlink(target.c_str());
    }
    return o;
}

// Puts temp under target's name without replacing anything there.  False
// with errno set; EEXIST when the name is taken, ENOTSUP when this file
// system can do neither (temp is then still there).
bool LinkInNew(const std::string& temp, const std::string& target) {
    if (::link(temp.c_str(), target.c_str()) == 0) {
        ::unlink(temp.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EEXIST) errno = ENOTSUP;
    return false;
}

} // namespace

Outcome WriteFile(const std::string& path, std::span<const std::uint8_t> bytes, const Policy& policy) {
    struct stat old {};
    bool exists = ::lstat(path.c_str(), &old) == 0;
    if (policy.mustNotExist && exists) return Failed(Step::Exists, EEXIST);
    if (policy.links == Links::Refuse && exists && !S_ISREG(old.st_mode)) {
        Outcome o = Failed(Step::Refused, 0);
        o.refusedLink = S_ISLNK(old.st_mode);
        return o;
    }
    const std::string target = policy.links == Links::Follow ? guard::Resolve(path) : path;
    if (policy.links == Links::Follow && target != path) exists = ::lstat(target.c_str(), &old) == 0;
    const std::string folder = guard::FolderOf(target);

    Fd out;
    const std::string temp = guard::TempBeside(target, out, policy.createMode);
    if (temp.empty()) {
        const int error = errno;
        if (policy.inPlaceFallback) return WriteInPlace(target, bytes, false, policy.createMode);
        return Failed(Step::Create, error);
    }
    auto abandon = [&](Step step, int error, std::string detail = {}) {
        out.Close();
        ::unlink(temp.c_str());
        return Failed(step, error, std::move(detail));
    };
    if (!fileio::WriteAll(out.Get(), bytes.data(), bytes.size())) return abandon(Step::Write, errno);
    Outcome done;
    if (exists && policy.keep == Keep::OwnerGroupMode) {
        if (std::string failed = KeepOwnerGroupMode(out.Get(), old, policy, done.note); !failed.empty())
            return abandon(Step::Keep, errno, failed);
    } else if (exists && policy.keep == Keep::Mode) {
        ::fchmod(out.Get(), old.st_mode & 07777); // as far as the file system keeps it
    }
    if (::fsync(out.Get()) != 0) return abandon(Step::Flush, errno);
    if (!out.Close()) return abandon(Step::Close, errno);
    if (policy.beforePlace)
        if (std::string no = policy.beforePlace(); !no.empty()) return abandon(Step::Check, 0, no);

    if (policy.mustNotExist) {
        if (!LinkInNew(temp, target)) {
            const int error = errno;
            ::unlink(temp.c_str());
            if (error == EEXIST) return Failed(Step::Exists, error);
            // No hard links and no renaming without replacing here (FAT).
            if (Outcome made = WriteInPlace(target, bytes, true, policy.createMode); !made.Done())
                return made;
            done.inPlace = true;
        }
    } else {
        std::string keep;
        if (!policy.backupPath.empty() && exists) {
            keep = TempBackupName(target);
            if (!KeepOld(target, keep, old)) return abandon(Step::Backup, errno);
        }
        if (::rename(temp.c_str(), target.c_str()) != 0) {
            const int error = errno;
            ::unlink(temp.c_str());
            if (!keep.empty()) ::unlink(keep.c_str());
            if (policy.inPlaceFallback) return WriteInPlace(target, bytes, false, policy.createMode);
            return Failed(Step::Place, error);
        }
        // From here on the new file is in place.
        if (!keep.empty() && ::rename(keep.c_str(), policy.backupPath.c_str()) != 0) {
            done.backupLost = errno;
            ::unlink(keep.c_str());
        }
    }
    if (!guard::SyncFolder(folder)) done.folderNotFlushed = errno;
    return done;
}

} // namespace dyskel::safe
