#pragma once

#include <string>

namespace qv::cmdline {

// The three programs of the project, as their command lines and messages name them.
enum class Program { Designer, Runtime, Qvr };

// The name a program gives itself in messages: "quorvane", "quorvane-starter", "qvr". Fixed, not
// taken from argv[0]: the runtime may be started under another name (a renamed copy on a disc).
std::string ProgramName(Program program);

// The project's version as CMake's project() sets it, e.g. "2.1.0.0".
std::string ProjectVersion();

// The answer to --version: the program, the project and its version, the licence; ends with "\n".
std::string VersionText(Program program);

// The answers to --help of the designer and the runtime (qvr's is QvrUsage); end with "\n".
std::string DesignerHelp();
std::string RuntimeHelp();

} // namespace qv::cmdline
