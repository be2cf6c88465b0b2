#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The value of one hexadecimal digit (0-9, A-F, a-f), -1 for any other character.
int HexDigitValue(char c);

// Colour value with red in the lowest byte, then green, then blue -> "RRGGBB", upper case.
std::string ColorToHex(std::uint32_t color);

// Reads characters 1-2, 3-4 and 5-6 as hexadecimal numbers (a slice past the end is shorter or
// empty) and returns red | green << 8 | blue << 16. Fails (nullopt) when a slice is empty or holds
// a character outside 0-9, A-F, a-f: five digits pass, four or fewer fail; characters after the
// sixth are not looked at.
std::optional<std::uint32_t> HexToColor(std::string_view text);

} // namespace qv
