#include "platform/IniFile.h"

#include "core/SafeWrite.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace dyskel {

namespace {

std::string Trim(const std::string& s) {
    auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

std::string TrimLeft(const std::string& s) {
    auto first = s.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first);
}

// A value as read: leading blanks removed, trailing ones kept (a folder name
// may end in one); a value wholly in double or single quotes without them.
std::string ValueText(const std::string& raw) {
    const std::string whole = Trim(raw);
    if (whole.size() >= 2 && (whole.front() == '"' || whole.front() == '\'') && whole.back() == whole.front())
        return whole.substr(1, whole.size() - 2);
    return TrimLeft(raw);
}

constexpr const char* Utf8Bom = "\xEF\xBB\xBF";

// The file as lines without their line ends; crlf tells how they ended, bom
// that a UTF-8 byte-order mark stood before the first.
struct Lines {
    std::vector<std::string> lines;
    bool crlf = false;
    bool bom = false;
};

// Nothing when the file is there but cannot be read.
std::optional<Lines> Load(const std::string& path) {
    Lines result;
    std::error_code ec;
    if (!fs::exists(path, ec)) return result;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            result.crlf = true;
        }
        if (result.lines.empty() && line.starts_with(Utf8Bom)) {
            line.erase(0, 3);
            result.bom = true;
        }
        result.lines.push_back(line);
    }
    return result;
}

// "[NAME]" gives NAME.
std::optional<std::string> SectionName(const std::string& line) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    auto close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

bool IsComment(const std::string& line) {
    std::string t = Trim(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// "key=value" whose key matches gives the position of "=".
std::optional<std::size_t> KeyLine(const std::string& line, const std::string& key) {
    if (IsComment(line)) return std::nullopt;
    auto eq = line.find('=');
    if (eq == std::string::npos || !SameName(Trim(line.substr(0, eq)), key)) return std::nullopt;
    return eq;
}

// Lines [begin, end) of a section's body; begin = end = npos when missing.
std::pair<std::size_t, std::size_t> FindSection(const std::vector<std::string>& lines,
                                                const std::string& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(lines[i]);
        if (!name || !SameName(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end])) ++end;
        return {i + 1, end};
    }
    return {std::string::npos, std::string::npos};
}

std::string OneLine(std::string s) {
    s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; }), s.end());
    return s;
}

// Writes the new text beside the file, flushed, and renames it over the old
// one, so that a failed write never leaves half a file; the file keeps its
// mode.  A symbolic link keeps pointing at the file it named.  A folder that
// takes no new files may still hold a writable file: it is then written in
// place.
bool Replace(const std::string& path, const std::string& text) {
    std::error_code ec;
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty() && !fs::exists(folder, ec)) fs::create_directories(folder, ec);
    safe::Policy policy;
    policy.inPlaceFallback = true;
    return safe::WriteFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                           policy)
        .Done();
}

} // namespace

std::optional<std::string> IniFile::Read(const std::string& section, const std::string& key) const {
    auto file = Load(path_);
    if (!file) return std::nullopt;
    auto [begin, end] = FindSection(file->lines, section);
    for (std::size_t i = begin; i < end; ++i)
        if (auto eq = KeyLine(file->lines[i], key)) return ValueText(file->lines[i].substr(*eq + 1));
    return std::nullopt;
}

bool IniFile::Write(const std::string& section, const std::string& key, const std::string& value) {
    // A file the user may not write stays as it is, whoever runs the program:
    // its mode says so, not whether the system would let root replace it.
    std::error_code ec;
    const fs::file_status status = fs::status(path_, ec);
    if (!ec && fs::exists(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none)
        return false;
    auto file = Load(path_);
    if (!file) return false;
    auto& lines = file->lines;
    std::string entry = OneLine(key) + "=" + OneLine(value);
    auto [begin, end] = FindSection(lines, section);
    if (begin == std::string::npos) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + OneLine(section) + "]");
        lines.push_back(entry);
    } else {
        auto found = std::find_if(lines.begin() + begin, lines.begin() + end,
                                  [&](const std::string& l) { return KeyLine(l, key).has_value(); });
        if (found != lines.begin() + end) {
            *found = entry;
        } else {
            // After the section's last line that is not blank.
            std::size_t at = end;
            while (at > begin && Trim(lines[at - 1]).empty()) --at;
            lines.insert(lines.begin() + at, entry);
        }
    }
    std::string text = file->bom ? Utf8Bom : "";
    for (const auto& l : lines) text += l + (file->crlf ? "\r\n" : "\n");
    return Replace(path_, text);
}

std::string DefaultIniPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path folder;
    if (xdg && *xdg == '/') {
        folder = xdg;
    } else {
        const char* home = std::getenv("HOME");
        folder = fs::path(home && *home ? home : ".") / ".config";
    }
    return (folder / IniFileName).string();
}

std::string IniReadText(const IIniFile& ini, const std::string& section, const std::string& key,
                        const std::string& fallback) {
    std::string value = ini.Read(section, key).value_or(fallback);
    if (value.size() > IniMaxText) value.resize(IniMaxText);
    return value;
}

std::optional<long long> ParseIniNumber(const std::string& text) {
    std::string t = Trim(text);
    int base = 10;
    std::size_t start = 0;
    bool negative = false;
    if (t.starts_with("$")) {
        base = 16;
        start = 1;
    } else if (t.starts_with("0x") || t.starts_with("0X")) {
        base = 16;
        start = 2;
    } else if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        start = 1;
    }
    if (start >= t.size()) return std::nullopt;
    // A sign only where no hex prefix stands; from_chars takes none itself.
    if (t[start] == '-' || t[start] == '+') return std::nullopt;
    long long value = 0;
    const char* first = t.data() + start;
    const char* last = t.data() + t.size();
    auto [end, ec] = std::from_chars(first, last, value, base);
    if (ec != std::errc() || end != last) return std::nullopt;
    return negative ? -value : value;
}

long long IniReadNumber(const IIniFile& ini, const std::string& section, const std::string& key,
                        long long fallback) {
    auto text = ini.Read(section, key);
    if (!text) return fallback;
    return ParseIniNumber(*text).value_or(fallback);
}

} // namespace dyskel
