#include "ConfigSource.h"
#include "Cp1252.h"
#include "RuntimeSettings.h"
#include "TempFolder.h"

#include <QFileInfo>

#include <gtest/gtest.h>

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
        QStringList arguments;
        QByteArray ini;      // empty: no file
        QByteArray autorun;  // empty: no file
        SourceKind kind;
        QString caption;
    };
    const QByteArray ini = "[quorvane]\r\ncaption=aus ini\r\n";
    const QByteArray autorun = "[autorun]\r\nopen=starter.exe\r\nicon=disc.ico\r\n\r\n[quorvane]\r\ncaption=aus autorun\r\n";
    const Case cases[] = {
        {"command line first", {"/caption=von Hand"}, ini, autorun, SourceKind::CommandLine, "von Hand"},
        {"quoted words joined by the shell", {"/caption=Mein Menü", "/width=5"}, ini, {}, SourceKind::CommandLine,
         QStringLiteral("Mein Menü")},
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
        TempFolder folder;
        const QString program = folder.Write("starter.exe", "");
        if (!c.ini.isEmpty())
            folder.Write("starter.ini", c.ini);
        if (!c.autorun.isEmpty())
            folder.Write("autorun.inf", c.autorun);
        const LoadedConfiguration loaded = LoadStarterConfiguration(program, c.arguments);
        EXPECT_EQ(loaded.kind, c.kind);
        EXPECT_EQ(FromConfigText(loaded.loaded.settings.ETitel), c.caption);
        EXPECT_EQ(loaded.folder, folder.Path());
        // The [autorun] section's icon never reaches the settings.
        EXPECT_EQ(loaded.loaded.settings.EIconOrt, "");
    }
}

TEST(ConfigSource, TheIniIsNamedLikeTheProgram)
{
    TempFolder folder;
    folder.Write("starter.ini", "[quorvane]\ncaption=falsch\n");
    folder.Write("quorvane-starter.ini", "[quorvane]\ncaption=richtig\n");
    const QString program = folder.Write("quorvane-starter", "");
    const LoadedConfiguration loaded = LoadStarterConfiguration(program, {});
    EXPECT_EQ(loaded.kind, SourceKind::StarterIni);
    EXPECT_EQ(loaded.sourcePath, folder.File("quorvane-starter.ini"));
    EXPECT_EQ(loaded.loaded.settings.ETitel, "richtig");
}

TEST(ConfigSource, PopupParametersOverrideTheMainConfigurationKeyByKey)
{
    TempFolder folder;
    folder.Write("starter.ini", "[quorvane]\ncaption=Haupt\nwidth=800\nheight=600\nontop=1\nborderstyle=dialog\n");
    const LoadedConfiguration main = LoadStarterConfiguration(folder.Write("starter.exe", ""), {});
    const LoadedConfiguration popup =
        OverlayParameters(main, QStringLiteral("/height=320 /width=200 /borderstyle=sizeable /caption=\"Mein Popup\""));
    const ProjectSettings& p = popup.loaded.settings;
    EXPECT_EQ(p.ETitel, "Mein Popup");
    EXPECT_EQ(p.EBreite, "200");
    EXPECT_EQ(p.EHoehe, "320");
    EXPECT_EQ(p.CbStyle, 1);
    EXPECT_TRUE(p.ChTop); // not overridden: inherited
    EXPECT_EQ(popup.folder, main.folder);
    // The main configuration is unchanged.
    EXPECT_EQ(main.loaded.settings.ETitel, "Haupt");
    EXPECT_EQ(main.loaded.settings.CbStyle, 2);
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

    const RuntimeSettings s = InterpretSettings(p, QStringLiteral("/disc/"));
    EXPECT_EQ(s.startFile, QStringLiteral("web\\index.html"));
    EXPECT_EQ(s.caption, QStringLiteral("Menü"));
    EXPECT_EQ(s.icon, QStringLiteral("/disc/bilder/disc.ico"));
    EXPECT_EQ(s.width, 640);
    EXPECT_EQ(s.height, std::nullopt);
    EXPECT_EQ(s.borderStyle, BorderStyle::Tool);
    EXPECT_EQ(s.skin, QStringLiteral("/disc/skin/rahmen.png"));
    EXPECT_EQ(s.skinPos, QRect(10, 20, 300, 200));
    EXPECT_EQ(s.minButton, QRect(560, 4, 16, 16));
    EXPECT_EQ(s.closeButton, std::nullopt);
    ASSERT_TRUE(s.transparencyColor.has_value());
    EXPECT_EQ(s.transparencyColor->rgb(), QColor(255, 0, 255).rgb());
    EXPECT_EQ(s.external, QStringList({"pdf", "zip", "doc"}));
    EXPECT_EQ(s.disabledKeys, std::vector<int>({116, 0x4041}));
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
        QString value;
        QString expected;
    };
    const Case cases[] = {
        {"index.html", "/disc/index.html"},
        {"web\\seiten\\a.html", "/disc/web/seiten/a.html"},
        {"web/a.html", "/disc/web/a.html"},
        {"..\\oben.html", "/oben.html"},
        {"/abs/a.html", "/abs/a.html"},
        {"\\abs\\a.html", "/abs/a.html"},
        {"C:\\cd\\a.html", "C:/cd/a.html"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolvePath(QStringLiteral("/disc/"), c.value), c.expected) << c.value.toStdString();

    for (const auto& [value, web] : {std::pair{"http://example.org/", true}, {"HTTPS://x", true},
                                     {"ftp://x", false}, {"web\\http.html", false}}) {
        EXPECT_EQ(IsWebAddress(QString::fromLatin1(value)), web) << value;
    }
}

// Whatever a configuration holds, interpreting it never fails: values drawn from texts that break
// naive parsing, in every field, many times over (the sanitizers watch).
TEST(RuntimeSettings, AnyConfigurationIsInterpreted)
{
    const std::vector<std::string> nasty = {"", " ", "-", "--1", "0", "-0", "99999999999", "1e3", "0x10", "\\",
                                            "\\\\server\\x", "C:", "..\\..\\..", "/", ",,,,", "1,2,3,4,5",
                                            "-1,-1,-1,-1", "FFFFF", "\xff\xfe", std::string(3000, 'a'),
                                            std::string("a\0b", 3), "%", "\"", "http://", "https://x/%zz"};
    std::mt19937 random(12345);
    const auto pick = [&] { return nasty[random() % nasty.size()]; };
    for (int round = 0; round < 3000; ++round) {
        ProjectSettings p;
        for (std::string* field : {&p.EHTMLOrt, &p.ETitel, &p.EIconOrt, &p.EBreite, &p.EHoehe, &p.EminBreite,
                                   &p.EminHoehe, &p.Eposx, &p.Eposy, &p.ESplashOrt, &p.ETransparencyColor,
                                   &p.EPasswort, &p.EExt, &p.EZusatzProgOrt, &p.EExeParam, &p.EZusatzProgOrt2,
                                   &p.EExeParam2, &p.EPopupParam, &p.EBMPOrt, &p.Eskinx, &p.ESkiny, &p.ESkinw,
                                   &p.ESkinh})
            *field = pick();
        p.LBShortcuts = {pick(), pick()};
        p.CbStyle = static_cast<int>(random() % 20) - 5;
        const RuntimeSettings s = InterpretSettings(p, QStringLiteral("/disc/"));
        for (const auto& measure : {s.width, s.height, s.minWidth, s.minHeight})
            EXPECT_TRUE(!measure || (*measure >= 1 && *measure <= kLargestMeasure));
        if (s.skinPos) {
            EXPECT_GE(s.skinPos->width(), 1);
            EXPECT_GE(s.skinPos->height(), 1);
        }
        EXPECT_GE(static_cast<int>(s.borderStyle), 0);
        EXPECT_LT(static_cast<int>(s.borderStyle), kBorderStyleCount);
        OverlayParameters(LoadStarterConfiguration(QStringLiteral("/nirgends/starter.exe"), {}),
                          FromConfigText(p.EPopupParam));
    }
}

} // namespace
} // namespace qv::starter
