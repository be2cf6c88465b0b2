#include "config/ColorText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qv {
namespace {

TEST(ColorText, HexIsRedGreenBlueInUpperCase)
{
    EXPECT_EQ(ColorToHex(0x0000FF), "FF0000");
    EXPECT_EQ(ColorToHex(0x00FF00), "00FF00");
    EXPECT_EQ(ColorToHex(0xFF0000), "0000FF");
    EXPECT_EQ(ColorToHex(0x0A0B0C), "0C0B0A");
    EXPECT_EQ(ColorToHex(0xFF123456), "563412"); // the byte above blue is not part of the colour
}

TEST(ColorText, HexToColorReadsThreeSlices)
{
    const struct {
        std::string text;
        std::optional<std::uint32_t> color;
    } cases[] = {
        {"FF0000", 0x0000FF},
        {"00FF00", 65280},
        {"0000ff", 0xFF0000},
        {"0C0B0A", 0x0A0B0C},
        {"ABCDE", 0x0ECDAB},    // the blue slice has one digit: 14
        {"ABCDEF12", 0xEFCDAB}, // characters after the sixth are not looked at
        {"123456zz", 0x563412},
        {"ABCD", std::nullopt},
        {"", std::nullopt},
        {"GG0000", std::nullopt},
        {"00GG00", std::nullopt},
        {"0000G0", std::nullopt},
        {"ABCDE ", std::nullopt},
        {" ABCDE", std::nullopt},
        {"-1FFFF", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexToColor(c.text), c.color) << c.text;
}

TEST(ColorText, ColorsRoundTripThroughHex)
{
    for (std::uint32_t color : {0x000000u, 0xFFFFFFu, 0x123456u, 0xFEDCBAu, 0x00FF00u})
        EXPECT_EQ(HexToColor(ColorToHex(color)), color);
}

} // namespace
} // namespace qv
