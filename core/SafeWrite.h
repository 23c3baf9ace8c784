// One way to put a whole file under a name so that a failure or a kill at
// any moment leaves under that name the old file or the new one, whole: the
// new bytes are written to a hidden file beside it (".NAME.dyskel-XXXXXX"),
// flushed, and renamed over the name (or linked in where the name must not
// exist yet), and the folder is flushed.  Images, new images, exports and
// the settings file all write through it; a policy says what each needs.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <sys/types.h>

namespace dyskel::safe {

enum class Links {
    Follow, // a symbolic link stays; the file it leads to is replaced
    Refuse, // a link, a pipe, a folder or anything else but a regular file at the name is refused
};

// What the new file takes over from the file it replaces.
enum class Keep {
    Nothing,
    Mode,           // its permission bits, as far as the file system keeps them
    OwnerGroupMode, // owner, group and mode; a group or mode that cannot be kept fails the write
};

struct Policy {
    Links links = Links::Follow;
    Keep keep = Keep::Mode;
    mode_t createMode = 0666; // of the new file before it takes anything over (less the umask)
    // The name must not exist yet: linked in under it, else renamed without
    // replacing (renameat2), else, where neither is possible (FAT), created
    // under the name with O_EXCL (a kill then can leave part of the file).
    bool mustNotExist = false;
    // Where the folder takes no new file, the file itself is written over
    // (the settings file only: losing it half-written costs little).
    bool inPlaceFallback = false;
    // When not empty, the replaced file becomes this name once the new one is
    // in place; until then it is kept as ".NAME.dyskel-bak-PID-N" (a second
    // link to it, or a copy where there are no hard links).
    std::string backupPath;
    // Asked after the new file is flushed, right before it takes the name:
    // non-empty stops the write with that text.
    std::function<std::string()> beforePlace;
    // For Keep::OwnerGroupMode's messages: what the file is ("image") and the
    // name the user gave it.
    std::string noun = "file";
    std::string shownPath;
};

enum class Step {
    None,    // written
    Refused, // Links::Refuse found no regular file at the name
    Exists,  // mustNotExist, and the name is taken
    Create,  // no new file could be made
    Write,
    Keep, // taking over owner, group or mode (detail says what)
    Flush,
    Close,
    Check,  // beforePlace said no (detail)
    Backup, // the old file could not be kept for the backup
    Place,  // the new file could not take the name
};

struct Outcome {
    Step failed = Step::None;
    int error = 0;            // errno of the failed call
    std::string detail;       // Refused, Keep, Check: the whole message
    bool refusedLink = false; // Refused: a symbolic link stood at the name
    bool inPlace = false;     // written over the file itself or created under its name
    std::string note;         // Keep::OwnerGroupMode: the owner changed
    int backupLost = 0;       // errno when the backup could not take its name (the file is written)
    int folderNotFlushed = 0; // errno when the folder could not be flushed (the file is written)
    bool Done() const { return failed == Step::None; }
};

// Writes bytes as the whole file at path under the policy.
Outcome WriteFile(const std::string& path, std::span<const std::uint8_t> bytes, const Policy& policy);

// An error in plain words: strerror, with "the disk is full (...)" for a
// full disk or quota.
std::string Why(int error);

} // namespace dyskel::safe
