// The benchmark's baseline: a bare Win32 window that hosts the same WebBrowser control through the
// same client site and loads the page given as its argument; no configuration, no rules.
//   bare_window.exe PAGE
#include "windows/BrowserHost.h"
#include "windows/Handles.h"

#include <shellapi.h>

using namespace qv::starter::win;

namespace {

class Events final : public BrowserEvents {
public:
    bool beforeNavigate(const std::wstring&, bool) override { return true; }
    bool newWindow(const std::wstring&, bool) override { return false; }
    void titleChanged(const std::wstring&) override {}
    void closeRequested() override {}
    void documentComplete(const std::wstring&, bool) override {}
    bool allowsRequest(const std::wstring&) override { return true; }
    void download(const std::wstring&, IMoniker*) override {}
};

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring page = arguments && count > 1 ? arguments[1] : L"about:blank";
    LocalFree(arguments);
    OleScope ole;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"BareWindow";
    RegisterClassExW(&windowClass);
    RECT frame{0, 0, 640, 480};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND window = CreateWindowExW(0, L"BareWindow", L"BenchBare", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  nullptr, nullptr, instance, nullptr);
    Events events;
    RECT client{};
    GetClientRect(window, &client);
    ComPtr<BrowserHost> host = BrowserHost::Create(window, client, HostFlags{}, events);
    ShowWindow(window, SW_SHOWNORMAL);
    if (host)
        host->navigate(page);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (host)
        host->close();
    return 0;
}
