#include "core/ImageUpdate.h"

#include "core/FileIO.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
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

// The error of the last call, with plain words for a full disk.
std::string Why() {
    if (errno == ENOSPC || errno == EDQUOT) return "the disk is full (" + fileio::LastError() + ")";
    return fileio::LastError();
}

std::string Untouched(const std::string& imagePath) {
    return " The image \"" + imagePath + "\" was left as it was.";
}

// The folder of a path, "." when it names none.
std::string FolderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Where a path leads: the final target of its symbolic links (the path itself
// when it is none).
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

// Syncs a folder, so that a rename in it is on the disk.
bool SyncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.IsOpen() && ::fsync(dir.Get()) == 0;
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

// A new file beside target, named after it; empty on failure.
std::string TempBeside(const std::string& target, Fd& fd) {
    std::string name = (std::filesystem::path(FolderOf(target)) /
                        ("." + std::filesystem::path(target).filename().string() + ".dyskel-XXXXXX"))
                           .string();
    int raw = ::mkstemp(name.data());
    if (raw < 0) return {};
    fd = Fd(raw);
    return name;
}

// A name beside target for the backup's first place, not yet used.
std::string TempBackupName(const std::string& target) {
    std::string base = (std::filesystem::path(FolderOf(target)) /
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

} // namespace

std::string WriteRefusal(const std::string& imagePath) {
    struct stat st {};
    if (::stat(imagePath.c_str(), &st) != 0)
        return "The image \"" + imagePath + "\" was not found (" + fileio::LastError() +
               "); nothing was written.";
    if (!S_ISREG(st.st_mode))
        return "The image \"" + imagePath + "\" is no regular file; nothing was written.";
    if (!TracksOfD64Size(st.st_size))
        return "The image \"" + imagePath + "\" is " + std::to_string(st.st_size) +
               " bytes long, which is no D64 size (174848, 175531, 196608 or 197376); it may be cut short. "
               "Nothing was written.";
    if (!(st.st_mode & S_IWUSR) || ::access(imagePath.c_str(), W_OK) != 0)
        return "The image \"" + imagePath + "\" is read-only; nothing was written.";
    return {};
}

UpdateResult UpdateImage(const std::string& imagePath, const ImageEdit& edit, UpdateOptions& options,
                         const Confirm& confirm) {
    const std::string imageName = std::filesystem::path(imagePath).filename().string();
    if (std::string refusal = WriteRefusal(imagePath); !refusal.empty()) return Fail(refusal);
    const std::string target = Resolve(imagePath);
    const std::string targetName = std::filesystem::path(target).filename().string();
    const std::string backupPath =
        (std::filesystem::path(FolderOf(target)) / BackupName(targetName)).string();
    if (options.backupFiles && BackupName(targetName) == targetName)
        return Fail("The image \"" + imagePath + "\" has the backup name itself; nothing was written.");

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
    if (confirm && (options.promptSave || !plan->destructive.empty())) {
        const Answer answer = confirm({UpdatePrompt(imageName), plan->destructive, {}});
        if (answer == Answer::No) {
            UpdateResult declined;
            declined.status = UpdateStatus::Declined;
            return declined;
        }
        if (answer == Answer::All && plan->destructive.empty()) options.promptSave = false;
    }
    for (const BlockChange& c : changes)
        std::copy(c.bytes.begin(), c.bytes.end(),
                  bytes.begin() + std::ptrdiff_t(BlockOffset(c.at.track, c.at.sector)));

    UpdateResult result;
    result.status = UpdateStatus::Updated;
    result.before = std::move(*before);
    result.after = changes;
    result.notes = plan->notes;

    Fd out;
    const std::string temp = TempBeside(target, out);
    if (temp.empty())
        return Fail("A new file could not be created beside \"" + imagePath + "\" (" + Why() + ")." +
                    Untouched(imagePath));
    auto abandon = [&](const std::string& what) {
        std::string why = Why();
        out.Close();
        ::unlink(temp.c_str());
        return Fail(what + " (" + why + ")." + Untouched(imagePath));
    };
    if (!fileio::WriteAll(out.Get(), bytes.data(), bytes.size()))
        return abandon("Writing the new image failed");
    // The new file is the old one's: owner, group and mode.
    if (::fchown(out.Get(), st.st_uid, st.st_gid) != 0 && errno != EPERM)
        return abandon("Setting the owner of the new image failed");
    if (::fchmod(out.Get(), st.st_mode & 07777) != 0)
        return abandon("Setting the mode of the new image failed");
    if (::fsync(out.Get()) != 0) return abandon("Flushing the new image failed");
    if (!out.Close()) {
        std::string why = Why();
        ::unlink(temp.c_str());
        return Fail("Closing the new image failed (" + why + ")." + Untouched(imagePath));
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
    if (!SyncFolder(FolderOf(target)) && result.warning.empty())
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

} // namespace dyskel
