#include "config/ConfigWriter.h"
#include "config/Cp1252.h"
#include "config/HintRules.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv {
namespace {

// The message of each rule, as the user reads it (rule 17 shares the text of rule 16).
std::string Message(int rule)
{
    static const std::map<int, const char*> texts = {
        {1, "Es muss eine Datei als Startseite eingetragen werden!"},
        {2, "Der angegebene Speicherort fehlt oder ist nicht gültig. Alle weiteren Pfadangaben können "
            "dadurch nicht automatisch festgestellt werden."},
        {3, "Der Pfad zum Bild des Skins sollte relativ sein."},
        {4, "Der Pfad zur Webseite sollte relativ sein."},
        {5, "Der Pfad zum Icon sollte relativ sein."},
        {6, "Der Pfad zum extern zu startenden Programm sollte relativ sein."},
        {7, "Der Pfad zum Bild des Splash Screens sollte relativ sein."},
        {8, "Der angegebene Pfad zum Icon zeigt auf keine ico-Datei."},
        {9, "Um einen Skin zu verwenden, müssen alle Positionsangaben gemacht werden."},
        {10, "Die Positionsangaben des Skins sind unnütz, wenn kein Bild als Hintergrund gewählt wurde."},
        {11, "Die Liste mit den direkt auszuführenden Erweiterungen sollte keine Leerzeichen beinhalten."},
        {12, "Die Angabe der Fenstergröße ist unnötig, wenn ein Skin gewählt wurde."},
        {13, "Die minimale Breite ist größer als die angegebene Breite."},
        {14, "Die minimale Höhe ist größer als die angegebene Höhe."},
        {15, "Links zu neuen Fenstern werden nicht mit QVR geöffnet. Daher ist die Angabe der "
             "Popup-Startparameter überflüssig."},
        {16, "Der Pfad des externen Programms, welches mit den eingetragenen Parametern gestartet werden "
             "soll, ist leer."},
        {17, "Der Pfad des externen Programms, welches mit den eingetragenen Parametern gestartet werden "
             "soll, ist leer."},
        {18, "Scrollleisten innerhalb des Starters können nicht mit der Maus bedient werden, da diese zum "
             "Verschieben des Fensters genutzt wird."},
        {19, "Das Deaktivieren einzelner Tasten hat keine Wirkung, wenn alle Tasten ignoriert werden."},
        {20, "Transparente Farbe ist ungültig."},
    };
    return W(texts.at(rule));
}

std::string NoKey(const std::string& entry)
{
    return W("Folgende Taste konnte nicht verarbeitet werden: ") + '"' + entry + '"';
}

std::vector<std::string> Messages(std::initializer_list<int> rules)
{
    std::vector<std::string> out;
    for (int rule : rules)
        out.push_back(Message(rule));
    return out;
}

// A project that raises no hint: a valid storage folder and a relative start page.
ProjectSettings Clean()
{
    ProjectSettings p;
    p.ESpeicherort = "C:\\cd\\";
    p.EHTMLOrt = "index.html";
    return p;
}

std::vector<std::string> HintsOf(const ProjectSettings& p)
{
    return BuildConfiguration(p, 0).hints;
}

void SetSkinMeasures(ProjectSettings& p)
{
    p.Eskinx = "1";
    p.ESkiny = "2";
    p.ESkinw = "3";
    p.ESkinh = "4";
}

TEST(HintRules, NewProjectHasRulesOneAndTwo)
{
    EXPECT_EQ(HintsOf(ProjectSettings{}), Messages({1, 2}));
    EXPECT_TRUE(HintsOf(Clean()).empty());
}

TEST(HintRules, EachRuleFiresOnItsCondition)
{
    struct Case {
        const char* name;
        std::function<void(ProjectSettings&)> edit;
        std::vector<int> rules;
    };
    const Case cases[] = {
        {"absolute start page in valid folder", [](auto& p) { p.ESpeicherort = "D:\\cd\\"; p.EHTMLOrt = "D:\\cd\\index.html"; }, {4}},
        {"internet address", [](auto& p) { p.EHTMLOrt = "http://www.example.com/index.html"; }, {}},
        {"network storage folder", [](auto& p) { p.ESpeicherort = "\\\\server\\share\\"; }, {2}},
        {"relative storage folder", [](auto& p) { p.ESpeicherort = "cd\\"; }, {2}},
        {"absolute skin", [](auto& p) { p.EBMPOrt = "C:\\skin.bmp"; SetSkinMeasures(p); }, {3}},
        {"absolute icon", [](auto& p) { p.EIconOrt = "C:\\icon.ico"; }, {5}},
        {"absolute program", [](auto& p) { p.EZusatzProgOrt = "C:\\setup.exe"; }, {6}},
        {"absolute exit program is not checked", [](auto& p) { p.EZusatzProgOrt2 = "C:\\bye.exe"; }, {}},
        {"absolute splash", [](auto& p) { p.ESplashOrt = "C:\\splash.jpg"; }, {7}},
        {"icon .ico", [](auto& p) { p.EIconOrt = "icon.ico"; }, {}},
        {"icon .Ico upper", [](auto& p) { p.EIconOrt = "ICON.Ico"; }, {}},
        {"icon without extension", [](auto& p) { p.EIconOrt = "icon"; }, {8}},
        {"icon .ico.bak", [](auto& p) { p.EIconOrt = "icon.ico.bak"; }, {8}},
        {"icon .png", [](auto& p) { p.EIconOrt = "icon.png"; }, {8}},
        {"dot in a folder name only", [](auto& p) { p.EIconOrt = "bilder.ico\\icon"; }, {8}},
        {"icon at internet address", [](auto& p) { p.EIconOrt = "http://www.example.com/a.ico"; }, {}},
        {"skin with all measures", [](auto& p) { p.EBMPOrt = "skin.bmp"; SetSkinMeasures(p); }, {}},
        {"skin missing a measure", [](auto& p) { p.EBMPOrt = "skin.bmp"; SetSkinMeasures(p); p.ESkinw.clear(); }, {9}},
        {"measures without skin", [](auto& p) { SetSkinMeasures(p); }, {10}},
        {"one measure without skin", [](auto& p) { p.ESkiny = "2"; }, {10}},
        {"blank in extensions", [](auto& p) { p.EExt = "exe, zip"; }, {11}},
        {"extensions without blank", [](auto& p) { p.EExt = "exe,zip"; }, {}},
        {"size beside skin", [](auto& p) { p.EBMPOrt = "skin.bmp"; SetSkinMeasures(p); p.EminHoehe = "100"; }, {12}},
        {"min width, no width", [](auto& p) { p.EminBreite = "800"; }, {}},
        {"min width over width", [](auto& p) { p.EminBreite = "800"; p.EBreite = "640"; }, {13}},
        {"min width equal width", [](auto& p) { p.EminBreite = "800"; p.EBreite = "800"; }, {}},
        {"min height over height", [](auto& p) { p.EminHoehe = "500"; p.EHoehe = "400"; }, {14}},
        {"min width not a number counts 0", [](auto& p) { p.EminBreite = "abc"; p.EBreite = "10"; }, {}},
        {"width not a number counts 99999", [](auto& p) { p.EminBreite = "10"; p.EBreite = "abc"; }, {}},
        {"leading blanks are skipped", [](auto& p) { p.EminBreite = " 900"; p.EBreite = "800"; }, {13}},
        {"trailing blank is no number", [](auto& p) { p.EminBreite = "900 "; p.EBreite = "800"; }, {}},
        {"hexadecimal min width", [](auto& p) { p.EminBreite = "$400"; p.EBreite = "1000"; }, {13}},
        {"negative width", [](auto& p) { p.EminBreite = "0"; p.EBreite = "-5"; }, {13}},
        {"popup parameters, default action", [](auto& p) { p.EPopupParam = "/x=1"; }, {15}},
        {"popup parameters, execute action", [](auto& p) { p.EPopupParam = "/x=1"; p.newWindowAction = NewWindowAction::Execute; }, {15}},
        {"popup parameters, popup action", [](auto& p) { p.EPopupParam = "/x=1"; p.newWindowAction = NewWindowAction::Popup; }, {}},
        {"parameters without program", [](auto& p) { p.EExeParam = "/q"; }, {16}},
        {"exit parameters without program", [](auto& p) { p.EExeParam2 = "/q"; }, {17}},
        {"both parameters without programs", [](auto& p) { p.EExeParam = "/q"; p.EExeParam2 = "/q"; }, {16, 17}},
        {"parameters with program", [](auto& p) { p.EExeParam = "/q"; p.EZusatzProgOrt = "a.exe"; }, {}},
        {"move without hidden scroll bars", [](auto& p) { p.ChMove = true; }, {18}},
        {"move with hidden scroll bars", [](auto& p) { p.ChMove = true; p.ChScrollbar = true; }, {}},
        {"all keys ignored and a key list", [](auto& p) { p.ChKeyInput = true; p.LBShortcuts = {"F1"}; }, {19}},
        {"all keys ignored, no list", [](auto& p) { p.ChKeyInput = true; }, {}},
        {"colour of four digits", [](auto& p) { p.ETransparencyColor = "ABCD"; }, {20}},
        {"colour of five digits", [](auto& p) { p.ETransparencyColor = "ABCDE"; }, {}},
        {"colour not hexadecimal", [](auto& p) { p.ETransparencyColor = "GG0000"; }, {20}},
    };
    for (const Case& c : cases) {
        ProjectSettings p = Clean();
        c.edit(p);
        std::vector<std::string> expected;
        for (int rule : c.rules)
            expected.push_back(Message(rule));
        EXPECT_EQ(HintsOf(p), expected) << c.name;
    }
}

TEST(HintRules, HintsComeInRuleOrderWithOneNoKeyHintPerEntry)
{
    ProjectSettings p;                     // rules 1 and 2
    p.EIconOrt = "C:\\icon";               // rules 5 and 8
    p.ChMove = true;                       // rule 18
    p.ETransparencyColor = "x";            // rule 20
    p.LBShortcuts = {"Zz", "F1", "Yy"};    // rule 21 twice, in list order
    std::vector<std::string> expected = Messages({1, 2, 5, 8, 18, 20});
    expected.push_back(NoKey("Zz"));
    expected.push_back(NoKey("Yy"));
    EXPECT_EQ(HintsOf(p), expected);
}

TEST(HintRules, AbsolutePathHasTheDriveFormAtTheStart)
{
    const struct {
        std::string text;
        bool absolute;
    } cases[] = {
        {"C:\\web\\index.html", true},
        {"c:\\", true},
        {"C:\\a:\\b", true},
        {"", false},
        {"index.html", false},
        {"\\\\server\\share\\x", false},
        {"http://www.example.com/", false},
        {"C:index.html", false},
        {"ab:\\x", false},
        {"x\\C:\\y", false},
#ifndef _WIN32
        {"/home/user/disc/", true},
        {"/", true},
        {"//server/share", false},
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsAbsolutePath(c.text), c.absolute) << c.text;
}

TEST(HintRules, ExtensionIsTheTextFromTheLastDot)
{
    const struct {
        std::string path;
        std::string extension;
    } cases[] = {
        {"icon.ico", ".ico"},
        {"a.b\\icon.ICO", ".ICO"},
        {"icon.ico.bak", ".bak"},
        {"icon", ""},
        {"dir.x\\icon", ""},
        {"C.x:icon", ""},
        {"icon.", "."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathExtension(c.path), c.extension) << c.path;
}

TEST(HintRules, WholeNumberReading)
{
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    const struct {
        std::string text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"0", 0},
        {"123", 123},
        {"+5", 5},
        {"-5", -5},
        {"007", 7},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"0x1F", 31},
        {"0X1f", 31},
        {"-$10", -16},
        {"2147483647", kMax},
        {"-2147483648", kMin},
        {"$7FFFFFFF", kMax},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"12a", std::nullopt},
        {"1 ", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {"$G", std::nullopt},
        {"+-1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseWholeNumber(c.text, true), c.value) << c.text;
        EXPECT_EQ(ParseWholeNumber(c.text, false), c.value) << c.text;
    }
    EXPECT_EQ(ParseWholeNumber("  42", true), 42);
    EXPECT_EQ(ParseWholeNumber("  42", false), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("   ", true), std::nullopt);
}

} // namespace
} // namespace qv
