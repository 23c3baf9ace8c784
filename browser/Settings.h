// The settings file: the Options menu's check marks and the last folder,
// section "OPTIONS" of Dyskel.ini.
#pragma once

#include "browser/Options.h"

#include <array>
#include <string>

namespace dyskel {

class IIniFile;

inline constexpr const char* OptionsSection = "OPTIONS";

enum class SettingKind {
    Flag,       // "1" checked, "0" not; read as a number, true when not 0
    EditorPage, // 0 Hex, 1 Directory, 2 BAM, 3 6502
    Mode6502,   // first character A or T
    SortOrder,  // 0 unsorted, 1 by name
    Folder,     // the folder list's folder
};

struct SettingKey {
    const char* name;
    SettingKind kind;
    const char* fallback;     // the value when the key is missing
    QAction* TOptions::*item; // the check item of a flag
};

// In the order in which they are written.
inline constexpr std::array<SettingKey, 14> SettingKeys = {{
    {"BackupFiles", SettingKind::Flag, "0", &TOptions::MnuBackupFiles},
    {"DftEditorPage", SettingKind::EditorPage, "1", nullptr},
    {"Default6502Mode", SettingKind::Mode6502, "A", nullptr},
    {"6502Change", SettingKind::Flag, "0", &TOptions::Mnu6502change},
    {"EditorEditMode", SettingKind::Flag, "0", &TOptions::MnuEditorEditMode},
    {"Hints", SettingKind::Flag, "1", &TOptions::MnuHints},
    {"IgnoreDeletedFiles", SettingKind::Flag, "1", &TOptions::MnuIgnoreDeletedFiles},
    {"ImageDetails", SettingKind::Flag, "1", &TOptions::MnuImgDetails},
    {"JumpTS", SettingKind::Flag, "1", &TOptions::MnuJump2HexTS},
    {"PromptOnExport", SettingKind::Flag, "0", &TOptions::MnuPromptExport},
    {"PromptSave", SettingKind::Flag, "0", &TOptions::MnuPromptSave},
    {"SortFilesBy", SettingKind::SortOrder, "1", nullptr},
    {"StrPath", SettingKind::Flag, "0", &TOptions::MnuRemStrPath},
    {"Path", SettingKind::Folder, "", nullptr},
}};

// Sets the menu's check marks from the file; a missing key or a value that is
// no number gives the default, a number out of range leaves the menu as it
// is.  Returns the remembered folder when Remember Path is on (empty when none
// is remembered or Remember Path is off).
std::string LoadSettings(TOptions& options, const IIniFile& ini);

// Writes every key, Path being folder.  False at the first value that cannot
// be written; the keys after it are not written.
bool SaveSettings(const TOptions& options, IIniFile& ini, const std::string& folder);

// "Unable to write to " and the file.
std::string UnableToWriteText(const std::string& path);

} // namespace dyskel
