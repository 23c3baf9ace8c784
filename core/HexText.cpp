#include "core/HexText.h"

namespace dyskel {

namespace {
constexpr char HexDigits[] = "0123456789ABCDEF";
}

std::string WordToHex(std::uint16_t v) {
    return {HexDigits[(v >> 12) & 15], HexDigits[(v >> 8) & 15], HexDigits[(v >> 4) & 15], HexDigits[v & 15]};
}

std::string ByteToHex(std::uint8_t b) {
    return {HexDigits[(b >> 4) & 15], HexDigits[b & 15]};
}

std::string ByteToBin(std::uint8_t b) {
    std::string s(8, '0');
    for (int bit = 7; bit >= 0; --bit)
        if (b & (1u << bit)) s[std::size_t(7 - bit)] = '1';
    return s;
}

} // namespace dyskel
