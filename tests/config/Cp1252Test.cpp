#include "config/Cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

TEST(Cp1252, ConvertsGermanTextAndTheHighRow)
{
    const struct {
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"Men\xFC", "Menü"},
        {"\xC4\xD6\xDC\xE4\xF6\xFC\xDF", "ÄÖÜäöüß"},
        {"\x80", "€"},
        {"\x84\x93\x94", "„“”"},
        {"\x8A\x9A\x9F", "ŠšŸ"},
        {"\xA0", "\xC2\xA0"},
        {"\x81", "\xC2\x81"}, // undefined bytes map to the C1 code point of the same number
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1252ToUtf8(c.bytes), c.utf8);
        EXPECT_EQ(Utf8ToCp1252(c.utf8), c.bytes);
    }
}

TEST(Cp1252, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Cp1252, UnmappableAndMalformedInputBecomesQuestionMarks)
{
    const struct {
        std::string utf8;
        std::string bytes;
    } cases[] = {
        {"\xE3\x81\x82", "?"},          // a code point outside the code page
        {"\xF0\x9F\x98\x80", "?"},      // four-byte sequence
        {"a\xC3", "a?"},                // truncated at the end
        {"\xE2\x82", "??"},
        {"\xC3(", "?("},                // missing continuation byte
        {"\x80x", "?x"},                // lone continuation byte
        {"\xC0\xAF", "??"},             // overlong form
        {"\xFF\xFE", "??"},
        {"\xC3\xBC\xC3", "\xFC?"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8ToCp1252(c.utf8), c.bytes);
}

TEST(Cp1252, CaseFoldingKnowsTheUmlauts)
{
    EXPECT_EQ(FoldUpper('a'), 'A');
    EXPECT_EQ(FoldUpper(0xFC), 0xDC); // ü -> Ü
    EXPECT_EQ(FoldUpper(0xE4), 0xC4); // ä -> Ä
    EXPECT_EQ(FoldUpper(0xDF), 0xDF); // ß stays
    EXPECT_EQ(FoldUpper(0xF7), 0xF7); // ÷ is no letter
    EXPECT_EQ(FoldUpper(0xFF), 0x9F); // ÿ -> Ÿ
    EXPECT_EQ(FoldUpper(0x9A), 0x8A); // š -> Š
    EXPECT_EQ(FoldUpper('['), '[');

    EXPECT_TRUE(EqualsIgnoreCase(W("Menü"), W("MENÜ")));
    EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
    EXPECT_LT(CompareIgnoreCase("abc", "ABD"), 0);
    EXPECT_GT(CompareIgnoreCase("b", "A"), 0);
    EXPECT_LT(CompareIgnoreCase("ab", "AB0"), 0);
    EXPECT_EQ(CompareIgnoreCase(W("größe"), W("GRÖßE")), 0);
}

} // namespace
} // namespace qv
