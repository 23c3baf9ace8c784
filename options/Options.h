// The program's options as plain data, and the one table that says of each
// option its key in the settings file (section "OPTIONS" of Dyskel.ini), its
// default and its place in the Options menu.  The data's defaults, the load
// and save and the menu are all made from the table: an option is one row
// there and the code that reads it.
#pragma once

#include "disasm/ListingMode.h"

#include <cstdint>
#include <span>
#include <string>
#include <variant>

namespace dyskel {

class IIniFile;

// Each option's default is its row's in OptionTable.
struct Options {
    bool backupFiles{};  // keep NAME.BAK when an image is written
    bool imageDetails{}; // read each image's header in the folder scan
    int sortFilesBy{};   // 0 unsorted, 1 by name
    ListingMode default6502Mode{};
    bool change6502{};     // the 6502 page goes to the default mode for every file
    bool c64Symbols{};     // the disassembly names the C64's addresses
    bool illegalOpcodes{}; // the disassembly names the undocumented opcodes
    int editorPage{};      // 0 Hex, 1 Directory, 2 BAM, 3 6502; NoChoice for none
    bool editMode{};       // the editor starts in Edit mode
    bool ignoreDeleted{};  // the listing leaves scratched entries out
    bool jumpTS{};         // tracking shows the Hex Editor page
    bool promptExport{};   // ask for the export file name, report exports and dumps
    bool promptSave{};     // ask before an image is written
    bool hints{};          // tooltips in the editor
    bool rememberPath{};   // start in the folder of the last session
    bool preview{};        // the main window shows the selected image's C64 screen

    // Every option at its default.
    Options();
};

// The value of a numbered choice with no item checked.
inline constexpr int NoChoice = -1;

// Where an option's item stands in the Options menu.  Within one place the
// items follow the table's order.
enum class OptionPlace : std::uint8_t {
    Files,   // "&Files Selector"
    Listing, // "Image Editor", first: how the 6502 page lists a file
    Editor,  // "Image Editor", after those: the editor window
    Main,    // "&Options" itself, after its submenus
};

// One item of a choice: a radio item of the option's submenu.
struct OptionChoice {
    const char* name;    // the menu item's object name
    const char* caption; // its text, "&" before the accelerator
    int value;           // the option's value (a ListingMode as its number)
};

// The option in the data: a flag ("1" or "0" in the file, read as a number,
// on when not 0), a numbered choice (its number) or the 6502 page's mode (the
// mode's letter, ListingModes; the value's first character counts).
using OptionMember = std::variant<bool Options::*, int Options::*, ListingMode Options::*>;

enum OptionTraits : std::uint8_t {
    Plain = 0,
    NoneAllowed = 1, // a choice may have no item checked (NoChoice)
    Rescans = 2,     // picking it scans the folder again
};

struct OptionRow {
    const char* key; // in the settings file
    OptionMember member;
    int fallback; // the default: 0 or 1 for a flag, else a choice's value
    OptionPlace place;
    const char* name;    // the object name of the check item, or of the choice's submenu
    const char* caption; // "&" before the accelerator
    std::span<const OptionChoice> choices = {}; // a choice's items, in the menu's order
    std::uint8_t traits = Plain;                // OptionTraits
    const char* hint = nullptr;                 // the item's tooltip in the menu
};

inline constexpr OptionChoice SortChoices[] = {
    {"MnuSortFbyName", "&Name", 1},
    {"MnuSortFbyUnSort", "&Unsorted", 0},
};

inline constexpr OptionChoice ModeChoices[] = {
    {"Mnu6502DmodeASM", "&DisAssembler", int(ListingMode::Asm)},
    {"Mnu6502DmodeTXT", "&Text", int(ListingMode::Text)},
    {"Mnu6502DmodeBAS", "&BASIC", int(ListingMode::Basic)},
};

inline constexpr OptionChoice PageChoices[] = {
    {"MnuEdHex", "Hex &Editor", 0},
    {"MnuEdDir", "&Directory", 1},
    {"MnuEdBAM", "&BAM Allocation Map", 2},
    {"MnuEd6502", "&6502 Disassembler", 3},
};

inline constexpr const char* IgnoreDeletedHint = "Ignore deleted files when shoing the directory (Editor).";

// In the order in which they are written.
inline constexpr OptionRow OptionTable[] = {
    {"BackupFiles", &Options::backupFiles, 0, OptionPlace::Files, "MnuBackupFiles",
     "Create &backup files (.BAK)"},
    {"DftEditorPage", &Options::editorPage, 1, OptionPlace::Editor, "MnuEditorDefault",
     "&Default page in Editor", PageChoices, NoneAllowed},
    {"Default6502Mode", &Options::default6502Mode, int(ListingMode::Asm), OptionPlace::Listing,
     "Mnu6502DftMode", "&6502 Defualt Mode", ModeChoices},
    {"6502Change", &Options::change6502, 0, OptionPlace::Listing, "Mnu6502change",
     "6502 should change to default mode every &time"},
    {"C64Symbols", &Options::c64Symbols, 0, OptionPlace::Listing, "MnuC64Symbols", "Show C64 &symbols"},
    {"IllegalOpcodes", &Options::illegalOpcodes, 0, OptionPlace::Listing, "MnuIllegalOps",
     "Name &undocumented opcodes"},
    {"EditorEditMode", &Options::editMode, 0, OptionPlace::Editor, "MnuEditorEditMode",
     "Editor starts in Edit &Mode"},
    {"Hints", &Options::hints, 1, OptionPlace::Main, "MnuHints", "&Hints"},
    {"IgnoreDeletedFiles",
     &Options::ignoreDeleted,
     1,
     OptionPlace::Editor,
     "MnuIgnoreDeletedFiles",
     "&Ignore Deleted Files",
     {},
     Plain,
     IgnoreDeletedHint},
    {"ImageDetails",
     &Options::imageDetails,
     1,
     OptionPlace::Files,
     "MnuImgDetails",
     "Image &Details",
     {},
     Rescans},
    {"JumpTS", &Options::jumpTS, 1, OptionPlace::Editor, "MnuJump2HexTS",
     "&Jump to Hex Editor when Track/Sector changes"},
    {"Preview", &Options::preview, 0, OptionPlace::Main, "MnuPreview", "Show &preview"},
    {"PromptOnExport", &Options::promptExport, 0, OptionPlace::Editor, "MnuPromptExport",
     "Prompt for file name when e&xporting to PRG"},
    {"PromptSave", &Options::promptSave, 0, OptionPlace::Editor, "MnuPromptSave",
     "&Prompt when saving/updating"},
    {"SortFilesBy", &Options::sortFilesBy, 1, OptionPlace::Files, "MnuSortFiles", "&Sort files by...",
     SortChoices, Rescans},
    {"StrPath", &Options::rememberPath, 0, OptionPlace::Main, "MnuRemStrPath", "&Remember Path"},
};

inline constexpr const char* OptionsSection = "OPTIONS";
// The folder shown last, written after the options; read back only while
// Remember Path is on.
inline constexpr const char* PathKey = "Path";

// An option's value as a number (a flag 0 or 1, a mode its number), and set
// from one.
[[nodiscard]] int OptionValue(const Options& options, const OptionRow& row);
void SetOptionValue(Options& options, const OptionRow& row, int value);

// Sets the options from the file; a missing key or a value that is no number
// gives the default, a number (or letter) no choice has leaves the option as
// it is.  Returns the remembered folder when Remember Path is on (empty when
// none is remembered or Remember Path is off).
std::string LoadOptions(Options& options, const IIniFile& ini);

// Writes every key, Path being folder; a choice with no item checked keeps
// what the file holds.  False at the first value that cannot be written; the
// keys after it are not written.
bool SaveOptions(const Options& options, IIniFile& ini, const std::string& folder);

// "Unable to write to " and the file.
std::string UnableToWriteText(const std::string& path);

} // namespace dyskel
