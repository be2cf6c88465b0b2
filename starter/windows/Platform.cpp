#include "windows/Platform.h"

#include "windows/Handles.h"
#include "windows/Trace.h"

namespace qv::starter::win {
namespace {

template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name)
{
    HMODULE handle = GetModuleHandleW(module);
    return handle ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

} // namespace

BrowserEmulation::BrowserEmulation(std::wstring programFileName) : name_(std::move(programFileName))
{
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kBrowserEmulationKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &opened, nullptr) != ERROR_SUCCESS) {
        Trace("RegCreateKeyEx(FEATURE_BROWSER_EMULATION) failed");
        return;
    }
    UniqueKey key(opened);
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExW(key.get(), name_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
        ERROR_SUCCESS) {
        value_ = type == REG_DWORD ? value : 0;
        if (value_ < kOldestStandardsEmulation)
            Trace("browser-emulation foreign " + std::to_string(value_));
        return;
    }
    value = kBrowserEmulation;
    if (RegSetValueExW(key.get(), name_.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value) != ERROR_SUCCESS) {
        Trace("RegSetValueEx(FEATURE_BROWSER_EMULATION) failed");
        return;
    }
    value_ = value;
    created_ = true;
    Trace("browser-emulation set");
}

BrowserEmulation::~BrowserEmulation()
{
    if (!created_)
        return;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kBrowserEmulationKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened) !=
        ERROR_SUCCESS)
        return;
    UniqueKey key(opened);
    DWORD value = 0, type = 0, size = sizeof value;
    // Someone may have set a value of their own meanwhile: only ours goes.
    if (RegQueryValueExW(key.get(), name_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && value == kBrowserEmulation)
        RegDeleteValueW(key.get(), name_.c_str());
}

void EnablePopupManagement()
{
    constexpr int kPopupManagement = 5;   // FEATURE_WEBOC_POPUPMANAGEMENT
    constexpr DWORD kForProcess = 0x2;    // SET_FEATURE_ON_PROCESS
    using SetFeature = HRESULT(WINAPI*)(int, DWORD, BOOL);
    HMODULE urlmon = LoadLibraryW(L"urlmon.dll");
    auto set = urlmon ? reinterpret_cast<SetFeature>(reinterpret_cast<void*>(
                            GetProcAddress(urlmon, "CoInternetSetFeatureEnabled")))
                      : nullptr;
    if (!set) {
        Trace("CoInternetSetFeatureEnabled missing");
        return;
    }
    Check(set(kPopupManagement, kForProcess, TRUE), "CoInternetSetFeatureEnabled(POPUPMANAGEMENT)");
}

void BecomeDpiAware()
{
    using SetContext = BOOL(WINAPI*)(HANDLE);
    if (auto set = SystemFunction<SetContext>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
        if (set(reinterpret_cast<HANDLE>(-4))) // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
            return;
    }
    SetProcessDPIAware();
}

UINT SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT DpiFor(HWND window)
{
    using GetForWindow = UINT(WINAPI*)(HWND);
    if (auto get = SystemFunction<GetForWindow>(L"user32.dll", "GetDpiForWindow")) {
        if (const UINT dpi = window ? get(window) : 0)
            return dpi;
    }
    return SystemDpi();
}

int IconSize(int metric, UINT dpi)
{
    using ForDpi = int(WINAPI*)(int, UINT);
    if (auto get = SystemFunction<ForDpi>(L"user32.dll", "GetSystemMetricsForDpi"))
        if (const int size = get(metric, dpi); size > 0)
            return size;
    return MulDiv(GetSystemMetrics(metric), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

int Scale(int logical, UINT dpi)
{
    return MulDiv(logical, static_cast<int>(dpi), 96);
}

void AdjustForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi)
{
    using Adjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    if (auto adjust = SystemFunction<Adjust>(L"user32.dll", "AdjustWindowRectExForDpi")) {
        if (adjust(&rect, style, FALSE, exStyle, dpi))
            return;
    }
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

std::wstring ProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() > 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

} // namespace qv::starter::win
