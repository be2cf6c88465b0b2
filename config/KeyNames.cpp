#include "config/KeyNames.h"

#include "config/Cp1252.h"

#include <array>
#include <string_view>

namespace qv {
namespace {

// German names of the keys outside the fixed rows, by Windows virtual-key number. They are unique,
// and none is a bare modifier prefix ("^" is the Ctrl prefix, so that key is "Zirkumflex").
struct TableName {
    std::uint8_t key;
    std::string_view utf8;
};

constexpr TableName kTable[] = {
    {0x10, "Umschalt"},
    {0x11, "Strg"},
    {0x12, "Alt"},
    {0x13, "Pause"},
    {0x14, "Feststell"},
    {0x2C, "Druck"},
    {0x5B, "Linke Windows"},
    {0x5C, "Rechte Windows"},
    {0x5D, "Anwendung"},
    {0x6A, "* (Zehnertastatur)"},
    {0x6B, "+ (Zehnertastatur)"},
    {0x6D, "- (Zehnertastatur)"},
    {0x6E, "Komma (Zehnertastatur)"},
    {0x6F, "/ (Zehnertastatur)"},
    {0x90, "Num-Feststell"},
    {0x91, "Rollen-Feststell"},
    {0xBA, "Ü"},
    {0xBB, "+"},
    {0xBC, "Komma"},
    {0xBD, "-"},
    {0xBE, "Punkt"},
    {0xBF, "#"},
    {0xC0, "Ö"},
    {0xDB, "ß"},
    {0xDC, "Zirkumflex"},
    {0xDD, "Akut"},
    {0xDE, "Ä"},
    {0xE2, "<"},
};

std::string FixedName(std::uint8_t k)
{
    switch (k) {
    case 0x08: return W("Rück");
    case 0x09: return "Tab";
    case 0x0D: return "Eingabe";
    case 0x1B: return "Esc";
    case 0x20: return "Leertaste";
    case 0x21: return "BildAuf";
    case 0x22: return "BildAb";
    case 0x23: return "Ende";
    case 0x24: return "Pos1";
    case 0x25: return "Links";
    case 0x26: return "Auf";
    case 0x27: return "Rechts";
    case 0x28: return "Nach unten";
    case 0x2D: return "Einfg";
    case 0x2E: return "Entf";
    default: break;
    }
    if (k >= 0x30 && k <= 0x39)
        return std::string(1, static_cast<char>(k));
    if (k >= 0x41 && k <= 0x5A)
        return std::string(1, static_cast<char>(k));
    if (k >= 0x60 && k <= 0x69)
        return std::string(1, static_cast<char>('0' + (k - 0x60)));
    if (k >= 0x70 && k <= 0x87)
        return "F" + std::to_string(k - 0x6F);
    for (const TableName& entry : kTable) {
        if (entry.key == k)
            return W(entry.utf8);
    }
    return {};
}

// All 256 names, worked out once: the reverse lookup compares against every one of them.
const std::array<std::string, 256>& Names()
{
    static const std::array<std::string, 256> names = [] {
        std::array<std::string, 256> all;
        for (int k = 0; k < 256; ++k)
            all[static_cast<std::size_t>(k)] = FixedName(static_cast<std::uint8_t>(k));
        return all;
    }();
    return names;
}

} // namespace

std::string KeyNameOf(std::uint8_t k)
{
    return Names()[k];
}

std::string KeyCodeToText(KeyCode code)
{
    const std::string& name = Names()[code & 0xFF];
    if (name.empty())
        return {};
    std::string text;
    if (code & kShiftBit)
        text += "Umsch+";
    if (code & kCtrlBit)
        text += "Strg+";
    if (code & kAltBit)
        text += "Alt+";
    return text + name;
}

KeyCode TextToKeyCode(std::string_view text)
{
    unsigned modifiers = 0;
    for (;;) {
        if (StartsWithIgnoreCase(text, "Umsch+")) {
            text.remove_prefix(6);
            modifiers |= kShiftBit;
        } else if (StartsWithIgnoreCase(text, "^")) {
            text.remove_prefix(1);
            modifiers |= kCtrlBit;
        } else if (StartsWithIgnoreCase(text, "Strg+")) {
            text.remove_prefix(5);
            modifiers |= kCtrlBit;
        } else if (StartsWithIgnoreCase(text, "Alt+")) {
            text.remove_prefix(4);
            modifiers |= kAltBit;
        } else {
            break;
        }
    }
    if (text.empty())
        return 0;
    const auto& names = Names();
    for (int k = 8; k <= 255; ++k) {
        const std::string& name = names[static_cast<std::size_t>(k)];
        if (!name.empty() && EqualsIgnoreCase(name, text))
            return static_cast<KeyCode>(k | modifiers);
    }
    return 0;
}

} // namespace qv
