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

std::string DollarWord(std::uint16_t v) {
    return {'$', HexDigits[(v >> 12) & 15], HexDigits[(v >> 8) & 15], HexDigits[(v >> 4) & 15],
            HexDigits[v & 15]};
}

std::string DollarByte(std::uint8_t b) {
    return {'$', HexDigits[(b >> 4) & 15], HexDigits[b & 15]};
}

} // namespace dyskel
