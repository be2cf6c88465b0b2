#include "config/ConfigWriter.h"
#include "config/Cp1252.h"
#include "SampleProjects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qv {
namespace {

using test::Everything;
using test::WorkedExample;

// "\xFC" is the Windows-1252 byte of the umlaut in "Menü".
const std::string kWorkedSection = "[quorvane]\r\n"
                                   "startfile=web\\index.html\r\n"
                                   "caption=Mein Men\xFC\r\n"
                                   "width=800\r\n"
                                   "height=600\r\n"
                                   "ontop=1\r\n"
                                   "borderstyle=dialog\r\n"
                                   "exenewwindow=3\r\n"
                                   "popupparam=/height=320 /width=200 /borderstyle=sizeable /caption=\"Mein Popup\"\r\n";

TEST(ConfigWriter, WritesTheWorkedExampleForEveryTarget)
{
    const std::string withIconSection = "[quorvane]\r\n"
                                        "startfile=web\\index.html\r\n"
                                        "caption=Mein Men\xFC\r\n"
                                        "icon=disc.ico\r\n"
                                        "width=800\r\n"
                                        "height=600\r\n"
                                        "ontop=1\r\n"
                                        "borderstyle=dialog\r\n"
                                        "exenewwindow=3\r\n"
                                        "popupparam=/height=320 /width=200 /borderstyle=sizeable /caption=\"Mein Popup\"\r\n";
    struct Case {
        int target;
        std::string icon;
        std::string expected;
    };
    const Case cases[] = {
        {0, "", kWorkedSection},
        {1, "", "[autorun]\r\nopen=starter.exe\r\n\r\n" + kWorkedSection},
        // The umlaut of "Menü" puts the code-page line before the batch file's command.
        {2, "",
         "@chcp 1252 >nul\r\n"
         "starter.exe /startfile=web\\index.html /caption=\"Mein Men\xFC\" /width=800 /height=600 /ontop=1 "
         "/borderstyle=dialog /exenewwindow=3 "
         "/popupparam=\"/height=320 /width=200 /borderstyle=sizeable /caption=Mein Popup\"\r\n"},
        {1, "disc.ico", "[autorun]\r\nopen=starter.exe\r\nicon=disc.ico\r\n\r\n" + withIconSection},
        {2, "disc.ico",
         "@chcp 1252 >nul\r\n"
         "starter.exe /startfile=web\\index.html /caption=\"Mein Men\xFC\" /icon=disc.ico /width=800 /height=600 "
         "/ontop=1 /borderstyle=dialog /exenewwindow=3 "
         "/popupparam=\"/height=320 /width=200 /borderstyle=sizeable /caption=Mein Popup\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("target " + std::to_string(c.target) + " icon '" + c.icon + "'");
        ProjectSettings p = WorkedExample();
        p.EIconOrt = c.icon;
        const BuildResult built = BuildConfiguration(p, c.target);
        EXPECT_EQ(ConfigFileBytes(built.configText, c.target), c.expected);
        if (c.target == 2) {
            EXPECT_EQ(built.configText.size(), 1u);
        }
    }
}

TEST(ConfigWriter, NewProjectWritesOnlyTheBorderStyle)
{
    const ProjectSettings fresh;
    EXPECT_EQ(BuildConfiguration(fresh, 0).configText, (ConfigText{"[quorvane]", "borderstyle=sizeable"}));
    EXPECT_EQ(BuildConfiguration(fresh, 1).configText,
              (ConfigText{"[autorun]", "open=starter.exe", "", "[quorvane]", "borderstyle=sizeable"}));
    EXPECT_EQ(BuildConfiguration(fresh, 2).configText, (ConfigText{"starter.exe /borderstyle=sizeable"}));
}

TEST(ConfigWriter, WritesEveryKeyInTableOrderForEveryTarget)
{
    const ConfigText settings = {
        "startfile=index.html", "caption=Titel", "icon=icon.ico", "width=800", "height=600",
        "minwidth=400", "minheight=300", "left=10", "top=20", "varcaption=1", "maximized=1",
        "contextmenu=0", "scrollbar=0", "selecttext=0", "fadein=1", "fadeout=1", "ontop=1",
        "moveeverywhere=1", "keyinput=0", "borderstyle=minimal", "external=exe,zip", "exenewwindow=2",
        "popupparam=/width=1", "uac=1", "execute=setup.exe", "executeparam=/q", "executeonclose=bye.exe",
        "executeparamonclose=/s", "exitpw=geheim", "skin=skin.bmp", "skinpos=1,2,3,4",
        "minbuttonpos=5,6,7,8", "closebuttonpos=9,10,11,12", "splash=splash.jpg",
        "transparencycolor=FF00FF", "disabledkeylist=112,16449",
    };
    ConfigText ini = {"[quorvane]"};
    ini.insert(ini.end(), settings.begin(), settings.end());
    ConfigText inf = {"[autorun]", "open=starter.exe", "icon=icon.ico", ""};
    inf.insert(inf.end(), ini.begin(), ini.end());
    std::string line = "starter.exe";
    for (const std::string& s : settings)
        line += " /" + s;

    const ProjectSettings p = Everything();
    EXPECT_EQ(BuildConfiguration(p, 0).configText, ini);
    EXPECT_EQ(BuildConfiguration(p, 1).configText, inf);
    EXPECT_EQ(BuildConfiguration(p, 2).configText, ConfigText{line});
}

TEST(ConfigWriter, BorderStyleFollowsTheItemIndex)
{
    const char* values[] = {"none", "sizeable", "dialog", "single", "tool", "sizetool", "minimal"};
    for (int index = 0; index < 7; ++index) {
        ProjectSettings p;
        p.CbStyle = index;
        EXPECT_EQ(BuildConfiguration(p, 0).configText.back(), std::string("borderstyle=") + values[index]);
    }
    // No item selected: no line at all.
    ProjectSettings none;
    none.CbStyle = -1;
    EXPECT_EQ(BuildConfiguration(none, 0).configText, ConfigText{"[quorvane]"});
}

TEST(ConfigWriter, LineFormWritesValuesAsStored)
{
    const std::string values[] = {" ", "\"Mein Titel\"", "  padded  ", "a&b|c<d>e^f", "100%", "x\"y"};
    for (const std::string& v : values) {
        ProjectSettings p;
        p.ETitel = v;
        for (int target : {0, 1}) {
            const ConfigText lines = BuildConfiguration(p, target).configText;
            ASSERT_GE(lines.size(), 2u);
            EXPECT_EQ(lines[lines.size() - 2], "caption=" + v) << "target " << target;
            EXPECT_NE(ConfigFileBytes(lines, target).find("caption=" + v + "\r\n"), std::string::npos);
        }
    }
}

TEST(ConfigWriter, ParameterFormQuotesBlanksAndCommandCharacters)
{
    struct Case {
        std::string title;
        std::string parameter; // what follows "/caption=", empty when no parameter at all
    };
    const Case cases[] = {
        {" ", "\" \""},
        {W("Mein \"Menü\""), W("\"Mein Menü\"")},
        {"a\"b", "ab"},
        {"\"\"", ""},
        {"plain", "plain"},
        {"a&b", "\"a&b\""},
        {"a|b", "\"a|b\""},
        {"a<b", "\"a<b\""},
        {"a>b", "\"a>b\""},
        {"a^b", "\"a^b\""},
        {"\"a&b\"", "\"a&b\""},
        {"a\tb", "a\tb"}, // only the blank among the white space counts
        {"50%", "50%"},   // doubled only in the file bytes
    };
    for (const Case& c : cases) {
        ProjectSettings p;
        p.ETitel = c.title;
        EXPECT_EQ(BuildConfiguration(p, 2).configText,
                  ConfigText{"starter.exe /caption=" + c.parameter + " /borderstyle=sizeable"})
            << "title [" << c.title << "]";
    }
}

TEST(ConfigWriter, ParameterFormQuotesLiteralLinesLikeValues)
{
    ConfigEmitter emitter(2);
    emitter.AppendLine("a b");
    emitter.AppendLine("run=x&y");
    emitter.AppendLine("pipe=a|b");
    emitter.AppendLine("q\"uote");
    emitter.AppendLine("keyinput=0");
    emitter.AppendSetting("empty", "");
    EXPECT_EQ(emitter.Lines(),
              ConfigText{"starter.exe /\"a b\" /\"run=x&y\" /\"pipe=a|b\" /quote /keyinput=0"});

    ConfigEmitter lines(0);
    lines.AppendLine("a b");
    lines.AppendLine("");
    lines.AppendSetting("empty", "");
    lines.AppendSetting("key", " ");
    EXPECT_EQ(lines.Lines(), (ConfigText{"a b", "", "key= "}));
}

// cmd.exe reads a batch file in the console's OEM code page: a command beyond ASCII gets the
// code-page line before it, so that the bytes reach starter.exe as the Windows-1252 text they are.
TEST(ConfigWriter, BatchFileBeyondAsciiSwitchesTheConsoleToWindows1252)
{
    struct Case {
        const char* what;
        const char* field;
        std::string value;
        bool codePage;
    };
    const Case cases[] = {
        {"plain ASCII", "ETitel", "Sommerfest", false},
        {"umlaut in the caption", "ETitel", "Sommerfest K\xF6ln \x96 \xDC" "bersicht", true},
        {"umlaut in the password", "EPasswort", "Geheim \xE4", true},
        {"euro sign in a program parameter", "EExeParam", "\x80 5", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProjectSettings p;
        if (std::string(c.field) == "ETitel")
            p.ETitel = c.value;
        else if (std::string(c.field) == "EPasswort")
            p.EPasswort = c.value;
        else {
            p.EZusatzProgOrt = "setup.exe";
            p.EExeParam = c.value;
        }
        const ConfigText command = BuildConfiguration(p, 2).configText;
        ASSERT_EQ(command.size(), 1u);
        const std::string bytes = ConfigFileBytes(command, 2);
        const std::string expected = (c.codePage ? "@chcp 1252 >nul\r\n" : "") + command[0] + "\r\n";
        EXPECT_EQ(bytes, expected);
        EXPECT_EQ(FileLines(command, 2).size(), c.codePage ? 2u : 1u);
        // The value's bytes are written as Windows-1252, not converted to any other code page.
        EXPECT_NE(bytes.find(c.value), std::string::npos);
        // Profile files are read by Windows in the ANSI code page already: no such line there.
        for (int target : {0, 1})
            EXPECT_EQ(FileLines(BuildConfiguration(p, target).configText, target), BuildConfiguration(p, target).configText);
    }
}

TEST(ConfigWriter, BatchFileDoublesPercentSignsOnlyInItsBytes)
{
    ProjectSettings p;
    p.ETitel = "100%";
    p.EPasswort = "%PATH%";
    const BuildResult built = BuildConfiguration(p, 2);
    EXPECT_EQ(built.configText, ConfigText{"starter.exe /caption=100% /borderstyle=sizeable /exitpw=%PATH%"});
    EXPECT_EQ(ConfigFileBytes(built.configText, 2),
              "starter.exe /caption=100%% /borderstyle=sizeable /exitpw=%%PATH%%\r\n");

    for (int target : {0, 1}) {
        const ConfigText lines = BuildConfiguration(p, target).configText;
        const std::string bytes = ConfigFileBytes(lines, target);
        EXPECT_NE(bytes.find("caption=100%\r\n"), std::string::npos);
        EXPECT_NE(bytes.find("exitpw=%PATH%\r\n"), std::string::npos);
        EXPECT_EQ(bytes.find("%%"), std::string::npos);
    }
}

TEST(ConfigWriter, SkinMeasuresNeedTheImageAndAllFourFields)
{
    struct Case {
        const char* name;
        std::string skin;
        bool emptyHeight;
        bool expectSkinpos;
    };
    const Case cases[] = {
        {"image and four measures", "skin.bmp", false, true},
        {"one measure empty", "skin.bmp", true, false},
        {"no image", "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProjectSettings p = Everything();
        p.EBMPOrt = c.skin;
        if (c.emptyHeight)
            p.ESkinh.clear();
        const ConfigText lines = BuildConfiguration(p, 0).configText;
        const auto has = [&](const std::string& line) {
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        };
        EXPECT_EQ(has("skinpos=1,2,3,4"), c.expectSkinpos);
        // The hidden button positions follow the image only.
        EXPECT_EQ(has("minbuttonpos=5,6,7,8"), !c.skin.empty());
        EXPECT_EQ(has("closebuttonpos=9,10,11,12"), !c.skin.empty());
    }
}

TEST(ConfigWriter, PopupParametersAreWrittenWhateverTheNewWindowAction)
{
    const struct {
        NewWindowAction action;
        const char* line; // the exenewwindow line, or nullptr
    } cases[] = {
        {NewWindowAction::Default, nullptr},
        {NewWindowAction::Execute, "exenewwindow=1"},
        {NewWindowAction::Ignore, "exenewwindow=2"},
        {NewWindowAction::Popup, "exenewwindow=3"},
    };
    for (const auto& c : cases) {
        ProjectSettings p;
        p.newWindowAction = c.action;
        p.EPopupParam = "/width=200";
        ConfigText expected = {"[quorvane]", "borderstyle=sizeable"};
        if (c.line)
            expected.push_back(c.line);
        expected.push_back("popupparam=/width=200");
        EXPECT_EQ(BuildConfiguration(p, 0).configText, expected);
    }
}

TEST(ConfigWriter, KeyListBecomesCommaSeparatedCodes)
{
    struct Case {
        std::vector<std::string> keys;
        std::string value; // empty: no disabledkeylist line
        std::vector<std::string> hints;
    };
    const std::string noKey = W("Folgende Taste konnte nicht verarbeitet werden: ");
    const Case cases[] = {
        {{"F1", "F12"}, "112,123", {}},
        {{}, "", {}},
        {{"Strg+A", "Umsch+Alt+F5", "5"}, "16449,41076,53", {}},
        {{"F1", "Quatsch", "F12", ""}, "112,123", {noKey + "\"Quatsch\"", noKey + "\"\""}},
        {{"Quatsch"}, "", {noKey + "\"Quatsch\""}},
    };
    for (const Case& c : cases) {
        ProjectSettings p;
        p.ESpeicherort = "C:\\cd\\";
        p.EHTMLOrt = "index.html";
        p.LBShortcuts = c.keys;
        const BuildResult built = BuildConfiguration(p, 0);
        EXPECT_EQ(built.disabledKeyText, c.value);
        EXPECT_EQ(built.hints, c.hints);
        ConfigText expected = {"[quorvane]", "startfile=index.html", "borderstyle=sizeable"};
        if (!c.value.empty())
            expected.push_back("disabledkeylist=" + c.value);
        EXPECT_EQ(built.configText, expected);
    }
}

TEST(ConfigWriter, HintsNeverHoldBackValues)
{
    ProjectSettings p;
    p.EHTMLOrt = "C:\\web\\index.html"; // absolute
    p.ETransparencyColor = "ABCD";       // invalid colour
    p.EPopupParam = "/x=1";              // without the popup choice
    p.ChKeyInput = true;                 // beside a key list
    p.LBShortcuts = {"F5"};
    const BuildResult built = BuildConfiguration(p, 0);
    EXPECT_FALSE(built.hints.empty());
    EXPECT_EQ(built.configText,
              (ConfigText{"[quorvane]", "startfile=C:\\web\\index.html", "keyinput=0", "borderstyle=sizeable",
                          "popupparam=/x=1", "transparencycolor=ABCD", "disabledkeylist=116"}));
}

TEST(ConfigWriter, EveryLineOfTheFileEndsWithCrLf)
{
    EXPECT_EQ(ConfigFileBytes({"a", "", "b"}, 0), "a\r\n\r\nb\r\n");
    EXPECT_EQ(ConfigFileBytes({"a", "", "b"}, 1), "a\r\n\r\nb\r\n");
    EXPECT_EQ(ConfigFileBytes({}, 0), "");
}

TEST(ConfigWriter, FileNamesOfTheTargets)
{
    EXPECT_STREQ(TargetFileName(0), "starter.ini");
    EXPECT_STREQ(TargetFileName(1), "autorun.inf");
    EXPECT_STREQ(TargetFileName(2), "runme.bat");
}

TEST(HintTexts, CounterAndWindowText)
{
    EXPECT_EQ(HintCounterText(0), "");
    EXPECT_EQ(HintCounterText(1), "Es ist 1 Hinweis vorhanden!");
    EXPECT_EQ(HintCounterText(2), "Es sind 2 Hinweise vorhanden!");
    EXPECT_EQ(HintCounterText(12), "Es sind 12 Hinweise vorhanden!");

    EXPECT_EQ(HintWindowText({}), "");
    EXPECT_EQ(HintWindowText({"eins"}), "- eins");
    EXPECT_EQ(HintWindowText({"eins", "zwei", "drei"}), "- eins\n\n- zwei\n\n- drei");
}

} // namespace
} // namespace qv
