// The three ways the 6502 page lists a program file, and the letters that
// name them in the settings file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace dyskel {

enum class ListingMode : std::uint8_t {
    Asm,   // 6502 disassembly
    Text,  // hex and text, 16 bytes a row
    Basic, // BASIC V2 lines as LIST shows them
};

struct ListingModeName {
    ListingMode mode;
    char letter; // the first character of the setting's value
};

// In the order in which Btn6502Mode steps through them.
inline constexpr std::array<ListingModeName, 3> ListingModes = {{
    {ListingMode::Asm, 'A'},
    {ListingMode::Text, 'T'},
    {ListingMode::Basic, 'B'},
}};

[[nodiscard]] constexpr char ModeLetter(ListingMode mode) {
    for (const ListingModeName& m : ListingModes)
        if (m.mode == mode) return m.letter;
    return 'A';
}

[[nodiscard]] constexpr std::optional<ListingMode> ModeFromLetter(char letter) {
    for (const ListingModeName& m : ListingModes)
        if (m.letter == letter) return m.mode;
    return std::nullopt;
}

// The mode after this one on Btn6502Mode: disassembly, text, BASIC, again.
[[nodiscard]] constexpr ListingMode NextMode(ListingMode mode) {
    for (std::size_t i = 0; i < ListingModes.size(); ++i)
        if (ListingModes[i].mode == mode) return ListingModes[(i + 1) % ListingModes.size()].mode;
    return ListingMode::Asm;
}

} // namespace dyskel
