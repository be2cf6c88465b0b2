#include "windows/Splash.h"

#include "windows/Trace.h"

namespace qv::starter::win {
namespace {

constexpr wchar_t kClassName[] = L"QuorvaneStarterSplash";
constexpr UINT_PTR kTimer = 1;

} // namespace

bool Splash::show(HINSTANCE instance, Picture picture, std::function<void()> finished)
{
    picture_ = std::move(picture);
    finished_ = std::move(finished);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance, kClassName, &windowClass)) {
        windowClass.lpfnWndProc = &Splash::Procedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kClassName;
        if (!RegisterClassExW(&windowClass))
            return false;
    }
    const int x = (GetSystemMetrics(SM_CXSCREEN) - picture_.width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - picture_.height) / 2;
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClassName, L"", WS_POPUP, x, y, picture_.width,
                              picture_.height, nullptr, nullptr, instance, this);
    if (!window_)
        return false;
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    SetTimer(window_, kTimer, kSplashMilliseconds, nullptr);
    Trace("splash shown");
    return true;
}

Splash::~Splash()
{
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK Splash::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<Splash*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self) {
        if (message == WM_PAINT) {
            PAINTSTRUCT paint;
            HDC target = BeginPaint(window, &paint);
            HDC source = CreateCompatibleDC(target);
            HGDIOBJ previous = SelectObject(source, self->picture_.bitmap.get());
            BitBlt(target, 0, 0, self->picture_.width, self->picture_.height, source, 0, 0, SRCCOPY);
            SelectObject(source, previous);
            DeleteDC(source);
            EndPaint(window, &paint);
            return 0;
        }
        // Alt+F4 on the splash ends it early, like its time running out: the main window follows.
        if ((message == WM_TIMER && wParam == kTimer) || message == WM_CLOSE) {
            KillTimer(window, kTimer);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->window_ = nullptr;
            DestroyWindow(window);
            Trace("splash closed");
            if (self->finished_)
                self->finished_();
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace qv::starter::win
