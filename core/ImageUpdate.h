// Rewriting one track of an image file from the track buffer, with backup.
#pragma once

#include "core/Uglobal.h"

#include <functional>
#include <string>

namespace dyskel {

enum class Answer { Yes, No, All };

struct UpdateOptions {
    bool promptSave = false;  // ask "Update file "NAME"?" first; All clears it
    bool backupFiles = false; // keep NAME.BAK afterwards
};

enum class UpdateStatus { Updated, Declined, Failed };

struct UpdateResult {
    UpdateStatus status = UpdateStatus::Failed;
    std::string message; // for Failed: what went wrong and where the old image is
};

// "GAMES.D64" -> "GAMES.BAK", "A.B.D64" -> "A.B.BAK"; a name without a dot
// gets ".BAK" appended.
std::string BackupName(const std::string& imageName);

// "Update file "NAME"?"
std::string UpdatePrompt(const std::string& imageName);

// Writes blocks 0 to SectorsPerTrack(track)-1 of the buffer as the given track
// of folder/imageName: the image is renamed to the backup name and copied back
// block by block with the track taken from the buffer.  confirm is asked only
// when options.promptSave is set; an answer All clears options.promptSave.
// On any failure the backup is never deleted.  Nothing is touched (not even an
// older backup) when the image is missing or no regular file, when it does
// not hold the whole track, or when its name is its own backup name.  A
// failure after the rename puts a copy of the backup back under the image
// name where it can; the message says where the unchanged image is.
UpdateResult UpdateImageFile(const std::string& folder, const std::string& imageName, int track,
                             const TrackBuffer& buffer, UpdateOptions& options,
                             const std::function<Answer(const std::string& text)>& confirm);

} // namespace dyskel
