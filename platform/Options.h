// The program's options as plain data, and their load and save over the
// settings file (section "OPTIONS" of Dyskel.ini).  The Options menu shows
// and sets them; the windows read them when they need them.
#pragma once

#include "disasm/ListingMode.h"

#include <array>
#include <string>

namespace dyskel {

class IIniFile;

struct Options {
    bool backupFiles = false; // keep NAME.BAK when an image is written
    bool imageDetails = true; // read each image's header in the folder scan
    int sortFilesBy = 1;      // 0 unsorted, 1 by name
    ListingMode default6502Mode = ListingMode::Asm;
    bool change6502 = false;     // the 6502 page goes to the default mode for every file
    bool c64Symbols = false;     // the disassembly names the C64's addresses
    bool illegalOpcodes = false; // the disassembly names the undocumented opcodes
    int editorPage = 1;          // 0 Hex, 1 Directory, 2 BAM, 3 6502; -1 none
    bool editMode = true;        // the editor starts in Edit mode
    bool ignoreDeleted = true;   // the listing leaves scratched entries out
    bool jumpTS = true;          // tracking shows the Hex Editor page
    bool promptExport = false;   // ask for the export file name, report exports and dumps
    bool promptSave = false;     // ask before an image is written
    bool hints = true;           // tooltips in the editor
    bool rememberPath = false;   // start in the folder of the last session
};

inline constexpr const char* OptionsSection = "OPTIONS";

enum class SettingKind {
    Flag,       // "1" on, "0" off; read as a number, on when not 0
    EditorPage, // 0 Hex, 1 Directory, 2 BAM, 3 6502
    Mode6502,   // first character A, T or B (ListingModes)
    SortOrder,  // 0 unsorted, 1 by name
    Folder,     // the folder list's folder
};

struct SettingKey {
    const char* name;
    SettingKind kind;
    const char* fallback; // the value when the key is missing
    bool Options::*flag;  // the option of a flag
};

// In the order in which they are written.
inline constexpr std::array<SettingKey, 16> SettingKeys = {{
    {"BackupFiles", SettingKind::Flag, "0", &Options::backupFiles},
    {"DftEditorPage", SettingKind::EditorPage, "1", nullptr},
    {"Default6502Mode", SettingKind::Mode6502, "A", nullptr},
    {"6502Change", SettingKind::Flag, "0", &Options::change6502},
    {"C64Symbols", SettingKind::Flag, "0", &Options::c64Symbols},
    {"IllegalOpcodes", SettingKind::Flag, "0", &Options::illegalOpcodes},
    {"EditorEditMode", SettingKind::Flag, "0", &Options::editMode},
    {"Hints", SettingKind::Flag, "1", &Options::hints},
    {"IgnoreDeletedFiles", SettingKind::Flag, "1", &Options::ignoreDeleted},
    {"ImageDetails", SettingKind::Flag, "1", &Options::imageDetails},
    {"JumpTS", SettingKind::Flag, "1", &Options::jumpTS},
    {"PromptOnExport", SettingKind::Flag, "0", &Options::promptExport},
    {"PromptSave", SettingKind::Flag, "0", &Options::promptSave},
    {"SortFilesBy", SettingKind::SortOrder, "1", nullptr},
    {"StrPath", SettingKind::Flag, "0", &Options::rememberPath},
    {"Path", SettingKind::Folder, "", nullptr},
}};

// Sets the options from the file; a missing key or a value that is no number
// gives the default, a number out of range leaves the option as it is.
// Returns the remembered folder when Remember Path is on (empty when none is
// remembered or Remember Path is off).
std::string LoadOptions(Options& options, const IIniFile& ini);

// Writes every key, Path being folder.  False at the first value that cannot
// be written; the keys after it are not written.
bool SaveOptions(const Options& options, IIniFile& ini, const std::string& folder);

// "Unable to write to " and the file.
std::string UnableToWriteText(const std::string& path);

} // namespace dyskel
