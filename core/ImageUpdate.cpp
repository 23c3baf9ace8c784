#include "core/ImageUpdate.h"

#include "core/FormatCheck.h"

#include "core/DiskFiles.h"
#include "core/DiskHeader.h"
#include "core/FileIO.h"
#include "core/SafeWrite.h"
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

std::string Untouched(const std::string& imagePath) {
    return " The image \"" + imagePath + "\" was left as it was.";
}

std::string Changed(const std::string& imagePath) {
    return "The image \"" + imagePath +
           "\" was changed by another program since it was read; nothing was written.";
}

} // namespace

std::string SoftWriteProtectedTextFor(const DiskFormat& format) {
    return std::string("The disk is soft write-protected: a ") + format.drive +
           " would refuse to write this disk.";
}

std::string SoftWriteProtection(const DiskImage& image) {
    const DiskFormat& f = image.Format();
    Result<Block> header = image.ReadBlock({f.dirTrack, f.headerSector});
    if (!header || !ParseHeader(f, *header).writeProtected) return {};
    return SoftWriteProtectedTextFor(f);
}

std::string WriteRefusal(const std::string& imagePath) {
    struct stat st {};
    if (::stat(imagePath.c_str(), &st) != 0)
        return "The image \"" + imagePath + "\" " +
               (errno == ENOENT || errno == ENOTDIR ? "was not found" : "could not be examined") + " (" +
               fileio::LastError() + "); nothing was written.";
    if (!S_ISREG(st.st_mode))
        return "The image \"" + imagePath + "\" is no regular file; nothing was written.";
    if (!FormatOfSize(st.st_size))
        return "The image \"" + imagePath + "\" is " + std::to_string(st.st_size) +
               " bytes long, which is no size of a disk image Dyskel knows (" + KnownSizesText() +
               "); it may be cut short. Nothing was written.";
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

namespace {

UpdateResult Update(const std::string& imagePath, const DiskImage* read, const ImageEdit& edit,
                    UpdateOptions& options, const Confirm& confirm) {
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
    // Bytes the caller read are taken when the file is still the one read.
    struct stat st {};
    std::vector<std::uint8_t> bytes;
    if (read && ::stat(target.c_str(), &st) == 0 && fileio::StampOf(st) == read->ReadStamp() &&
        std::int64_t(read->Bytes().size()) == st.st_size) {
        bytes = read->Bytes();
    } else {
        Fd in = Fd::OpenRead(target);
        if (!in.IsOpen() || ::fstat(in.Get(), &st) != 0)
            return Fail("The image \"" + imagePath + "\" could not be read (" + fileio::LastError() +
                        "); nothing was written.");
        bytes.resize(static_cast<std::size_t>(st.st_size));
        if (fileio::ReadAt(in.Get(), 0, bytes.data(), bytes.size()) != bytes.size())
            return Fail("Reading the image \"" + imagePath + "\" failed (" + fileio::LastError() +
                        "); nothing was written.");
    }
    DiskImage image = DiskImage::FromBytes(target, bytes);
    Result<EditPlan> plan = edit(image);
    if (!plan) return Fail(plan.Error());
    // A D71 or D81 whose header or BAM blocks break the drive's rules is
    // written only by an edit that mends them (validate --fix).
    if (const std::vector<std::string> faults = HeaderFaults(image); !faults.empty()) {
        DiskImage after = DiskImage::FromBytes(target, bytes);
        for (const BlockChange& c : plan->changes) after.PutBlock(c.at, c.bytes);
        if (!HeaderFaults(after).empty())
            return Fail("The image \"" + imagePath + "\" breaks the " + image.Format().drive +
                        "'s rules for its header and BAM blocks: " + faults[0] +
                        " Run validate --fix first; nothing was written.");
    }
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
    const DiskFormat& format = image.Format();
    for (const BlockChange& c : changes)
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + std::ptrdiff_t(BlockOffset(format, c.at)));

    UpdateResult result;
    result.status = UpdateStatus::Updated;
    result.before = std::move(*before);
    result.after = changes;
    if (!softProtected.empty()) result.notes.push_back(softProtected);
    result.notes.insert(result.notes.end(), plan->notes.begin(), plan->notes.end());

    safe::Policy policy;
    policy.keep = safe::Keep::OwnerGroupMode;
    policy.createMode = 0600;
    policy.noun = "image";
    policy.shownPath = imagePath;
    if (options.backupFiles) policy.backupPath = backupPath;
    // Writers that take no lock: the image must still be the one read.
    policy.beforePlace = [&] { return guard::StillTheFileRead(target, st, bytes) ? "" : Changed(imagePath); };
    const safe::Outcome put = safe::WriteFile(target, bytes, policy);
    if (!put.Done()) {
        const std::string why = safe::Why(put.error);
        switch (put.failed) {
        case safe::Step::Check:
            return Fail(put.detail);
        case safe::Step::Create:
            return Fail("A new file could not be created beside \"" + imagePath + "\" (" + why + ")." +
                        Untouched(imagePath));
        case safe::Step::Keep:
            return Fail(put.detail + "." + Untouched(imagePath));
        case safe::Step::Write:
            return Fail("Writing the new image failed (" + why + ")." + Untouched(imagePath));
        case safe::Step::Flush:
            return Fail("Flushing the new image failed (" + why + ")." + Untouched(imagePath));
        case safe::Step::Close:
            return Fail("Closing the new image failed (" + why + ")." + Untouched(imagePath));
        case safe::Step::Backup:
            return Fail("The backup of \"" + imagePath + "\" could not be made (" + why + ")." +
                        Untouched(imagePath));
        default:
            return Fail("The new image could not take the image's name (" + why + ")." +
                        Untouched(imagePath));
        }
    }
    if (!put.note.empty()) result.notes.push_back(put.note);
    if (put.backupLost)
        result.warning = "The image was written, but the backup \"" + backupPath + "\" could not be kept (" +
                         safe::Why(put.backupLost) + ").";
    else if (put.folderNotFlushed)
        result.warning = "The image was written, but its folder could not be flushed (" +
                         safe::Why(put.folderNotFlushed) + ").";

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

} // namespace

UpdateResult UpdateImage(const std::string& imagePath, const ImageEdit& edit, UpdateOptions& options,
                         const Confirm& confirm) {
    return Update(imagePath, nullptr, edit, options, confirm);
}

UpdateResult UpdateImage(const DiskImage& read, const ImageEdit& edit, UpdateOptions& options,
                         const Confirm& confirm) {
    return Update(read.Path(), &read, edit, options, confirm);
}

Result<void> CreateImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace) {
    const std::string folder = guard::FolderOf(path);
    const std::string backupPath =
        (std::filesystem::path(folder) / BackupName(std::filesystem::path(path).filename().string()))
            .string();
    guard::FolderLock lock;
    if (std::string busy = lock.Take(folder, path); !busy.empty()) return Failure{busy};
    if (lock.Held()) guard::SweepLeftovers(path, backupPath);
    safe::Policy policy;
    policy.keep = safe::Keep::Nothing;
    policy.mustNotExist = !replace;
    const safe::Outcome made = safe::WriteFile(path, bytes, policy);
    const std::string why = safe::Why(made.error);
    switch (made.failed) {
    case safe::Step::None:
        return {};
    case safe::Step::Exists:
        return Failure{"\"" + path + "\" already exists; it was not replaced."};
    case safe::Step::Create:
        return Failure{made.inPlace ? "Cannot create \"" + path + "\": " + why
                                    : "Cannot create a new file beside \"" + path + "\": " + why};
    case safe::Step::Close:
        return Failure{"Cannot write \"" + path + "\": closing it failed (" + why + ")"};
    case safe::Step::Place:
        return Failure{"Cannot replace \"" + path + "\": " + why};
    default:
        return Failure{"Cannot write \"" + path + "\": " + why};
    }
}

} // namespace dyskel
