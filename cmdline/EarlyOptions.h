#pragma once

#include "cmdline/ProgramTexts.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace qv::cmdline {

// Exit codes of the window programs' early answers (qvr has its own, with the same meaning).
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;  // an unknown option, a missing value, no screen

// Reads the command line of the designer or the runtime (without the program name) before any
// window exists. Returns the exit code when the program must end at once: --help or -h (the help
// on `out`, 0), --version (the version on `out`, 0), an unknown option or a missing value (a short
// German message on `err`, 2). Returns nothing when the program goes on.
//
// Options begin with "--"; everything else passes unchecked: the designer's configuration file,
// the runtime's "/key=value" parameters (an absolute Linux path begins with "/" too) and Qt's own
// single-dash options such as "-platform offscreen". Known options:
//   both:     --help, -h, --version; --platform NAME and --display NAME (Qt's, passed on);
//             "--" ends the options (what follows is a file or a parameter even if it begins
//             with "-")
//   designer: --grab FILE, --grab-pages FOLDER (each takes the next argument)
//   runtime:  --folder DIR (takes the next argument), --folder=DIR
// Help and version win over errors elsewhere on the line: "--bogus --help" shows the help.
std::optional<int> HandleEarlyOptions(Program program, const std::vector<std::string>& args, std::ostream& out,
                                      std::ostream& err);

// HandleEarlyOptions on standard output and error (help or version that cannot be written is exit
// code 2), then the screen check of ScreenCheck.h on the process's own environment, its message on
// standard error. The window programs call this first in main(), before QApplication is made.
std::optional<int> CheckBeforeWindows(Program program, int argc, char** argv);

} // namespace qv::cmdline
