#include "config/ColorText.h"

namespace qv {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

namespace {

// One slice of up to two characters; nullopt when it is empty or not hexadecimal.
std::optional<std::uint32_t> Slice(std::string_view text, std::size_t from)
{
    if (from >= text.size())
        return std::nullopt;
    const std::string_view part = text.substr(from, 2);
    std::uint32_t value = 0;
    for (char c : part) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return value;
}

} // namespace

std::string ColorToHex(std::uint32_t color)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(6, '0');
    const std::uint32_t parts[3] = {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF};
    for (int i = 0; i < 3; ++i) {
        out[2 * i] = kDigits[parts[i] >> 4];
        out[2 * i + 1] = kDigits[parts[i] & 0xF];
    }
    return out;
}

std::optional<std::uint32_t> HexToColor(std::string_view text)
{
    const auto red = Slice(text, 0);
    const auto green = Slice(text, 2);
    const auto blue = Slice(text, 4);
    if (!red || !green || !blue)
        return std::nullopt;
    return *red | (*green << 8) | (*blue << 16);
}

} // namespace qv
