#include "cmdline/ScreenCheck.h"

#include <algorithm>

namespace qv::cmdline {
namespace {

#if !defined(_WIN32) && !defined(__APPLE__)
bool IsSet(const Environment& env, const char* name)
{
    const char* value = env(name);
    return value != nullptr && *value != '\0';
}

// Whether the platform entry needs a display server named in the environment.
bool NeedsDisplayServer(std::string entry)
{
    entry = entry.substr(0, entry.find(':'));
    return entry == "xcb" || entry.rfind("wayland", 0) == 0;
}
#endif

std::string WithoutScreenHint(Program program)
{
    return program == Program::Designer ? "Ohne Bildschirm arbeitet qvr (qvr --help).\n" : std::string();
}

} // namespace

std::string MissingScreen([[maybe_unused]] Program program, [[maybe_unused]] const std::vector<std::string>& args,
                          [[maybe_unused]] const Environment& env)
{
#if defined(_WIN32) || defined(__APPLE__)
    return {};
#else
    std::string platforms;
    bool platformGiven = false;
    bool displayGiven = false;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--")
            break;
        if (arg == "-platform" || arg == "--platform") {
            platforms = args[++i];
            platformGiven = true;
        } else if (arg == "-display" || arg == "--display") {
            displayGiven = !args[++i].empty();
        }
    }
    if (!platformGiven && IsSet(env, "QT_QPA_PLATFORM"))
        platforms = env("QT_QPA_PLATFORM");

    bool needsServer = true;
    std::size_t start = 0;
    while (start <= platforms.size()) {
        const std::size_t end = std::min(platforms.find(';', start), platforms.size());
        const std::string entry = platforms.substr(start, end - start);
        if (!entry.empty() && !NeedsDisplayServer(entry))
            needsServer = false;
        start = end + 1;
    }
    if (!needsServer || displayGiven || IsSet(env, "DISPLAY") || IsSet(env, "WAYLAND_DISPLAY"))
        return {};
    return ProgramName(program) +
           ": Kein Bildschirm gefunden. Das Programm braucht eine grafische Sitzung (X11 oder Wayland),\n"
           "aber weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt.\n" +
           WithoutScreenHint(program);
#endif
}

std::string ScreenUnreachable(Program program)
{
    return ProgramName(program) +
           ": Kein Bildschirm gefunden. Die grafische Sitzung ließ sich nicht öffnen.\n" + WithoutScreenHint(program);
}

} // namespace qv::cmdline
