#include "cli/QvrCommand.h"

#include "cli/IsoCommand.h"
#include "cli/OutputFile.h"
#include "cli/StandardOutput.h"
#include "cli/VerifyCommand.h"
#include "cmdline/ProgramTexts.h"
#include "config/ConfigWriter.h"
#include "config/Cp1252.h"
#include "config/Loader.h"
#include "disc/DiscCheck.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <system_error>

namespace qv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNoSettings =
    "Keine relevanten Daten gefunden. Diese Konfigurationsdatei\n"
    "wurde wahrscheinlich nicht mit Quorvane erstellt.";

int UsageError(std::ostream& err, const std::string& why)
{
    err << "qvr: " << why << "\n\n" << QvrUsage();
    return kExitError;
}

// Loads a configuration as the designer's open command does: the path made absolute, the file
// refused when it holds neither settings section (an unreadable file holds none).
bool LoadProject(const std::string& file, ProjectSettings& project, std::ostream& err)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(PathFromUtf8(file), ec);
    const std::string path = ec ? file : PathToUtf8(absolute);
    ProjectSettings fresh;
    LoadResult loaded = LoadConfiguration(path, fresh);
    if (loaded.status == ProfileFile::Status::TooLarge) {
        err << "Die Datei ist größer als 256 MiB und wird nicht als Konfiguration gelesen.\n";
        return false;
    }
    // Anything but a regular file (a device, a pipe, a folder) is never read and holds no settings.
    if (!loaded.hasSettingsSection) {
        err << kNoSettings << '\n';
        return false;
    }
    project = std::move(loaded.settings);
    return true;
}

int Convert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string file;
    std::string to;
    std::string output;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--to" || a == "-o" || a == "--output") {
            if (i + 1 >= args.size())
                return UsageError(err, "Nach " + a + " fehlt ein Wert.");
            (a == "--to" ? to : output) = args[++i];
        } else if (a.rfind("--to=", 0) == 0) {
            to = a.substr(5);
        } else if (a.rfind("--output=", 0) == 0) {
            output = a.substr(9);
        } else if (file.empty() && (a.empty() || a[0] != '-' || a == "-")) {
            file = a;
        } else {
            return UsageError(err, "Unbekanntes Argument: " + a);
        }
    }
    if (file.empty())
        return UsageError(err, "Es fehlt die Konfigurationsdatei.");
    int target = -1;
    if (to == "ini")
        target = 0;
    else if (to == "inf")
        target = 1;
    else if (to == "bat")
        target = 2;
    if (target < 0)
        return UsageError(err, to.empty() ? "Es fehlt --to ini|inf|bat." : "Unbekanntes Ziel: " + to);

    ProjectSettings project;
    if (!LoadProject(file, project, err))
        return kExitError;
    const std::string bytes = ConfigFileBytes(BuildConfiguration(project, target).configText, target);
    if (output.empty() || output == "-") {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return kExitOk;
    }
    if (const std::string reason = WriteOutputFile(output, bytes); !reason.empty()) {
        err << "Datei \"" << output << "\" kann nicht erstellt werden. " << reason << '\n';
        return kExitError;
    }
    return kExitOk;
}

int Check(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2 || (args[1].size() > 1 && args[1][0] == '-'))
        return UsageError(err, "check erwartet genau eine Konfigurationsdatei.");
    ProjectSettings project;
    if (!LoadProject(args[1], project, err))
        return kExitError;
    const BuildResult built = BuildConfiguration(project, project.ConfigTarget);
    for (const std::string& hint : built.hints)
        out << Cp1252ToUtf8(hint) << '\n';
    return built.hints.empty() ? kExitOk : kExitHints;
}

} // namespace

std::string QvrUsage()
{
    return std::string("Aufruf:\n"
           "  qvr convert DATEI --to ini|inf|bat [-o AUSGABE]\n"
           "      Liest eine Konfiguration (starter.ini, autorun.inf) und schreibt sie als\n"
           "      starter.ini (ini), autorun.inf (inf) oder runme.bat (bat) nach AUSGABE\n"
           "      oder auf die Standardausgabe (auch mit -o -). Ist AUSGABE keine gewöhnliche\n"
           "      Datei (Gerät, FIFO), wird sie an Ort und Stelle beschrieben.\n"
           "  qvr check DATEI\n"
           "      Gibt die Hinweise zu einer Konfiguration aus, einen je Zeile.\n"
           "      Exit-Code 0 ohne Hinweise, 1 mit Hinweisen.\n"
           "  qvr verify ORDNER [--linux]\n"
           "      Prüft einen Speicherort so, wie er auf die Disc kommt: Konfiguration,\n"
           "      starter.exe, die genannten Dateien, die Verweise der Seiten und Stilvorlagen,\n"
           "      symbolische Verknüpfungen, die Namen und die Größe. Eine Zeile je Problem,\n"
           "      Fehler zuerst, dann Warnungen.\n"
           "      Mit --linux auch den Start unter Linux (autorun.sh): Laufzeit oder\n"
           "      Browser, welche Startseite, und was auf diesem Rechner geschähe.\n"
           "      Exit-Code 0 ohne Probleme, 1 mit Problemen, 2 Ordner nicht lesbar.\n")
           + IsoUsage() +
           "  qvr --help\n"
           "      Zeigt diese Hilfe.\n"
           "  qvr --version\n"
           "      Zeigt die Version.\n"
           "\n"
           "Fehler (Datei nicht lesbar, keine Einstellungen, falscher Aufruf, Ausgabe nicht\n"
           "schreibbar): Exit-Code 2.\n";
}

namespace {

// Whatever a command answered, output that did not arrive makes the run a failure: a listing cut
// short by a full disk must not pass for a complete one.
int FinishOutput(int exitCode, std::ostream& out, std::ostream& err)
{
    errno = 0;
    out.flush();
    if (out)
        return exitCode;
    // A stream over standard output knows why its first write failed; errno only tells of the
    // last attempt, and a stream that turned bad earlier does not try again.
    const auto* own = dynamic_cast<const DescriptorOutput*>(out.rdbuf());
    const int code = own != nullptr && own->FirstError() != 0 ? own->FirstError() : errno;
    err << "qvr: Die Ausgabe konnte nicht geschrieben werden.";
    if (code != 0)
        err << ' ' << std::strerror(code);
    err << '\n';
    return kExitError;
}

int Dispatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    // A call that names no command does nothing: a usage error, as the manual page says.
    if (args.empty())
        return UsageError(err, "Es fehlt ein Befehl.");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() > 1)
            return UsageError(err, "--help erwartet keine weiteren Argumente.");
        out << QvrUsage();
        return kExitOk;
    }
    if (args[0] == "--version") {
        if (args.size() > 1)
            return UsageError(err, "--version erwartet keine weiteren Argumente.");
        out << cmdline::VersionText(cmdline::Program::Qvr);
        return kExitOk;
    }
    if (args[0] == "convert")
        return Convert(args, out, err);
    if (args[0] == "check")
        return Check(args, out, err);
    if (args[0] == "verify")
        return RunVerify(args, out, err);
    if (args[0] == "iso")
        return RunIso(args, out, err);
    if (args[0].size() > 1 && args[0][0] == '-') {
        err << "qvr: Unbekannte Option: " << args[0] << " (Hilfe: qvr --help)\n";
        return kExitError;
    }
    return UsageError(err, "Unbekannter Befehl: " + args[0]);
}

} // namespace

int RunQvr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return FinishOutput(Dispatch(args, out, err), out, err);
}

} // namespace qv
