#include "config/ConfigWriter.h"
#include "config/Cp1252.h"
#include "config/Loader.h"
#include "SampleProjects.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace qv {
namespace {

using Keys = std::vector<std::string>;

const std::string kFixtures = QV_FIXTURES;

ProjectSettings Load(std::string_view text, const ProjectSettings& previous = {}, const std::string& path = "")
{
    return LoadSettings(ProfileFile::Parse(std::string(text)), path, previous).settings;
}

// A project that differs from a new one everywhere the loader could leak it through.
ProjectSettings Busy()
{
    ProjectSettings p = test::Everything();
    p.CbStyle = 4;
    p.ConfigTarget = 2;
    p.ProjectChanged = true;
    return p;
}

TEST(Loader, NoFileGivesTheNewProject)
{
    const LoadResult loaded = LoadConfiguration("", Busy());
    EXPECT_FALSE(loaded.hasSettingsSection);
    EXPECT_EQ(loaded.settings, ProjectSettings{});
}

TEST(Loader, ReadsOneSettingsSectionWithoutPerKeyFallback)
{
    struct Case {
        const char* name;
        std::string text;
        bool present;
        std::string title;
        std::string icon;
    };
    const Case cases[] = {
        {"both sections", "[velmorant starter]\ncaption=B\nicon=b.ico\n[quorvane]\ncaption=A\n", true, "A", ""},
        {"empty quorvane header", "[quorvane]\n\n[velmorant starter]\ncaption=B\nicon=b.ico\n", true, "B", "b.ico"},
        {"quorvane with comments only", "[quorvane]\n;caption=A\n[velmorant starter]\ncaption=B\n", true, "B", ""},
        {"older name only", "[Velmorant Starter]\ncaption=B\n", true, "B", ""},
        {"name in upper case", "[QUORVANE]\nCAPTION=A\n", true, "A", ""},
        {"autorun only", "[autorun]\nopen=starter.exe\nicon=disc.ico\n", false, "", ""},
        {"autorun beside settings", "[autorun]\nopen=starter.exe\nicon=disc.ico\n\n[quorvane]\ncaption=A\n", true, "A", ""},
        {"other section", "[starter]\ncaption=C\n", false, "", ""},
        {"empty file", "", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult loaded = LoadSettings(ProfileFile::Parse(c.text), "", {});
        EXPECT_EQ(loaded.hasSettingsSection, c.present);
        EXPECT_EQ(loaded.settings.ETitel, c.title);
        EXPECT_EQ(loaded.settings.EIconOrt, c.icon);
    }
}

TEST(Loader, FlagsAreSetOnlyByTheirExactValue)
{
    struct Case {
        std::string key;
        std::optional<std::string> value; // nullopt: key absent
        bool ProjectSettings::*field;
        bool set;
    };
    const Case cases[] = {
        {"contextmenu", std::nullopt, &ProjectSettings::ChKontext, false},
        {"contextmenu", "no", &ProjectSettings::ChKontext, false},
        {"contextmenu", "1", &ProjectSettings::ChKontext, false},
        {"contextmenu", "0", &ProjectSettings::ChKontext, true},
        {"contextmenu", "\"0\"", &ProjectSettings::ChKontext, true},
        {"contextmenu", " 0 ", &ProjectSettings::ChKontext, true},
        {"contextmenu", "", &ProjectSettings::ChKontext, false},
        {"scrollbar", "0", &ProjectSettings::ChScrollbar, true},
        {"selecttext", "0", &ProjectSettings::ChSelect, true},
        {"keyinput", "0", &ProjectSettings::ChKeyInput, true},
        {"keyinput", std::nullopt, &ProjectSettings::ChKeyInput, false},
        {"maximized", "1", &ProjectSettings::ChFullscreen, true},
        {"maximized", "01", &ProjectSettings::ChFullscreen, false},
        {"maximized", "true", &ProjectSettings::ChFullscreen, false},
        {"maximized", std::nullopt, &ProjectSettings::ChFullscreen, false},
        {"varcaption", "1", &ProjectSettings::ChVarTitel, true},
        {"fadein", "1", &ProjectSettings::Chfade, true},
        {"fadeout", "1", &ProjectSettings::Chfadeout, true},
        {"ontop", "1", &ProjectSettings::ChTop, true},
        {"ontop", "0", &ProjectSettings::ChTop, false},
        {"moveeverywhere", "1", &ProjectSettings::ChMove, true},
        {"uac", "1", &ProjectSettings::ChAdmin, true},
        {"uac", "2", &ProjectSettings::ChAdmin, false},
    };
    for (const Case& c : cases) {
        std::string text = "[quorvane]\nstartfile=x\n";
        if (c.value)
            text += c.key + "=" + *c.value + "\n";
        EXPECT_EQ(Load(text).*c.field, c.set) << c.key << "=" << c.value.value_or("(absent)");
    }
}

TEST(Loader, NewWindowActionFromExenewwindow)
{
    const struct {
        std::optional<std::string> value;
        NewWindowAction action;
    } cases[] = {
        {std::nullopt, NewWindowAction::Default},
        {"0", NewWindowAction::Default},
        {"1", NewWindowAction::Execute},
        {"2", NewWindowAction::Ignore},
        {"3", NewWindowAction::Popup},
        {"4", NewWindowAction::Default},
        {"03", NewWindowAction::Default},
        {"", NewWindowAction::Default},
    };
    for (const auto& c : cases) {
        std::string text = "[quorvane]\nstartfile=x\n";
        if (c.value)
            text += "exenewwindow=" + *c.value + "\n";
        EXPECT_EQ(Load(text).newWindowAction, c.action) << c.value.value_or("(absent)");
    }
}

TEST(Loader, UnknownBorderStyleKeepsTheGivenIndex)
{
    const char* values[] = {"none", "sizeable", "dialog", "single", "tool", "sizetool", "minimal"};
    for (int previousIndex = 0; previousIndex < 7; ++previousIndex) {
        ProjectSettings previous;
        previous.CbStyle = previousIndex;
        for (int index = 0; index < 7; ++index)
            EXPECT_EQ(Load(std::string("[quorvane]\nborderstyle=") + values[index] + "\n", previous).CbStyle, index);
        for (const char* unknown : {"Tool", "SIZEABLE", "", "7", "dialog2"})
            EXPECT_EQ(Load(std::string("[quorvane]\nborderstyle=") + unknown + "\n", previous).CbStyle, previousIndex)
                << unknown;
        // An absent key yields "sizeable".
        EXPECT_EQ(Load("[quorvane]\nstartfile=x\n", previous).CbStyle, 1);
    }
}

// Whatever project was open before, only the file decides; the one exception is the border style
// for a value the loader does not know.
TEST(Loader, ResultNeverDependsOnThePreviousProject)
{
    ProjectSettings fullScreen;
    fullScreen.ChFullscreen = true;
    fullScreen.ChVarTitel = false;
    ProjectSettings fullScreenTitle = fullScreen;
    fullScreenTitle.ChVarTitel = true;
    const ProjectSettings previousProjects[] = {ProjectSettings{}, fullScreen, fullScreenTitle, Busy()};

    const std::string sizes = "width=800\nheight=600\nminwidth=300\nminheight=200\n";
    struct Case {
        const char* name;
        std::string text;
        bool sizesKept;
    };
    const Case cases[] = {
        {"sizes with varcaption", "[quorvane]\n" + sizes + "varcaption=1\n", true},
        {"sizes without flags", "[quorvane]\n" + sizes, true},
        {"sizes with maximized=0", "[quorvane]\n" + sizes + "varcaption=1\nmaximized=0\n", true},
        {"sizes with maximized=1", "[quorvane]\n" + sizes + "maximized=1\n", false},
        {"maximized before the sizes", "[quorvane]\nmaximized=1\nvarcaption=1\n" + sizes, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProjectSettings reference = Load(c.text);
        EXPECT_EQ(reference.EBreite, c.sizesKept ? "800" : "");
        EXPECT_EQ(reference.EHoehe, c.sizesKept ? "600" : "");
        EXPECT_EQ(reference.EminBreite, c.sizesKept ? "300" : "");
        EXPECT_EQ(reference.EminHoehe, c.sizesKept ? "200" : "");
        EXPECT_EQ(reference.ChFullscreen, !c.sizesKept);
        for (const ProjectSettings& previous : previousProjects)
            EXPECT_EQ(Load(c.text, previous), reference);
    }
}

TEST(Loader, TextsAreTakenWholeWithoutTests)
{
    const ProjectSettings p = Load(W("[quorvane]\n"
                                     "width=abc123456\n"
                                     "left=-5\n"
                                     "startfile=C:\\web\\index.html\n"
                                     "transparencycolor=Zz\n"
                                     "caption=  \"Mein Menü\"  \n"
                                     "exitpw='  geheim  '\n"
                                     "external= exe, zip \n"));
    EXPECT_EQ(p.EBreite, "abc123456");
    EXPECT_EQ(p.Eposx, "-5");
    EXPECT_EQ(p.EHTMLOrt, "C:\\web\\index.html");
    EXPECT_EQ(p.ETransparencyColor, "Zz");
    EXPECT_EQ(p.ETitel, W("Mein Menü"));
    EXPECT_EQ(p.EPasswort, "  geheim  ");
    EXPECT_EQ(p.EExt, "exe, zip");
}

TEST(Loader, NthFieldSplitsAtCommas)
{
    const struct {
        std::string text;
        int n;
        std::string field;
    } cases[] = {
        {"1,2,3,4", 1, "1"},
        {"1,2,3,4", 4, "4"},
        {"1,2,3,4,5", 4, "4"},
        {"10,20", 2, "20"},
        {"10,20", 3, ""},
        {"10,20", 4, ""},
        {"10 , 20", 1, "10 "},
        {"10 , 20", 2, " 20"},
        {"1,,3", 2, ""},
        {"1,,3", 3, "3"},
        {"", 1, ""},
        {"abc", 1, "abc"},
        {"abc", 2, ""},
        {",", 1, ""},
        {",", 2, ""},
        {"a,", 3, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NthField(c.text, c.n), c.field) << c.text << " field " << c.n;
}

TEST(Loader, PositionsFillTheirFourFields)
{
    const ProjectSettings p = Load("[quorvane]\nskinpos=10 , 20\nminbuttonpos=1,2,3,4,5\ncloseButtonPos=7,,9\n");
    EXPECT_EQ(p.Eskinx, "10 ");
    EXPECT_EQ(p.ESkiny, " 20");
    EXPECT_EQ(p.ESkinw, "");
    EXPECT_EQ(p.ESkinh, "");
    EXPECT_EQ((Keys{p.Eminx, p.Eminy, p.Eminw, p.Eminh}), (Keys{"1", "2", "3", "4"}));
    EXPECT_EQ((Keys{p.Eclosex, p.Eclosey, p.Eclosew, p.Ecloseh}), (Keys{"7", "", "9", ""}));
}

TEST(Loader, CommaTextSplitRules)
{
    const struct {
        std::string value;
        Keys items;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a,b", {"a", "b"}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {",a", {"", "a"}},
        {" a , b ", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"a\tb\x01" "c", {"a", "b", "c"}},
        {"a , , b", {"a", "", "b"}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"\"a b\"", {"a b"}},
        {"\"a\"\"b\"", {"a\"b"}},
        {"\"open", {"open"}},
        {"\"\"", {""}},
        {"\xFC,\xE4", {"\xFC", "\xE4"}},
        {std::string("1\0,2", 4), {"1"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommaText(c.value), c.items) << c.value;
}

TEST(Loader, KeyListConvertsNumbersInPlace)
{
    const struct {
        const char* name;
        std::string value;
        Keys keys;
    } cases[] = {
        {"non-number dropped", "116,abc,117", {"F5", "F6"}},
        {"sorted as text", "32,116", {"F5", "Leertaste"}},
        {"not re-sorted after conversion", "65,112", {"F1", "A"}},
        {"duplicates remain", "116,116", {"F5", "F5"}},
        {"blanks separate", " 116 117 ", {"F5", "F6"}},
        {"empty items dropped", "116,,117,", {"F5", "F6"}},
        {"hexadecimal forms", "$74,x75,0X76", {"F5", "F7", "F6"}}, // text order: $74, 0X76, x75
        {"signs", "+116", {"F5"}},
        {"modifier bits", "16449,41076", {"Strg+A", "Umsch+Alt+F5"}},
        {"low 16 bits only", "65652", {"F5"}},   // 0x10074
        {"number without a name", "7,116", {"F5", ""}},
        {"zero", "0", {""}},
        {"negative", "-1", {""}},                // 0xFFFF: low byte without a name
        {"out of range", "4294967412", {}},
        {"quoted number", "\"116\"", {"F5"}},
        {"quoted with comma", "\"116,117\"", {}},
        {"decimal point", "1.5", {}},
        {"nothing", "", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyListFromValue(c.value), c.keys) << c.name;
}

TEST(Loader, KeyListSortIgnoresCase)
{
    // Case-sensitive order would put "X74" (F5) before "x10" (Umschalt).
    EXPECT_EQ(KeyListFromValue("X74,x10"), (Keys{"Umschalt", "F5"}));
    EXPECT_EQ(KeyListFromValue("x10,X74"), (Keys{"Umschalt", "F5"}));
}

TEST(Loader, TargetAndStorageFolderComeFromThePath)
{
    const struct {
        std::string path;
        int target;
        std::string folder;
    } cases[] = {
        {"C:\\cd\\autorun.inf", 1, "C:\\cd\\"},
        {"C:\\cd\\Autorun.inf", 0, "C:\\cd\\"},
        {"C:\\cd\\AUTORUN.INF", 0, "C:\\cd\\"},
        {"F:\\starter.ini", 0, "F:\\"},
        {"D:autorun.inf", 1, "D:"},
        {"", 0, ""},
#ifndef _WIN32
        {"/home/user/disc/autorun.inf", 1, "/home/user/disc/"},
        {"/home/user/disc/projekt.ini", 0, "/home/user/disc/"},
#endif
    };
    for (const auto& c : cases) {
        const ProjectSettings p = Load("[autorun]\nopen=starter.exe\n", Busy(), c.path);
        EXPECT_EQ(p.ConfigTarget, c.target) << c.path;
        EXPECT_EQ(p.ESpeicherort, c.folder) << c.path;
    }
}

TEST(Loader, LoadsARealFileWithItsFolder)
{
    const std::string folder = kFixtures + "/loader/disc/";
    const LoadResult loaded = LoadConfiguration(folder + "autorun.inf", {});
    EXPECT_TRUE(loaded.hasSettingsSection);
    EXPECT_EQ(loaded.settings.ConfigTarget, 1);
    EXPECT_EQ(loaded.settings.ESpeicherort, folder);
    EXPECT_EQ(loaded.settings.EHTMLOrt, "web\\index.html");
    EXPECT_EQ(loaded.settings.ETitel, "Mein Men\xFC");
    EXPECT_EQ(loaded.settings.EIconOrt, "");       // the [autorun] icon is not read
    EXPECT_EQ(loaded.settings.LBShortcuts, (Keys{"F5", "Leertaste"}));

    const LoadResult missing = LoadConfiguration(folder + "missing.ini", Busy());
    EXPECT_FALSE(missing.hasSettingsSection);
    ProjectSettings expected;
    expected.ESpeicherort = folder;
    EXPECT_EQ(missing.settings, expected);
}

// A file read from disk keeps every key the loader reads: it loads as its whole text parses.
TEST(Loader, ReadsEveryKeyFromAFile)
{
    const ProjectSettings project = test::Everything();
    for (int target : {0, 1}) {
        const std::string bytes = ConfigFileBytes(BuildConfiguration(project, target).configText, target);
        const std::string path = testing::TempDir() + "loader-every-key" + (target == 0 ? ".ini" : ".inf");
        {
            std::ofstream out(path, std::ios::binary);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        const LoadResult fromFile = LoadConfiguration(path, {});
        const LoadResult whole = LoadSettings(ProfileFile::Parse(bytes), path, {});
        EXPECT_EQ(fromFile.status, ProfileFile::Status::Read);
        EXPECT_TRUE(fromFile.hasSettingsSection);
        EXPECT_EQ(fromFile.settings, whole.settings) << target;
        std::remove(path.c_str());
    }
}

// What the writer produces, the loader reads back to the same project.
TEST(Loader, ReadsBackWhatTheWriterWrote)
{
    ProjectSettings original = test::Everything();
    original.ChFullscreen = false; // a full-screen project keeps no window size
    original.ETitel = W("Mein Menü");
    original.ESpeicherort = "C:\\cd\\";
    for (int target : {0, 1}) {
        SCOPED_TRACE(target);
        const std::string path = std::string("C:\\cd\\") + TargetFileName(target);
        original.ConfigTarget = target;
        const std::string bytes = ConfigFileBytes(BuildConfiguration(original, target).configText, target);
        EXPECT_EQ(Load(bytes, Busy(), path), original);
    }

    ProjectSettings worked = test::WorkedExample();
    const std::string bytes = ConfigFileBytes(BuildConfiguration(worked, 0).configText, 0);
    EXPECT_EQ(Load(bytes), worked);
}

TEST(Loader, ReadingBackDropsEnclosingQuotesAndOuterBlanks)
{
    for (const std::string title : {"\"Mein Titel\"", "  Mein Titel  ", " \"Mein Titel\" "}) {
        ProjectSettings p;
        p.ETitel = title;
        const std::string bytes = ConfigFileBytes(BuildConfiguration(p, 0).configText, 0);
        EXPECT_EQ(Load(bytes).ETitel, "Mein Titel") << title;
    }
}

} // namespace
} // namespace qv
