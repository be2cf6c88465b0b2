#pragma once

#include <string>

namespace qv::starter {

// uac=1. On Windows, when the process runs without administrator rights, starts the same program
// with the same parameters through the system's "runas" verb (the system asks the user) and
// returns true: the caller then ends. False when the process is already elevated, when the user
// declines (the starter goes on without the rights), and always on other hosts, where the key is
// ignored.
bool RestartElevated();

#ifdef _WIN32
// The restart's parameters: what follows the program's name on `commandLine` and the restart
// argument. The name may stand unquoted with blanks in it (`program`, the program's path).
std::wstring RestartParameters(const wchar_t* commandLine, const wchar_t* program);
#endif

} // namespace qv::starter
