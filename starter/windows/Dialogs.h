#pragma once

// The runtime's small German dialogs.
#include <windows.h>

#include <optional>
#include <string>

namespace qv::starter::win {

// The exit-password question; nullopt when cancelled. The answer is UTF-8.
std::optional<std::string> AskPassword(HWND owner);
// The note that the password was wrong.
void ShowWrongPassword(HWND owner);

} // namespace qv::starter::win
