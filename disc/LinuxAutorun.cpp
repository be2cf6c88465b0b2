#include "disc/LinuxAutorun.h"

#include "config/Cp1252.h"
#include "config/DiscRules.h"
#include "config/StarterContract.h"
#include "rules/ConfigSource.h"

#include <algorithm>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

// True when `name` is an executable regular file in one of the folders of PATH (an empty entry is
// the current folder), as `command -v` finds it.
bool OnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return false;
    const std::string folders = path;
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// What the script does without the runtime, for the description line.
std::string WithoutRuntime(const LinuxStartPage& page)
{
    switch (page.kind) {
    case LinuxStartPage::Kind::File:
        return "ohne ihn öffnet xdg-open die Startseite " + Quote(page.text) + " im Browser.";
    case LinuxStartPage::Kind::Web:
        return "ohne ihn öffnet xdg-open die Web-Adresse " + Quote(page.text) + " im Browser.";
    default:
        return "ohne ihn öffnet autorun.sh nichts.";
    }
}

void AddPageProblems(const fs::path& folder, const LinuxStart& start, DiscReport& report)
{
    const auto error = [&report](const std::string& text) {
        report.problems.push_back({DiscProblem::Severity::Error, "Linux-Start: " + text});
    };
    const LinuxStartPage& page = start.page;
    const std::string named = "Die Startseite " + Quote(page.configured);
    switch (page.kind) {
    case LinuxStartPage::Kind::None:
        error(start.configFile + " nennt keine Startseite (startfile); quorvane-starter zeigt nur einen Hinweis, und "
              "ohne ihn öffnet autorun.sh nichts.");
        break;
    case LinuxStartPage::Kind::Absolute:
        error(named + " ist ein absoluter Pfad; auf der Disc gilt nur ein Pfad im Ordner.");
        break;
    case LinuxStartPage::Kind::Outside:
        error(named + " führt aus dem Ordner hinaus.");
        break;
    case LinuxStartPage::Kind::Unusable:
        error(named + " ist keine Datei der Disc.");
        break;
    case LinuxStartPage::Kind::Web:
        break;
    case LinuxStartPage::Kind::File: {
        std::error_code ec;
        const fs::file_status status = fs::status(folder / PathFromUtf8(page.text), ec);
        if (!fs::exists(status))
            error("Die Startseite " + Quote(page.text)
                  + " fehlt im Ordner; auf der Disc zählt unter Linux auch die Groß-/Kleinschreibung.");
        else if (fs::is_directory(status))
            error("Die Startseite " + Quote(page.text) + " ist ein Ordner, keine Datei.");
        break;
    }
    }
}

} // namespace

LinuxStartPage LinuxStartPageFrom(const std::string& cp1252Value)
{
    LinuxStartPage page;
    page.configured = Cp1252ToUtf8(cp1252Value);
    if (cp1252Value.empty())
        return page;
    if (cp1252Value.find('\0') != std::string::npos) {
        page.kind = LinuxStartPage::Kind::Unusable;
        return page;
    }
    const DiscPath path = ConfigPathOnDisc(page.configured);
    switch (path.kind) {
    case DiscPathKind::Skipped: // an http or https address
        page.kind = LinuxStartPage::Kind::Web;
        page.text = page.configured;
        break;
    case DiscPathKind::Absolute:
        page.kind = LinuxStartPage::Kind::Absolute;
        break;
    case DiscPathKind::Outside:
        page.kind = LinuxStartPage::Kind::Outside;
        break;
    case DiscPathKind::Inside:
        // "." or "web\.." names the disc's root, no page.
        page.kind = path.components.empty() ? LinuxStartPage::Kind::Unusable : LinuxStartPage::Kind::File;
        page.text = JoinDiscPath(path.components);
        break;
    }
    return page;
}

LinuxStart ReadLinuxStart(const fs::path& folder)
{
    // The runtime's own choice of source, as it makes it for --folder.
    const starter::LoadedConfiguration loaded = starter::LoadStarterConfiguration("", {}, PathToUtf8(folder));
    LinuxStart start;
    if (loaded.kind == starter::SourceKind::StarterIni)
        start.configFile = loaded.iniName;
    else if (loaded.kind == starter::SourceKind::AutorunInf)
        start.configFile = starter::kAutorunFile;
    else
        return start;
    start.page = LinuxStartPageFrom(loaded.loaded.settings.EHTMLOrt);
    return start;
}

std::string ShellWord(const std::string& text)
{
    std::string word = "'";
    for (const char c : text) {
        if (c == '\'')
            word += "'\\''";
        else
            word += c;
    }
    return word + "'";
}

std::string LinuxAutorunScript(const LinuxStartPage& page)
{
    std::string script = "#!/bin/sh\n"
                         "# Startet das Menü dieser Disc unter Linux (geschrieben von qvr iso --linux).\n"
                         "# Ist quorvane-starter installiert, zeigt er das Menü nach der Konfiguration\n"
                         "# dieses Ordners; sonst öffnet xdg-open die Startseite im Browser.\n"
                         "CDPATH='' cd -- \"$(dirname -- \"$0\")\" || exit 1\n"
                         "dir=$(pwd)\n"
                         "if command -v quorvane-starter >/dev/null 2>&1; then\n"
                         "\texec quorvane-starter --folder \"$dir\"\n"
                         "fi\n";
    std::string target;
    if (page.kind == LinuxStartPage::Kind::File)
        target = "\"$dir\"/" + ShellWord(page.text);
    else if (page.kind == LinuxStartPage::Kind::Web)
        target = ShellWord(page.text);
    if (target.empty()) {
        script += "echo 'Quorvane: quorvane-starter ist nicht installiert, und die Konfiguration dieser Disc nennt "
                  "keine Startseite, die sich ohne ihn öffnen ließe.' >&2\n";
    } else {
        script += "page=" + target + "\n"
                  "if command -v xdg-open >/dev/null 2>&1; then\n"
                  "\texec xdg-open \"$page\"\n"
                  "fi\n"
                  "printf 'Quorvane: Weder quorvane-starter noch xdg-open ist installiert.\\n"
                  "Öffne %s von Hand im Browser oder installiere quorvane-starter.\\n' \"$page\" >&2\n";
    }
    return script + "exit 1\n";
}

std::vector<ExistingAutorun> ExistingAutoruns(const fs::path& folder)
{
    std::vector<ExistingAutorun> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        const bool takesName = FoldNameCase(name) == kLinuxAutorunFile;
        if (!takesName && name != ".autorun" && name != "autorun")
            continue;
        ExistingAutorun entry{name, takesName, true};
        std::error_code statusError;
        const fs::file_status status = it->status(statusError);
        if (fs::is_regular_file(status))
            entry.executable = (status.permissions() & (fs::perms::owner_exec | fs::perms::group_exec
                                                        | fs::perms::others_exec)) != fs::perms::none;
        found.push_back(std::move(entry));
    }
    std::sort(found.begin(), found.end(),
              [](const ExistingAutorun& a, const ExistingAutorun& b) { return a.name < b.name; });
    return found;
}

LinuxHostTools FindLinuxHostTools()
{
    return {OnPath(kLinuxRuntime), OnPath(kDesktopOpener)};
}

std::vector<std::string> AddLinuxStartCheck(const fs::path& folder, const LinuxStart& start,
                                            const std::optional<LinuxHostTools>& host, DiscReport& report)
{
    std::vector<std::string> lines;
    const auto warning = [&report](const std::string& text) {
        report.problems.push_back({DiscProblem::Severity::Warning, "Linux-Start: " + text});
    };

    bool ownScript = false;
    for (const ExistingAutorun& existing : ExistingAutoruns(folder)) {
        if (existing.takesName) {
            ownScript = true;
            std::string text = "Der Ordner hat schon " + Quote(existing.name)
                               + "; es kommt unverändert auf die Disc, qvr iso --linux schreibt kein eigenes.";
            if (!existing.executable)
                text += " Es ist nicht ausführbar: Linux-Desktops starten es nicht.";
            warning(text);
        } else {
            warning("Der Ordner hat " + Quote(existing.name) + "; Linux-Desktops starten es vor autorun.sh.");
        }
    }

    if (start.configFile.empty()) {
        std::string text = "Weder starter.ini noch autorun.inf enthält Einstellungen; quorvane-starter zeigt nur "
                           "einen Hinweis, und ohne ihn öffnet autorun.sh nichts.";
        std::error_code ec;
        if (fs::exists(folder / starter::kBatchFile, ec))
            text += std::string(" ") + starter::kBatchFile + " liest er nicht.";
        report.problems.push_back({DiscProblem::Severity::Error, "Linux-Start: " + text});
    } else {
        AddPageProblems(folder, start, report);
    }
    if (ownScript)
        lines.push_back("Linux-Start: Der Ordner bringt sein eigenes autorun.sh mit; was es tut, prüft qvr nicht.");
    else if (start.configFile.empty())
        lines.push_back("Linux-Start (autorun.sh): quorvane-starter findet keine Einstellungen; "
                        + WithoutRuntime(LinuxStartPage{}));
    else
        lines.push_back("Linux-Start (autorun.sh): quorvane-starter zeigt das Menü nach " + start.configFile + "; "
                        + WithoutRuntime(start.page));

    if (host && !ownScript) {
        const bool page =
            start.page.kind == LinuxStartPage::Kind::File || start.page.kind == LinuxStartPage::Kind::Web;
        if (host->runtime) {
            lines.push_back("Auf diesem Rechner: quorvane-starter ist installiert und zeigt das Menü.");
        } else if (host->opener && page) {
            lines.push_back("Auf diesem Rechner: quorvane-starter fehlt; xdg-open öffnet die Startseite.");
        } else if (!host->opener && page) {
            lines.push_back("Auf diesem Rechner: weder quorvane-starter noch xdg-open ist installiert.");
            warning("Auf diesem Rechner fehlen quorvane-starter und xdg-open: autorun.sh könnte hier "
                    + std::string(start.page.kind == LinuxStartPage::Kind::Web ? "die Web-Adresse " : "die Startseite ")
                    + Quote(start.page.text)
                    + " nicht öffnen und bräche mit einer Meldung ab. Das betrifft nur diesen Rechner, nicht die Disc.");
        } else {
            lines.push_back("Auf diesem Rechner: quorvane-starter fehlt; autorun.sh bräche mit einer Meldung ab.");
        }
    }

    std::stable_partition(report.problems.begin(), report.problems.end(),
                          [](const DiscProblem& p) { return p.severity == DiscProblem::Severity::Error; });
    return lines;
}

LinuxAutorunAddition PrepareLinuxAutorun(const fs::path& folder, DiscReport& report)
{
    LinuxAutorunAddition addition;
    const LinuxStart start = ReadLinuxStart(folder);
    addition.lines = AddLinuxStartCheck(folder, start, std::nullopt, report);
    const std::vector<ExistingAutorun> existing = ExistingAutoruns(folder);
    const bool ownScript = std::any_of(existing.begin(), existing.end(),
                                       [](const ExistingAutorun& e) { return e.takesName; });
    if (!ownScript)
        addition.files.push_back({kLinuxAutorunFile, LinuxAutorunScript(start.page), kLinuxAutorunMode});
    return addition;
}

} // namespace qv
