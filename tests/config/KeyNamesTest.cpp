#include "config/Cp1252.h"
#include "config/KeyNames.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace qv {
namespace {

TEST(KeyNames, NamesCodesWithPrefixesInFixedOrder)
{
    const struct {
        KeyCode code;
        std::string text;
    } cases[] = {
        {0, ""},
        {0x08, W("Rück")},
        {0x0D, "Eingabe"},
        {0x20, "Leertaste"},
        {0x28, "Nach unten"},
        {0x2E, "Entf"},
        {0x30, "0"},
        {0x39, "9"},
        {0x41, "A"},
        {0x5A, "Z"},
        {0x60, "0"},
        {0x65, "5"},
        {0x70, "F1"},
        {0x74, "F5"},
        {0x87, "F24"},
        {0x4041, "Strg+A"},
        {0x6041, "Umsch+Strg+A"},
        {0xA074, "Umsch+Alt+F5"},
        {0xE074, "Umsch+Strg+Alt+F5"},
        {0x1F41, "A"},       // bits 0x0100-0x1F00 are not part of the name
        {0x5F41, "Strg+A"},
        {0x4000, ""},        // modifiers without a named key give no text at all
        {0xE0FF, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyCodeToText(c.code), c.text) << std::hex << c.code;
}

TEST(KeyNames, ReverseLookupStripsPrefixesAndIgnoresCase)
{
    const struct {
        std::string text;
        KeyCode code;
    } cases[] = {
        {"F5", 116},
        {"Strg+A", 16449},
        {"strg+a", 16449},
        {"STRG+a", 16449},
        {"^A", 0x4041},
        {"alt+umsch+f5", 0xA074},
        {"Umsch+Strg+Alt+F5", 0xE074},
        {"5", 53}, // the keypad 5 shares the name; the lowest number wins
        {"0", 0x30},
        {W("rück"), 0x08},
        {W("RÜCK"), 0x08},
        {"nach unten", 0x28},
        {"", 0},
        {"^", 0},
        {"Alt+", 0},
        {"Strg+Umsch+", 0},
        {"Quatsch", 0},
        {"F25", 0},
        {" F5", 0},
        {"F5 ", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextToKeyCode(c.text), c.code) << c.text;
}

// Every named key comes back as its own number (keypad digits as the main-row digit), with every
// combination of modifiers; names are unique and none is empty for a named key.
TEST(KeyNames, EveryNameRoundTrips)
{
    std::set<std::string> seen;
    int named = 0;
    for (int k = 0; k < 256; ++k) {
        const std::string name = KeyNameOf(static_cast<std::uint8_t>(k));
        if (name.empty())
            continue;
        ++named;
        const bool keypadDigit = k >= 0x60 && k <= 0x69;
        if (!keypadDigit) {
            EXPECT_TRUE(seen.insert(name).second) << "duplicate name " << name;
        }
        const int expectedKey = keypadDigit ? k - 0x60 + 0x30 : k;
        for (KeyCode modifiers : {0, 0x2000, 0x4000, 0x8000, 0x6000, 0xA000, 0xE000}) {
            const auto code = static_cast<KeyCode>(k | modifiers);
            EXPECT_EQ(TextToKeyCode(KeyCodeToText(code)), expectedKey | modifiers)
                << "key " << k << " modifiers " << modifiers << " text " << KeyCodeToText(code);
        }
    }
    // The fixed rows alone name 15 keys, 10 digits, 26 letters, 10 keypad digits and 24 F keys.
    EXPECT_GE(named, 85);
    EXPECT_EQ(KeyNameOf(0), "");
}

} // namespace
} // namespace qv
