#include "browser/Settings.h"

#include "platform/IniFile.h"

#include <QAction>

namespace dyskel {

namespace {

// The items of a numbered radio group, by number.
std::array<QAction*, 4> EditorPages(const TOptions& o) {
    return {o.MnuEdHex, o.MnuEdDir, o.MnuEdBAM, o.MnuEd6502};
}
std::array<QAction*, 2> SortOrders(const TOptions& o) {
    return {o.MnuSortFbyUnSort, o.MnuSortFbyName};
}

template <std::size_t N>
void CheckNumbered(const std::array<QAction*, N>& items, long long n) {
    if (n >= 0 && n < static_cast<long long>(N)) items[static_cast<std::size_t>(n)]->setChecked(true);
}

// The number of the first checked item, -1 when none is.
int CheckedNumber(const std::array<QAction*, 2>& items) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i]->isChecked()) return static_cast<int>(i);
    return -1;
}

long long ReadNumber(const IIniFile& ini, const SettingKey& key) {
    return IniReadNumber(ini, OptionsSection, key.name, ParseIniNumber(key.fallback).value_or(0));
}

} // namespace

std::string LoadSettings(TOptions& options, const IIniFile& ini) {
    for (const SettingKey& key : SettingKeys) {
        switch (key.kind) {
        case SettingKind::Flag:
            // Only the check mark: the items' own handlers do not run.
            (options.*key.item)->setChecked(ReadNumber(ini, key) != 0);
            break;
        case SettingKind::EditorPage:
            CheckNumbered(EditorPages(options), ReadNumber(ini, key));
            break;
        case SettingKind::SortOrder:
            CheckNumbered(SortOrders(options), ReadNumber(ini, key));
            break;
        case SettingKind::Mode6502: {
            std::string mode = IniReadText(ini, OptionsSection, key.name, key.fallback);
            if (mode.starts_with('A')) options.Mnu6502DmodeASM->setChecked(true);
            if (mode.starts_with('T')) options.Mnu6502DmodeTXT->setChecked(true);
            break;
        }
        case SettingKind::Folder:
            if (options.MnuRemStrPath->isChecked())
                return IniReadText(ini, OptionsSection, key.name, key.fallback);
            break;
        }
    }
    return {};
}

bool SaveSettings(const TOptions& options, IIniFile& ini, const std::string& folder) {
    for (const SettingKey& key : SettingKeys) {
        std::string value;
        switch (key.kind) {
        case SettingKind::Flag:
            value = (options.*key.item)->isChecked() ? "1" : "0";
            break;
        case SettingKind::EditorPage:
        case SettingKind::SortOrder: {
            int n = key.kind == SettingKind::EditorPage ? options.DefaultEditorPage()
                                                        : CheckedNumber(SortOrders(options));
            // With no item checked the file keeps what it held.
            if (n < 0) continue;
            value = std::to_string(n);
            break;
        }
        case SettingKind::Mode6502:
            value = options.Mnu6502DmodeASM->isChecked() ? "A" : "T";
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
