#include "DiscTestSupport.h"

#include "config/Cp1252.h"
#include "disc/LinuxAutorun.h"

#include <algorithm>
#include <optional>

#include <sys/stat.h>

namespace {

using namespace disctest;

// A stand-in for quorvane-starter and xdg-open: records its name, its working folder and its
// arguments, one per line, in the file $QV_RECORD. Only shell built-ins, so it needs no PATH.
constexpr const char* kStandIn = "#!/bin/sh\n"
                                 "printf 'prog=%s\\n' \"${0##*/}\" >\"$QV_RECORD\"\n"
                                 "printf 'cwd=%s\\n' \"$(pwd)\" >>\"$QV_RECORD\"\n"
                                 "for a in \"$@\"; do printf 'arg=%s\\n' \"$a\" >>\"$QV_RECORD\"; done\n";

// Where the script finds its programs: a folder of its own, so that an installed runtime or
// xdg-open on this machine cannot answer instead of the stand-ins.
enum class Tools { RuntimeAndOpener, OpenerOnly, Neither };

// Shells the script must run in: the file executed directly (its #!/bin/sh), and bash where the
// system's sh is something else.
std::vector<std::string> Shells()
{
    std::vector<std::string> shells = {""};
    for (const char* shell : {"/bin/dash", "/bin/bash"}) {
        if (::access(shell, X_OK) == 0)
            shells.emplace_back(shell);
    }
    return shells;
}

class LinuxAutorun : public DiscFolderTest {
protected:
    // A folder whose PATH holds the stand-ins chosen and dirname, the one program the script uses.
    std::string ToolPath(Tools tools)
    {
        const fs::path bin = dir_ / ("bin-" + std::to_string(static_cast<int>(tools)));
        if (!fs::exists(bin)) {
            fs::create_directories(bin);
            fs::create_symlink(DirnameProgram(), bin / "dirname");
            std::vector<std::string> names;
            if (tools == Tools::RuntimeAndOpener)
                names = {qv::kLinuxRuntime, qv::kDesktopOpener};
            else if (tools == Tools::OpenerOnly)
                names = {qv::kDesktopOpener};
            for (const std::string& name : names) {
                WriteFile(bin / name, kStandIn);
                fs::permissions(bin / name, fs::perms(0755));
            }
        }
        return bin.string();
    }

    static fs::path DirnameProgram()
    {
        for (const char* candidate : {"/usr/bin/dirname", "/bin/dirname"}) {
            if (fs::exists(candidate))
                return candidate;
        }
        ADD_FAILURE() << "no dirname on this machine";
        return {};
    }

    // Runs the script from another working folder with nothing of this process's environment but
    // PATH and the record file; returns the outcome and the recorded lines.
    Outcome RunScript(const fs::path& script, const std::string& shell, Tools tools, std::vector<std::string>& record)
    {
        const fs::path recordFile = dir_ / "record";
        const fs::path out = dir_ / "script.stdout";
        const fs::path err = dir_ / "script.stderr";
        fs::remove(recordFile);
        const std::string command = "cd / && env -i PATH=" + ShellQuoted(ToolPath(tools))
                                    + " QV_RECORD=" + ShellQuoted(recordFile.string()) + " "
                                    + (shell.empty() ? "" : shell + " ") + ShellQuoted(script.string()) + " >"
                                    + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string()) + " </dev/null";
        const int status = std::system(command.c_str());
        Outcome outcome;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = ReadFile(out);
        outcome.err = ReadFile(err);
        record = fs::exists(recordFile) ? Lines(ReadFile(recordFile)) : std::vector<std::string>{};
        return outcome;
    }

    // Runs a program and gives its standard output; the test fails when it does not exit 0.
    std::string Output(const std::string& command)
    {
        const fs::path out = dir_ / "tool.stdout";
        const int status = std::system((command + " >" + ShellQuoted(out.string()) + " 2>/dev/null").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
        std::string text = ReadFile(out);
        fs::remove(out);
        return text;
    }

    void Extract(const fs::path& image, const fs::path& target)
    {
        Output("osirrox -indev " + ShellQuoted(image.string()) + " -extract / " + ShellQuoted(target.string()));
    }

    // The mode column of a root file in the image's Rock Ridge listing; empty when it is not there.
    std::string RockRidgeMode(const fs::path& image, const std::string& name)
    {
        const std::string listing = Output("isoinfo -R -l -i " + ShellQuoted(image.string()));
        for (const std::string& line : Lines(listing)) {
            if (line.rfind("Directory listing of /", 0) == 0 && line != "Directory listing of /")
                break; // only the root
            if (line.size() > name.size() + 3 && line.ends_with("  " + name + " "))
                return line.substr(0, 10);
        }
        return {};
    }

    static std::vector<std::string> Names(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            names.push_back(fs::relative(entry.path(), folder).string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// A start page whose folder and file names hold blanks, "$", quotes, backticks, "%", "&" and
// umlauts (names Windows also accepts), in a configuration written in Windows-1252.
const std::string kHostilePage = "web/Ä b/Menü $(touch PWNED) 'x' `id` ${HOME} & 50%20 ~!.html";

TEST_F(LinuxAutorun, ImageScriptStartsTheRuntimeOnTheDiscOrOpensTheStartPage)
{
    const fs::path root = dir_ / "ordner";
    fs::create_directories(root);
    fs::copy_file(QV_REFERENCE_STARTER, root / "starter.exe");
    std::string startfile = kHostilePage;
    std::replace(startfile.begin(), startfile.end(), '/', '\\');
    WriteFile(root / "starter.ini", qv::W("[quorvane]\r\nstartfile=" + startfile + "\r\ncaption=Menü\r\n"));
    WriteFile(root / kHostilePage, "<p>Start</p>");
    const std::vector<std::string> before = Names(root);

    const fs::path image = dir_ / "menue.iso";
    const Outcome iso = Run({"iso", root.string(), "-o", image.string(), "--linux"});
    ASSERT_EQ(iso.exitCode, 0) << iso.err;
    EXPECT_EQ(iso.err, "");
    EXPECT_NE(iso.out.find("Linux-Start (autorun.sh): quorvane-starter zeigt das Menü nach starter.ini; ohne ihn "
                           "öffnet xdg-open die Startseite \""
                           + kHostilePage + "\" im Browser.\n"),
              std::string::npos)
        << iso.out;
    EXPECT_EQ(Names(root), before); // the script goes into the image only
    EXPECT_EQ(RockRidgeMode(image, "autorun.sh"), "-rwxr-xr-x");

    // The disc as a desktop mounts it, under a folder name no less hostile.
    const fs::path disc = dir_ / "Disc $HOME 'a' \"b\" `id` ä &";
    Extract(image, disc);
    const fs::path script = disc / "autorun.sh";
    EXPECT_EQ(fs::status(script).permissions(), fs::perms(0755));

    for (const std::string& shell : Shells()) {
        SCOPED_TRACE(shell.empty() ? "executed directly" : shell);
        std::vector<std::string> record;
        Outcome r = RunScript(script, shell, Tools::RuntimeAndOpener, record);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(record, (std::vector<std::string>{"prog=quorvane-starter", "cwd=" + disc.string(),
                                                    "arg=--folder", "arg=" + disc.string()}));

        r = RunScript(script, shell, Tools::OpenerOnly, record);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const std::string page = (disc / kHostilePage).string();
        EXPECT_EQ(record, (std::vector<std::string>{"prog=xdg-open", "cwd=" + disc.string(), "arg=" + page}));
        EXPECT_TRUE(fs::is_regular_file(page));

        r = RunScript(script, shell, Tools::Neither, record);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "Quorvane: Weder quorvane-starter noch xdg-open ist installiert.\nÖffne " + page
                             + " von Hand im Browser oder installiere quorvane-starter.\n");
        EXPECT_TRUE(record.empty());
    }
    EXPECT_FALSE(fs::exists(disc / "PWNED"));
    EXPECT_FALSE(fs::exists("/PWNED"));

    // Without the option the image is as before: no script.
    const fs::path plain = dir_ / "ohne.iso";
    ASSERT_EQ(Run({"iso", root.string(), "-o", plain.string()}).exitCode, 0);
    EXPECT_EQ(RockRidgeMode(plain, "autorun.sh"), "");
    EXPECT_EQ(RockRidgeMode(plain, "starter.ini"), "-rw-r--r--");
}

// Every file name a configuration value can hold reaches xdg-open as it is: what a shell would
// expand, split or glob, characters of Windows-1252 beyond ASCII, and control characters.
TEST_F(LinuxAutorun, ScriptPassesEveryPossibleNameUnchanged)
{
    const struct {
        const char* name;
        std::string value;  // Windows-1252, as the configuration holds it
        std::string opened; // what xdg-open gets, below the disc's folder or as it is
        bool web;
    } cases[] = {
        {"quotes of both kinds", "web\\\"zitat\" & 'apostroph'.html", "web/\"zitat\" & 'apostroph'.html", false},
        {"expansions", "$(touch PWNED) ${PATH} `id` $1 $$.html", "$(touch PWNED) ${PATH} `id` $1 $$.html", false},
        {"globs and blanks", "[a]*?  zwei  Blanks.html", "[a]*?  zwei  Blanks.html", false},
        {"an option's name", "-n", "-n", false},
        {"Windows-1252 letters", "\xE4\xF6\xFC\xDF \x80 \x8A.html", "äöüß € Š.html", false},
        {"tab, carriage return, backslash escapes", "a\tb\rc \\n d.html", "a\tb\rc /n d.html", false},
        {"dots", ".\\web\\..\\.versteckt.html", ".versteckt.html", false},
        {"web address", "https://example.org/a b?x='1'&y=$HOME#\"`id`\"",
         "https://example.org/a b?x='1'&y=$HOME#\"`id`\"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const qv::LinuxStartPage page = qv::LinuxStartPageFrom(c.value);
        ASSERT_EQ(page.kind, c.web ? qv::LinuxStartPage::Kind::Web : qv::LinuxStartPage::Kind::File);
        const fs::path disc = dir_ / "disc";
        fs::remove_all(disc);
        WriteFile(disc / "autorun.sh", qv::LinuxAutorunScript(page));
        fs::permissions(disc / "autorun.sh", fs::perms(0755));
        if (!c.web)
            WriteFile(disc / c.opened, "x");
        for (const std::string& shell : Shells()) {
            SCOPED_TRACE(shell.empty() ? "executed directly" : shell);
            std::vector<std::string> record;
            const Outcome r = RunScript(disc / "autorun.sh", shell, Tools::OpenerOnly, record);
            EXPECT_EQ(r.exitCode, 0) << r.err;
            const std::string opened = c.web ? c.opened : (disc / c.opened).string();
            // A carriage return ends no line of the record, so the name comes back whole.
            EXPECT_EQ(record, (std::vector<std::string>{"prog=xdg-open", "cwd=" + disc.string(), "arg=" + opened}));
        }
        EXPECT_FALSE(fs::exists(disc / "PWNED"));
    }
}

TEST_F(LinuxAutorun, ScriptWithoutAPageStartsOnlyTheRuntime)
{
    for (const std::string& value : std::vector<std::string>{"", "C:\\menue\\index.html", "..\\index.html", ".",
                                                              std::string("a\0b", 3)}) {
        SCOPED_TRACE(value);
        const qv::LinuxStartPage page = qv::LinuxStartPageFrom(value);
        EXPECT_NE(page.kind, qv::LinuxStartPage::Kind::File);
        EXPECT_NE(page.kind, qv::LinuxStartPage::Kind::Web);
        const fs::path disc = dir_ / "disc";
        fs::remove_all(disc);
        const std::string text = qv::LinuxAutorunScript(page);
        EXPECT_EQ(text.find('\0'), std::string::npos);
        WriteFile(disc / "autorun.sh", text);
        fs::permissions(disc / "autorun.sh", fs::perms(0755));
        std::vector<std::string> record;
        Outcome r = RunScript(disc / "autorun.sh", "", Tools::RuntimeAndOpener, record);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(record, (std::vector<std::string>{"prog=quorvane-starter", "cwd=" + disc.string(), "arg=--folder",
                                                    "arg=" + disc.string()}));
        r = RunScript(disc / "autorun.sh", "", Tools::OpenerOnly, record);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(record.empty());
        EXPECT_EQ(r.err, "Quorvane: quorvane-starter ist nicht installiert, und die Konfiguration dieser Disc nennt "
                         "keine Startseite, die sich ohne ihn öffnen ließe.\n");
    }
}

// The script passes the shells' own syntax check and, where it is installed, shellcheck for sh.
TEST_F(LinuxAutorun, ScriptIsPlainPosixShell)
{
    const bool shellcheck = std::system("command -v shellcheck >/dev/null 2>&1") == 0;
    for (const std::string value : {"web\\index.html", "https://example.org/", "", "it's $x.html"}) {
        SCOPED_TRACE(value);
        const fs::path script = dir_ / "autorun.sh";
        WriteFile(script, qv::LinuxAutorunScript(qv::LinuxStartPageFrom(value)));
        for (const std::string& shell : Shells()) {
            if (!shell.empty()) {
                EXPECT_EQ(std::system((shell + " -n " + ShellQuoted(script.string())).c_str()), 0) << shell;
            }
        }
        if (shellcheck) {
            // SC2016 notes a "$" in single quotes: the names are meant literally.
            EXPECT_EQ(std::system(("shellcheck -s sh -e SC2016 " + ShellQuoted(script.string()) + " >&2").c_str()), 0);
        }
    }
    if (!shellcheck)
        GTEST_SKIP() << "shellcheck is not installed; the syntax checks of the shells passed";
}

// A file the folder already has wins over the generated script; a desktop's earlier names are
// named in a warning.
TEST_F(LinuxAutorun, FolderWithItsOwnAutorunKeepsIt)
{
    const struct {
        const char* name;
        const char* file;
        unsigned mode;
        const char* warning;
        bool scriptAdded;
    } cases[] = {
        {"own autorun.sh", "autorun.sh", 0755,
         "Warnung: Linux-Start: Der Ordner hat schon \"autorun.sh\"; es kommt unverändert auf die Disc, qvr iso "
         "--linux schreibt kein eigenes.",
         false},
        {"own autorun.sh, not executable", "autorun.sh", 0644,
         "Warnung: Linux-Start: Der Ordner hat schon \"autorun.sh\"; es kommt unverändert auf die Disc, qvr iso "
         "--linux schreibt kein eigenes. Es ist nicht ausführbar: Linux-Desktops starten es nicht.",
         false},
        {"the same name for Windows", "AutoRun.SH", 0755,
         "Warnung: Linux-Start: Der Ordner hat schon \"AutoRun.SH\"; es kommt unverändert auf die Disc, qvr iso "
         "--linux schreibt kein eigenes.",
         false},
        {"a name desktops look for first", ".autorun", 0755,
         "Warnung: Linux-Start: Der Ordner hat \".autorun\"; Linux-Desktops starten es vor autorun.sh.", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = dir_ / "ordner";
        fs::remove_all(root);
        fs::create_directories(root);
        fs::copy_file(QV_REFERENCE_STARTER, root / "starter.exe");
        WriteFile(root / "starter.ini", "[quorvane]\r\nstartfile=index.html\r\n");
        WriteFile(root / "index.html", "<p>Start</p>");
        const std::string own = "#!/bin/sh\necho eigenes\n";
        WriteFile(root / c.file, own);
        fs::permissions(root / c.file, fs::perms(c.mode));

        const fs::path image = dir_ / "menue.iso";
        const Outcome r = Run({"iso", root.string(), "-o", image.string(), "--linux"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(Lines(r.err).front(), c.warning) << r.err;
        const fs::path disc = dir_ / "disc";
        fs::remove_all(disc);
        Extract(image, disc);
        EXPECT_EQ(ReadFile(disc / c.file), own);
        if (c.scriptAdded) {
            EXPECT_EQ(ReadFile(disc / "autorun.sh"), qv::LinuxAutorunScript(qv::LinuxStartPageFrom("index.html")));
        } else if (std::string(c.file) != "autorun.sh") {
            EXPECT_FALSE(fs::exists(disc / "autorun.sh"));
        }
        EXPECT_EQ(fs::exists(root / "autorun.sh"), std::string(c.file) == "autorun.sh"); // the folder as it was
    }
}

// With --linux an image whose Linux start cannot work is refused like one with other errors.
TEST_F(LinuxAutorun, ImageWithoutALinuxConfigurationIsRefused)
{
    const fs::path root = dir_ / "ordner";
    fs::create_directories(root);
    fs::copy_file(QV_REFERENCE_STARTER, root / "starter.exe");
    WriteFile(root / "runme.bat", "starter.exe /startfile=index.html\r\n");
    WriteFile(root / "index.html", "<p>Start</p>");
    const fs::path image = dir_ / "menue.iso";
    ASSERT_EQ(Run({"iso", root.string(), "-o", image.string()}).exitCode, 0); // fine for Windows
    fs::remove(image);
    const Outcome r = Run({"iso", root.string(), "-o", image.string(), "--linux"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Lines(r.err).front(), "Fehler: Linux-Start: Weder starter.ini noch autorun.inf enthält Einstellungen; "
                                    "quorvane-starter zeigt nur einen Hinweis, und ohne ihn öffnet autorun.sh nichts. "
                                    "runme.bat liest er nicht.");
    EXPECT_FALSE(fs::exists(image));
}

// verify --linux says what a Linux desktop would start and what stands in its way, on this
// machine too (its PATH decides).
TEST_F(LinuxAutorun, VerifyReportsTheLinuxStart)
{
    const std::string menuFromIni = "Linux-Start (autorun.sh): quorvane-starter zeigt das Menü nach starter.ini; ";
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files; // besides starter.exe and index.html
        Tools tools;
        std::vector<std::string> lines; // every line before the summary
        int exitCode;
    } cases[] = {
        {"file page, runtime here",
         {{"starter.ini", "[quorvane]\r\nstartfile=web\\index.html\r\n"}},
         Tools::RuntimeAndOpener,
         {menuFromIni + "ohne ihn öffnet xdg-open die Startseite \"web/index.html\" im Browser.",
          "Auf diesem Rechner: quorvane-starter ist installiert und zeigt das Menü."},
         0},
        {"file page, only the browser here",
         {{"starter.ini", "[quorvane]\r\nstartfile=web\\index.html\r\n"}},
         Tools::OpenerOnly,
         {menuFromIni + "ohne ihn öffnet xdg-open die Startseite \"web/index.html\" im Browser.",
          "Auf diesem Rechner: quorvane-starter fehlt; xdg-open öffnet die Startseite."},
         0},
        {"web page, neither here",
         {{"starter.ini", "[quorvane]\r\nstartfile=https://example.org/menue\r\n"}},
         Tools::Neither,
         {menuFromIni + "ohne ihn öffnet xdg-open die Web-Adresse \"https://example.org/menue\" im Browser.",
          "Auf diesem Rechner: weder quorvane-starter noch xdg-open ist installiert.",
          "Warnung: Linux-Start: Auf diesem Rechner fehlen quorvane-starter und xdg-open: autorun.sh könnte hier die "
          "Web-Adresse \"https://example.org/menue\" nicht öffnen und bräche mit einer Meldung ab. Das betrifft nur "
          "diesen Rechner, nicht die Disc."},
         1},
        {"page of other letter case",
         {{"starter.ini", "[quorvane]\r\nstartfile=Web\\Index.html\r\n"}},
         Tools::RuntimeAndOpener,
         {menuFromIni + "ohne ihn öffnet xdg-open die Startseite \"Web/Index.html\" im Browser.",
          "Auf diesem Rechner: quorvane-starter ist installiert und zeigt das Menü.",
          "Fehler: starter.ini: startfile \"Web\\Index.html\": Groß-/Kleinschreibung weicht ab, im Ordner heißt es "
          "\"web/index.html\".",
          "Fehler: Linux-Start: Die Startseite \"Web/Index.html\" fehlt im Ordner; auf der Disc zählt unter Linux auch "
          "die Groß-/Kleinschreibung."},
         1},
        {"starter.ini without settings: autorun.inf, as the runtime reads it",
         {{"starter.ini", "[anderes]\r\nstartfile=fehlt.html\r\n"},
          {"autorun.inf", "[autorun]\r\nopen=starter.exe\r\n\r\n[quorvane]\r\nstartfile=web\\index.html\r\n"}},
         Tools::OpenerOnly,
         {"Linux-Start (autorun.sh): quorvane-starter zeigt das Menü nach autorun.inf; ohne ihn öffnet xdg-open die "
          "Startseite \"web/index.html\" im Browser.",
          "Auf diesem Rechner: quorvane-starter fehlt; xdg-open öffnet die Startseite.",
          "Fehler: starter.ini enthält keine Einstellungen (Abschnitt [quorvane])."},
         1},
        {"only runme.bat",
         {{"runme.bat", "starter.exe /startfile=web\\index.html\r\n"}},
         Tools::RuntimeAndOpener,
         {"Linux-Start (autorun.sh): quorvane-starter findet keine Einstellungen; ohne ihn öffnet autorun.sh nichts.",
          "Auf diesem Rechner: quorvane-starter ist installiert und zeigt das Menü.",
          "Fehler: Linux-Start: Weder starter.ini noch autorun.inf enthält Einstellungen; quorvane-starter zeigt nur "
          "einen Hinweis, und ohne ihn öffnet autorun.sh nichts. runme.bat liest er nicht."},
         1},
        {"the folder's own autorun.sh",
         {{"starter.ini", "[quorvane]\r\nstartfile=web\\index.html\r\n"}, {"autorun.sh", "#!/bin/sh\n"}},
         Tools::RuntimeAndOpener,
         {"Linux-Start: Der Ordner bringt sein eigenes autorun.sh mit; was es tut, prüft qvr nicht.",
          "Warnung: Linux-Start: Der Ordner hat schon \"autorun.sh\"; es kommt unverändert auf die Disc, qvr iso "
          "--linux schreibt kein eigenes. Es ist nicht ausführbar: Linux-Desktops starten es nicht."},
         1},
        {"no start page",
         {{"starter.ini", "[quorvane]\r\ncaption=Menü\r\n"}},
         Tools::OpenerOnly,
         {menuFromIni + "ohne ihn öffnet autorun.sh nichts.",
          "Auf diesem Rechner: quorvane-starter fehlt; autorun.sh bräche mit einer Meldung ab.",
          "Fehler: Linux-Start: starter.ini nennt keine Startseite (startfile); quorvane-starter zeigt nur einen "
          "Hinweis, und ohne ihn öffnet autorun.sh nichts."},
         1},
    };
    const char* savedPath = std::getenv("PATH");
    const std::string path = savedPath != nullptr ? savedPath : "/usr/bin:/bin";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = dir_ / "ordner";
        fs::remove_all(root);
        fs::create_directories(root);
        fs::copy_file(QV_REFERENCE_STARTER, root / "starter.exe");
        WriteFile(root / "web/index.html", "<p>Start</p>");
        for (const auto& [name, bytes] : c.files)
            WriteFile(root / name, qv::W(bytes));

        // qvr looks for the two programs on its PATH; the shell that starts it is found by path.
        ASSERT_EQ(::setenv("PATH", ToolPath(c.tools).c_str(), 1), 0);
        const Outcome r = Run({"verify", root.string(), "--linux"});
        ::setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        std::vector<std::string> lines = Lines(r.out);
        ASSERT_GE(lines.size(), 3u) << r.out;
        lines.resize(lines.size() - 3); // the result, size and Windows start lines
        EXPECT_EQ(lines, c.lines) << r.out;

        // Without the option verify says nothing of Linux.
        ::setenv("PATH", ToolPath(c.tools).c_str(), 1);
        const Outcome plain = Run({"verify", root.string()});
        ::setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(plain.out.find("Linux"), std::string::npos) << plain.out;
    }
}

} // namespace
