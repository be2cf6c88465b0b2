#include "windows/Elevation.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

namespace qv::starter {
namespace {

bool IsElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

// The command line after the program's name, which may be quoted.
const wchar_t* ParametersOf(const wchar_t* line)
{
    bool quoted = false;
    for (; *line; ++line) {
        if (*line == L'"')
            quoted = !quoted;
        else if ((*line == L' ' || *line == L'\t') && !quoted)
            break;
    }
    while (*line == L' ' || *line == L'\t')
        ++line;
    return line;
}

} // namespace

bool RestartElevated()
{
    if (IsElevated())
        return false;
    wchar_t program[4 * MAX_PATH];
    const DWORD capacity = sizeof program / sizeof program[0];
    const DWORD length = GetModuleFileNameW(nullptr, program, capacity);
    if (length == 0 || length >= capacity)
        return false;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.lpVerb = L"runas";
    info.lpFile = program;
    info.lpParameters = ParametersOf(GetCommandLineW());
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

} // namespace qv::starter

#else

namespace qv::starter {

bool RestartElevated()
{
    return false;
}

} // namespace qv::starter

#endif
