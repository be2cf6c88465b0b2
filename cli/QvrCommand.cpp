#include "QvrCommand.h"

#include "ConfigWriter.h"
#include "Cp1252.h"
#include "Loader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
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
    const fs::path absolute = fs::absolute(fs::path(file), ec);
    const std::string path = ec ? file : absolute.string();
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

// Writes the bytes beside the target first and renames it over the target, so that a failed
// write never leaves a half-written file.
bool WriteFileAtomically(const std::string& target, const std::string& bytes, std::ostream& err)
{
    const std::string temp = target + ".qvr-tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.flush();
        }
        if (!out) {
            const int code = errno;
            std::error_code ignored;
            fs::remove(temp, ignored);
            err << "Datei \"" << target << "\" kann nicht erstellt werden. " << std::strerror(code) << '\n';
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        err << "Datei \"" << target << "\" kann nicht erstellt werden. " << ec.message() << '\n';
        return false;
    }
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
    if (output.empty()) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        return out ? kExitOk : kExitError;
    }
    return WriteFileAtomically(output, bytes, err) ? kExitOk : kExitError;
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
    out.flush();
    return built.hints.empty() ? kExitOk : kExitHints;
}

} // namespace

std::string QvrUsage()
{
    return "Aufruf:\n"
           "  qvr convert DATEI --to ini|inf|bat [-o AUSGABE]\n"
           "      Liest eine Konfiguration (starter.ini, autorun.inf) und schreibt sie als\n"
           "      starter.ini (ini), autorun.inf (inf) oder runme.bat (bat) nach AUSGABE\n"
           "      oder auf die Standardausgabe.\n"
           "  qvr check DATEI\n"
           "      Gibt die Hinweise zu einer Konfiguration aus, einen je Zeile.\n"
           "      Exit-Code 0 ohne Hinweise, 1 mit Hinweisen.\n"
           "  qvr --help\n"
           "      Zeigt diese Hilfe.\n"
           "\n"
           "Fehler (Datei nicht lesbar, keine Einstellungen, falscher Aufruf): Exit-Code 2.\n";
}

int RunQvr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() > 1)
            return UsageError(err, "--help erwartet keine weiteren Argumente.");
        out << QvrUsage();
        return kExitOk;
    }
    if (args[0] == "convert")
        return Convert(args, out, err);
    if (args[0] == "check")
        return Check(args, out, err);
    return UsageError(err, "Unbekannter Befehl: " + args[0]);
}

} // namespace qv
