#pragma once

// One window of the runtime (the main window or a popup): frame per border style, size and
// position in logical pixels, skin with its shape and button areas, fading, and the browser
// control in its page area. What happens on navigation, new windows and closing is the owner's.
#include "windows/BrowserHost.h"
#include "windows/Handles.h"
#include "windows/Picture.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv::starter::win {

// The seven border styles in the designer's order.
enum class Frame { None, Sizeable, Dialog, Single, Tool, SizeTool, Minimal };

// What a window is built from: the runtime's settings translated to Win32 terms.
struct WindowSetup {
    std::wstring caption;
    bool varCaption = false;
    std::wstring icon;                          // path; empty: the program's icon
    std::optional<int> width, height, minWidth, minHeight, left, top; // logical pixels
    bool maximized = false;
    Frame frame = Frame::Sizeable;
    bool onTop = false;
    HostFlags host;
    bool fadeIn = false, fadeOut = false;
    std::wstring skin;                          // path
    std::optional<RECT> skinPos, minButton, closeButton; // picture pixels (left, top, right, bottom)
    std::optional<std::uint32_t> transparencyColor; // 0xRRGGBB
    bool moveEverywhere = false;
};

class StarterWindow;

class WindowOwner {
public:
    virtual ~WindowOwner() = default;
    virtual bool allowNavigation(StarterWindow& window, const std::wstring& url, bool topLevel) = 0;
    // True: the owner handled the new window; the control opens none.
    virtual bool handleNewWindow(StarterWindow& window, const std::wstring& url, bool userInitiated) = 0;
    // The close flow (password); true lets the window close.
    virtual bool allowClose(StarterWindow& window) = 0;
    // The window has faded out and is gone.
    virtual void windowClosed(StarterWindow& window) = 0;
    virtual void documentComplete(StarterWindow& window, const std::wstring& url, bool topLevel) = 0;
    // Whether a request of the window's page may be made (the folder rule).
    virtual bool allowsRequest(StarterWindow& window, const std::wstring& url) = 0;
    // A download the window's control would make; `source` binds to its data.
    virtual void download(StarterWindow& window, const std::wstring& url, IMoniker* source) = 0;
};

// fadein: the fade starts with the page's top-level DocumentComplete (a window fading in before
// would show white); a page that never completes starts it after kFadeWaitMilliseconds.
inline constexpr UINT_PTR kFadeWaitTimer = 2;
inline constexpr UINT kFadeWaitMilliseconds = 3000;

class StarterWindow final : public BrowserEvents {
public:
    StarterWindow(WindowSetup setup, WindowOwner& owner);
    ~StarterWindow() override;
    StarterWindow(const StarterWindow&) = delete;
    StarterWindow& operator=(const StarterWindow&) = delete;

    // Creates the window hidden, with the browser control in it; false when it cannot be created.
    bool create(HINSTANCE instance, HWND owner = nullptr);
    void show();
    void navigate(const std::wstring& url);
    // Writes `html` as the shown document once the blank page is loaded (a message page).
    void showHtml(const std::wstring& html);
    // Asks to close: the owner's close flow, then fading out, then the window goes.
    void requestClose();
    // Keys and mouse messages of the message loop, before they are dispatched; true swallows.
    bool preTranslate(MSG& message);

    HWND handle() const { return window_; }
    BrowserHost* browser() const { return browser_.Get(); }
    const WindowSetup& setup() const { return setup_; }

    // BrowserEvents
    bool beforeNavigate(const std::wstring& url, bool topLevel) override;
    bool newWindow(const std::wstring& url, bool userInitiated) override;
    void titleChanged(const std::wstring& title) override;
    void closeRequested() override;
    void documentComplete(const std::wstring& url, bool topLevel) override;
    bool allowsRequest(const std::wstring& url) override;
    void download(const std::wstring& url, IMoniker* source) override;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    RECT pageArea() const;
    void applyShape();
    void paintSkin();
    // The window's icons made for the DPI of its monitor.
    void applyIcons();
    void fadeStep();
    void startFadeIn();
    void showTitle(const std::wstring& title);
    void finishClose();
    bool dragFromPage(const MSG& message);

    WindowSetup setup_;
    WindowOwner* owner_;
    HWND window_ = nullptr;
    ComPtr<BrowserHost> browser_;
    std::optional<Picture> skin_;
    std::optional<IconSource> iconSource_;
    UniqueIcon bigIcon_, smallIcon_;
    UINT dpi_ = 96;
    std::wstring pendingHtml_;
    enum class Fade { None, Waiting, In, Out } fade_ = Fade::None;
    ULONGLONG fadeStart_ = 0;
    int pressedArea_ = 0; // 1 minimise, 2 close, while the button is down on it
    bool closing_ = false;
};

} // namespace qv::starter::win
