#pragma once

#include "disc/DiscCheck.h"
#include "disc/IsoImage.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// The Linux start of a disc: Linux desktops offer to run an executable `autorun.sh` in the root of
// a mounted medium (they look for `.autorun` and `autorun` first). The script starts the runtime
// on the disc's folder where it is installed, else opens the start page with xdg-open.
inline constexpr const char* kLinuxAutorunFile = "autorun.sh";
inline constexpr const char* kLinuxRuntime = "quorvane-starter";
inline constexpr const char* kDesktopOpener = "xdg-open";
inline constexpr unsigned kLinuxAutorunMode = 0755;

// The start page as the script opens it without the runtime.
struct LinuxStartPage {
    enum class Kind {
        None,     // no startfile
        File,     // a file of the disc: `text` is its path below the root, names joined by "/"
        Web,      // an http or https address: `text` as configured
        Absolute, // a drive or root path: no file of the disc
        Outside,  // ".." climbs above the root
        Unusable, // names the root itself ("."), or holds a NUL byte, which no file name can hold
    };
    Kind kind = Kind::None;
    std::string text;       // UTF-8
    std::string configured; // the startfile value as configured, in UTF-8, for messages
};

// What the runtime reads from a disc folder given with --folder (the runtime rules' own source
// order): starter.ini, else the settings section of autorun.inf; a file counts only when it holds
// a settings section.
struct LinuxStart {
    std::string configFile; // "starter.ini" or "autorun.inf"; empty when neither holds settings
    LinuxStartPage page;
};

// Reads the configuration of `folder` in the runtime's order (file names exact, letter case
// counting, as on the mounted disc).
LinuxStart ReadLinuxStart(const std::filesystem::path& folder);

// Turns a startfile value (Windows-1252, as the configuration holds it) into the page the script
// opens: "\" and "/" separate names, "." and empty names are dropped.
LinuxStartPage LinuxStartPageFrom(const std::string& cp1252Value);

// The POSIX sh script for the disc's root (UTF-8, LF line ends).
std::string LinuxAutorunScript(const LinuxStartPage& page);

// A text as one single-quoted shell word: safe for every byte but NUL.
std::string ShellWord(const std::string& text);

// A file of the folder's root that a Linux desktop would start before the generated autorun.sh
// (".autorun", "autorun"), or that takes its name ("autorun.sh" in any letter case: Joliet and
// Windows do not tell them apart). The image then keeps the folder's own file.
struct ExistingAutorun {
    std::string name;          // UTF-8, as it lies in the folder
    bool takesName = false;    // autorun.sh in some letter case: no script is added
    bool executable = true;    // for a regular file: some execute bit is set
};
std::vector<ExistingAutorun> ExistingAutoruns(const std::filesystem::path& folder);

// Which of the two programs the script looks for this machine has on its PATH.
struct LinuxHostTools {
    bool runtime = false;
    bool opener = false;
};
LinuxHostTools FindLinuxHostTools();

// Checks the Linux start of `folder` and adds its problems to `report` (errors first again).
// Returns the lines that say what the start would do; with `host`, also what it does on this
// machine, and a warning when this machine could not start it at all.
std::vector<std::string> AddLinuxStartCheck(const std::filesystem::path& folder, const LinuxStart& start,
                                            const std::optional<LinuxHostTools>& host, DiscReport& report);

// For qvr iso --linux: the Linux check added to `report`, the script to put into the image's root
// (none when the folder has its own autorun.sh) and the lines that describe the start.
struct LinuxAutorunAddition {
    std::vector<IsoRootFile> files;
    std::vector<std::string> lines;
};
LinuxAutorunAddition PrepareLinuxAutorun(const std::filesystem::path& folder, DiscReport& report);

} // namespace qv
