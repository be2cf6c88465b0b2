#include "DiscTestSupport.h"

#include "Cp1252.h"

#include <algorithm>
#include <functional>
#include <optional>
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
        {"folder nine levels deep",
         {{"a/b/c/d/e/f/g/h/i/j/tief.txt", "x"}},
         {"Warnung: Ordner \"a/b/c/d/e/f/g/h/i\" liegt tiefer als 8 Ebenen; manche Systeme lesen ihn auf der Disc "
          "nicht."}},
        {"folder eight levels deep", {{"a/b/c/d/e/f/g/h/tief.txt", "x"}}, {}},
        {"symbolic link",
         {},
         {"Warnung: \"web/link.html\" ist eine symbolische Verknüpfung; unter Windows fehlt sie auf der Disc."},
         [](const fs::path& root) { fs::create_symlink("seite2.html", root / "web/link.html"); }},
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
          "Fehler: runme.bat: icon \"bilder\\disc.ico\" fehlt im Ordner."}},
        {"errors before warnings",
         {{"starter.exe", "MZ another build"}, {"a/b/c/d/e/f/g/h/i/x", "x"}, {"disc.ico", std::nullopt}},
         {"Fehler: starter.ini: icon \"disc.ico\" fehlt im Ordner.",
          "Warnung: Ordner \"a/b/c/d/e/f/g/h/i\" liegt tiefer als 8 Ebenen; manche Systeme lesen ihn auf der Disc "
          "nicht.",
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
        ASSERT_EQ(lines.size(), c.problems.size() + 2) << r.out;
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
        EXPECT_EQ(lines.back().rfind("Gesamtgröße: etwa ", 0), 0u) << lines.back();
    }
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
        const std::string& summary = lines.back();
        EXPECT_EQ(summary.rfind("Gesamtgröße: etwa ", 0), 0u) << summary;
        EXPECT_NE(summary.find("14 Dateien)"), std::string::npos) << summary;
        EXPECT_EQ(summary.substr(summary.size() - std::string(c.media).size()), c.media) << summary;
        if (c.exitCode == 1) {
            ASSERT_EQ(lines.size(), 3u) << r.out;
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

} // namespace
