#include "windows/Elevation.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "rules/ConfigSource.h"

#include <cwchar>

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

} // namespace

std::wstring RestartParameters(const wchar_t* line, const wchar_t* program)
{
    while (*line == L' ' || *line == L'\t')
        ++line;
    const size_t length = wcslen(program);
    if (*line == L'"') {
        for (++line; *line && *line != L'"'; ++line) {
        }
        if (*line)
            ++line;
    } else if (length && _wcsnicmp(line, program, length) == 0 &&
               (line[length] == 0 || line[length] == L' ' || line[length] == L'\t')) {
        line += length; // the full path, blanks and all
    } else {
        while (*line && *line != L' ' && *line != L'\t')
            ++line;
    }
    while (*line == L' ' || *line == L'\t')
        ++line;
    std::wstring parameters(line);
    if (!parameters.empty())
        parameters += L' ';
    for (const char* c = kElevatedRestartArgument; *c; ++c)
        parameters += static_cast<wchar_t>(*c);
    return parameters;
}

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
    const std::wstring parameters = RestartParameters(GetCommandLineW(), program);
    info.lpParameters = parameters.c_str();
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
