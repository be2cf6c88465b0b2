#pragma once

#include "config/Loader.h"
#include "rules/RuntimeSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace qv::starter {

// Where the runtime found its settings.
enum class SourceKind { CommandLine, StarterIni, AutorunInf, None };

struct LoadedConfiguration {
    SourceKind kind = SourceKind::None;
    std::string sourcePath; // the file read (UTF-8); empty for the command line and for none
    std::string folder;     // folder of the source, UTF-8, "/" separators, ends with "/"
    std::string iniName;    // the .ini file that was looked for, e.g. "starter.ini"
    LoadResult loaded;
    SettingLookup lookup;   // the keys of the source, for a popup's overlay; never empty
};

// The runtime's own options, taken off the front of its arguments (UTF-8):
//   --folder DIR (or --folder=DIR): the configuration's folder is DIR instead of the program's;
//   kElevatedRestartArgument: this is uac=1's restart, which must not restart again (where the
//   system gives no elevated token, it would restart for ever).
// Everything else is left for the settings, in order.
struct LaunchOptions {
    std::optional<std::string> folder;
    std::vector<std::string> arguments; // the arguments without the options
    bool folderMissing = false;         // "--folder" was the last argument
    bool elevatedRestart = false;       // started by uac=1's restart
};
inline constexpr char kElevatedRestartArgument[] = "--uac-neustart";
LaunchOptions ParseLaunchOptions(const std::vector<std::string>& arguments);

// Chooses and reads the configuration, first that holds settings wins:
//   1. parameters on the command line (`arguments` without the program name, "/key=value");
//   2. the file named like the program with ".ini" in the folder (starter.exe -> starter.ini), or
//      "starter.ini" when a folder is given;
//   3. the settings section of autorun.inf in the folder.
// The folder is `folder` when given (made absolute against the current folder), else the program's.
// A file counts only when it holds a settings section ([quorvane], else [velmorant starter]).
// `programPath` is the program file (UTF-8). Arguments are UTF-8 and are converted to the
// configuration's Windows-1252.
LoadedConfiguration LoadStarterConfiguration(const std::string& programPath, const std::vector<std::string>& arguments,
                                             const std::optional<std::string>& folder = std::nullopt);

// The settings of a loaded configuration (found, iniName set).
RuntimeSettings InterpretConfiguration(const LoadedConfiguration& configuration);
// The encoding of the configuration's values (UTF-8 from the command line).
SettingsText TextsOf(const LoadedConfiguration& configuration);

// The same for a popup: the main configuration with the popup's parameters (command-line syntax,
// UTF-8) laid over it, key by key.
LoadedConfiguration OverlayParameters(const LoadedConfiguration& base, const std::string& parameters);

// The settings of a popup window opened from the main window: the main configuration with
// popupparam laid over it. A popup shows a page: no password, no programs, no splash, and a skin
// only from its own parameters.
RuntimeSettings PopupSettings(const LoadedConfiguration& main, const std::string& popupParam);

// The arguments of a parameter text (executeparam, a command line; UTF-8), split as
// config/'s parameter reader splits a command line: blanks outside double quotes separate, the
// quotes are dropped, a backslash is an ordinary character.
std::vector<std::string> SplitArguments(const std::string& parameters);

} // namespace qv::starter
