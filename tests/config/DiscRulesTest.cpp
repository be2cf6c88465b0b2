#include "config/DiscRules.h"

#include <gtest/gtest.h>

namespace {

using qv::DiscPath;
using qv::DiscPathKind;
using Names = std::vector<std::string>;

TEST(DiscRules, JolietCountsCharactersAndFindsRefusedOnes)
{
    const struct {
        const char* name;
        std::size_t length;
        const char* refused;
    } cases[] = {
        {"index.html", 10, ""},
        {"Über uns.html", 13, ""},          // two-byte letters count once
        {"\xF0\x9F\x98\x80.png", 6, ""},    // a character beyond the first plane counts twice
        {"a\xFF" "b", 3, ""},               // a malformed byte counts as one
        {"a*b?c:d;e\\f*", 12, "*?:;\\"},    // each refused character once, in order
        {"Datei (1) [2] {3} #4 & 5.txt", 28, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(qv::JolietNameLength(c.name), c.length);
        EXPECT_EQ(qv::JolietRefusedIn(c.name), c.refused);
    }
}

TEST(DiscRules, FoldsLetterCaseBeyondAscii)
{
    const struct {
        const char* name;
        const char* folded;
    } cases[] = {
        {"Index.HTML", "index.html"},
        {"ÄÖÜ-äöü-ß", "äöü-äöü-ß"},
        {"ŽÝŁ", "žýł"},      // Latin Extended-A pairs in both orders
        {"źżķ", "źżķ"},      // small letters stay
        {"ΩЖЁ", "ωжё"},
        {"×÷", "×÷"},        // signs in the Latin-1 letter block are no letters
        {"a\xFF", "a\xFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(qv::FoldNameCase(c.name), c.folded);
    }
}

TEST(DiscRules, VolumeLabelKeepsWhatIso9660Allows)
{
    const struct {
        const char* text;
        const char* label;
    } cases[] = {
        {"Mein Menü", "MEIN_MENUE"},
        {"  Große Straße!  ", "GROSSE_STRASSE"},
        {"Café-Bar 2024", "CAFE_BAR_2024"},
        {"a__b", "A_B"},
        {"___", ""},
        {"", ""},
        {"€ & ™", ""},
        {"Das Autostart-Menü für die Jahrestagung 2024", "DAS_AUTOSTART_MENUE_FUER_DIE_JAH"},
        {"abcdefghijklmnopqrstuvwxyz12345 und mehr", "ABCDEFGHIJKLMNOPQRSTUVWXYZ12345"}, // no "_" left at the cut
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(qv::VolumeLabelFrom(c.text), c.label);
        EXPECT_LE(qv::VolumeLabelFrom(c.text).size(), qv::kVolumeLabelMaxLength);
    }
}

TEST(DiscRules, MediaAndSizes)
{
    const std::uint64_t cd = qv::DiscMedia()[0].capacity;
    const std::uint64_t dl = qv::DiscMedia()[2].capacity;
    EXPECT_EQ(cd, 737280000u);
    EXPECT_EQ(qv::MediaThatHold(cd), (Names{"CD", "DVD", "DVD-DL"}));
    EXPECT_EQ(qv::MediaThatHold(cd + 1), (Names{"DVD", "DVD-DL"}));
    EXPECT_EQ(qv::MediaThatHold(dl), (Names{"DVD-DL"}));
    EXPECT_EQ(qv::MediaThatHold(dl + 1), Names{});

    const struct {
        std::uint64_t bytes;
        const char* text;
    } sizes[] = {
        {0, "0 Bytes"}, {1, "1 Byte"}, {1023, "1023 Bytes"}, {1536, "1,5 KB"},
        {cd, "703,1 MB"}, {dl, "7,96 GB"}, {5ULL << 40, "5120,00 GB"},
    };
    for (const auto& s : sizes)
        EXPECT_EQ(qv::GermanSize(s.bytes), s.text) << s.bytes;
    EXPECT_EQ(qv::RoundUpToBlock(0), 0u);
    EXPECT_EQ(qv::RoundUpToBlock(1), 2048u);
    EXPECT_EQ(qv::RoundUpToBlock(2048), 2048u);
}

TEST(DiscRules, ConfigPathsLeadIntoTheFolderOrAreRefused)
{
    const struct {
        const char* value;
        DiscPathKind kind;
        Names components;
    } cases[] = {
        {"web\\index.html", DiscPathKind::Inside, {"web", "index.html"}},
        {"web/bilder//logo.png", DiscPathKind::Inside, {"web", "bilder", "logo.png"}},
        {"web\\..\\start.html", DiscPathKind::Inside, {"start.html"}},
        {".\\start.html", DiscPathKind::Inside, {"start.html"}},
        {"http://example.org/x.html", DiscPathKind::Skipped, {}},
        {"HTTPS://example.org/", DiscPathKind::Skipped, {}},
        {"C:\\Projekt\\index.html", DiscPathKind::Absolute, {}},
        {"\\index.html", DiscPathKind::Absolute, {}},
        {"/home/user/disc/index.html", DiscPathKind::Absolute, {}},
        {"..\\index.html", DiscPathKind::Outside, {}},
        {"web\\..\\..\\index.html", DiscPathKind::Outside, {}},
        {"ftp.html", DiscPathKind::Inside, {"ftp.html"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const DiscPath path = qv::ConfigPathOnDisc(c.value);
        EXPECT_EQ(path.kind, c.kind);
        EXPECT_EQ(path.components, c.components);
    }
}

TEST(DiscRules, PageLinksResolveAgainstThePageFolder)
{
    const Names page = {"web", "seiten"};
    const struct {
        const char* link;
        DiscPathKind kind;
        Names components;
    } cases[] = {
        {"bild.png", DiscPathKind::Inside, {"web", "seiten", "bild.png"}},
        {"../index.html", DiscPathKind::Inside, {"web", "index.html"}},
        {"/start.html", DiscPathKind::Inside, {"start.html"}},
        {"\\bilder\\logo.png", DiscPathKind::Inside, {"bilder", "logo.png"}},
        {"seite.html?teil=2#oben", DiscPathKind::Inside, {"web", "seiten", "seite.html"}},
        {"Mein%20Bild%C3%BC.png", DiscPathKind::Inside, {"web", "seiten", "Mein Bildü.png"}},
        {"100%zz.png", DiscPathKind::Inside, {"web", "seiten", "100%zz.png"}},
        {"  bild.png\n", DiscPathKind::Inside, {"web", "seiten", "bild.png"}},
        {"./", DiscPathKind::Inside, {"web", "seiten"}},
        {"#oben", DiscPathKind::Skipped, {}},
        {"?x=1", DiscPathKind::Skipped, {}},
        {"", DiscPathKind::Skipped, {}},
        {"mailto:post@example.org", DiscPathKind::Skipped, {}},
        {"javascript:void(0)", DiscPathKind::Skipped, {}},
        {"https://example.org/bild.png", DiscPathKind::Skipped, {}},
        {"//example.org/bild.png", DiscPathKind::Skipped, {}},
        {"file:///C:/bilder/bild.png", DiscPathKind::Absolute, {}},
        {"FILE://server/freigabe/bild.png", DiscPathKind::Absolute, {}},
        {"\\\\server\\freigabe\\bild.png", DiscPathKind::Absolute, {}},
        {"C:\\bild.png", DiscPathKind::Absolute, {}},
        {"../../../bild.png", DiscPathKind::Outside, {}},
        {"a:b/c.png", DiscPathKind::Absolute, {}},
        {"bilder/a:b.png", DiscPathKind::Inside, {"web", "seiten", "bilder", "a:b.png"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        const DiscPath path = qv::LinkPathOnDisc(page, c.link);
        EXPECT_EQ(path.kind, c.kind);
        EXPECT_EQ(path.components, c.components);
    }
    EXPECT_EQ(qv::JoinDiscPath({"web", "seiten", "bild.png"}), "web/seiten/bild.png");
    EXPECT_EQ(qv::JoinDiscPath({}), "");
}

} // namespace
