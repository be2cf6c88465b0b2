#pragma once

// The small Win32 facilities the runtime needs besides its windows: the browser emulation
// setting, DPI awareness and scaling, elevation.
#include <windows.h>

#include <string>

namespace qv::starter::win {

// The document mode the control renders in when the program has no setting of its own.
inline constexpr DWORD kBrowserEmulation = 11001; // the engine's newest standards mode
// Values below this one put the control into an old document mode (7000: IE7).
inline constexpr DWORD kOldestStandardsEmulation = 11000;

// The program's value under kBrowserEmulationKey (HKCU), named like its file ("starter.exe", a
// name other menus share). A missing value is set to kBrowserEmulation for this run and removed
// again at its end (when it still holds what this run wrote); an existing one (the user's, an
// administrator's, another program's) is left alone.
class BrowserEmulation {
public:
    explicit BrowserEmulation(std::wstring programFileName);
    ~BrowserEmulation();
    BrowserEmulation(const BrowserEmulation&) = delete;
    BrowserEmulation& operator=(const BrowserEmulation&) = delete;

    // The value in effect; 0 when there is none.
    DWORD value() const { return value_; }
    bool created() const { return created_; }

private:
    std::wstring name_;
    DWORD value_ = 0;
    bool created_ = false;
};

// The registry key of the emulation values (under HKCU).
inline constexpr wchar_t kBrowserEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

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
// The system's window icon size (SM_CXICON or SM_CXSMICON) at `dpi`.
int IconSize(int metric, UINT dpi);
// AdjustWindowRectEx for `dpi` where the system has it.
void AdjustForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);

// The full path of the running program.
std::wstring ProgramPath();

} // namespace qv::starter::win
