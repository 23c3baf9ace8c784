#include "core/ImageUpdate.h"

#include "core/FileIO.h"

#include <cerrno>
#include <cstdio>
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

namespace {

UpdateResult Fail(std::string message) {
    return {UpdateStatus::Failed, std::move(message)};
}

// Copies the backup back under the image name after a failed rewrite.  The
// backup stays either way.  Returns the sentence that tells the user where
// the intact image now is.
std::string Restore(const std::string& imagePath, const std::string& backupPath, unsigned mode) {
    ::unlink(imagePath.c_str());
    bool restored = false;
    {
        Fd in = Fd::OpenRead(backupPath);
        Fd out = in.IsOpen() ? Fd::Create(imagePath, mode) : Fd();
        if (out.IsOpen()) {
            std::uint8_t block[BlockSize];
            restored = true;
            for (;;) {
                std::size_t n = fileio::ReadSome(in.Get(), block, BlockSize);
                if (n == 0) break;
                if (!fileio::WriteAll(out.Get(), block, n)) {
                    restored = false;
                    break;
                }
            }
            if (!out.Close()) restored = false;
        }
    }
    if (restored) return "The image was left as it was; a copy of it is kept in \"" + backupPath + "\".";
    ::unlink(imagePath.c_str());
    return "The unchanged image is in \"" + backupPath + "\".";
}

} // namespace

UpdateResult UpdateImageFile(const std::string& folder, const std::string& imageName, int track,
                             const TrackBuffer& buffer, UpdateOptions& options,
                             const std::function<Answer(const std::string& text)>& confirm) {
    if (track < 1 || track > MaxTracks) return Fail("Track " + std::to_string(track) + " does not exist.");

    if (options.promptSave && confirm) {
        Answer answer = confirm(UpdatePrompt(imageName));
        if (answer == Answer::No) return {UpdateStatus::Declined, {}};
        if (answer == Answer::All) options.promptSave = false;
    }

    const std::string backupName = BackupName(imageName);
    const std::string imagePath = OpenImageState::JoinPath(folder, imageName);
    const std::string backupPath = OpenImageState::JoinPath(folder, backupName);

    // Refuse before touching anything: a missing image would otherwise cost
    // the old backup, and an image named like its own backup would be deleted.
    if (backupName == imageName)
        return Fail("The image \"" + imagePath + "\" has the backup name itself; nothing was written.");
    struct stat st {};
    if (::stat(imagePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Fail("The image \"" + imagePath + "\" was not found; nothing was written.");
    const std::int64_t imageSize = st.st_size;
    const unsigned mode = st.st_mode & 07777;
    if (!ImageHoldsTrack(imageSize, track))
        return Fail("The image \"" + imagePath + "\" does not hold track " + std::to_string(track) +
                    "; nothing was written.");

    if (::unlink(backupPath.c_str()) != 0 && errno != ENOENT)
        return Fail("The old backup \"" + backupPath + "\" could not be removed (" + fileio::LastError() +
                    "); nothing was written.");
    if (::rename(imagePath.c_str(), backupPath.c_str()) != 0)
        return Fail("The image \"" + imagePath + "\" could not be renamed to \"" + backupPath + "\" (" +
                    fileio::LastError() + "); nothing was written.");

    Fd in = Fd::OpenRead(backupPath);
    if (!in.IsOpen()) {
        std::string why = fileio::LastError();
        if (::rename(backupPath.c_str(), imagePath.c_str()) == 0)
            return Fail("The image could not be read (" + why + "); nothing was written.");
        return Fail("The backup \"" + backupPath + "\" could not be read (" + why +
                    "); it holds the unchanged image.");
    }

    std::string error;
    {
        Fd out = Fd::Create(imagePath, mode);
        if (!out.IsOpen()) {
            error = "The new image \"" + imagePath + "\" could not be created (" + fileio::LastError() + ").";
        } else {
            std::uint8_t block[BlockSize];
            // The tracks before the one rewritten, block by block.
            for (int b = 0; b < TrackStartBlock[track] && error.empty(); ++b) {
                if (fileio::ReadSome(in.Get(), block, BlockSize) != BlockSize)
                    error = "Reading the backup \"" + backupPath + "\" failed.";
                else if (!fileio::WriteAll(out.Get(), block, BlockSize))
                    error = "Writing \"" + imagePath + "\" failed (" + fileio::LastError() + ").";
            }
            // The track from the buffer.
            if (error.empty() && !fileio::WriteAll(out.Get(), buffer.bytes.data(),
                                                   std::size_t(SectorsPerTrack(track)) * BlockSize))
                error = "Writing \"" + imagePath + "\" failed (" + fileio::LastError() + ").";
            // Everything after it: further tracks and the error bytes.
            const off_t next = off_t(TrackStartBlock[track] + SectorsPerTrack(track)) * BlockSize;
            if (error.empty() && ::lseek(in.Get(), next, SEEK_SET) != next)
                error = "Reading the backup \"" + backupPath + "\" failed.";
            std::int64_t copied = next;
            while (error.empty()) {
                std::size_t n = fileio::ReadSome(in.Get(), block, BlockSize);
                if (n == 0) break;
                copied += std::int64_t(n);
                if (!fileio::WriteAll(out.Get(), block, n))
                    error = "Writing \"" + imagePath + "\" failed (" + fileio::LastError() + ").";
            }
            if (error.empty() && copied != imageSize)
                error = "Reading the backup \"" + backupPath + "\" failed.";
            if (!out.Close() && error.empty())
                error = "Closing \"" + imagePath + "\" failed (" + fileio::LastError() + ").";
        }
    }
    in.Close();

    if (!error.empty()) return Fail(error + "\n\r" + Restore(imagePath, backupPath, mode));

    if (!options.backupFiles) ::unlink(backupPath.c_str());
    return {UpdateStatus::Updated, {}};
}

} // namespace dyskel
