#include "options/Options.h"

#include "platform/IniFile.h"

#include <algorithm>

namespace dyskel {

namespace {

template <class... F>
struct Overload : F... {
    using F::operator()...;
};

bool IsChoice(const OptionRow& row, long long value) {
    return std::any_of(row.choices.begin(), row.choices.end(),
                       [value](const OptionChoice& c) { return c.value == value; });
}

// The value as the file holds it: a number, or a mode's letter.
std::string FileText(const OptionRow& row, int value) {
    if (std::holds_alternative<ListingMode Options::*>(row.member))
        return std::string(1, ModeLetter(ListingMode(value)));
    return std::to_string(value);
}

} // namespace

Options::Options() {
    for (const OptionRow& row : OptionTable) SetOptionValue(*this, row, row.fallback);
}

int OptionValue(const Options& options, const OptionRow& row) {
    return std::visit([&options](auto member) { return int(options.*member); }, row.member);
}

void SetOptionValue(Options& options, const OptionRow& row, int value) {
    std::visit(Overload{
                   [&](bool Options::*flag) { options.*flag = value != 0; },
                   [&](int Options::*number) { options.*number = value; },
                   [&](ListingMode Options::*mode) { options.*mode = ListingMode(value); },
               },
               row.member);
}

std::string LoadOptions(Options& options, const IIniFile& ini) {
    for (const OptionRow& row : OptionTable) {
        std::optional<int> value;
        if (std::holds_alternative<ListingMode Options::*>(row.member)) {
            const std::string text = IniReadText(ini, OptionsSection, row.key, FileText(row, row.fallback));
            if (!text.empty())
                if (std::optional<ListingMode> mode = ModeFromLetter(text[0])) value = int(*mode);
        } else {
            const long long n = IniReadNumber(ini, OptionsSection, row.key, row.fallback);
            if (row.choices.empty())
                value = n != 0;
            else if (IsChoice(row, n))
                value = int(n);
        }
        if (value) SetOptionValue(options, row, *value);
    }
    return options.rememberPath ? IniReadText(ini, OptionsSection, PathKey, "") : std::string();
}

bool SaveOptions(const Options& options, IIniFile& ini, const std::string& folder) {
    for (const OptionRow& row : OptionTable) {
        const int value = OptionValue(options, row);
        // With no choice made the file keeps what it held.
        if (!row.choices.empty() && !IsChoice(row, value)) continue;
        if (!ini.Write(OptionsSection, row.key, FileText(row, value))) return false;
    }
    return ini.Write(OptionsSection, PathKey, folder);
}

std::string UnableToWriteText(const std::string& path) {
    return "Unable to write to " + path;
}

} // namespace dyskel
