// The runtime's rules without a window: settings, sources, keys, links, new windows, closing.
// Standard C++ only: the same tests are cross-built for Windows and run under Wine.
#include "config/Cp1252.h"
#include "rules/CloseFlow.h"
#include "rules/ConfigSource.h"
#include "rules/KeyRule.h"
#include "rules/LinkRule.h"
#include "rules/Messages.h"
#include "rules/PathText.h"
#include "rules/RuntimeSettings.h"
#include "rules/ScreenBounds.h"
#include "RulesTempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>

namespace qv::starter {
namespace {

// The three sources and their order: one row per arrangement of command line, starter.ini and
// autorun.inf beside the program; the caption tells which source was read.
TEST(ConfigSource, TakesTheFirstSourceThatHoldsSettings)
{
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::string ini;     // empty: no file
        std::string autorun; // empty: no file
        SourceKind kind;
        std::string caption;
    };
    const std::string ini = "[quorvane]\r\ncaption=aus ini\r\n";
    const std::string autorun =
        "[autorun]\r\nopen=starter.exe\r\nicon=disc.ico\r\n\r\n[quorvane]\r\ncaption=aus autorun\r\n";
    const Case cases[] = {
        {"command line first", {"/caption=von Hand"}, ini, autorun, SourceKind::CommandLine, "von Hand"},
        {"quoted words joined by the shell", {"/caption=Mein Menü", "/width=5"}, ini, {}, SourceKind::CommandLine,
         "Mein Menü"},
        {"a script beyond Windows-1252", {"/caption=Меню – 菜单"}, ini, {}, SourceKind::CommandLine, "Меню – 菜单"},
        {"arguments that are no parameters", {"datei.txt", "/x"}, ini, autorun, SourceKind::StarterIni, "aus ini"},
        {"starter.ini before autorun.inf", {}, ini, autorun, SourceKind::StarterIni, "aus ini"},
        {"autorun.inf alone", {}, {}, autorun, SourceKind::AutorunInf, "aus autorun"},
        {"starter.ini without settings", {}, "[andere]\r\ncaption=x\r\n", autorun, SourceKind::AutorunInf,
         "aus autorun"},
        {"older section name", {}, "[velmorant starter]\r\ncaption=alt\r\n", {}, SourceKind::StarterIni, "alt"},
        {"autorun section alone is no settings", {}, {}, "[autorun]\r\nopen=starter.exe\r\ncaption=x\r\n",
         SourceKind::None, ""},
        {"nothing at all", {}, {}, {}, SourceKind::None, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RulesTempFolder folder;
        const std::string program = folder.Write("starter.exe", "");
        if (!c.ini.empty())
            folder.Write("starter.ini", c.ini);
        if (!c.autorun.empty())
            folder.Write("autorun.inf", c.autorun);
        const LoadedConfiguration loaded = LoadStarterConfiguration(program, c.arguments);
        EXPECT_EQ(loaded.kind, c.kind);
        EXPECT_EQ(InterpretConfiguration(loaded).caption, c.caption);
        EXPECT_EQ(loaded.folder, folder.Path());
        EXPECT_EQ(loaded.iniName, "starter.ini");
        // The [autorun] section's icon never reaches the settings.
        EXPECT_EQ(loaded.loaded.settings.EIconOrt, "");
    }
}

// A renamed runtime reads the .ini named like itself and names that file when it finds nothing.
TEST(ConfigSource, TheIniIsNamedLikeTheProgram)
{
    RulesTempFolder folder;
    folder.Write("starter.ini", "[quorvane]\ncaption=falsch\n");
    folder.Write("quorvane-starter.ini", "[quorvane]\ncaption=richtig\n");
    const LoadedConfiguration loaded = LoadStarterConfiguration(folder.Write("quorvane-starter", ""), {});
    EXPECT_EQ(loaded.kind, SourceKind::StarterIni);
    EXPECT_EQ(loaded.sourcePath, folder.File("quorvane-starter.ini"));
    EXPECT_EQ(loaded.loaded.settings.ETitel, "richtig");

    const LoadedConfiguration renamed = LoadStarterConfiguration(folder.Write("menu.exe", ""), {});
    EXPECT_EQ(renamed.kind, SourceKind::None);
    const RuntimeSettings settings = InterpretConfiguration(renamed);
    EXPECT_FALSE(settings.found);
    EXPECT_EQ(settings.iniName, "menu.ini");
    const std::string page = MissingStartPageHtml(settings.startFile, settings.found, settings.iniName);
    EXPECT_NE(page.find("„menu.ini“"), std::string::npos) << page;
    EXPECT_EQ(page.find("starter.ini"), std::string::npos) << page;
}

// --folder: the files are looked for in that folder, starter.ini before autorun.inf, relative
// paths resolve there, and parameters still win.
TEST(ConfigSource, AFolderGivenOnTheCommandLineHoldsTheConfiguration)
{
    RulesTempFolder program;
    program.Write("quorvane-starter.ini", "[quorvane]\ncaption=neben dem Programm\n");
    const std::string programPath = program.Write("quorvane-starter", "");
    RulesTempFolder disc;
    disc.Write("autorun.inf", "[quorvane]\ncaption=autorun\n");

    LoadedConfiguration loaded = LoadStarterConfiguration(programPath, {}, disc.Path());
    EXPECT_EQ(loaded.kind, SourceKind::AutorunInf);
    EXPECT_EQ(loaded.folder, disc.Path());
    EXPECT_EQ(loaded.iniName, "starter.ini");

    disc.Write("starter.ini", W("[quorvane]\ncaption=Menü\nicon=bilder\\disc.ico\nstartfile=web\\index.html\n"));
    loaded = LoadStarterConfiguration(programPath, {}, disc.Path());
    EXPECT_EQ(loaded.kind, SourceKind::StarterIni);
    EXPECT_EQ(loaded.sourcePath, disc.File("starter.ini"));
    const RuntimeSettings settings = InterpretConfiguration(loaded);
    EXPECT_EQ(settings.caption, "Menü");
    EXPECT_EQ(settings.icon, disc.File("bilder/disc.ico"));

    // Without the final separator, and relative to the current folder.
    std::string bare = disc.Path();
    bare.pop_back();
    EXPECT_EQ(LoadStarterConfiguration(programPath, {}, bare).folder, disc.Path());
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(disc.Native().parent_path());
    const std::u8string name = disc.Native().filename().u8string();
    const LoadedConfiguration relative =
        LoadStarterConfiguration(programPath, {}, std::string(name.begin(), name.end()));
    std::filesystem::current_path(before);
    EXPECT_EQ(relative.folder, disc.Path());
    EXPECT_EQ(relative.kind, SourceKind::StarterIni);

    const LoadedConfiguration parameters = LoadStarterConfiguration(programPath, {"/caption=Hand"}, disc.Path());
    EXPECT_EQ(parameters.kind, SourceKind::CommandLine);
    EXPECT_EQ(parameters.loaded.settings.ETitel, "Hand");
    EXPECT_EQ(parameters.folder, disc.Path());
}

TEST(ConfigSource, LaunchOptionsComeOffTheArguments)
{
    struct Case {
        std::vector<std::string> arguments;
        std::optional<std::string> folder;
        std::vector<std::string> rest;
        bool missing;
        bool elevatedRestart = false;
    };
    const Case cases[] = {
        {{}, std::nullopt, {}, false},
        {{"/caption=x"}, std::nullopt, {"/caption=x"}, false},
        {{"--folder", "/media/cd", "/width=5"}, "/media/cd", {"/width=5"}, false},
        {{"/width=5", "--folder=/media/mein cd"}, "/media/mein cd", {"/width=5"}, false},
        {{"--folder"}, std::nullopt, {}, true},
        {{"/uac=1", kElevatedRestartArgument}, std::nullopt, {"/uac=1"}, false, true},
    };
    for (const Case& c : cases) {
        const LaunchOptions options = ParseLaunchOptions(c.arguments);
        EXPECT_EQ(options.folder, c.folder);
        EXPECT_EQ(options.arguments, c.rest);
        EXPECT_EQ(options.folderMissing, c.missing);
        EXPECT_EQ(options.elevatedRestart, c.elevatedRestart);
    }
}

TEST(ConfigSource, PopupParametersOverrideTheMainConfigurationKeyByKey)
{
    RulesTempFolder folder;
    folder.Write("starter.ini", "[quorvane]\ncaption=Haupt\nwidth=800\nheight=600\nontop=1\nborderstyle=dialog\n"
                                "exitpw=geheim\nexecute=a.exe\nexecuteonclose=b.exe\nsplash=s.png\n"
                                "skin=haut.png\nskinpos=1,1,10,10\n");
    const LoadedConfiguration main = LoadStarterConfiguration(folder.Write("starter.exe", ""), {});
    const LoadedConfiguration popup =
        OverlayParameters(main, "/height=320 /width=200 /borderstyle=sizeable /caption=\"Mein Popup\"");
    const ProjectSettings& p = popup.loaded.settings;
    EXPECT_EQ(p.ETitel, "Mein Popup");
    EXPECT_EQ(p.EBreite, "200");
    EXPECT_EQ(p.EHoehe, "320");
    EXPECT_EQ(p.CbStyle, 1);
    EXPECT_TRUE(p.ChTop); // not overridden: inherited
    EXPECT_EQ(popup.folder, main.folder);
    EXPECT_EQ(main.loaded.settings.ETitel, "Haupt");
    EXPECT_EQ(main.loaded.settings.CbStyle, 2);

    const RuntimeSettings s = PopupSettings(main, "/width=200 /caption=\"Mein Popup\"");
    EXPECT_EQ(s.caption, "Mein Popup");
    EXPECT_EQ(s.width, 200);
    EXPECT_TRUE(s.onTop);
    EXPECT_EQ(s.exitPassword, "");
    EXPECT_EQ(s.execute, "");
    EXPECT_EQ(s.executeOnClose, "");
    EXPECT_EQ(s.splash, "");
    EXPECT_EQ(s.skin, "");
    EXPECT_EQ(s.skinPos, std::nullopt);
    EXPECT_EQ(PopupSettings(main, "/skin=eigen.png").skin, folder.File("eigen.png"));
}

TEST(ConfigSource, ParameterTextsSplitAsACommandLine)
{
    struct Case {
        std::string text;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"", {}},
        {"-a  -b", {"-a", "-b"}},
        {"\"C:\\Mein Ordner\\\" /x", {"C:\\Mein Ordner\\", "/x"}},
        {"--titel=\"Grüße aus Köln\"", {"--titel=Grüße aus Köln"}},
        {"\"offen bis zum Ende", {"offen bis zum Ende"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitArguments(c.text), c.arguments) << c.text;
}

TEST(RuntimeSettings, NumbersThatDoNotParseAreNotGiven)
{
    struct Case {
        std::string text;
        std::optional<int> size;
        std::optional<int> position;
    };
    const Case cases[] = {
        {"800", 800, 800},
        {"0", std::nullopt, 0},
        {"-20", std::nullopt, -20},
        {"", std::nullopt, std::nullopt},
        {"80a", std::nullopt, std::nullopt},
        {" 80", std::nullopt, std::nullopt},
        {"8.5", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"16384", 16384, 16384},
        {"16385", std::nullopt, std::nullopt},
        {"99999999999999999999", std::nullopt, std::nullopt},
        {"0800", 800, 800},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseSize(c.text), c.size) << c.text;
        EXPECT_EQ(ParsePosition(c.text), c.position) << c.text;
    }
}

TEST(RuntimeSettings, InterpretsTheLoadedProject)
{
    ProjectSettings p;
    p.EHTMLOrt = "web\\index.html";
    p.ETitel = W("Menü");
    p.EIconOrt = "bilder\\disc.ico";
    p.EBreite = "640";
    p.EHoehe = "abc";
    p.CbStyle = 4;
    p.EBMPOrt = "skin\\rahmen.png";
    p.Eskinx = "10";
    p.ESkiny = "20";
    p.ESkinw = "300";
    p.ESkinh = "200";
    p.Eminx = "560", p.Eminy = "4", p.Eminw = "16", p.Eminh = "16";
    p.Eclosex = "580", p.Eclosey = "4", p.Eclosew = "16"; // no height: not given
    p.ETransparencyColor = "FF00ff";
    p.EExt = "PDF,.zip,,doc ";
    p.LBShortcuts = {"F5", "Strg+A", "unbekannt"};
    p.EPasswort = W("Schlüssel");

    const RuntimeSettings s = InterpretSettings(p, "/disc/");
    EXPECT_EQ(s.startFile, "web\\index.html");
    EXPECT_EQ(s.caption, "Menü");
    EXPECT_EQ(s.icon, "/disc/bilder/disc.ico");
    EXPECT_EQ(s.width, 640);
    EXPECT_EQ(s.height, std::nullopt);
    EXPECT_EQ(s.borderStyle, BorderStyle::Tool);
    EXPECT_EQ(s.skin, "/disc/skin/rahmen.png");
    EXPECT_EQ(s.skinPos, (Rect{10, 20, 300, 200}));
    EXPECT_EQ(s.minButton, (Rect{560, 4, 16, 16}));
    EXPECT_EQ(s.closeButton, std::nullopt);
    EXPECT_EQ(s.transparencyColor, (Color{255, 0, 255}));
    EXPECT_EQ(s.external, (std::vector<std::string>{"pdf", "zip", "doc"}));
    EXPECT_EQ(s.disabledKeys, std::vector<int>({116, 0x4041}));
    EXPECT_EQ(s.exitPassword, "Schlüssel");
}

TEST(RuntimeSettings, SkinPosAndColourNeedAllTheirParts)
{
    struct Case {
        const char* x;
        const char* y;
        const char* w;
        const char* h;
        bool valid;
    };
    const Case cases[] = {
        {"0", "0", "1", "1", true},
        {"10", "20", "", "40", false},
        {"10", "20", "0", "40", false},
        {"-1", "20", "30", "40", false},
        {"a", "20", "30", "40", false},
    };
    for (const Case& c : cases) {
        ProjectSettings p;
        p.Eskinx = c.x;
        p.ESkiny = c.y;
        p.ESkinw = c.w;
        p.ESkinh = c.h;
        EXPECT_EQ(ParseSkinPos(p).has_value(), c.valid) << c.x << "," << c.y << "," << c.w << "," << c.h;
    }
    for (const auto& [text, valid] : {std::pair{"00FF00", true}, {"ABCDE", true}, {"ABCD", false},
                                      {"GG0000", false}, {"", false}}) {
        ProjectSettings p;
        p.ETransparencyColor = text;
        EXPECT_EQ(InterpretSettings(p, "/").transparencyColor.has_value(), valid) << text;
    }
    ProjectSettings unknownStyle;
    unknownStyle.CbStyle = 9;
    EXPECT_EQ(InterpretSettings(unknownStyle, "/").borderStyle, BorderStyle::Sizeable);
}

TEST(RuntimeSettings, PathsAreRelativeToTheSourceFolder)
{
    struct Case {
        std::string folder;
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {"/disc/", "index.html", "/disc/index.html"},
        {"/disc/", "web\\seiten\\a.html", "/disc/web/seiten/a.html"},
        {"/disc/", "web/a.html", "/disc/web/a.html"},
        {"/disc/", "..\\oben.html", "/oben.html"},
        {"/disc/", "..\\..\\..\\oben.html", "/oben.html"},
        {"/disc/", "/abs/a.html", "/abs/a.html"},
        {"/disc/", "\\abs\\a.html", "/abs/a.html"},
        {"/disc/", "C:\\cd\\a.html", "C:/cd/a.html"},
        {"/disc/", "\\\\server\\freigabe\\a.html", "//server/freigabe/a.html"},
        {"D:/", "web\\.\\a.html", "D:/web/a.html"},
        {"//server/freigabe/", "..\\..\\a.html", "//server/freigabe/a.html"},
        {"/disc/", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolvePath(c.folder, c.value), c.expected) << c.folder << " + " << c.value;

    for (const auto& [value, web] : {std::pair{"http://example.org/", true}, {"HTTPS://x", true},
                                     {"ftp://x", false}, {"web\\http.html", false}}) {
        EXPECT_EQ(IsWebAddress(value), web) << value;
    }
}

// Whatever a configuration holds, interpreting it never fails: values drawn from texts that break
// naive parsing, in every field, many times over (the sanitizers watch).
TEST(RuntimeSettings, AnyConfigurationIsInterpreted)
{
    const std::vector<std::string> nasty = {"", " ", "-", "--1", "0", "-0", "99999999999", "1e3", "0x10", "\\",
                                            "\\\\server\\x", "C:", "..\\..\\..", "/", ",,,,", "1,2,3,4,5",
                                            "-1,-1,-1,-1", "FFFFF", "\xff\xfe", std::string(3000, 'a'),
                                            std::string("a\0b", 3), "%", "\"", "http://", "https://x/%zz",
                                            "//", "\\\\", "C:..", "file:///%00"};
    std::mt19937 random(12345);
    const auto pick = [&] { return nasty[random() % nasty.size()]; };
    for (int round = 0; round < 2000; ++round) {
        ProjectSettings p;
        for (std::string* field : {&p.EHTMLOrt, &p.ETitel, &p.EIconOrt, &p.EBreite, &p.EHoehe, &p.EminBreite,
                                   &p.EminHoehe, &p.Eposx, &p.Eposy, &p.ESplashOrt, &p.ETransparencyColor,
                                   &p.EPasswort, &p.EExt, &p.EZusatzProgOrt, &p.EExeParam, &p.EZusatzProgOrt2,
                                   &p.EExeParam2, &p.EPopupParam, &p.EBMPOrt, &p.Eskinx, &p.ESkiny, &p.ESkinw,
                                   &p.ESkinh})
            *field = pick();
        p.LBShortcuts = {pick(), pick()};
        p.CbStyle = static_cast<int>(random() % 20) - 5;
        const RuntimeSettings s = InterpretSettings(p, "/disc/");
        for (const auto& measure : {s.width, s.height, s.minWidth, s.minHeight})
            EXPECT_TRUE(!measure || (*measure >= 1 && *measure <= kLargestMeasure));
        if (s.skinPos) {
            EXPECT_GE(s.skinPos->width, 1);
            EXPECT_GE(s.skinPos->height, 1);
        }
        EXPECT_GE(static_cast<int>(s.borderStyle), 0);
        EXPECT_LT(static_cast<int>(s.borderStyle), kBorderStyleCount);
        const LinkRule rule(s);
        for (int i = 0; i < 3; ++i) {
            const std::string address = pick() + pick();
            rule.Navigation(address, NavigationOrigin::Page, true);
            rule.NewWindow(address);
            rule.AllowsRequest(address);
        }
        PopupSettings(LoadStarterConfiguration("/nirgends/starter.exe", {}), FromConfigText(p.EPopupParam));
    }
}

TEST(PathText, NormalizesTheThreeKindsOfRoot)
{
    struct Case {
        std::string path;
        std::string normal;
    };
    const Case cases[] = {
        {"/a/b/../c/./d/", "/a/c/d"},
        {"/../../etc", "/etc"},
        {"a/../../b", "../b"},
        {"Z:\\disc\\..\\..\\etc\\passwd", "Z:/etc/passwd"},
        {"z:/", "z:/"},
        {"\\\\srv\\share\\a\\..\\..\\..\\b", "//srv/share/b"},
        {"//srv/share", "//srv/share"},
        {"///a//b", "/a/b"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NormalizePath(c.path), c.normal) << c.path;
}

// The link rule judges every form an address arrives in (a file: URL from the Qt engine, a drive
// or UNC path from the Windows control) against the folder, after decoding escapes and "..".
TEST(LinkRule, LocalAddressesStayInTheFolderTree)
{
    struct Case {
        const char* address;
        const char* folder;
        bool inside;
    };
    const Case cases[] = {
        {"file:///disc/index.html", "/disc/", true},
        {"file:///disc", "/disc/", true},
        {"file:///disc/web/seite%202.html?x=1#oben", "/disc/", true},
        {"file://localhost/disc/a.html", "/disc/", true},
        {"FILE:///disc/a.html", "/disc/", true},
        {"file:///etc/hostname", "/disc/", false},
        {"file:///disc2/a.html", "/disc/", false},
        {"file:///disc/../etc/hostname", "/disc/", false},
        {"file:///disc/%2e%2e/etc/hostname", "/disc/", false},
        {"file:///disc/web/%2E%2E%2F%2E%2E%2Fetc", "/disc/", false},
        {"file:///disc/..%5C..%5Cetc", "/disc/", false},
        {"file:///disc/a%00.html", "/disc/", false},
        {"file://server/disc/a.html", "/disc/", false},
        {"file:///Z:/disc/a.html", "Z:/disc/", true},
        {"file:///z:/DISC/A.html", "Z:/disc/", true},
        {"file:///C|/disc/a.html", "C:/disc/", true},
        {"file://Z:/disc/a.html", "Z:/disc/", true},
        {"file:///Z:/disc/..%5C..%5Cwindows%5Cwin.ini", "Z:/disc/", false},
        {"Z:\\disc\\web\\a.html", "Z:/disc/", true},
        {"z:\\Disc\\a.html", "Z:/disc/", true},
        {"Z:\\disc\\..\\windows\\win.ini", "Z:/disc/", false},
        {"Z:\\disc%5C..%5C..%5Cwindows", "Z:/disc/", false},
        {"Z:\\discothek\\a.html", "Z:/disc/", false},
        {"C:\\disc\\a.html", "Z:/disc/", false},
        {"\\\\server\\share\\disc\\a.html", "//server/share/disc/", true},
        {"\\\\server\\share\\other\\a.html", "//server/share/disc/", false},
        {"file://server/share/disc/a.html", "//server/share/disc/", true},
        {"\\\\evil\\share\\a.html", "Z:/disc/", false},
        {"/disc/a.html", "/disc/", true},
        {"file:///disc/Mein%20Men%C3%BC/a.html", "/disc/Mein Menü/", true},
        {"file:///Z:/Mein%20Men%C3%BC/a.html", "Z:/Mein Menü/", true},
        {"Z:\\Mein Menü\\a.html", "Z:/Mein Menü/", true},
        {"Z:\\Mein Menü\\..%5C..%5Cx", "Z:/Mein Menü/", false},
        {"Z:\\andere\\..%5CMein Menü\\x", "Z:/Mein Menü/", false},
        {"index.html", "/disc/", false},
        {"http://example.org/disc/a.html", "/disc/", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsInsideFolder(c.address, c.folder), c.inside) << c.address << " in " << c.folder;
}

// A link inside the folder that leads out of it (a symbolic link on the disc) is judged where it leads.
TEST(LinkRule, LinksLeadingOutOfTheFolderAreJudgedByTheirTarget)
{
    RulesTempFolder outside;
    outside.Write("geheim.txt", "x");
    RulesTempFolder disc;
    disc.Write("index.html", "x");
    std::error_code error;
    std::filesystem::create_directory_symlink(outside.Native(), disc.Native() / "weg", error);
    if (error)
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    EXPECT_TRUE(IsInsideFolder("file://" + std::string(disc.Path()[0] == '/' ? "" : "/") + disc.File("index.html"),
                               disc.Path()));
    EXPECT_FALSE(IsInsideFolder(disc.File("weg/geheim.txt"), disc.Path()));
}

RuntimeSettings LinkSettings(const char* startFile, NewWindowAction action = NewWindowAction::Default)
{
    RuntimeSettings s;
    s.folder = "/disc/";
    s.startFile = startFile;
    s.external = {"pdf", "sh"};
    s.newWindowAction = action;
    return s;
}

// Where a page's navigation goes: only http, https and mailto reach the desktop, other schemes are
// refused; local files only inside the folder, and none for a start page from the web.
TEST(LinkRule, NavigationsOfAPage)
{
    struct Case {
        const char* startFile;
        const char* address;
        bool clicked;
        LinkAction action;
    };
    const Case cases[] = {
        {"index.html", "file:///disc/seite2.html", true, LinkAction::Load},
        {"index.html", "file:///disc/seite2.html", false, LinkAction::Load},
        {"index.html", "file:///etc/hostname", true, LinkAction::Refuse},
        {"index.html", "file:///disc/handbuch.PDF", true, LinkAction::OpenOnDesktop},
        {"index.html", "file:///disc/handbuch.pdf", false, LinkAction::Load},
        {"index.html", "file:///anderswo/handbuch.pdf", true, LinkAction::Refuse},
        {"index.html", "http://example.org/", true, LinkAction::Load},
        {"index.html", "HTTPS://example.org/a.pdf?x", true, LinkAction::OpenOnDesktop},
        {"index.html", "mailto:info@example.org", true, LinkAction::OpenOnDesktop},
        {"index.html", "quorvtest://starte/programm", true, LinkAction::Refuse},
        {"index.html", "quorvtest://starte/programm", false, LinkAction::Refuse},
        {"index.html", "smb://server/freigabe", true, LinkAction::Refuse},
        {"index.html", "ftp://example.org/", true, LinkAction::Refuse},
        {"index.html", "javascript:alert(1)", true, LinkAction::Refuse},
        {"index.html", "vbscript:msgbox", true, LinkAction::Refuse},
        {"index.html", "ms-settings:", true, LinkAction::Refuse},
        {"index.html", "about:blank", false, LinkAction::Load},
        {"index.html", "data:text/html,x", false, LinkAction::Load},
        {"index.html", "Z:\\disc\\a.html", true, LinkAction::Refuse}, // another folder form than /disc/
        {"http://example.org/", "file:///disc/seite2.html", true, LinkAction::Refuse},
        {"https://example.org/", "http://example.org/b", true, LinkAction::Load},
        {"https://example.org/", "quorvtest://x", true, LinkAction::Refuse},
    };
    for (const Case& c : cases) {
        const LinkRule rule(LinkSettings(c.startFile));
        EXPECT_EQ(rule.Navigation(c.address, NavigationOrigin::Page, c.clicked), c.action)
            << c.startFile << ": " << c.address;
    }
    // The runtime's own loads (the start page, a popup's address) are its configuration's.
    EXPECT_EQ(LinkRule(LinkSettings("index.html")).Navigation("file:///anderswo/start.html", NavigationOrigin::Runtime,
                                                             false),
              LinkAction::Load);
}

// Every request a page makes: files only from the folder tree, none for a web start page.
TEST(LinkRule, RequestsOfAPage)
{
    struct Case {
        const char* startFile;
        const char* address;
        bool allowed;
    };
    const Case cases[] = {
        {"index.html", "file:///disc/bilder/a.png", true},
        {"index.html", "file:///etc/hostname", false},
        {"index.html", "file:///disc/%2e%2e/etc/hostname", false},
        {"index.html", "https://example.org/a.js", true},
        {"index.html", "data:image/png;base64,AA", true},
        {"index.html", "wss://example.org/", true},
        {"index.html", "quorvtest://x", false},
        {"http://example.org/", "file:///disc/bilder/a.png", false},
        {"http://example.org/", "http://example.org/a.png", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinkRule(LinkSettings(c.startFile)).AllowsRequest(c.address), c.allowed)
            << c.startFile << ": " << c.address;
}

// A link that asks for a new window: what exenewwindow says, for addresses the link rule lets through.
TEST(LinkRule, NewWindows)
{
    struct Case {
        NewWindowAction action;
        const char* address;
        NewWindowStep step;
    };
    const Case cases[] = {
        {NewWindowAction::Default, "https://example.org/", NewWindowStep::OpenInBrowser},
        {NewWindowAction::Default, "file:///disc/prog.txt", NewWindowStep::OpenInBrowser},
        {NewWindowAction::Default, "file:///etc/hostname", NewWindowStep::Refuse},
        {NewWindowAction::Default, "quorvtest://starte", NewWindowStep::Refuse},
        {NewWindowAction::Default, "about:blank", NewWindowStep::Refuse},
        {NewWindowAction::Default, "mailto:a@example.org", NewWindowStep::OpenWithDefaultProgram},
        {NewWindowAction::Default, "file:///disc/handbuch.pdf", NewWindowStep::OpenWithDefaultProgram},
        {NewWindowAction::Execute, "https://example.org/", NewWindowStep::OpenWithDefaultProgram},
        {NewWindowAction::Execute, "smb://server/x", NewWindowStep::Refuse},
        {NewWindowAction::Ignore, "file:///disc/seite2.html", NewWindowStep::LoadHere},
        {NewWindowAction::Popup, "file:///disc/seite2.html", NewWindowStep::Popup},
        {NewWindowAction::Popup, "file:///disc/../etc/passwd", NewWindowStep::Refuse},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LinkRule(LinkSettings("index.html", c.action)).NewWindow(c.address), c.step)
            << static_cast<int>(c.action) << " " << c.address;
    }
}

TEST(KeyRule, BlockedKeys)
{
    RuntimeSettings s;
    s.disabledKeys = {116, 0x4041, 0x31}; // F5, Ctrl+A, the digit 1
    struct Case {
        int code;
        bool blocked;
    };
    const Case cases[] = {
        {116, true}, {0x4041, true}, {0x41, false}, {0x2041, false}, {0x31, true},
        {0x61, true}, // the keypad's 1 is named like the 1 of the main row
        {117, false}, {0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BlocksKey(s, c.code), c.blocked) << c.code;
    s.ignoreKeys = true;
    EXPECT_TRUE(BlocksKey(s, 0x41));
    EXPECT_TRUE(BlocksKey(s, 0));
}

// Every close runs the same flow: the question, a wrong answer, a cancel, the fade-out.
TEST(CloseFlow, PasswordAndFadeOut)
{
    using Step = CloseFlow::Step;
    {
        CloseFlow flow("", false);
        EXPECT_EQ(flow.Request(), Step::Close);
        EXPECT_TRUE(flow.IsClosed());
    }
    {
        CloseFlow flow("geheim", true);
        EXPECT_EQ(flow.Request(), Step::AskPassword);
        EXPECT_EQ(flow.Request(), Step::Stay); // a second close while asking
        EXPECT_EQ(flow.Answer(std::nullopt), Step::Stay);
        EXPECT_EQ(flow.Request(), Step::AskPassword);
        EXPECT_EQ(flow.Answer("Geheim"), Step::ShowWrongNote); // letter case counts
        EXPECT_FALSE(flow.IsClosed());
        EXPECT_EQ(flow.Request(), Step::AskPassword);
        EXPECT_EQ(flow.Answer("geheim"), Step::StartFadeOut);
        EXPECT_EQ(flow.Request(), Step::Stay); // closing again while fading
        EXPECT_EQ(flow.FadeOutFinished(), Step::Close);
        EXPECT_EQ(flow.Request(), Step::Close); // closed for good: never asks again
    }
    {
        CloseFlow flow("", true);
        EXPECT_EQ(flow.FadeOutFinished(), Step::Stay); // no fade was started
        EXPECT_EQ(flow.Request(), Step::StartFadeOut);
        EXPECT_EQ(flow.Answer("x"), Step::Stay);
        EXPECT_EQ(flow.FadeOutFinished(), Step::Close);
    }
}

// No window larger than the available area, none outside it: the title bar stays on the screen.
TEST(ScreenBounds, WindowsStayOnTheScreen)
{
    const Rect area{0, 30, 1024, 738}; // a panel above
    struct Case {
        const char* name;
        Size size;
        std::optional<int> left, top;
        Rect placed;
    };
    const Case cases[] = {
        {"given place", {640, 480}, 10, 40, {10, 40, 640, 480}},
        {"centred", {500, 300}, std::nullopt, std::nullopt, {262, 249, 500, 300}},
        {"above the area", {500, 300}, 10, 0, {10, 30, 500, 300}},
        {"far off", {500, 300}, 16384, -16384, {524, 30, 500, 300}},
        {"right and below", {500, 300}, 900, 700, {524, 468, 500, 300}},
        {"as large as the area", {1024, 738}, 5, 5, {0, 30, 1024, 738}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceWindow(area, c.size, c.left, c.top), c.placed) << c.name;
    EXPECT_EQ(FitSize(area, {5000, 16384}), (Size{1024, 738}));
    EXPECT_EQ(FitSize(area, {300, 200}), (Size{300, 200}));
    // A skin larger than the screen keeps its size; its top left corner is on the screen.
    EXPECT_EQ(KeepInside(area, {-200, -100, 2000, 300}), (Rect{0, 30, 2000, 300}));
}

} // namespace
} // namespace qv::starter
