#include "core/ImageUpdate.h"

#include "core/DiskFiles.h"
#include "core/DiskHeader.h"
#include "core/FileIO.h"
#include "core/WriteGuard.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dyskel {

using fileio::Fd;

std::string BackupName(const std::string& imageName) {
    std::size_t slash = imageName.rfind('/');
    std::size_t dot = imageName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return imageName + ".BAK";
    return imageName.substr(0, dot) + ".BAK";
}

std::string UpdatePrompt(const std::string& imageName) {
    return "Update file \"" + imageName + "\"?";
}

void PutChange(ChangeSet& changes, BlockAddress at, const Block& bytes) {
    auto it = std::lower_bound(changes.begin(), changes.end(), at,
                               [](const BlockChange& c, BlockAddress a) { return c.at < a; });
    if (it != changes.end() && it->at == at)
        it->bytes = bytes;
    else
        changes.insert(it, {at, bytes});
}

Result<ChangeSet> CurrentBlocks(const DiskImage& image, const ChangeSet& changes) {
    ChangeSet now;
    for (const BlockChange& c : changes) {
        Result<Block> block = image.ReadBlock(c.at);
        if (!block) return Failure{block.Error()};
        now.push_back({c.at, *block});
    }
    return now;
}

namespace {

UpdateResult Fail(std::string message) {
    UpdateResult r;
    r.message = std::move(message);
    return r;
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

// The error of the last call, with plain words for a full disk.
std::string Why() {
    if (errno == ENOSPC || errno == EDQUOT) return "the disk is full (" + fileio::LastError() + ")";
    return fileio::LastError();
}

std::string Untouched(const std::string& imagePath) {
    return " The image \"" + imagePath + "\" was left as it was.";
}

std::string Changed(const std::string& imagePath) {
    return "The image \"" + imagePath +
           "\" was changed by another program since it was read; nothing was written.";
}

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

// Keeps the old image under a temporary name: a second link to it, or a copy
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

// Gives the new file the image's owner, group and mode, as far as it can be
// done; then what the new file shows counts.  Only its owner can change: a
// writer who is not the image's owner (nor root) cannot give the file away,
// and note says so.  Empty, or what failed.
std::string KeepOwnerGroupMode(int fd, const struct stat& st, const std::string& imagePath,
                               std::string& note) {
    int ownerError = 0, modeError = 0;
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        ownerError = errno;
        if (!CannotSet(ownerError))
            return "Setting the owner of the new image failed (" + ErrorText(ownerError) + ")";
        // The group, at least, a member of it may give.
        if (::fchown(fd, uid_t(-1), st.st_gid) != 0 && !CannotSet(errno))
            return "Setting the group of the new image failed (" + Why() + ")";
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0) {
        modeError = errno;
        if (!CannotSet(modeError))
            return "Setting the mode of the new image failed (" + ErrorText(modeError) + ")";
    }
    struct stat now {};
    if (::fstat(fd, &now) != 0) return "Checking the new image failed (" + Why() + ")";
    auto reason = [](int error) {
        return error ? ErrorText(error) : std::string("the file system did not keep it");
    };
    if ((now.st_mode & 07777) != (st.st_mode & 07777))
        return "Setting the mode of the new image failed (" + reason(modeError) + ")";
    if (now.st_gid != st.st_gid)
        return "The new image could not keep the image's group " + GroupName(st.st_gid) + " (" +
               reason(ownerError) + "; only its owner or root can write it without changing the group)";
    if (now.st_uid != st.st_uid)
        note = "\"" + imagePath + "\" was written by a user other than its owner: owner changed from " +
               UserName(st.st_uid) + " to " + UserName(now.st_uid) + " (its group and mode were kept).";
    return {};
}

} // namespace

std::string SoftWriteProtection(const DiskImage& image) {
    Result<Block> header = image.ReadBlock({DirTrack, 0});
    if (!header || !ParseHeader(*header).writeProtected) return {};
    return SoftWriteProtectedText;
}

std::string WriteRefusal(const std::string& imagePath) {
    struct stat st {};
    if (::stat(imagePath.c_str(), &st) != 0)
        return "The image \"" + imagePath + "\" " +
               (errno == ENOENT || errno == ENOTDIR ? "was not found" : "could not be examined") + " (" +
               fileio::LastError() + "); nothing was written.";
    if (!S_ISREG(st.st_mode))
        return "The image \"" + imagePath + "\" is no regular file; nothing was written.";
    if (!TracksOfD64Size(st.st_size))
        return "The image \"" + imagePath + "\" is " + std::to_string(st.st_size) +
               " bytes long, which is no D64 size (174848, 175531, 196608 or 197376); it may be cut short. "
               "Nothing was written.";
    if (!(st.st_mode & S_IWUSR)) return "The image \"" + imagePath + "\" is read-only; nothing was written.";
    if (::access(imagePath.c_str(), W_OK) != 0) {
        if (errno == EROFS)
            return "The image \"" + imagePath + "\" is on a read-only file system; nothing was written.";
        if (errno == EACCES || errno == EPERM)
            return "The image \"" + imagePath + "\" is read-only; nothing was written.";
        return "Whether the image \"" + imagePath + "\" may be written could not be checked (" +
               fileio::LastError() + "); nothing was written.";
    }
    return {};
}

UpdateResult UpdateImage(const std::string& imagePath, const ImageEdit& edit, UpdateOptions& options,
                         const Confirm& confirm) {
    const std::string imageName = std::filesystem::path(imagePath).filename().string();
    if (std::string refusal = WriteRefusal(imagePath); !refusal.empty()) return Fail(refusal);
    const std::string target = guard::Resolve(imagePath);
    const std::string folder = guard::FolderOf(target);
    const std::string targetName = std::filesystem::path(target).filename().string();
    const std::string backupPath = (std::filesystem::path(folder) / BackupName(targetName)).string();
    if (options.backupFiles && BackupName(targetName) == targetName)
        return Fail("The image \"" + imagePath + "\" has the backup name itself; nothing was written.");

    // From the read to the rename no other Dyskel writer touches the image
    // (but while a question waits for its answer).
    guard::FolderLock lock;
    if (std::string busy = lock.Take(folder, imagePath); !busy.empty()) return Fail(busy);
    if (lock.Held()) guard::SweepLeftovers(target, backupPath);

    // The image as it is now, read once: the edit works on these bytes and the
    // new file is made of them, so nothing read earlier can slip in.
    Fd in = Fd::OpenRead(target);
    struct stat st {};
    if (!in.IsOpen() || ::fstat(in.Get(), &st) != 0)
        return Fail("The image \"" + imagePath + "\" could not be read (" + fileio::LastError() +
                    "); nothing was written.");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    if (fileio::ReadAt(in.Get(), 0, bytes.data(), bytes.size()) != bytes.size())
        return Fail("Reading the image \"" + imagePath + "\" failed (" + fileio::LastError() +
                    "); nothing was written.");
    in.Close();
    DiskImage image = DiskImage::FromBytes(target, bytes);
    Result<EditPlan> plan = edit(image);
    if (!plan) return Fail(plan.Error());
    const ChangeSet& changes = plan->changes;
    Result<ChangeSet> before = CurrentBlocks(image, changes);
    if (!before) return Fail(before.Error() + " Nothing was written.");
    const std::string softProtected = SoftWriteProtection(image);
    if (confirm && (options.promptSave || !plan->destructive.empty())) {
        // Nobody is kept waiting while the question is open; the image must
        // then still be the file that was read.
        lock.Release();
        Question question{UpdatePrompt(imageName), plan->destructive, {}};
        if (!softProtected.empty()) question.warnings.push_back(softProtected);
        const Answer answer = confirm(question);
        if (answer == Answer::No) {
            UpdateResult declined;
            declined.status = UpdateStatus::Declined;
            return declined;
        }
        if (answer == Answer::All && plan->destructive.empty()) options.promptSave = false;
        if (std::string busy = lock.Take(folder, imagePath); !busy.empty()) return Fail(busy);
        if (!guard::StillTheFileRead(target, st, bytes)) return Fail(Changed(imagePath));
    }
    for (const BlockChange& c : changes)
        std::copy(c.bytes.begin(), c.bytes.end(),
                  bytes.begin() + std::ptrdiff_t(BlockOffset(c.at.track, c.at.sector)));

    UpdateResult result;
    result.status = UpdateStatus::Updated;
    result.before = std::move(*before);
    result.after = changes;
    if (!softProtected.empty()) result.notes.push_back(softProtected);
    result.notes.insert(result.notes.end(), plan->notes.begin(), plan->notes.end());

    Fd out;
    const std::string temp = guard::TempBeside(target, out, 0600);
    if (temp.empty())
        return Fail("A new file could not be created beside \"" + imagePath + "\" (" + Why() + ")." +
                    Untouched(imagePath));
    auto abandon = [&](const std::string& what) {
        out.Close();
        ::unlink(temp.c_str());
        return Fail(what + "." + Untouched(imagePath));
    };
    if (!fileio::WriteAll(out.Get(), bytes.data(), bytes.size()))
        return abandon("Writing the new image failed (" + Why() + ")");
    std::string ownerNote;
    if (std::string failed = KeepOwnerGroupMode(out.Get(), st, imagePath, ownerNote); !failed.empty())
        return abandon(failed);
    if (::fsync(out.Get()) != 0) return abandon("Flushing the new image failed (" + Why() + ")");
    if (!out.Close()) return abandon("Closing the new image failed (" + Why() + ")");
    if (!ownerNote.empty()) result.notes.push_back(ownerNote);
    // Writers that take no lock: the image must still be the one read.
    if (!guard::StillTheFileRead(target, st, bytes)) {
        ::unlink(temp.c_str());
        return Fail(Changed(imagePath));
    }

    std::string keep;
    if (options.backupFiles) {
        keep = TempBackupName(target);
        if (!KeepOld(target, keep, st)) {
            std::string why = Why();
            ::unlink(temp.c_str());
            return Fail("The backup of \"" + imagePath + "\" could not be made (" + why + ")." +
                        Untouched(imagePath));
        }
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        std::string why = Why();
        ::unlink(temp.c_str());
        if (!keep.empty()) ::unlink(keep.c_str());
        return Fail("The new image could not take the image's name (" + why + ")." + Untouched(imagePath));
    }
    // From here on the new image is in place.
    if (!keep.empty() && ::rename(keep.c_str(), backupPath.c_str()) != 0) {
        result.warning =
            "The image was written, but the backup \"" + backupPath + "\" could not be kept (" + Why() + ").";
        ::unlink(keep.c_str());
    }
    if (!guard::SyncFolder(folder) && result.warning.empty())
        result.warning = "The image was written, but its folder could not be flushed (" + Why() + ").";

    // Read back what was written.
    Result<DiskImage> written = DiskImage::Load(target);
    Result<ChangeSet> now =
        written ? CurrentBlocks(*written, result.after) : Result<ChangeSet>(Failure{written.Error()});
    if (!now) {
        result.warning = "The image was written, but reading it back failed: " + now.Error();
    } else {
        for (std::size_t i = 0; i < now->size(); ++i)
            if ((*now)[i].bytes != result.after[i].bytes) {
                result.status = UpdateStatus::Failed;
                result.message = "The image \"" + imagePath +
                                 "\" does not hold what was written; it was changed "
                                 "by another program at the same time.";
                break;
            }
    }
    return result;
}

namespace {

// Writes a new image under its name where no second name can be linked to a
// file (FAT): made there with O_EXCL, removed again when it cannot be
// written whole.
Result<void> CreateInPlace(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.IsOpen() && errno == EEXIST)
        return Failure{"\"" + path + "\" already exists; it was not replaced."};
    if (!fd.IsOpen()) return Failure{"Cannot create \"" + path + "\": " + fileio::LastError()};
    std::string failed;
    if (!fileio::WriteAll(fd.Get(), bytes.data(), bytes.size()) || ::fsync(fd.Get()) != 0)
        failed = "Cannot write \"" + path + "\": " + Why();
    else if (!fd.Close())
        failed = "Cannot write \"" + path + "\": closing it failed (" + Why() + ")";
    if (failed.empty()) return {};
    fd.Close();
    ::unlink(path.c_str());
    return Failure{failed};
}

} // namespace

Result<void> CreateImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace) {
    const std::string folder = guard::FolderOf(path);
    const std::string backupPath =
        (std::filesystem::path(folder) / BackupName(std::filesystem::path(path).filename().string()))
            .string();
    guard::FolderLock lock;
    if (std::string busy = lock.Take(folder, path); !busy.empty()) return Failure{busy};
    if (lock.Held()) guard::SweepLeftovers(path, backupPath);
    const Failure exists{"\"" + path + "\" already exists; it was not replaced."};
    struct stat st {};
    if (!replace && ::lstat(path.c_str(), &st) == 0) return exists;

    Fd fd;
    const std::string temp = guard::TempBeside(path, fd, 0666);
    if (temp.empty()) return Failure{"Cannot create a new file beside \"" + path + "\": " + Why()};
    std::string failed;
    if (!fileio::WriteAll(fd.Get(), bytes.data(), bytes.size()) || ::fsync(fd.Get()) != 0)
        failed = "Cannot write \"" + path + "\": " + Why();
    else if (!fd.Close())
        failed = "Cannot write \"" + path + "\": closing it failed (" + Why() + ")";
    if (!failed.empty()) {
        fd.Close();
        ::unlink(temp.c_str());
        return Failure{failed};
    }
    if (replace) {
        if (::rename(temp.c_str(), path.c_str()) != 0) {
            failed = "Cannot replace \"" + path + "\": " + Why();
            ::unlink(temp.c_str());
            return Failure{failed};
        }
    } else {
        bool placed = ::link(temp.c_str(), path.c_str()) == 0;
        if (placed)
            ::unlink(temp.c_str());
        else if (errno != EEXIST)
            placed = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
        if (!placed) {
            const bool taken = errno == EEXIST;
            ::unlink(temp.c_str());
            if (taken) return exists;
            // No hard links and no renaming without replacing here (FAT).
            if (Result<void> made = CreateInPlace(path, bytes); !made) return made;
        }
    }
    guard::SyncFolder(folder); // the image is whole under its name either way
    return {};
}

} // namespace dyskel
