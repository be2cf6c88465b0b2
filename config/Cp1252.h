#pragma once

#include <array>
#include <string>
#include <string_view>

namespace qv {

// Converts Windows-1252 bytes to UTF-8. The five undefined bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// map to the C1 control code points of the same number, so every byte survives a round trip.
std::string Cp1252ToUtf8(std::string_view bytes);

// Converts UTF-8 to Windows-1252. A code point that Windows-1252 cannot hold, and every byte of a
// malformed sequence, becomes "?".
std::string Utf8ToCp1252(std::string_view utf8);

// Appends a code point as UTF-8 (one to four bytes).
void AppendUtf8(std::string& out, char32_t codePoint);

namespace detail {
constexpr std::array<unsigned char, 256> MakeFoldUpperTable()
{
    std::array<unsigned char, 256> table{};
    for (unsigned c = 0; c < 256; ++c) {
        unsigned folded = c;
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            folded = c - 0x20;
        else if (c == 0x9A || c == 0x9C || c == 0x9E)
            folded = c - 0x10;
        else if (c == 0xFF)
            folded = 0x9F;
        table[c] = static_cast<unsigned char>(folded);
    }
    return table;
}
// A table, because readers fold every name they look at.
inline constexpr std::array<unsigned char, 256> kFoldUpper = MakeFoldUpperTable();
} // namespace detail

// Folds one Windows-1252 byte to upper case: a-z, the accented small letters (including the
// umlauts), and the three letters of the 0x9A/0x9C/0x9E/0xFF row. "ß" has no capital and stays.
inline unsigned char FoldUpper(unsigned char c)
{
    return detail::kFoldUpper[c];
}

// Case-insensitive equality of two Windows-1252 texts under FoldUpper.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Whether `text` begins with `prefix` under FoldUpper.
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);

// Three-way comparison of two Windows-1252 texts under FoldUpper, byte by byte, the shorter
// text first when one is a prefix of the other. Returns <0, 0 or >0.
int CompareIgnoreCase(std::string_view a, std::string_view b);

// Windows-1252 bytes from a UTF-8 literal of the source code; for the product's fixed texts.
inline std::string W(std::string_view utf8) { return Utf8ToCp1252(utf8); }

} // namespace qv
