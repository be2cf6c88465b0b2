#pragma once

#include "cmdline/ProgramTexts.h"

#include <functional>
#include <string>
#include <vector>

namespace qv::cmdline {

// Looks up an environment variable; nullptr when it is not set.
using Environment = std::function<const char*(const char* name)>;

// Whether a window system can be reached, decided before Qt is asked (Qt's own failure is an
// English message and an abort). Off Linux and the BSDs the answer is always "yes" (empty).
//
// The platform is the value of the last "-platform NAME" or "--platform NAME" in `args`, else
// QT_QPA_PLATFORM, a list separated by ";" whose entries may carry ":options". The screen is
// missing when every entry is "xcb" or begins with "wayland" (or none is named: Qt then picks one
// of these) and none of DISPLAY, WAYLAND_DISPLAY or a "-display NAME" argument is given. Any
// other platform (offscreen, minimal, eglfs, linuxfb, vnc, ...) needs no such variable and passes.
//
// Returns the German message for standard error, ending with "\n", or an empty text.
std::string MissingScreen(Program program, const std::vector<std::string>& args, const Environment& env);

// The message when the window system was named but could not be opened (Qt's platform plugin
// failed, e.g. DISPLAY names a server that does not answer); ends with "\n".
std::string ScreenUnreachable(Program program);

} // namespace qv::cmdline
