#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// A blocked key: Windows virtual-key number in the low byte, plus modifier bits.
using KeyCode = std::uint16_t;
inline constexpr KeyCode kShiftBit = 0x2000;
inline constexpr KeyCode kCtrlBit = 0x4000;
inline constexpr KeyCode kAltBit = 0x8000;

// Name of the virtual key k without prefixes (Windows-1252), empty when the key has no name.
// Fixed names first (Rück, Tab, digits, letters, F1-F24, ...), then the project's own German table.
std::string KeyNameOf(std::uint8_t k);

// "Umsch+", "Strg+", "Alt+" (in that order, for the bits set) followed by the key's name; empty
// text when the low byte has no name. Bits 0x0100-0x1F00 are ignored.
std::string KeyCodeToText(KeyCode code);

// Reverse lookup: strips the prefixes "Umsch+", "^", "Strg+", "Alt+" (any order and number,
// case ignored), then returns the lowest k in 8..255 whose name equals the rest (case ignored,
// umlauts folded) with the modifier bits added; 0 when nothing is left or no name matches.
KeyCode TextToKeyCode(std::string_view text);

} // namespace qv
