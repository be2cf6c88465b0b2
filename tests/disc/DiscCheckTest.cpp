#include "DiscTestSupport.h"

#include "config/Cp1252.h"
#include "disc/DiscCheck.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

#include <sys/stat.h>

namespace {

using namespace disctest;

// A project as the designer leaves it, with every key that names a file and a start page whose
// links lead to a second page and back.
void WriteCleanProject(const fs::path& root)
{
    fs::copy_file(QV_REFERENCE_STARTER, root / "starter.exe");
    WriteFile(root / "starter.ini", qv::W("[quorvane]\r\n"
                                          "startfile=web\\index.html\r\n"
                                          "caption=Mein Menü\r\n"
                                          "icon=disc.ico\r\n"
                                          "splash=bilder\\splash.bmp\r\n"
                                          "skin=bilder\\skin.bmp\r\n"
                                          "execute=tools\\setup.exe\r\n"
                                          "executeonclose=tools\\ende.exe\r\n"));
    for (const char* file : {"disc.ico", "bilder/splash.bmp", "bilder/skin.bmp", "bilder/Logo.png", "tools/setup.exe",
                             "tools/ende.exe", "web/stil.css", "web/js/menu.js", "web/Über uns.html"})
        WriteFile(root / file, "x");
    WriteFile(root / "web/index.html",
              "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><link href=\"stil.css\" rel=\"stylesheet\">"
              "<script src=\"js/menu.js\"></script></head><body>"
              "<img src=\"../bilder/Logo.png\"><a href=\"seite2.html#oben\">Weiter</a>"
              "<a href=\"%C3%9Cber%20uns.html\">Über uns</a>"
              "<a href=\"https://example.org/\">Netz</a><a href=\"mailto:post@example.org\">Post</a>"
              "<a href=\"#oben\">Oben</a></body></html>");
    WriteFile(root / "web/seite2.html",
              "<p>Zweite Seite<a href=\"index.html\">Zurück</a><a href=\"/tools/setup.exe?x=1\">Setup</a>");
}

struct FolderCase {
    const char* name;
    // Files to write (content) or to remove (nullopt), relative to the folder.
    std::vector<std::pair<std::string, std::optional<std::string>>> changes;
    std::vector<std::string> problems; // the expected "Fehler:"/"Warnung:" lines, in order
    std::function<void(const fs::path&)> prepare = nullptr;
};

std::string LongName(std::size_t length, const std::string& extension)
{
    return std::string(length - extension.size(), 'n') + extension;
}

class DiscCheck : public DiscFolderTest {
protected:
    std::vector<std::string> ProblemLines(const std::string& out)
    {
        std::vector<std::string> problems;
        for (const std::string& line : Lines(out)) {
            if (line.rfind("Fehler: ", 0) == 0 || line.rfind("Warnung: ", 0) == 0)
                problems.push_back(line);
        }
        return problems;
    }
};

TEST_F(DiscCheck, ReportsEachProblemOfAFolder)
{
    const std::string sixtyFour = LongName(64, ".html");
    const std::string sixtyFive = LongName(65, ".html");
    const FolderCase cases[] = {
        {"clean project", {}, {}},
        {"start page on the web, its links not followed",
         {{"starter.ini", "[quorvane]\r\nstartfile=HTTPS://example.org/start.html\r\n"}},
         {}},
        {"no configuration",
         {{"starter.ini", std::nullopt}},
         {"Fehler: Keine Konfiguration gefunden: starter.ini, autorun.inf oder runme.bat fehlt im Ordner."}},
        {"configuration without settings section",
         {{"starter.ini", "[autorun]\r\nopen=starter.exe\r\n"}},
         {"Fehler: starter.ini enthält keine Einstellungen (Abschnitt [quorvane])."}},
        {"configuration in other letter case",
         {{"starter.ini", std::nullopt}, {"Starter.INI", "[quorvane]\r\nicon=disc.ico\r\n"}},
         {"Fehler: \"Starter.INI\" muss \"starter.ini\" heißen (Groß-/Kleinschreibung)."}},
        {"autorun.inf that starts nothing",
         {{"starter.ini", std::nullopt}, {"autorun.inf", "[autorun]\r\nicon=disc.ico\r\n\r\n[quorvane]\r\nicon=disc.ico\r\n"}},
         {"Fehler: autorun.inf: Im Abschnitt [autorun] fehlt open=starter.exe; Windows startet beim Einlegen nichts."}},
        {"autorun.inf that starts another program",
         {{"starter.ini", std::nullopt}, {"autorun.inf", "[autorun]\r\nopen=start.exe\r\n\r\n[quorvane]\r\nicon=disc.ico\r\n"}},
         {"Fehler: autorun.inf: [autorun] open=start.exe startet nicht starter.exe."}},
        {"autorun.inf with a missing drive icon",
         {{"starter.ini", std::nullopt},
          {"autorun.inf", "[autorun]\r\nopen=starter.exe\r\nicon=cd.ico\r\n\r\n[quorvane]\r\nicon=disc.ico\r\n"}},
         {"Fehler: autorun.inf [autorun]: icon \"cd.ico\" fehlt im Ordner."}},
        {"starter.exe missing",
         {{"starter.exe", std::nullopt}},
         {"Fehler: starter.exe fehlt neben der Konfiguration."}},
        {"starter.exe of another version",
         {{"starter.exe", "MZ another build"}},
         {"Warnung: starter.exe unterscheidet sich von Beispiele/starter.exe (MD5); der Designer würde ihn ersetzen."}},
        {"start page missing",
         {{"web/index.html", std::nullopt}},
         {"Fehler: starter.ini: startfile \"web\\index.html\" fehlt im Ordner."}},
        {"icon in other letter case",
         {{"disc.ico", std::nullopt}, {"Disc.ico", "x"}},
         {"Fehler: starter.ini: icon \"disc.ico\": Groß-/Kleinschreibung weicht ab, im Ordner heißt es \"Disc.ico\"."}},
        {"folder of the splash in other letter case",
         {},
         {"Fehler: starter.ini: splash \"bilder\\splash.bmp\": Groß-/Kleinschreibung weicht ab, im Ordner heißt es "
          "\"Bilder/splash.bmp\".",
          "Fehler: starter.ini: skin \"bilder\\skin.bmp\": Groß-/Kleinschreibung weicht ab, im Ordner heißt es "
          "\"Bilder/skin.bmp\".",
          "Fehler: web/index.html: Verweis \"../bilder/Logo.png\": Groß-/Kleinschreibung weicht ab, im Ordner heißt es "
          "\"Bilder/Logo.png\"."},
         [](const fs::path& root) { fs::rename(root / "bilder", root / "Bilder"); }},
        {"skin with an absolute path",
         {{"starter.ini", "[quorvane]\r\nskin=C:\\Projekt\\skin.bmp\r\n"}},
         {"Fehler: starter.ini: skin \"C:\\Projekt\\skin.bmp\" ist ein absoluter Pfad; auf der Disc gilt nur ein Pfad "
          "im Ordner."}},
        {"program outside the folder",
         {{"starter.ini", "[quorvane]\r\nexecute=tools\\..\\..\\setup.exe\r\n"}},
         {"Fehler: starter.ini: execute \"tools\\..\\..\\setup.exe\" führt aus dem Ordner hinaus."}},
        {"program at exit missing",
         {{"tools/ende.exe", std::nullopt}},
         {"Fehler: starter.ini: executeonclose \"tools\\ende.exe\" fehlt im Ordner."}},
        {"start page that is a folder",
         {{"starter.ini", "[quorvane]\r\nstartfile=web\r\n"}},
         {"Fehler: starter.ini: startfile \"web\" ist ein Ordner, keine Datei."}},
        {"link of the start page missing",
         {{"web/js/menu.js", std::nullopt}},
         {"Fehler: web/index.html: Verweis \"js/menu.js\" fehlt im Ordner."}},
        {"link of the second page missing, found through the first",
         {{"tools/setup.exe", std::nullopt}},
         {"Fehler: starter.ini: execute \"tools\\setup.exe\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"/tools/setup.exe?x=1\" fehlt im Ordner."}},
        {"link with an escaped name in other letter case",
         {{"web/Über uns.html", std::nullopt}, {"web/über uns.html", "x"}},
         {"Fehler: web/index.html: Verweis \"%C3%9Cber%20uns.html\": Groß-/Kleinschreibung weicht ab, im Ordner heißt "
          "es \"web/über uns.html\"."}},
        {"link out of the folder and to a drive",
         {{"web/seite2.html", "<a href=\"../../etc/passwd\">a</a><img src=\"C:\\bild.png\"><a href=\"index.html\">b</a>"}},
         {"Fehler: web/seite2.html: Verweis \"../../etc/passwd\" führt aus dem Ordner hinaus.",
          "Fehler: web/seite2.html: Verweis \"C:\\bild.png\" ist ein absoluter Pfad; auf der Disc gilt nur ein Pfad im "
          "Ordner."}},
        {"pages that link in a loop, each checked once",
         {{"web/seite2.html", "<a href=\"seite3.html\">3</a><a href=\"fehlt.png\">x</a>"},
          {"web/seite3.html", "<a href=\"./seite2.html\">2</a><a href=\"index.html\">1</a><a href=\"seite3.html\">3</a>"}},
         {"Fehler: web/seite2.html: Verweis \"fehlt.png\" fehlt im Ordner."}},
        {"name of 64 characters is kept", {{"web/" + sixtyFour, "x"}}, {}},
        {"name of 65 characters",
         {{"web/" + sixtyFive, "x"}},
         {"Fehler: Name länger als 64 Zeichen (65), Joliet kürzt ihn: \"web/" + sixtyFive + "\""}},
        {"names over 64 characters count characters, not bytes",
         {{"web/" + std::string(30, 'a') + std::string(10, 'x') + "äöüÄÖÜßéèêàáâçñ.html", "x"}},
         {}},
        {"characters Joliet refuses",
         {{"bilder/logo;1.png", "x"}, {"web/frage?.html", "x"}},
         {"Fehler: Name mit Zeichen, die Joliet nicht erlaubt (;): \"bilder/logo;1.png\"",
          "Fehler: Name mit Zeichen, die Joliet nicht erlaubt (?): \"web/frage?.html\""}},
        {"names that differ only in letter case",
         {{"web/Index.html", "x"}},
         {"Fehler: Namen, die sich nur in der Groß-/Kleinschreibung unterscheiden: \"web/Index.html\" und "
          "\"web/index.html\"; auf der Disc ist nur einer erreichbar."}},
        // ISO 9660 allows eight levels with the root and the file: six folders below the root.
        {"folder seven levels deep, as deep as genisoimage refuses",
         {{"a/b/c/d/e/f/g/tief.txt", "x"}},
         {"Warnung: Ordner \"a/b/c/d/e/f/g\" liegt tiefer als 6 Ebenen; ISO 9660 erlaubt mit Wurzel und Dateiname "
          "nur 8, manche Systeme lesen ihn auf der Disc nicht."}},
        {"folder six levels deep", {{"a/b/c/d/e/f/tief.txt", "x"}}, {}},
        {"links to a file and a folder inside the folder are their content on the disc",
         {{"web/seite2.html", "<a href=\"link.html\">l</a><img src=\"bilder/Logo.png\">"}},
         {},
         [](const fs::path& root) {
             fs::create_symlink("seite2.html", root / "web/link.html");
             fs::create_symlink("../bilder", root / "web/bilder");
         }},
        {"links out of the folder, into nothing and into their own folder",
         {{"web/seite2.html", "<a href=\"weg.html\">w</a>"}},
         {"Fehler: \"web/aussen.txt\" ist eine symbolische Verknüpfung aus dem Ordner hinaus; ihr Ziel kommt nicht "
          "auf die Disc.",
          "Fehler: \"web/schleife\" ist eine symbolische Verknüpfung auf einen Ordner, in dem sie selbst liegt; sie "
          "kommt nicht auf die Disc.",
          "Fehler: \"web/weg.html\" ist eine symbolische Verknüpfung ohne Ziel.",
          "Fehler: web/seite2.html: Verweis \"weg.html\" fehlt im Ordner."},
         [](const fs::path& root) {
             WriteFile(root.parent_path() / "draussen.txt", "geheim");
             fs::create_symlink("../../draussen.txt", root / "web/aussen.txt");
             fs::create_symlink("fehlt.html", root / "web/weg.html");
             fs::create_symlink("..", root / "web/schleife");
         }},
        {"names Windows cannot open",
         {{"n/a<b>.txt", "x"}, {"n/p|q.txt", "x"}, {"n/zit\"at.txt", "x"}, {"n/punkt.", "x"}, {"n/blank ", "x"},
          {"n/CON.txt", "x"}, {"n/aux", "x"}, {"n/Lpt9.log", "x"}, {"n/steuer\x01.txt", "x"},
          {"n/lachen\xF0\x9F\x98\x80.txt", "x"}, {"n/kaputt\xFF.txt", "x"}, {"n/com0.txt", "x"}, {"n/console.txt", "x"}},
         {"Fehler: Name ist unter Windows ein Gerätename (CON): \"n/CON.txt\"",
          "Fehler: Name ist unter Windows ein Gerätename (LPT9): \"n/Lpt9.log\"",
          "Fehler: Name mit Zeichen, die Windows nicht erlaubt (<>): \"n/a<b>.txt\"",
          "Fehler: Name ist unter Windows ein Gerätename (AUX): \"n/aux\"",
          "Fehler: Name endet mit Punkt oder Leerzeichen, Windows öffnet ihn nicht: \"n/blank \"",
          "Fehler: Name ist kein gültiges UTF-8, Joliet ersetzt die Bytes durch \"_\": \"n/kaputt\xFF.txt\"",
          "Fehler: Name mit Zeichen außerhalb der Unicode-Grundebene, Joliet ersetzt sie durch \"_\": "
          "\"n/lachen\xF0\x9F\x98\x80.txt\"",
          "Fehler: Name endet mit Punkt oder Leerzeichen, Windows öffnet ihn nicht: \"n/punkt.\"",
          "Fehler: Name mit Zeichen, die Windows nicht erlaubt (|): \"n/p|q.txt\"",
          "Fehler: Name mit Zeichen, die Windows nicht erlaubt (Steuerzeichen): \"n/steuer\x01.txt\"",
          "Fehler: Name mit Zeichen, die Windows nicht erlaubt (\"): \"n/zit\"at.txt\""}},
        {"links in style sheets, srcset, refresh, object, background, file: and network paths",
         {{"web/stil.css", "@import url(\"basis.css\");\nbody { background: url(fehlt7.png) }"},
          {"web/basis.css", "/* url(alt.png) */ p { background: url('../bilder/Logo.png') }"},
          {"web/seite2.html",
           "<body background=\"fehlt6.jpg\"><style>@import \"fehlt1.css\";</style>"
           "<p style=\"background:url(fehlt2.png)\">x</p><img srcset=\"js/menu.js 1x, fehlt3.png 2x\">"
           "<meta http-equiv=\"refresh\" content=\"0; url=fehlt4.html\"><object data=\"fehlt5.swf\"></object>"
           "<a href=\"file:///C:/daten/x.html\">f</a><a href=\"\\\\server\\freigabe\\x.html\">u</a>"}},
         {"Fehler: web/seite2.html: Verweis \"file:///C:/daten/x.html\" ist ein absoluter Pfad; auf der Disc gilt nur "
          "ein Pfad im Ordner.",
          "Fehler: web/seite2.html: Verweis \"\\\\server\\freigabe\\x.html\" ist ein absoluter Pfad; auf der Disc gilt "
          "nur ein Pfad im Ordner.",
          "Fehler: web/stil.css: Verweis \"fehlt7.png\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"fehlt6.jpg\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"fehlt1.css\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"fehlt2.png\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"fehlt3.png\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"fehlt4.html\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"fehlt5.swf\" fehlt im Ordner."}},
        {"a missing file linked many times: one line per page that links it",
         {{"web/seite2.html", "<a href=\"fehlt.html#a\">a</a><a href=\"fehlt.html#b\">b</a><a href=\"./fehlt.html\">c</a>"
                              "<a href=\"seite3.html\">3</a><a href=\"fehlt.png\">p</a><a href=\"fehlt.html#a\">a</a>"},
          {"web/seite3.html", "<a href=\"fehlt.html#z\">z</a>"}},
         {"Fehler: web/seite2.html: Verweis \"fehlt.html#a\" fehlt im Ordner (4 Verweise auf \"web/fehlt.html\").",
          "Fehler: web/seite3.html: Verweis \"fehlt.html#z\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"fehlt.png\" fehlt im Ordner."}},
        {"fifty identical links to a missing file are counted as fifty",
         {{"web/seite2.html", [] {
               std::string page;
               for (int i = 0; i < 50; ++i)
                   page += "<a href=\"fehlt.html\">x</a>";
               return page + "<img src=\"fehlt.png\">";
           }()}},
         {"Fehler: web/seite2.html: Verweis \"fehlt.html\" fehlt im Ordner (50 Verweise auf \"web/fehlt.html\").",
          "Fehler: web/seite2.html: Verweis \"fehlt.png\" fehlt im Ordner."}},
        {"links start at the page's <base href>",
         {{"web/seite2.html", "<html><head><base href=\"../bilder/index.html\"><base href=\"../tools/\"></head><body>"
                              "<img src=\"Logo.png\"><a href=\"../web/index.html\">i</a><a href=\"/disc.ico\">d</a>"
                              "<a href=\"fehlt.png\">f</a></body></html>"}},
         {"Fehler: web/seite2.html: Verweis \"fehlt.png\" fehlt im Ordner."}},
        {"a <base href> on the web takes the relative links along; file: links stay errors",
         {{"web/seite2.html", "<base href=\"https://example.org/menue/\"><a href=\"nur-im-netz.html\">n</a>"
                              "<a href=\"/wurzel.html\">w</a><img src=\"file:///C:/bild.png\">"}},
         {"Fehler: web/seite2.html: Verweis \"file:///C:/bild.png\" ist ein absoluter Pfad; auf der Disc gilt nur ein "
          "Pfad im Ordner."}},
        {"a <base href> out of the folder or to another medium is an error of its own",
         {{"web/seite2.html", "<a href=\"seite3.html\">3</a><a href=\"seite4.html\">4</a>"},
          {"web/seite3.html", "<base href=\"../../menue/\"><a href=\"x.html\">x</a>"},
          {"web/seite4.html", "<base href=\"file:///C:/menue/\"><a href=\"y.html\">y</a>"}},
         {"Fehler: web/seite3.html: <base href=\"../../menue/\"> führt aus dem Ordner hinaus.",
          "Fehler: web/seite4.html: <base href=\"file:///C:/menue/\"> ist ein absoluter Pfad; auf der Disc gilt nur ein "
          "Pfad im Ordner."}},
        {"links after </body> and </html> are checked",
         {{"web/seite2.html", "<html><body><p>Ende</p></body><a href=\"fehlt1.html\">1</a></html>\n"
                              "<a href=\"fehlt2.html\">2</a></HTML ><img src=\"fehlt3.png\">"}},
         {"Fehler: web/seite2.html: Verweis \"fehlt1.html\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"fehlt2.html\" fehlt im Ordner.",
          "Fehler: web/seite2.html: Verweis \"fehlt3.png\" fehlt im Ordner."}},
        {"links below 300 levels of nesting are checked",
         {{"web/seite2.html", [] {
               std::string page;
               for (int i = 0; i < 300; ++i)
                   page += "<div>";
               return page + "<a href=\"fehlt.html\">x</a>";
           }()}},
         {"Fehler: web/seite2.html: Verweis \"fehlt.html\" fehlt im Ordner."}},
        {"links of a page over 256 MiB are checked",
         {{"web/seite2.html", "<a href=\"fehlt.html\">x</a>"}},
         {"Fehler: web/seite2.html: Verweis \"fehlt.html\" fehlt im Ordner."},
         [](const fs::path& root) { fs::resize_file(root / "web/seite2.html", 300ULL * 1024 * 1024); }},
        {"links after a NUL byte are checked",
         {{"web/seite2.html", std::string("<p>a") + '\0' + "b</p><a href=\"fehlt.html\">x</a>"}},
         {"Fehler: web/seite2.html: Verweis \"fehlt.html\" fehlt im Ordner."}},
        {"named pipe",
         {},
         {"Warnung: \"web/rohr\" ist keine gewöhnliche Datei und kommt nicht auf die Disc."},
         [](const fs::path& root) { ASSERT_EQ(::mkfifo((root / "web/rohr").c_str(), 0644), 0); }},
        {"configuration that is a named pipe",
         {{"starter.ini", std::nullopt}},
         {"Fehler: starter.ini kann nicht gelesen werden: keine gewöhnliche Datei",
          "Warnung: \"starter.ini\" ist keine gewöhnliche Datei und kommt nicht auf die Disc."},
         [](const fs::path& root) { ASSERT_EQ(::mkfifo((root / "starter.ini").c_str(), 0644), 0); }},
        {"starter that is a named pipe",
         {{"starter.exe", std::nullopt}},
         {"Fehler: starter.exe fehlt neben der Konfiguration.",
          "Warnung: \"starter.exe\" ist keine gewöhnliche Datei und kommt nicht auf die Disc."},
         [](const fs::path& root) { ASSERT_EQ(::mkfifo((root / "starter.exe").c_str(), 0644), 0); }},
        {"batch file with a missing start page",
         {{"starter.ini", std::nullopt},
          {"runme.bat", qv::W("starter.exe /startfile=web\\start.html /caption=\"Mein Menü\" /icon=disc.ico "
                              "/exitpw=50%%\r\n")}},
         {"Fehler: runme.bat: startfile \"web\\start.html\" fehlt im Ordner."}},
        {"batch file that does not call the starter",
         {{"starter.ini", std::nullopt}, {"runme.bat", "@echo off\r\nstart.exe /startfile=web\\index.html\r\n"}},
         {"Fehler: runme.bat ruft starter.exe nicht auf."}},
        {"two configurations, each checked",
         {{"autorun.inf", "[autorun]\r\nopen=starter.exe\r\n\r\n[quorvane]\r\nsplash=splash.jpg\r\n"},
          {"runme.bat", "@echo off\r\nstarter.exe /startfile=web\\index.html /icon=bilder\\disc.ico\r\n"}},
         {"Fehler: autorun.inf: splash \"splash.jpg\" fehlt im Ordner.",
          "Fehler: runme.bat: icon \"bilder\\disc.ico\" fehlt im Ordner.",
          "Warnung: autorun.inf wird nicht gelesen: starter.exe liest starter.ini zuerst, und deren Einstellungen sind "
          "andere. Ist starter.ini von früher übrig, entferne sie."}},
        {"autorun.inf that a starter.ini of other settings hides",
         {{"autorun.inf", "[autorun]\r\nopen=starter.exe\r\n\r\n[quorvane]\r\nstartfile=web\\index.html\r\n"}},
         {"Warnung: autorun.inf wird nicht gelesen: starter.exe liest starter.ini zuerst, und deren Einstellungen sind "
          "andere. Ist starter.ini von früher übrig, entferne sie."}},
        {"autorun.inf with the settings of the starter.ini beside it",
         {{"autorun.inf", qv::W("[autorun]\r\nopen=starter.exe\r\n\r\n[quorvane]\r\nstartfile=web\\index.html\r\n"
                                "caption=Mein Menü\r\nicon=disc.ico\r\nsplash=bilder\\splash.bmp\r\n"
                                "skin=bilder\\skin.bmp\r\nexecute=tools\\setup.exe\r\n"
                                "executeonclose=tools\\ende.exe\r\n")}},
         {}},
        {"errors before warnings",
         {{"starter.exe", "MZ another build"}, {"a/b/c/d/e/f/g/h/i/x", "x"}, {"disc.ico", std::nullopt}},
         {"Fehler: starter.ini: icon \"disc.ico\" fehlt im Ordner.",
          "Warnung: Ordner \"a/b/c/d/e/f/g\" liegt tiefer als 6 Ebenen; ISO 9660 erlaubt mit Wurzel und Dateiname "
          "nur 8, manche Systeme lesen ihn auf der Disc nicht.",
          "Warnung: starter.exe unterscheidet sich von Beispiele/starter.exe (MD5); der Designer würde ihn ersetzen."}},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = dir_ / "disc";
        fs::remove_all(root);
        fs::create_directories(root);
        WriteCleanProject(root);
        for (const auto& [file, content] : c.changes) {
            if (content)
                WriteFile(root / fs::path(file), *content);
            else
                ASSERT_TRUE(fs::remove(root / fs::path(file))) << file;
        }
        if (c.prepare)
            c.prepare(root);

        const Outcome r = Run({"verify", root.string()});
        EXPECT_EQ(ProblemLines(r.out), c.problems) << r.out;
        EXPECT_EQ(r.exitCode, c.problems.empty() ? 0 : 1);
        EXPECT_EQ(r.err, "");
        const std::vector<std::string> lines = Lines(r.out);
        ASSERT_EQ(lines.size(), c.problems.size() + 3) << r.out;
        const auto count = [&c](const char* kind) {
            return std::count_if(c.problems.begin(), c.problems.end(),
                                 [kind](const std::string& line) { return line.rfind(kind, 0) == 0; });
        };
        const auto errors = count("Fehler: ");
        const auto warnings = count("Warnung: ");
        EXPECT_EQ(lines[c.problems.size()],
                  c.problems.empty() ? std::string("Keine Probleme gefunden.")
                                     : "Ergebnis: " + std::to_string(errors) + " Fehler, " + std::to_string(warnings)
                                           + (warnings == 1 ? " Warnung." : " Warnungen."));
        EXPECT_EQ(lines[lines.size() - 2].rfind("Gesamtgröße: etwa ", 0), 0u) << r.out;
        EXPECT_EQ(lines.back().rfind("Start unter Windows: ", 0), 0u) << r.out;
    }
}

// Links are found in one pass over pieces of the page: a large page does not take memory of its size.
TEST_F(DiscCheck, MemoryDoesNotGrowWithThePage)
{
    const fs::path root = dir_ / "disc";
    fs::create_directories(root);
    WriteCleanProject(root);
    {
        // Written row by row, without the page in memory.
        std::ofstream page(root / "web/index.html", std::ios::binary | std::ios::trunc);
        page << "<html><body>";
        const std::string row =
            "<div class=\"zeile\"><a href=\"seite2.html#oben\">Weiter</a><img src=\"../bilder/Logo.png\"></div>\n";
        for (std::size_t size = 0; size < 40u * 1024 * 1024; size += row.size())
            page << row;
        page << "<a href=\"fehlt.html\">x</a></body></html>";
        ASSERT_TRUE(page.good());
    }

    // A sanitizer's quarantine of freed memory would count as the program's own. The peak is taken
    // by time(1): a child forked from this test would start with the test's own memory.
    const char* asan = std::getenv("ASAN_OPTIONS");
    ::setenv("ASAN_OPTIONS", (std::string(asan != nullptr ? asan : "") + ":quarantine_size_mb=1").c_str(), 1);
    const fs::path peak = dir_ / "spitze.txt";
    const fs::path out = dir_ / "ausgabe.txt";
    const std::string command = "/usr/bin/time -f %M -o " + ShellQuoted(peak.string()) + " " + ShellQuoted(QV_QVR)
                                + " verify " + ShellQuoted(root.string()) + " > " + ShellQuoted(out.string());
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ProblemLines(ReadFile(out)),
              std::vector<std::string>{"Fehler: web/index.html: Verweis \"fehlt.html\" fehlt im Ordner."});
    const std::vector<std::string> timeLines = Lines(ReadFile(peak));
    ASSERT_FALSE(timeLines.empty());
    const long peakKiB = std::atol(timeLines.back().c_str());
    // A parse into a tree took over ten times the page; a pass in pieces needs well below the page.
    EXPECT_LT(peakKiB, 64L * 1024) << "KiB";
}

TEST_F(DiscCheck, SummaryCountsProblemsAndNamesTheMediaThatHoldTheFolder)
{
    // Sparse files: the sizes are real to the check, the disk holds nothing.
    const struct {
        std::uint64_t size;
        const char* media;
        int exitCode;
    } cases[] = {
        {1000, "passt auf CD, DVD und DVD-DL.", 0},
        {800ULL * 1024 * 1024, "passt auf DVD und DVD-DL.", 0},
        {6ULL * 1024 * 1024 * 1024, "passt auf DVD-DL.", 0},
        {9ULL * 1024 * 1024 * 1024, "passt auf kein Medium.", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const fs::path root = dir_ / "disc";
        fs::remove_all(root);
        fs::create_directories(root);
        WriteCleanProject(root);
        WriteFile(root / "daten.bin", "");
        fs::resize_file(root / "daten.bin", c.size);

        const Outcome r = Run({"verify", root.string()});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out;
        const std::vector<std::string> lines = Lines(r.out);
        ASSERT_FALSE(lines.empty());
        ASSERT_GE(lines.size(), 2u);
        const std::string& summary = lines[lines.size() - 2];
        EXPECT_EQ(summary.rfind("Gesamtgröße: etwa ", 0), 0u) << summary;
        EXPECT_NE(summary.find("14 Dateien)"), std::string::npos) << summary;
        EXPECT_EQ(summary.substr(summary.size() - std::string(c.media).size()), c.media) << summary;
        if (c.exitCode == 1) {
            ASSERT_EQ(lines.size(), 4u) << r.out;
            EXPECT_EQ(lines[0].rfind("Fehler: Der Ordner ist mit etwa ", 0), 0u) << lines[0];
            EXPECT_NE(lines[0].find("zu groß für jedes Medium (DVD-DL fasst 7,96 GB)."), std::string::npos) << lines[0];
            EXPECT_EQ(lines[1], "Ergebnis: 1 Fehler, 0 Warnungen.");
        }
    }
}

TEST_F(DiscCheck, UnreadableFolderAndUsageErrorsExitWithTwo)
{
    WriteFile(dir_ / "datei.txt", "x");
    const struct {
        std::vector<std::string> args;
        const char* err;
    } cases[] = {
        {{"verify", (dir_ / "fehlt").string()}, "existiert nicht oder ist kein Ordner."},
        {{"verify", (dir_ / "datei.txt").string()}, "existiert nicht oder ist kein Ordner."},
        {{"verify"}, "Aufruf:"},
        {{"verify", dir_.string(), dir_.string()}, "Aufruf:"},
        {{"verify", "--force"}, "Aufruf:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : c.args[0]);
        const Outcome r = Run(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

// What a window sees while the check runs: every problem of the report as it is found, each with
// the entry it lies in, and a cancel that ends the check.
class RecordingObserver : public qv::DiscCheckObserver {
public:
    void ProblemFound(const qv::DiscProblem& problem) override { found.push_back(problem); }
    void CheckProgress(std::uint64_t entriesRead, std::uint64_t pagesRead) override
    {
        lastEntries = entriesRead;
        lastPages = pagesRead;
        ++progressCalls;
    }
    bool CheckCancelled() override { return progressCalls > cancelAfter; }

    std::vector<qv::DiscProblem> found;
    std::uint64_t lastEntries = 0;
    std::uint64_t lastPages = 0;
    int progressCalls = 0;
    int cancelAfter = 1 << 30;
};

TEST_F(DiscCheck, ObserverSeesEachProblemWithItsEntryAndCanCancel)
{
    WriteCleanProject(dir_);
    WriteFile(dir_ / "starter.ini", "[quorvane]\r\nstartfile=web\\index.html\r\nicon=Disc.ico\r\n");
    WriteFile(dir_ / "web/seite2.html", "<img src=\"fehlt.png\">");
    WriteFile(dir_ / "web/frage?.txt", "x");
    WriteFile(dir_ / "a/b/c/d/e/f/g/tief.txt", "x");

    RecordingObserver observer;
    qv::DiscCheckOptions options;
    options.referenceStarter = QV_REFERENCE_STARTER;
    options.observer = &observer;
    std::string failure;
    const std::optional<qv::DiscReport> report = qv::CheckDiscFolder(dir_, options, failure);
    ASSERT_TRUE(report) << failure;
    const auto key = [](const qv::DiscProblem& p) { return std::make_tuple(p.severity, p.text, p.file); };
    std::vector<std::tuple<qv::DiscProblem::Severity, std::string, std::string>> seen, reported;
    for (const qv::DiscProblem& p : observer.found)
        seen.push_back(key(p));
    for (const qv::DiscProblem& p : report->problems)
        reported.push_back(key(p));
    std::sort(seen.begin(), seen.end());
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(seen, reported);
    EXPECT_GT(observer.progressCalls, 0);
    EXPECT_GE(observer.lastPages, 1u);

    const std::map<std::string, std::string> fileOf = [&] {
        std::map<std::string, std::string> files;
        for (const qv::DiscProblem& p : report->problems)
            files[p.text.substr(0, 40)] = p.file;
        return files;
    }();
    const struct {
        const char* text; // the beginning of the problem's text
        const char* file;
    } cases[] = {
        {"starter.ini: icon \"Disc.ico\": Groß-/Klein", "starter.ini"},
        {"web/seite2.html: Verweis \"fehlt.png\" fehl", "web/seite2.html"},
        {"Ordner \"a/b/c/d/e/f/g\" liegt tiefer als 6", "a/b/c/d/e/f/g"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto it = fileOf.find(std::string(c.text).substr(0, 40));
        ASSERT_NE(it, fileOf.end());
        EXPECT_EQ(it->second, c.file);
    }

    RecordingObserver cancelling;
    cancelling.cancelAfter = 2;
    options.observer = &cancelling;
    failure.clear();
    EXPECT_FALSE(qv::CheckDiscFolder(dir_, options, failure));
    EXPECT_EQ(failure, "Die Prüfung wurde abgebrochen.");
}

} // namespace
