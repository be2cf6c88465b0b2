#include "cmdline/EarlyOptions.h"

#include "cmdline/ScreenCheck.h"

#include <cstdlib>
#include <iostream>

namespace qv::cmdline {
namespace {

bool TakesValue(Program program, const std::string& option)
{
    if (option == "--platform" || option == "--display")
        return true;
    if (program == Program::Designer)
        return option == "--grab" || option == "--grab-pages";
    if (program == Program::Runtime)
        return option == "--folder";
    return false;
}

bool KnownWithoutValue(Program program, const std::string& option)
{
    return program == Program::Runtime && option.rfind("--folder=", 0) == 0 && option.size() > 9;
}

int Refuse(Program program, const std::string& why, std::ostream& err)
{
    const std::string name = ProgramName(program);
    err << name << ": " << why << " (Hilfe: " << name << " --help)\n";
    return kExitUsage;
}

} // namespace

std::optional<int> HandleEarlyOptions(Program program, const std::vector<std::string>& args, std::ostream& out,
                                      std::ostream& err)
{
    std::string problem;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            out << (program == Program::Designer ? DesignerHelp() : RuntimeHelp());
            return kExitOk;
        }
        if (arg == "--version") {
            out << VersionText(program);
            return kExitOk;
        }
        if (arg.rfind("--", 0) != 0 || KnownWithoutValue(program, arg))
            continue;
        if (!TakesValue(program, arg)) {
            if (problem.empty())
                problem = "Unbekannte Option: " + arg;
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            if (problem.empty())
                problem = "Nach " + arg + " fehlt ein Wert.";
            continue;
        }
        ++i; // the value, whatever it looks like
    }
    if (!problem.empty())
        return Refuse(program, problem, err);
    return std::nullopt;
}

std::optional<int> CheckBeforeWindows(Program program, int argc, char** argv)
{
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (std::optional<int> code = HandleEarlyOptions(program, args, std::cout, std::cerr)) {
        // A help text that did not arrive (a full disk, /dev/full) is no success.
        if (*code == kExitOk && !std::cout.flush()) {
            std::cerr << ProgramName(program) << ": Die Ausgabe konnte nicht geschrieben werden.\n";
            code = kExitUsage;
        }
        return code;
    }
    const std::string missing = MissingScreen(program, args, [](const char* name) { return std::getenv(name); });
    if (missing.empty())
        return std::nullopt;
    std::cerr << missing;
    return kExitUsage;
}

} // namespace qv::cmdline
