#include "windows/Text.h"

#include <windows.h>

namespace qv::starter::win {
namespace {

std::wstring Widen(UINT codePage, std::string_view text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Narrow(UINT codePage, std::wstring_view text)
{
    if (text.empty())
        return {};
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                        nullptr);
    return narrow;
}

} // namespace

std::wstring FromConfigText(std::string_view cp1252)
{
    return Widen(1252, cp1252);
}

std::string ToConfigText(std::wstring_view text)
{
    return Narrow(1252, text);
}

std::string ToUtf8(std::wstring_view text)
{
    return Narrow(CP_UTF8, text);
}

std::wstring FromUtf8(std::string_view text)
{
    return Widen(CP_UTF8, text);
}

std::wstring EnvironmentValue(const wchar_t* name)
{
    wchar_t buffer[2048];
    const DWORD length = GetEnvironmentVariableW(name, buffer, sizeof buffer / sizeof buffer[0]);
    if (length == 0 || length >= sizeof buffer / sizeof buffer[0])
        return {};
    return std::wstring(buffer, length);
}

} // namespace qv::starter::win
