#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qv {

// Exit codes of qvr.
inline constexpr int kExitOk = 0;
inline constexpr int kExitHints = 1;  // check: the project has hints
inline constexpr int kExitError = 2;  // usage error, unreadable file, no settings section, write error

// Runs qvr with its arguments (without the program name). Configuration bytes go to `out`
// unchanged (Windows-1252, CR LF); messages to `err` in UTF-8.
int RunQvr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text.
std::string QvrUsage();

} // namespace qv
