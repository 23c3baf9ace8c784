// Fixed-width text forms of numbers, upper-case, no prefix.
#pragma once

#include <cstdint>
#include <string>

namespace dyskel {

std::string WordToHex(std::uint16_t v); // exactly 4 characters
std::string ByteToHex(std::uint8_t b);  // exactly 2 characters

} // namespace dyskel
