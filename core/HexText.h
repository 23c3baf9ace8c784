// Fixed-width text forms of numbers, upper-case, bare or after "$".
#pragma once

#include <cstdint>
#include <string>

namespace dyskel {

std::string WordToHex(std::uint16_t v);  // exactly 4 characters
std::string ByteToHex(std::uint8_t b);   // exactly 2 characters
std::string DollarWord(std::uint16_t v); // "$0801"
std::string DollarByte(std::uint8_t b);  // "$0A"

} // namespace dyskel
