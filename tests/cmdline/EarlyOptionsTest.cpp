#include "cmdline/EarlyOptions.h"
#include "cmdline/ScreenCheck.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace qv::cmdline {
namespace {

struct Answer {
    std::optional<int> code;
    std::string out;
    std::string err;
};

Answer Early(Program program, const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const std::optional<int> code = HandleEarlyOptions(program, args, out, err);
    return {code, out.str(), err.str()};
}

std::string Joined(const std::vector<std::string>& args)
{
    std::string joined;
    for (const std::string& arg : args)
        joined += "[" + arg + "]";
    return joined;
}

// What the programs take as their own: file names, parameters, Qt's options, option values.
TEST(EarlyOptions, PassesWhatTheProgramsTakeAsTheirOwn)
{
    const struct {
        Program program;
        std::vector<std::string> args;
    } cases[] = {
        {Program::Designer, {}},
        {Program::Designer, {"projekt.ini"}},
        {Program::Designer, {"/home/ich/cd/starter.ini"}},
        {Program::Designer, {"--grab", "/tmp/x.png", "projekt.ini"}},
        {Program::Designer, {"--grab", "--help"}},  // a picture named "--help"
        {Program::Designer, {"--grab-pages", "/tmp/seiten"}},
        {Program::Designer, {"-platform", "offscreen", "-style", "fusion"}},
        {Program::Designer, {"--platform", "offscreen", "--display", ":1"}},
        {Program::Designer, {"--", "--datei-mit-strichen.ini"}},
        {Program::Designer, {"--", "--help"}},
        {Program::Runtime, {"/startfile=web\\index.html", "/uac=1"}},
        {Program::Runtime, {"/media/cdrom/starter.ini"}},
        {Program::Runtime, {"--folder", "/media/cdrom", "/caption=Menü"}},
        {Program::Runtime, {"--folder", "--version"}},  // a folder named "--version"
        {Program::Runtime, {"--folder=/media/cdrom"}},
        {Program::Runtime, {"-platform", "xcb"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Joined(c.args));
        const Answer answer = Early(c.program, c.args);
        EXPECT_FALSE(answer.code.has_value());
        EXPECT_EQ(answer.out, "");
        EXPECT_EQ(answer.err, "");
    }
}

TEST(EarlyOptions, AnswersHelpAndVersionOnStandardOutput)
{
    const struct {
        Program program;
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {Program::Designer, {"--help"}, "Aufruf: quorvane [DATEI]\n"},
        {Program::Designer, {"-h"}, "Aufruf: quorvane [DATEI]\n"},
        {Program::Designer, {"projekt.ini", "--help"}, "Aufruf: quorvane [DATEI]\n"},
        {Program::Designer, {"--bogus", "--help"}, "Aufruf: quorvane [DATEI]\n"},
        {Program::Runtime, {"--help"}, "Aufruf: quorvane-starter [--folder ORDNER] [/SCHLÜSSEL=WERT ...]\n"},
        {Program::Runtime, {"/caption=x", "-h"}, "Aufruf: quorvane-starter [--folder ORDNER] [/SCHLÜSSEL=WERT ...]\n"},
        {Program::Designer, {"--version"}, "quorvane (Quorvane) " + ProjectVersion() + "\n"},
        {Program::Runtime, {"--version", "/caption=x"}, "quorvane-starter (Quorvane) " + ProjectVersion() + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Joined(c.args));
        const Answer answer = Early(c.program, c.args);
        EXPECT_EQ(answer.code, std::optional<int>(kExitOk));
        EXPECT_EQ(answer.out.substr(0, answer.out.find('\n') + 1), c.expected);
        EXPECT_EQ(answer.err, "");
    }
    EXPECT_NE(Early(Program::Runtime, {"--help"}).out.find("--folder ORDNER"), std::string::npos);
    EXPECT_NE(Early(Program::Designer, {"--help"}).out.find("--grab BILD"), std::string::npos);
}

TEST(EarlyOptions, RefusesUnknownOptionsAndMissingValuesBriefly)
{
    const struct {
        Program program;
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {Program::Designer, {"--bogus"}, "quorvane: Unbekannte Option: --bogus (Hilfe: quorvane --help)\n"},
        {Program::Designer, {"projekt.ini", "--verbose"}, "quorvane: Unbekannte Option: --verbose (Hilfe: quorvane --help)\n"},
        {Program::Designer, {"--folder", "x"}, "quorvane: Unbekannte Option: --folder (Hilfe: quorvane --help)\n"},
        {Program::Designer, {"--grab"}, "quorvane: Nach --grab fehlt ein Wert. (Hilfe: quorvane --help)\n"},
        {Program::Designer, {"--grab-pages", ""}, "quorvane: Nach --grab-pages fehlt ein Wert. (Hilfe: quorvane --help)\n"},
        {Program::Runtime, {"--disable-gpu"}, "quorvane-starter: Unbekannte Option: --disable-gpu (Hilfe: quorvane-starter --help)\n"},
        {Program::Runtime, {"--grab", "x.png"}, "quorvane-starter: Unbekannte Option: --grab (Hilfe: quorvane-starter --help)\n"},
        {Program::Runtime, {"/caption=x", "--folder"}, "quorvane-starter: Nach --folder fehlt ein Wert. (Hilfe: quorvane-starter --help)\n"},
        {Program::Runtime, {"--folder="}, "quorvane-starter: Unbekannte Option: --folder= (Hilfe: quorvane-starter --help)\n"},
        {Program::Runtime, {"--eins", "--zwei"}, "quorvane-starter: Unbekannte Option: --eins (Hilfe: quorvane-starter --help)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Joined(c.args));
        const Answer answer = Early(c.program, c.args);
        EXPECT_EQ(answer.code, std::optional<int>(kExitUsage));
        EXPECT_EQ(answer.out, "");
        EXPECT_EQ(answer.err, c.err);
    }
}

#if !defined(_WIN32) && !defined(__APPLE__)
TEST(ScreenCheck, DecidesFromPlatformAndDisplayVariables)
{
    using Variables = std::map<std::string, std::string>;
    const struct {
        Variables env;
        std::vector<std::string> args;
        bool missing;
    } cases[] = {
        {{}, {}, true},
        {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, {}, true},  // set but empty counts as unset
        {{{"QT_QPA_PLATFORM", "xcb"}}, {}, true},
        {{{"QT_QPA_PLATFORM", "wayland;xcb"}}, {}, true},
        {{{"QT_QPA_PLATFORM", "wayland-egl"}}, {}, true},
        {{{"QT_QPA_PLATFORM", "xcb:nograb"}}, {}, true},
        {{{"DISPLAY", ":0"}}, {}, false},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, {}, false},
        {{{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":99"}}, {}, false},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, {}, false},
        {{{"QT_QPA_PLATFORM", "minimal"}}, {}, false},
        {{{"QT_QPA_PLATFORM", "eglfs"}}, {}, false},
        {{{"QT_QPA_PLATFORM", "vnc:size=800x600"}}, {}, false},
        {{{"QT_QPA_PLATFORM", "wayland;offscreen"}}, {}, false},
        {{}, {"-platform", "offscreen"}, false},
        {{}, {"--platform", "minimal", "projekt.ini"}, false},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, {"-platform", "xcb"}, true},  // the argument wins
        {{{"QT_QPA_PLATFORM", "offscreen"}}, {"--", "-platform", "xcb"}, false},  // a file, no option
        {{}, {"-display", ":5"}, false},
        {{}, {"-platform"}, true},  // without its value: nothing named
    };
    for (const auto& c : cases) {
        std::string trace = Joined(c.args);
        for (const auto& [name, value] : c.env)
            trace += " " + name + "=" + value;
        SCOPED_TRACE(trace);
        const Environment env = [&c](const char* name) -> const char* {
            const auto found = c.env.find(name);
            return found == c.env.end() ? nullptr : found->second.c_str();
        };
        const std::string message = MissingScreen(Program::Runtime, c.args, env);
        if (c.missing)
            EXPECT_EQ(message.rfind("quorvane-starter: Kein Bildschirm gefunden.", 0), 0u) << message;
        else
            EXPECT_EQ(message, "");
    }
}
#endif

} // namespace
} // namespace qv::cmdline
