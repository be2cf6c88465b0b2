#include "config/ColorText.h"
#include "config/ConfigWriter.h"
#include "config/Cp1252.h"
#include "config/HintRules.h"
#include "config/KeyNames.h"
#include "config/Loader.h"
#include "SampleProjects.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace qv {
namespace {

// Bytes that steer the parsers, given a high weight among random bytes.
constexpr char kSpecial[] = {'\0', '\r', '\n', '"', '\'', '[', ']', '=', ';', ',', ' ', '\t', '$',
                             'x', '0', '1', '-', '+', '\\', ':', '/', '%', '&', '^',
                             '\x80', '\xC3', '\xBC', '\xFC', '\xFF', '\xE2', '\x82', '\xAC'};

// Fragments that make random text look like a configuration often enough to reach deep paths.
const char* const kFragments[] = {
    "[quorvane]", "[velmorant starter]", "[autorun]", "[", "]", "\r\n", "\n", "=", "\"", "'",
    "startfile", "caption", "width", "maximized=1", "borderstyle=", "tool", "disabledkeylist=",
    "skinpos=", "exenewwindow=3", "116", "0x74", "$", ",", ",,", " ", ";", "transparencycolor=",
};

class RandomText {
public:
    explicit RandomText(std::uint32_t seed)
        : engine_(seed)
    {
    }

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine_); }

    std::string Bytes(int maxLength)
    {
        std::string out;
        const int length = Below(maxLength + 1);
        for (int i = 0; i < length; ++i) {
            if (Below(2) == 0)
                out.push_back(kSpecial[Below(sizeof kSpecial)]);
            else
                out.push_back(static_cast<char>(Below(256)));
        }
        return out;
    }

    std::string Config(int pieces)
    {
        std::string out;
        const int count = Below(pieces + 1);
        for (int i = 0; i < count; ++i) {
            switch (Below(4)) {
            case 0: out += Bytes(12); break;
            case 1: out += std::string(static_cast<std::size_t>(Below(2600)), static_cast<char>('a' + Below(3))); break;
            default: out += kFragments[Below(static_cast<int>(std::size(kFragments)))]; break;
            }
        }
        return out;
    }

private:
    std::mt19937 engine_;
};

// Every entry of a loaded key list is a name that comes back as a key, or empty.
void ExpectKeyEntries(const std::vector<std::string>& keys)
{
    for (const std::string& key : keys)
        EXPECT_TRUE(key.empty() || TextToKeyCode(key) != 0) << key;
}

void ExpectLoadedProjectIsSound(const ProjectSettings& p)
{
    const std::string* texts[] = {
        &p.EHTMLOrt, &p.ETitel, &p.EIconOrt, &p.EBreite, &p.EHoehe, &p.EminBreite, &p.EminHoehe,
        &p.Eposx, &p.Eposy, &p.ESplashOrt, &p.ETransparencyColor, &p.EPasswort, &p.EExt,
        &p.EZusatzProgOrt, &p.EExeParam, &p.EZusatzProgOrt2, &p.EExeParam2, &p.EPopupParam,
        &p.EBMPOrt, &p.Eskinx, &p.ESkiny, &p.ESkinw, &p.ESkinh, &p.Eminx, &p.Eminy, &p.Eminw,
        &p.Eminh, &p.Eclosex, &p.Eclosey, &p.Eclosew, &p.Ecloseh,
    };
    for (const std::string* text : texts)
        EXPECT_LE(text->size(), ProfileFile::kMaxValueLength);
    EXPECT_GE(p.CbStyle, 0);
    EXPECT_LT(p.CbStyle, kBorderStyleCount);
    if (p.ChFullscreen) {
        EXPECT_TRUE(p.EBreite.empty() && p.EHoehe.empty() && p.EminBreite.empty() && p.EminHoehe.empty());
    }
    ExpectKeyEntries(p.LBShortcuts);
}

void Exercise(const std::string& bytes, const std::string& path)
{
    const ProfileFile file = ProfileFile::Parse(bytes);
    const LoadResult loaded = LoadSettings(file, path, test::Everything());
    ExpectLoadedProjectIsSound(loaded.settings);
    // Keeping only what the loader reads changes nothing it reads.
    const LoadResult kept = LoadSettings(ProfileFile::Parse(std::string_view(bytes), SettingsKeep()), path, test::Everything());
    EXPECT_EQ(kept.settings, loaded.settings);
    EXPECT_EQ(kept.hasSettingsSection, loaded.hasSettingsSection);
    for (const char* section : {"quorvane", "velmorant starter", "autorun", ""}) {
        for (const char* key : {"caption", "startfile", "open", ""}) {
            if (const auto value = file.Find(section, key)) {
                EXPECT_LE(value->size(), ProfileFile::kMaxValueLength);
            }
        }
    }
    // The loaded project goes on through the writer and the hints of every target.
    for (int target : {0, 1, 2}) {
        const BuildResult built = BuildConfiguration(loaded.settings, target);
        EXPECT_FALSE(built.configText.empty());
        (void)ConfigFileBytes(built.configText, target);
    }
}

TEST(Robustness, RandomConfigurationsNeverBreakTheReader)
{
    RandomText random(20240611);
    for (int i = 0; i < 2000; ++i) {
        Exercise(random.Bytes(300), random.Bytes(40));
        Exercise(random.Config(40), random.Bytes(20));
    }
}

TEST(Robustness, TruncatedConfigurationsNeverBreakTheReader)
{
    ProjectSettings p = test::Everything();
    p.ETitel = W("Mein \"Menü\"");
    p.LBShortcuts = {"F1", "Strg+A", "Umsch+Alt+F5", "Komma"};
    for (int target : {0, 1}) {
        const std::string full = ConfigFileBytes(BuildConfiguration(p, target).configText, target);
        for (std::size_t n = 0; n <= full.size(); ++n)
            Exercise(full.substr(0, n), "C:\\cd\\autorun.inf");
    }
}

TEST(Robustness, RandomValuesNeverBreakTheSmallParsers)
{
    RandomText random(77);
    for (int i = 0; i < 4000; ++i) {
        const std::string text = random.Bytes(i % 2 == 0 ? 12 : 200);

        const std::vector<std::string> items = SplitCommaText(text);
        EXPECT_LE(items.size(), text.size() + 1);
        for (const std::string& item : items) {
            EXPECT_EQ(item.find('\0'), std::string::npos);
        }
        ExpectKeyEntries(KeyListFromValue(text));

        (void)ParseWholeNumber(text, true);
        (void)ParseWholeNumber(text, false);
        (void)NthField(text, 1 + random.Below(5));
        (void)TextToKeyCode(text);

        if (const auto color = HexToColor(text)) {
            EXPECT_LE(*color, 0xFFFFFFu);
        }

        const std::string bytes = Utf8ToCp1252(text);
        EXPECT_LE(bytes.size(), text.size());
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(text)), text); // any byte string is valid Windows-1252
    }
}

TEST(Robustness, NumbersAndColoursRoundTrip)
{
    std::mt19937 engine(5);
    std::uniform_int_distribution<std::int32_t> anyInt(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<std::uint32_t> anyColor(0, 0xFFFFFF);
    for (int i = 0; i < 2000; ++i) {
        const std::int32_t n = anyInt(engine);
        EXPECT_EQ(ParseWholeNumber(std::to_string(n), false), n);
        const std::uint32_t c = anyColor(engine);
        EXPECT_EQ(HexToColor(ColorToHex(c)), c);
    }
}

} // namespace
} // namespace qv
