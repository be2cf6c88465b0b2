#include "DiscTestSupport.h"

#include "disc/DiscCheck.h"
#include "disc/ScriptCompiler.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

using namespace disctest;
using Kind = qv::ScriptVerdict::Kind;

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Es5:
        return "Es5";
    case Kind::NotEs5:
        return "NotEs5";
    case Kind::LetConst:
        return "LetConst";
    case Kind::Unchecked:
        return "Unchecked";
    }
    return "?";
}

TEST(ScriptCompiler, TellsEs5FromLaterSyntax)
{
    const struct {
        const char* name;
        std::string source;
        bool handler; // an event attribute's body
        Kind kind;
        int line;
    } cases[] = {
        {"plain ES5", "var a = [1, 2];\nfunction f(x) { return x * 2; }\n", false, Kind::Es5, 0},
        {"arrow function on line 2", "var a = 1;\nvar f = (x) => x;\n", false, Kind::NotEs5, 2},
        {"class", "\n\nclass A {}\n", false, Kind::NotEs5, 3},
        {"template literal", "var s = `a${1}`;\n", false, Kind::NotEs5, 1},
        {"=> and class in strings, comments and a regular expression",
         "var s = \"x => y class A {}\"; // => class B {}\n/* class C { m() { return () => 1; } } */\n"
         "var r = /=>|class\\s/g; var t = 'class';\n",
         false, Kind::Es5, 0},
        {"HTML comment around an old page's script", "<!--\nvar a = 1;\n//-->\n", false, Kind::Es5, 0},
        {"Windows-1252 text in a string", "var s = \"M\xE4rz \xFC\";\n", false, Kind::Es5, 0},
        {"byte-order mark", "\xEF\xBB\xBFvar a = 1;\n", false, Kind::Es5, 0},
        {"let: runs on IE11, with differences", "var a;\nlet b = 1;\nfor (let i = 0; i < 2; i++) {}\n", false,
         Kind::LetConst, 2},
        {"let, then an arrow function: the arrow decides", "let b = 1;\nvar f = () => 1;\n", false, Kind::NotEs5, 2},
        {"let as a name in ES5", "var let = 1; let = 2;\n", false, Kind::Es5, 0},
        {"nested beyond the parser's limit", std::string(20000, '[') + std::string(20000, ']'), false,
         Kind::Unchecked, 0},
        {"larger than the bound", "var a = 1;" + std::string(qv::ScriptCompiler::kMaxScriptBytes, ' '), false,
         Kind::Unchecked, 0},
        {"event attribute in ES5", "if (event) { return false; }", true, Kind::Es5, 0},
        {"event attribute with an arrow function", "go();\nlist.map(x => x)", true, Kind::NotEs5, 2},
    };
    qv::ScriptCompiler compiler;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const qv::ScriptVerdict verdict = c.handler ? compiler.CompileHandler(c.source) : compiler.Compile(c.source);
        EXPECT_STREQ(KindName(verdict.kind), KindName(c.kind)) << verdict.message;
        if (c.kind == Kind::NotEs5 || c.kind == Kind::LetConst)
            EXPECT_EQ(verdict.line, c.line);
    }
    // The heap is usable after a compile that ran out of bounds.
    EXPECT_EQ(compiler.Compile("var ok = 1;").kind, Kind::Es5);
}

// Debian's own libraries: jQuery and Underscore are ES5, Bootstrap 5 is not.
TEST(ScriptCompiler, JudgesDebiansLibraries)
{
    const struct {
        const char* path;
        Kind kind;
        int line;
    } cases[] = {
        {"/usr/share/javascript/jquery/jquery.js", Kind::Es5, 0},
        {"/usr/share/javascript/jquery/jquery.min.js", Kind::Es5, 0},
        {"/usr/share/javascript/underscore/underscore.js", Kind::Es5, 0},
        {"/usr/share/javascript/bootstrap5/js/bootstrap.js", Kind::NotEs5, 15},
    };
    qv::ScriptCompiler compiler;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_TRUE(fs::is_regular_file(c.path)) << "scripts/install-deps.sh installs it";
        const qv::ScriptVerdict verdict = compiler.Compile(ReadFile(c.path));
        EXPECT_STREQ(KindName(verdict.kind), KindName(c.kind)) << verdict.message;
        EXPECT_EQ(verdict.line, c.line);
    }
}

// One expected engine line: the file and line it names and a piece of its text.
struct Expected {
    std::string file;
    int line;
    std::string text;
    const char* prefix = "Warnung: ";
};

struct PageCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files; // beside index.html, the start page
    std::string page;
    std::vector<Expected> expected;
};

std::string Webp()
{
    return std::string("RIFF\x24\0\0\0WEBPVP8 \x18\0\0\0", 20) + std::string(24, '\0');
}

std::string Avif()
{
    return std::string("\0\0\0\x1c" "ftypavif\0\0\0\0avifmif1", 24);
}

std::string Jpeg()
{
    return std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + std::string(20, '\0');
}

class EngineCheck : public DiscFolderTest {
protected:
    // The lines of qvr verify's output that speak of the Windows runtime's engine.
    std::vector<std::string> EngineLines(const std::string& out)
    {
        std::vector<std::string> lines;
        for (const std::string& line : Lines(out)) {
            if (line.find("(Internet Explorer 11)") != std::string::npos)
                lines.push_back(line);
        }
        return lines;
    }

    fs::path MakeFolder(const PageCase& c)
    {
        const fs::path root = dir_ / "disc";
        fs::remove_all(root);
        fs::create_directories(root);
        fs::copy_file(QV_REFERENCE_STARTER, root / "starter.exe");
        WriteFile(root / "starter.ini", "[quorvane]\r\nstartfile=index.html\r\n");
        WriteFile(root / "index.html", c.page);
        for (const auto& [name, bytes] : c.files) {
            if (bytes.rfind("/usr/", 0) == 0) {
                fs::create_directories((root / name).parent_path());
                fs::copy_file(bytes, root / name);
            }
            else
                WriteFile(root / name, bytes);
        }
        return root;
    }
};

TEST_F(EngineCheck, WarnsOncePerFileAndKindWhereTheWindowsRuntimeBreaks)
{
    const std::string es5Page = "<!DOCTYPE html>\n<html><head>\n<script src=\"js/jquery.min.js\"></script>\n"
                                "<script src=\"js/underscore.js\"></script>\n<script>\n<!--\n"
                                "var s = 'x => class A';\n// -->\n</script>\n</head>\n<body>\n"
                                "<a href=\"#\" onclick=\"return false;\">x</a>\n</body></html>\n";
    const PageCase cases[] = {
        {"classic ES5 page with Debian's jQuery and Underscore",
         {{"js/jquery.min.js", "/usr/share/javascript/jquery/jquery.min.js"},
          {"js/underscore.js", "/usr/share/javascript/underscore/underscore.js"}},
         es5Page,
         {}},
        {"Debian's Bootstrap 5: script, custom properties and grid",
         {{"js/bootstrap.js", "/usr/share/javascript/bootstrap5/js/bootstrap.js"},
          {"css/bootstrap.css", "/usr/share/javascript/bootstrap5/css/bootstrap.css"}},
         "<link rel=\"stylesheet\" href=\"css/bootstrap.css\">\n<script src=\"js/bootstrap.js\"></script>\n"
         "<script src=\"js/bootstrap.js\"></script>\n",
         {{"js/bootstrap.js", 15, "Das Skript ist kein ES5 (SyntaxError: parse error)"},
          {"css/bootstrap.css", 8, "CSS-Variablen"},
          {"css/bootstrap.css", 5737, "display: grid ohne -ms-grid"}}},
        {"inline scripts: the first failure of the page, let in words that do not call it dead",
         {},
         "<p>\n<script>\nvar a = 1;\nlet b = 2;\n</script>\n<script>\nvar f = () => 1;\n</script>\n"
         "<script>var g = () => 2;</script>\n",
         {{"index.html", 4, "deklariert mit let (neuer als ES5); die Windows-Laufzeit (Internet Explorer 11) führt "
                            "das aus"},
          {"index.html", 7, "Ein Skript der Seite ist kein ES5"}}},
        {"event attribute",
         {},
         "<p>\n<button\n onclick=\"items.forEach(i => i.hide())\">x</button>\n",
         {{"index.html", 3, "Das Ereignis-Attribut onclick ist kein ES5"}}},
        {"modules never run; nomodule and data blocks are no scripts to warn about",
         {{"app.js", "export const a = 1;\n"}, {"alt.js", "var a = 1;\n"}},
         "<p>\n<script type=\"module\" src=\"app.js\"></script>\n<script nomodule src=\"alt.js\"></script>\n"
         "<script type=\"text/template\">${a} => `b`</script>\n<script type=\"application/json\">{\"a\": `x`}</script>\n",
         {{"index.html", 2, "<script type=\"module\"> führt"}}},
        {"a script in another language is not compiled",
         {},
         "<script language=\"VBScript\">\nMsgBox \"Hallo\"\n</script>\n",
         {}},
        {"style sheet file: variables, grid without fallback",
         {{"stil.css", "/* var(--x) in a comment */\nbody { color: red; }\n.a {\n  color: var(--farbe);\n}\n"
                       ".b { display: grid; }\n.c { display: inline-grid !important; }\n"}},
         "<link rel=\"stylesheet\" href=\"stil.css\">\n",
         {{"stil.css", 4, "CSS-Variablen"}, {"stil.css", 6, "display: grid ohne -ms-grid"}}},
        {"grid with the -ms- fallback and strings that only look like the constructs",
         {{"stil.css", ".b { display: -ms-grid; display: grid; }\n.c::before { content: \"var(--x); --y: 1\"; }\n"}},
         "<link rel=\"stylesheet\" href=\"stil.css\">\n",
         {}},
        {"custom property defined in <style>, grid in a style attribute",
         {},
         "<style>\n:root {\n  --farbe: #336;\n}\n</style>\n<div\n style=\"display:grid\">x</div>\n",
         {{"index.html", 3, "CSS-Variablen"}, {"index.html", 7, "display: grid ohne -ms-grid"}}},
        {"pictures by their content, not their names",
         {{"a.jpg", Webp()}, {"b.png", Avif()}, {"c.webp", Jpeg()}, {"d.webp", Webp()}, {"e.jpg", Jpeg()}},
         "<p>\n<img src=\"a.jpg\">\n<img src=\"b.png\">\n<img src=\"c.webp\">\n<img src=\"a.jpg\">\n"
         "<picture><source type=\"image/webp\" srcset=\"d.webp\"><img src=\"e.jpg\" srcset=\"d.webp 2x\"></picture>\n"
         "<a href=\"d.webp\">Herunterladen</a>\n",
         {{"index.html", 2, "Das Bild \"a.jpg\" ist im Format WebP"},
          {"index.html", 3, "Das Bild \"b.png\" ist im Format AVIF"}}},
        {"a WebP background in a style sheet",
         {{"css/s.css", "body {\n  background: url('../bild.jpg');\n}\n"}, {"bild.jpg", Webp()}},
         "<link rel=\"stylesheet\" href=\"css/s.css\">\n",
         {{"css/s.css", 2, "Das Bild \"../bild.jpg\" ist im Format WebP"}}},
        {"fonts: woff2 only warns, woff beside it does not",
         {{"f.css", "@font-face {\n  font-family: A;\n  src: url(a.woff2) format(\"woff2\");\n}\n"
                    "@font-face { font-family: B; src: url(b.woff2), url(b.woff); }\n"
                    "@font-face { font-family: C; src: url(\"c.woff2?v=1\"); }\n"},
          {"a.woff2", "x"}, {"b.woff2", "x"}, {"b.woff", "x"}, {"c.woff2", "x"}},
         "<link rel=\"stylesheet\" href=\"f.css\">\n",
         {{"f.css", 3, "nur als woff2"}}},
        {"video and audio: only unplayable sources warn",
         {{"a.webm", "x"}, {"a.mp4", "x"}, {"t.ogg", "x"}, {"t.mp3", "x"}, {"x.bin", "x"}},
         "<p>\n<video controls>\n<source src=\"a.webm\" type=\"video/webm\">\n</video>\n"
         "<video><source src=\"a.webm\"><source src=\"a.mp4\"></video>\n"
         "<audio src=\"t.ogg\"></audio>\n<audio src=\"t.mp3\"></audio>\n<video src=\"x.bin\"></video>\n",
         {{"index.html", 2, "<video> hat nur Quellen"}}},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = MakeFolder(c);
        const Outcome r = Run({"verify", root.string()});
        EXPECT_EQ(r.err, "");
        const std::vector<std::string> lines = EngineLines(r.out);
        EXPECT_EQ(lines.size(), c.expected.size()) << r.out;
        for (const Expected& e : c.expected) {
            const std::string start = e.prefix + std::string("\"") + e.file + "\", Zeile " + std::to_string(e.line) + ": ";
            const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
                return line.rfind(start, 0) == 0 && line.find(e.text) != std::string::npos;
            });
            EXPECT_TRUE(found) << start << "... " << e.text << "\n" << r.out;
        }
        // Warnings, never errors: the Linux runtime shows the page.
        EXPECT_EQ(r.out.find("Fehler: "), std::string::npos) << r.out;
        EXPECT_EQ(r.exitCode, c.expected.empty() ? 0 : 1) << r.out;
    }
}

// A script too large to compile is named in a note, which the summary counts apart.
TEST_F(EngineCheck, NotesAScriptTooLargeToCheck)
{
    const PageCase c{"large", {{"gross.js", "var a = [" + std::string(qv::ScriptCompiler::kMaxScriptBytes, '1') + "];"}},
                     "<script src=\"gross.js\"></script>\n", {}};
    const fs::path root = MakeFolder(c);
    const Outcome r = Run({"verify", root.string()});
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_GE(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[0].rfind("Hinweis: \"gross.js\": Das Skript ist zu groß oder zu tief verschachtelt", 0), 0u)
        << r.out;
    EXPECT_EQ(lines[1], "Ergebnis: 0 Fehler, 0 Warnungen, 1 Hinweis.");
}

// The check without the engine (the baseline of the benchmark) finds none of it.
TEST_F(EngineCheck, CanBeLeftOut)
{
    const PageCase c{"off", {}, "<script>var f = () => 1;</script><div style=\"display:grid\"></div>\n", {}};
    const fs::path root = MakeFolder(c);
    qv::DiscCheckOptions options;
    options.referenceStarter = QV_REFERENCE_STARTER;
    std::string failure;
    const std::optional<qv::DiscReport> with = qv::CheckDiscFolder(root, options, failure);
    ASSERT_TRUE(with) << failure;
    EXPECT_EQ(with->WarningCount(), 2u);
    options.engineCheck = false;
    const std::optional<qv::DiscReport> without = qv::CheckDiscFolder(root, options, failure);
    ASSERT_TRUE(without) << failure;
    EXPECT_TRUE(without->problems.empty());
}

// The last line says how Windows starts the disc; autorun.inf's label and icon are checked.
TEST_F(EngineCheck, SaysHowTheDiscStartsOnWindows)
{
    const std::string cd = "Start unter Windows: von CD/DVD nach der Frage der automatischen Wiedergabe (oder per "
                           "Doppelklick auf das Laufwerk); von einem USB-Stick nie von selbst (Windows führt "
                           "autorun.inf dort seit Windows 7 nicht mehr aus), dort startet man starter.exe per "
                           "Doppelklick.";
    const std::string byHand = "Start unter Windows: nie von selbst, von CD/DVD wie vom USB-Stick (kein autorun.inf, "
                               "das starter.exe startet); man startet starter.exe per Doppelklick.";
    const std::string settings = "[quorvane]\r\nstartfile=index.html\r\n";
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::string last;
        std::vector<std::string> warnings;
    } cases[] = {
        {"starter.ini alone", {{"starter.ini", settings}}, byHand, {}},
        {"autorun.inf starting starter.exe, label of 32 characters, icon beside it",
         {{"autorun.inf", "[autorun]\r\nopen=starter.exe\r\nicon=disc.ico\r\nlabel=" + std::string(32, 'L') + "\r\n"
                              + settings},
          {"disc.ico", "x"}},
         cd,
         {}},
        {"icon with its index",
         {{"autorun.inf", "[autorun]\r\nopen=starter.exe\r\nicon=disc.ico,0\r\n" + settings}, {"disc.ico", "x"}},
         cd,
         {}},
        {"label of 33 characters, icon in another folder",
         {{"autorun.inf", "[autorun]\r\nopen=starter.exe\r\nicon=bilder\\disc.ico\r\nlabel=" + std::string(33, 'L')
                              + "\r\n" + settings},
          {"bilder/disc.ico", "x"}},
         cd,
         {"Warnung: autorun.inf: [autorun] label=" + std::string(33, 'L')
              + " ist 33 Zeichen lang; Windows zeigt nur die ersten 32.",
          "Warnung: autorun.inf: [autorun] icon=bilder\\disc.ico liegt nicht im Ordner von open=starter.exe; Windows "
          "sucht das Symbol dort und zeigt sonst das Symbol des Laufwerks."}},
        {"runme.bat alone",
         {{"runme.bat", "starter.exe /startfile=index.html\r\n"}},
         "Start unter Windows: nie von selbst, von CD/DVD wie vom USB-Stick; man startet runme.bat per Doppelklick.",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = dir_ / "disc";
        fs::remove_all(root);
        fs::create_directories(root);
        fs::copy_file(QV_REFERENCE_STARTER, root / "starter.exe");
        WriteFile(root / "index.html", "<p>Menü</p>");
        for (const auto& [name, bytes] : c.files)
            WriteFile(root / name, bytes);
        const Outcome r = Run({"verify", root.string()});
        const std::vector<std::string> lines = Lines(r.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), c.last) << r.out;
        std::vector<std::string> warnings;
        for (const std::string& line : lines) {
            if (line.rfind("Warnung: ", 0) == 0 || line.rfind("Fehler: ", 0) == 0)
                warnings.push_back(line);
        }
        EXPECT_EQ(warnings, c.warnings) << r.out;
    }
}

} // namespace
