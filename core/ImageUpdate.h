// Changing an image file: every change is a set of whole blocks written
// through one path.  The new image is written beside the old one and renamed
// over it, so that the image's name always holds a whole image, the old or the
// new; the old one becomes NAME.BAK when a backup is asked for.
#pragma once

#include "core/Uglobal.h"

#include <functional>
#include <string>
#include <vector>

namespace dyskel {

enum class Answer { Yes, No, All };

struct UpdateOptions {
    bool promptSave = false;  // ask "Update file "NAME"?" first; All clears it
    bool backupFiles = false; // keep the previous image as NAME.BAK
};

enum class UpdateStatus { Updated, Declined, Failed };

// The new contents of one block.
struct BlockChange {
    BlockAddress at;
    Block bytes{};
};
using ChangeSet = std::vector<BlockChange>; // one change per block, in track and sector order

// Computes the changed blocks from the image as it is read right before the
// write.  A failure stops the write before anything is touched.
using ImageEdit = std::function<Result<ChangeSet>(const DiskImage& image)>;

struct UpdateResult {
    UpdateStatus status = UpdateStatus::Failed;
    std::string message; // for Failed: what went wrong; the image is as it was
    std::string warning; // for Updated: something beside the image did not go as asked
    ChangeSet before;    // the changed blocks as they were (for Undo)
    ChangeSet after;     // and as they are now
};

using Confirm = std::function<Answer(const std::string& text)>;

// "GAMES.D64" -> "GAMES.BAK", "A.B.D64" -> "A.B.BAK"; a name without a dot
// gets ".BAK" appended.
std::string BackupName(const std::string& imageName);

// "Update file "NAME"?"
std::string UpdatePrompt(const std::string& imageName);

// Why an image may not be written, or empty: it must be a regular file (a
// symbolic link is followed to one) of one of the four D64 sizes whose owner
// may write it.
std::string WriteRefusal(const std::string& imagePath);

// The one write path.  Asks confirm when options.promptSave is set (All
// clears it), reads the image, lets edit compute the changed blocks, writes a
// copy of the whole file with those blocks replaced (every other byte kept),
// flushes it and renames it over the image.  An image reached through a
// symbolic link is written at the link's target.  The new file keeps the old
// one's owner, group and mode.  The changed blocks are read back to confirm.
UpdateResult UpdateImage(const std::string& imagePath, const ImageEdit& edit, UpdateOptions& options,
                         const Confirm& confirm);

// The blocks of a change as the image holds them now.
[[nodiscard]] Result<ChangeSet> CurrentBlocks(const DiskImage& image, const ChangeSet& changes);

// Puts changed blocks into a change set, replacing an earlier change of the
// same block, keeping track and sector order.
void PutChange(ChangeSet& changes, BlockAddress at, const Block& bytes);

} // namespace dyskel
