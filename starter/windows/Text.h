#pragma once

// Conversions at the Win32 boundary: the configuration's text is Windows-1252 (as config/ reads
// it), the trace is UTF-8, Win32 takes UTF-16.
#include <string>
#include <string_view>

namespace qv::starter::win {

std::wstring FromConfigText(std::string_view cp1252);
// UTF-16 (a command-line argument) to Windows-1252; characters without a code become "?".
std::string ToConfigText(std::wstring_view text);
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
// The value of an environment variable, empty when it is not set.
std::wstring EnvironmentValue(const wchar_t* name);

} // namespace qv::starter::win
