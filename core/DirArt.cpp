#include "core/DirArt.h"

#include <algorithm>
#include <charconv>

namespace dyskel {

namespace {

constexpr std::size_t NameLength = 16;
constexpr std::size_t ScreenColumns = 40;

// Bytes written as themselves: where PETSCII and ASCII draw the same
// character (0x5C, 0x5E and 0x5F are a pound sign and two arrows on a C64).
bool AsItself(std::uint8_t b) {
    return b >= 0x20 && b <= 0x5D && b != '"' && b != 0x5C;
}

std::string TypeText(const DirEntry& e) {
    return std::string(e.Closed() ? "" : "*") + FileTypeName(e.typeByte) + (e.Locked() ? "<" : "");
}

std::string WithoutPadding(const std::uint8_t* bytes, std::size_t n) {
    std::string text(bytes, bytes + n);
    text.erase(text.find_last_not_of('\xA0') + 1);
    return text;
}

Failure AtLine(int line, const std::string& why) {
    return {"line " + std::to_string(line) + ": " + why};
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits off the next word of a line.
std::string_view Word(std::string_view& rest) {
    while (!rest.empty() && Blank(rest.front())) rest.remove_prefix(1);
    std::size_t end = 0;
    while (end < rest.size() && !Blank(rest[end]) && rest[end] != '"') ++end;
    std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

// The bytes of a quoted text at the start of rest (blanks before it
// skipped), rest starting at column `at` of the line (from 0); nothing but
// blanks may follow it.
Result<std::string> QuotedBytes(std::string_view rest, std::size_t at, int line, std::size_t max,
                                const char* what) {
    while (!rest.empty() && Blank(rest.front())) {
        rest.remove_prefix(1);
        ++at;
    }
    if (rest.empty() || rest.front() != '"') return AtLine(line, std::string(what) + " in quotes is missing");
    std::string bytes;
    std::size_t i = 1;
    for (;; ++i) {
        if (i >= rest.size()) return AtLine(line, std::string(what) + " has no closing quote");
        const auto c = std::uint8_t(rest[i]);
        if (c == '"') break;
        if (c == '{') {
            const std::string_view escape = rest.substr(i, 5);
            const int high = escape.size() == 5 ? HexDigit(escape[2]) : -1;
            const int low = escape.size() == 5 ? HexDigit(escape[3]) : -1;
            if (high < 0 || low < 0 || escape[1] != '$' || escape[4] != '}')
                return AtLine(line, "column " + std::to_string(at + i + 1) + ": an escape is written {$XX}");
            const int value = high * 16 + low;
            bytes += char(value);
            i += 4; // the loop steps past the closing brace
            continue;
        }
        if (!AsItself(c))
            return AtLine(line, "column " + std::to_string(at + i + 1) + ": \"" + std::string(1, char(c)) +
                                    "\" is no byte written as itself; write it as {$XX}");
        bytes += char(c);
    }
    rest.remove_prefix(i + 1);
    while (!rest.empty() && Blank(rest.front())) rest.remove_prefix(1);
    if (!rest.empty()) return AtLine(line, "text after the closing quote");
    if (bytes.size() > max)
        return AtLine(line, std::string(what) + " is longer than " + std::to_string(max) + " bytes");
    return bytes;
}

template <std::size_t N>
std::array<std::uint8_t, N> Padded(const std::string& bytes) {
    std::array<std::uint8_t, N> out;
    out.fill(0xA0);
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

std::optional<long> WholeNumber(std::string_view word) {
    long value = -1;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || ec != std::errc() || end != word.data() + word.size() || value < 0)
        return std::nullopt;
    return value;
}

std::vector<DirEntry> Live(const std::vector<DirEntry>& listed) {
    std::vector<DirEntry> live;
    for (const DirEntry& e : listed)
        if (!e.Scratched()) live.push_back(e);
    return live;
}

} // namespace

std::string EscapedText(const std::string& bytes) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string text;
    for (char ch : bytes) {
        const auto b = std::uint8_t(ch);
        if (AsItself(b))
            text += ch;
        else
            text += std::string("{$") + Hex[b >> 4] + Hex[b & 0x0F] + "}";
    }
    return text;
}

std::string DirArtText(const Block& header, const std::vector<DirEntry>& listed, std::size_t labelOffset) {
    const std::uint8_t* name = header.data() + labelOffset;
    std::string text = "disk \"" + EscapedText(WithoutPadding(name, NameLength)) + "\"\n";
    text += "id \"" + EscapedText(std::string(name + 0x12, name + 0x17)) + "\"\n";
    int n = 0;
    for (const DirEntry& e : Live(listed))
        text += std::to_string(++n) + " " + TypeText(e) + " " + std::to_string(e.blocks) + " \"" +
                EscapedText(WithoutPadding(e.name.data(), NameLength)) + "\"\n";
    return text;
}

Result<DirArtImport> ParseDirArtText(std::string_view text, const std::vector<DirEntry>& listed,
                                     int maxEntries) {
    const std::vector<DirEntry> live = Live(listed);
    DirArtImport out;
    std::vector<int> lineOf(live.size());
    int line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t eol = text.find('\n');
        std::string_view rest = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        std::string_view probe = rest;
        const std::string_view first = Word(probe);
        if (first.empty() && probe.empty()) continue;
        if (first.starts_with('#')) continue;
        if (first == "disk" || first == "id") {
            const bool disk = first == "disk";
            Result<std::string> bytes = QuotedBytes(probe, std::size_t(probe.data() - rest.data()), line,
                                                    disk ? NameLength : 5, disk ? "the disk name" : "the ID");
            if (!bytes) return Failure{bytes.Error()};
            if (disk)
                out.label.name = Padded<16>(*bytes);
            else
                out.label.idAndType = Padded<5>(*bytes);
            continue;
        }
        const std::string_view type = Word(probe);
        const std::string_view size = Word(probe);
        if (first.empty() || type.empty() || size.empty())
            return AtLine(line, "write an entry as SLOT TYPE SIZE \"NAME\"");
        Result<std::string> name =
            QuotedBytes(probe, std::size_t(probe.data() - rest.data()), line, NameLength, "the name");
        if (!name) return Failure{name.Error()};
        if (out.order.size() == std::size_t(maxEntries))
            return AtLine(line, "more entries than the directory holds (" + std::to_string(maxEntries) + ")");
        if (first == "new") {
            if (type != "DEL" || size != "0")
                return AtLine(line, "a new entry is a separator: new DEL 0 \"NAME\"");
            out.order.push_back({std::nullopt, Padded<16>(*name)});
            continue;
        }
        const std::optional<long> slot = WholeNumber(first);
        if (!slot) return AtLine(line, "the slot is a number or \"new\", not \"" + std::string(first) + "\"");
        if (*slot < 1 || std::size_t(*slot) > live.size())
            return AtLine(line, "entry " + std::to_string(*slot) + " is not in the directory (it lists " +
                                    std::to_string(live.size()) +
                                    (live.size() == 1 ? " entry)" : " entries)"));
        const DirEntry& e = live[std::size_t(*slot - 1)];
        int& seen = lineOf[std::size_t(*slot - 1)];
        if (seen)
            return AtLine(line, "entry " + std::to_string(*slot) + " appears twice (first on line " +
                                    std::to_string(seen) + ")");
        seen = line;
        if (type != TypeText(e) || WholeNumber(size) != long(e.blocks))
            return AtLine(line, "entry " + std::to_string(*slot) + " is " + TypeText(e) + " " +
                                    std::to_string(e.blocks) + "; an import changes no type or size");
        out.order.push_back({e, Padded<16>(*name)});
    }
    for (std::size_t i = 0; i < live.size(); ++i)
        if (!lineOf[i])
            return Failure{"entry " + std::to_string(i + 1) +
                           " has no line; every entry of the disk needs one (Delete removes an entry)"};
    return out;
}

std::optional<std::uint8_t> ScreenCodeToPetscii(std::uint8_t code) {
    if (code >= 0x80) return std::nullopt;
    if (code < 0x20) return std::uint8_t(code + 0x40);
    if (code < 0x40) return code;
    if (code < 0x60) return std::uint8_t(code + 0x80);
    if (code == 0x60) return std::uint8_t(0xE0);
    return std::uint8_t(code + 0x40);
}

Result<std::vector<NameBytes>> NamesFromScreenGrab(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 2) return Failure{"the screen grab has no load address"};
    const std::size_t data = bytes.size() - 2;
    if (data % ScreenColumns)
        return Failure{"the screen grab holds " + std::to_string(data) +
                       " bytes after its load address, not whole rows of 40"};
    std::vector<NameBytes> names;
    for (std::size_t row = 0; row < data / ScreenColumns; ++row) {
        NameBytes name;
        for (std::size_t col = 0; col < NameLength; ++col) {
            const std::uint8_t code = bytes[2 + row * ScreenColumns + col];
            const std::optional<std::uint8_t> petscii = ScreenCodeToPetscii(code);
            if (!petscii)
                return Failure{"row " + std::to_string(row + 1) + ", column " + std::to_string(col + 1) +
                               ": the reversed screen code " + EscapedText(std::string(1, char(code))) +
                               " has no PETSCII byte"};
            name[col] = *petscii;
        }
        names.push_back(name);
    }
    while (!names.empty() &&
           std::all_of(names.back().begin(), names.back().end(), [](std::uint8_t b) { return b == 0x20; }))
        names.pop_back();
    return names;
}

Result<std::vector<NameBytes>> NamesFromRawFile(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() % NameLength)
        return Failure{"the file holds " + std::to_string(bytes.size()) + " bytes, not whole names of 16"};
    std::vector<NameBytes> names(bytes.size() / NameLength);
    for (std::size_t i = 0; i < names.size(); ++i)
        std::copy_n(bytes.begin() + std::ptrdiff_t(i * NameLength), NameLength, names[i].begin());
    return names;
}

Result<DirArtImport> PlaceNames(const std::vector<NameBytes>& names, const std::vector<DirEntry>& listed,
                                int maxEntries, bool append) {
    DirArtImport out;
    out.order = PlacementsOf(listed);
    const std::size_t first = append ? out.order.size() : 0;
    for (std::size_t row = 0; row < names.size(); ++row) {
        const std::size_t at = first + row;
        if (at >= std::size_t(maxEntries))
            return Failure{"row " + std::to_string(row + 1) + ": more entries than the directory holds (" +
                           std::to_string(maxEntries) + ")"};
        if (at < out.order.size())
            out.order[at].name = names[row];
        else
            out.order.push_back({std::nullopt, names[row]});
    }
    return out;
}

namespace {

bool EndsWith(const std::string& fileName, std::string_view ext) {
    if (fileName.size() < ext.size()) return false;
    return std::equal(ext.begin(), ext.end(), fileName.end() - std::ptrdiff_t(ext.size()),
                      [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? char(b - 'A' + 'a') : b); });
}

} // namespace

bool DirArtFileIsText(const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
    constexpr std::string_view DiskLine = "disk \"";
    if (EndsWith(fileName, ".prg")) return false;
    return EndsWith(fileName, ".txt") ||
           (bytes.size() >= DiskLine.size() && std::equal(DiskLine.begin(), DiskLine.end(), bytes.begin()));
}

Result<DirArtImport> ReadDirArtFile(const std::string& fileName, const std::vector<std::uint8_t>& bytes,
                                    const std::vector<DirEntry>& listed, int maxEntries, bool append) {
    if (!DirArtFileIsText(fileName, bytes)) {
        Result<std::vector<NameBytes>> names =
            EndsWith(fileName, ".prg") ? NamesFromScreenGrab(bytes) : NamesFromRawFile(bytes);
        if (!names) return Failure{names.Error()};
        return PlaceNames(*names, listed, maxEntries, append);
    }
    if (append)
        return Failure{
            "names are added as separators from a screen grab or a raw file of names; a text gives "
            "every entry its line"};
    return ParseDirArtText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                           listed, maxEntries);
}

} // namespace dyskel
