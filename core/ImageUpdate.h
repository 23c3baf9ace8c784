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

// What an edit will do to the image: the changed blocks, and what the user is
// to be told before and after.
struct EditPlan {
    ChangeSet changes;
    // For a change that destroys something (Delete, Clear, Replace, Fix BAM):
    // one line saying what it will do ("Delete "HELLO" (3 blocks)").  The
    // windows ask before such a write, "No" the default; empty for the others.
    std::string destructive;
    // What the user should know once it is written (a cross-linked file, a
    // BAM that was wrong), a line each.
    std::vector<std::string> notes;
};

// Computes the plan from the image as it is read right before the write.  A
// failure stops the write before anything is touched.
using ImageEdit = std::function<Result<EditPlan>(const DiskImage& image)>;

struct UpdateResult {
    UpdateStatus status = UpdateStatus::Failed;
    std::string message;            // for Failed: what went wrong; the image is as it was
    std::string warning;            // for Updated: something beside the image did not go as asked
    ChangeSet before;               // the changed blocks as they were (for Undo)
    ChangeSet after;                // and as they are now
    std::vector<std::string> notes; // the plan's notes, for Updated
};

// The write path's question: "Update file "NAME"?", and for a change that
// destroys something the plan's line saying what it does (then "No" is the
// answer that Enter and Escape give, and All is not offered).
struct Question {
    std::string text;
    std::string destructive;
    std::vector<std::string> warnings; // what the user should know before answering
};
using Confirm = std::function<Answer(const Question& question)>;

// "GAMES.D64" -> "GAMES.BAK", "A.B.D64" -> "A.B.BAK"; a name without a dot
// gets ".BAK" appended.
std::string BackupName(const std::string& imageName);

// "Update file "NAME"?"
std::string UpdatePrompt(const std::string& imageName);

// For a disk whose header block (18/0) byte 2 is not 0x41, one a 1541
// refuses to write: "The disk is soft write-protected: a 1541 would refuse to
// write this disk."  Dyskel writes it all the same, but says so.  Empty for
// the others.
std::string SoftWriteProtection(const DiskImage& image);
inline constexpr const char* SoftWriteProtectedText =
    "The disk is soft write-protected: a 1541 would refuse to write this disk.";
// The same naming the format's drive (header byte 2 not 'A' on a D71, not
// 'D' at 40/0 on a D81): "... a 1571 would refuse ...".
std::string SoftWriteProtectedTextFor(const DiskFormat& format);

// Why an image may not be written, or empty: it must be a regular file (a
// symbolic link is followed to one) of one of the four D64 sizes whose owner
// may write it.
std::string WriteRefusal(const std::string& imagePath);

// The one write path.  Takes the lock of the image's folder (another writer
// waits up to 2 s for it, then is refused), clears what killed writes left,
// reads the image, lets edit plan the change (a refusal ends it here, before
// any question), asks confirm when options.promptSave is set (All clears it)
// or the change is destructive (the lock is let go while the question is
// open, and the image must then still be the file read), writes a copy of
// the whole file with those blocks replaced (every other byte kept), flushes
// it, checks again that the image is the file read and renames the copy over
// it.  An image reached through a symbolic link is written at the link's
// target.  The new file keeps the old one's owner, group and mode; where the
// writer cannot keep the owner, the group and mode are kept and a note says
// so.  The changed blocks are read back to confirm.
UpdateResult UpdateImage(const std::string& imagePath, const ImageEdit& edit, UpdateOptions& options,
                         const Confirm& confirm);
// The same for an image the caller has just read: its bytes are taken
// without reading the file again when the file is still the one read (the
// same inode, size, modification and change times); else it is read again.
UpdateResult UpdateImage(const DiskImage& read, const ImageEdit& edit, UpdateOptions& options,
                         const Confirm& confirm);

// The blocks of a change as the image holds them now.
[[nodiscard]] Result<ChangeSet> CurrentBlocks(const DiskImage& image, const ChangeSet& changes);

// Puts changed blocks into a change set, replacing an earlier change of the
// same block, keeping track and sector order.
void PutChange(ChangeSet& changes, BlockAddress at, const Block& bytes);

} // namespace dyskel
