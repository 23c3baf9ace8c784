#include "platform/Options.h"

#include "platform/IniFile.h"

namespace dyskel {

namespace {

long long ReadNumber(const IIniFile& ini, const SettingKey& key) {
    return IniReadNumber(ini, OptionsSection, key.name, ParseIniNumber(key.fallback).value_or(0));
}

// A numbered choice from the file, kept as it was when out of range.
void ReadChoice(int& option, long long n, int count) {
    if (n >= 0 && n < count) option = static_cast<int>(n);
}

} // namespace

std::string LoadOptions(Options& options, const IIniFile& ini) {
    for (const SettingKey& key : SettingKeys) {
        switch (key.kind) {
        case SettingKind::Flag:
            options.*key.flag = ReadNumber(ini, key) != 0;
            break;
        case SettingKind::EditorPage:
            ReadChoice(options.editorPage, ReadNumber(ini, key), 4);
            break;
        case SettingKind::SortOrder:
            ReadChoice(options.sortFilesBy, ReadNumber(ini, key), 2);
            break;
        case SettingKind::Mode6502: {
            std::string mode = IniReadText(ini, OptionsSection, key.name, key.fallback);
            if (!mode.empty())
                if (std::optional<ListingMode> m = ModeFromLetter(mode[0])) options.default6502Mode = *m;
            break;
        }
        case SettingKind::Folder:
            if (options.rememberPath) return IniReadText(ini, OptionsSection, key.name, key.fallback);
            break;
        }
    }
    return {};
}

bool SaveOptions(const Options& options, IIniFile& ini, const std::string& folder) {
    for (const SettingKey& key : SettingKeys) {
        std::string value;
        switch (key.kind) {
        case SettingKind::Flag:
            value = options.*key.flag ? "1" : "0";
            break;
        case SettingKind::EditorPage:
        case SettingKind::SortOrder: {
            int n = key.kind == SettingKind::EditorPage ? options.editorPage : options.sortFilesBy;
            // With no choice made the file keeps what it held.
            if (n < 0) continue;
            value = std::to_string(n);
            break;
        }
        case SettingKind::Mode6502:
            value = std::string(1, ModeLetter(options.default6502Mode));
            break;
        case SettingKind::Folder:
            value = folder;
            break;
        }
        if (!ini.Write(OptionsSection, key.name, value)) return false;
    }
    return true;
}

std::string UnableToWriteText(const std::string& path) {
    return "Unable to write to " + path;
}

} // namespace dyskel
