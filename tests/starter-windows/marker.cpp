// A program for the execute tests: appends one line to the file named by its first argument: the
// working folder, then the further arguments, each in brackets.
#include <cstdio>
#include <cwchar>
#include <string>
#include <windows.h>

int wmain(int count, wchar_t** arguments)
{
    if (count < 2)
        return 2;
    FILE* file = _wfopen(arguments[1], L"ab");
    if (!file)
        return 1;
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring line = folder;
    for (int i = 2; i < count; ++i)
        line += std::wstring(L" [") + arguments[i] + L"]";
    line += L"\n";
    char bytes[4096];
    const int length = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    if (length > 1)
        std::fwrite(bytes, 1, static_cast<size_t>(length - 1), file);
    std::fclose(file);
    return 0;
}
