// The BASIC V2 lister: tokens to keywords along the line links.
#include "disasm/BasicListing.h"

#include "core/HexText.h"
#include "core/Petscii.h"

#include <array>
#include <string_view>

namespace dyskel {

namespace {

constexpr std::uint8_t FirstToken = 0x80;
constexpr std::uint8_t SysToken = 0x9E;
constexpr std::uint16_t BasicStart = 0x0801;

// The 76 keywords of BASIC V2, indexed by token - $80, as the C64 spells
// them in PETSCII (the up arrow is $5E).
constexpr std::array<std::string_view, 76> Keywords = {{
    "END",     // 80
    "FOR",     // 81
    "NEXT",    // 82
    "DATA",    // 83
    "INPUT#",  // 84
    "INPUT",   // 85
    "DIM",     // 86
    "READ",    // 87
    "LET",     // 88
    "GOTO",    // 89
    "RUN",     // 8A
    "IF",      // 8B
    "RESTORE", // 8C
    "GOSUB",   // 8D
    "RETURN",  // 8E
    "REM",     // 8F
    "STOP",    // 90
    "ON",      // 91
    "WAIT",    // 92
    "LOAD",    // 93
    "SAVE",    // 94
    "VERIFY",  // 95
    "DEF",     // 96
    "POKE",    // 97
    "PRINT#",  // 98
    "PRINT",   // 99
    "CONT",    // 9A
    "LIST",    // 9B
    "CLR",     // 9C
    "CMD",     // 9D
    "SYS",     // 9E
    "OPEN",    // 9F
    "CLOSE",   // A0
    "GET",     // A1
    "NEW",     // A2
    "TAB(",    // A3
    "TO",      // A4
    "FN",      // A5
    "SPC(",    // A6
    "THEN",    // A7
    "NOT",     // A8
    "STEP",    // A9
    "+",       // AA
    "-",       // AB
    "*",       // AC
    "/",       // AD
    "\x5E",    // AE, the up arrow
    "AND",     // AF
    "OR",      // B0
    ">",       // B1
    "=",       // B2
    "<",       // B3
    "SGN",     // B4
    "INT",     // B5
    "ABS",     // B6
    "USR",     // B7
    "FRE",     // B8
    "POS",     // B9
    "SQR",     // BA
    "RND",     // BB
    "LOG",     // BC
    "EXP",     // BD
    "COS",     // BE
    "SIN",     // BF
    "TAN",     // C0
    "ATN",     // C1
    "PEEK",    // C2
    "LEN",     // C3
    "STR$",    // C4
    "VAL",     // C5
    "ASC",     // C6
    "CHR$",    // C7
    "LEFT$",   // C8
    "RIGHT$",  // C9
    "MID$",    // CA
    "GO",      // CB
}};

constexpr bool IsControl(std::uint8_t b) {
    return b < 0x20 || (b >= 0x80 && b < 0xA0);
}

// Lists the line's text from its first byte up to its 0 byte or the end of
// the file, whichever comes first, and returns where it stopped.  Outside quotes the tokens $80-$CB become
// keywords; $CC-$FE are no BASIC V2 tokens (extensions use them) and show as the characters of their codes,
// $FF is pi as on the C64.
const std::uint8_t* Detokenise(const std::uint8_t* p, const std::uint8_t* end, BasicLine& line) {
    bool quoted = false;
    auto put = [&](std::uint8_t glyph, bool reversed) {
        line.text += static_cast<char>(glyph);
        line.reversed.push_back(reversed);
    };
    for (; p < end && *p != 0; ++p) {
        const std::uint8_t b = *p;
        if (b == '"') quoted = !quoted;
        if (!quoted && b >= FirstToken && b < FirstToken + Keywords.size()) {
            for (char c : Keywords[b - FirstToken]) put(static_cast<std::uint8_t>(c), false);
        } else if (IsControl(b)) {
            put(static_cast<std::uint8_t>(b + 0x40), true);
        } else {
            put(b, false);
        }
    }
    return p;
}

} // namespace

BasicListing ListBasic(std::span<const std::uint8_t> bytes, std::uint16_t load) {
    BasicListing listing;
    const std::size_t size = bytes.size();
    auto address = [&](std::size_t offset) { return static_cast<std::uint16_t>(load + offset); };
    auto stop = [&](BasicEnd why, std::size_t offset, std::uint16_t link = 0) {
        listing.end = why;
        listing.at = address(offset);
        listing.link = link;
        return listing;
    };

    // Every link must lead forwards, past its own line, so the walk ends.
    std::size_t at = 0;
    for (;;) {
        if (at + 2 > size) return stop(BasicEnd::FileEnd, at);
        const std::uint16_t link = static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
        if (link >> 8 == 0) return stop(BasicEnd::EndMarker, at);
        if (at + 4 > size) return stop(BasicEnd::LineUnterminated, at);

        BasicLine& line = listing.lines.emplace_back();
        line.address = address(at);
        line.number = static_cast<std::uint16_t>(bytes[at + 2] | bytes[at + 3] << 8);
        const std::uint8_t* zero = Detokenise(bytes.data() + at + 4, bytes.data() + size, line);
        const std::size_t end = static_cast<std::size_t>(zero - bytes.data()); // the line's 0 byte
        if (end >= size) return stop(BasicEnd::LineUnterminated, at);

        // Links are addresses; offsets below the load address are negative.
        const long target = static_cast<long>(link) - static_cast<long>(load);
        if (target < static_cast<long>(at)) return stop(BasicEnd::LinkBackwards, at, link);
        if (target <= static_cast<long>(end)) return stop(BasicEnd::LinkIntoItself, at, link);
        if (static_cast<std::size_t>(target) + 2 > size) return stop(BasicEnd::LinkOutside, at, link);
        at = static_cast<std::size_t>(target);
    }
}

std::string BasicEndText(const BasicListing& listing) {
    const std::string at = DollarWord(listing.at);
    const std::string line =
        listing.lines.empty() ? std::string() : "line " + std::to_string(listing.lines.back().number);
    switch (listing.end) {
    case BasicEnd::EndMarker:
        return {};
    case BasicEnd::FileEnd:
        return "the file ends at " + at + " without the program's end marker";
    case BasicEnd::LineUnterminated:
        return "the file ends inside the line at " + at;
    case BasicEnd::LinkBackwards:
        return line + " at " + at + " links backwards to " + DollarWord(listing.link);
    case BasicEnd::LinkIntoItself:
        return line + " at " + at + " links into itself, to " + DollarWord(listing.link);
    case BasicEnd::LinkOutside:
        return line + " at " + at + " links to " + DollarWord(listing.link) + ", outside the file";
    }
    return {};
}

std::string ListedBytes(const BasicLine& line) {
    std::string bytes = line.text;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (line.reversed[i]) bytes[i] = static_cast<char>(static_cast<std::uint8_t>(bytes[i]) - 0x40);
    return bytes;
}

std::string BasicListingUtf8(const BasicListing& listing) {
    std::string out;
    for (const BasicLine& line : listing.lines) {
        out += std::to_string(line.number);
        out += ' ';
        out += PetsciiToUtf8(ListedBytes(line));
        out += '\n';
    }
    return out;
}

std::optional<std::uint16_t> SysStart(std::span<const std::uint8_t> bytes, std::uint16_t load) {
    if (load != BasicStart || bytes.size() < 5 || bytes[1] == 0) return std::nullopt;
    std::size_t i = 4;
    auto skipBlanks = [&] {
        while (i < bytes.size() && bytes[i] == ' ') ++i;
    };
    skipBlanks();
    if (i >= bytes.size() || bytes[i] != SysToken) return std::nullopt;
    ++i;
    skipBlanks();
    std::uint32_t value = 0;
    int digits = 0;
    for (; i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9'; ++digits) {
        value = value * 10 + (bytes[i] - '0');
        if (value > 0xFFFF) return std::nullopt;
        ++i;
        skipBlanks();
    }
    if (digits == 0 || value < load || value >= load + bytes.size()) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace dyskel
