#pragma once

// The small Win32 facilities the runtime needs besides its windows: the browser emulation
// setting, DPI awareness and scaling, elevation.
#include <windows.h>

#include <string>

namespace qv::starter::win {

// The document mode the control renders in when the program has no setting of its own.
inline constexpr DWORD kBrowserEmulation = 11001; // the engine's newest standards mode

// Sets HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION
// "<program file name>" to kBrowserEmulation when that value is missing; an existing value (set
// by the user or an administrator) is left alone. Returns the value in effect, 0 when none.
DWORD EnsureBrowserEmulation(const std::wstring& programFileName);

// Asks the control to manage pop-ups for this process (FEATURE_WEBOC_POPUPMANAGEMENT), so that it
// marks the new windows a user's action asked for (NWMF_USERINITIATED) and refuses a script's own.
// urlmon.dll is loaded by name: the program imports only what every Windows has linked.
void EnablePopupManagement();

// Per-monitor DPI awareness (Windows 10 1703 and later; older systems: system awareness).
void BecomeDpiAware();
// The DPI of the monitor that holds `window` (or of the system when the call is missing).
UINT DpiFor(HWND window);
UINT SystemDpi();
int Scale(int logical, UINT dpi);
// AdjustWindowRectEx for `dpi` where the system has it.
void AdjustForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);

// The full path of the running program.
std::wstring ProgramPath();

} // namespace qv::starter::win
