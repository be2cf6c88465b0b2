#pragma once

#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace qv {

// What differs between the hosts at qvr's edge, in one place: ProgramIoPosix.cpp and
// ProgramIoWin32.cpp, one of them built.

// The program's arguments without its name, as UTF-8. On Windows they are read from the system's
// wide command line, so every character of a file name survives whatever the code page; elsewhere
// they are the bytes given.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The stream buffer of standard output (1) or standard error (2). Into a file or pipe the bytes go
// unchanged (configuration bytes stay Windows-1252 with CR LF, messages UTF-8, as on Linux). A
// Windows console gets wide text instead: UTF-8 decoded, a byte that is not UTF-8 taken as
// Windows-1252, so German text shows right whatever the console's code page.
std::unique_ptr<std::streambuf> StandardStream(int fd);

// Whether standard output (1) or standard error (2) is a terminal or console window, where a
// progress line that rewrites itself can be read.
bool IsTerminal(int fd);

// Whether a disc's autorun.sh could be tried on this machine: `verify --linux` then also says what it
// would do here. Not on Windows, where only what it does on a Linux desktop is printed.
bool HostRunsLinuxAutorun();

} // namespace qv
