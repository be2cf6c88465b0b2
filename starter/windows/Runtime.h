#pragma once

// The runtime: the configuration, its windows and what they do, on the runtime rules. It
// translates the windows' events into calls of the rules (LinkRule, CloseFlow, BlocksKey) and
// carries out their answers with Win32.
#include "rules/CloseFlow.h"
#include "rules/ConfigSource.h"
#include "rules/LinkRule.h"
#include "rules/RuntimeSettings.h"
#include "windows/Desktop.h"
#include "windows/FileRequestFilter.h"
#include "windows/Splash.h"
#include "windows/StarterWindow.h"

#include <memory>
#include <vector>

namespace qv::starter::win {

// The runtime's settings in Win32 terms.
WindowSetup SetupFor(const RuntimeSettings& settings);
// The key code of a key message: virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt.
int KeyCodeOf(WPARAM virtualKey, bool shift, bool control, bool alt);
// Whether Alt is part of a key message: the message's context bit (bit 29), or the Alt key held
// (Ctrl+Alt combinations come as WM_KEYDOWN). F10 comes as WM_SYSKEYDOWN without Alt.
bool AltOf(const MSG& message, bool altKeyDown);
// New windows a page may have open at once (exenewwindow=3).
inline constexpr size_t kMaxPopups = 3;
// How long after a user's click or Enter in a page a navigation or new window counts as clicked.
inline constexpr ULONGLONG kClickMilliseconds = 1000;
// The file name a download proposes: the address's last path segment, %-escapes decoded,
// characters Windows does not allow in a name replaced by "_"; "Download" when there is none.
std::wstring DownloadName(const std::wstring& url);
// A program's parameters as one Windows command line: each argument quoted where it needs it.
std::wstring CommandLineOf(const std::vector<std::string>& arguments);

class Runtime final : public WindowOwner {
public:
    // `desktop`: where addresses and files are handed over; null: the shell.
    Runtime(HINSTANCE instance, LoadedConfiguration configuration, bool selfCheck, Desktop* desktop = nullptr);
    ~Runtime() override;

    // Starts the programs of `execute`, the splash and the main window; false when no window
    // could be created.
    bool start();
    // Runs the message loop until the main window is gone; returns the exit code.
    int run();
    // One message of the loop before it is dispatched: the self-check's timer, the user's clicks,
    // the key filter, the control's accelerators. True: handled here, not to be dispatched.
    bool preDispatch(MSG& message);

    StarterWindow* mainWindow() const { return main_.window.get(); }
    size_t popupCount() const { return popups_.size(); }

    // WindowOwner
    bool allowNavigation(StarterWindow& window, const std::wstring& url, bool topLevel) override;
    bool handleNewWindow(StarterWindow& window, const std::wstring& url, bool userInitiated) override;
    bool allowClose(StarterWindow& window) override;
    void windowClosed(StarterWindow& window) override;
    void documentComplete(StarterWindow& window, const std::wstring& url, bool topLevel) override;
    bool allowsRequest(StarterWindow& window, const std::wstring& url) override;
    void download(StarterWindow& window, const std::wstring& url, IMoniker* source) override;

private:
    struct Shown {
        RuntimeSettings settings;
        LinkRule links;
        std::unique_ptr<StarterWindow> window;
        bool runtimeNavigation = false; // the next navigation is the runtime's own
        bool clickPending = false;      // a click or Enter in the page not yet used
        ULONGLONG clickAt = 0;
    };
    Shown* find(const StarterWindow& window);
    Shown* findByHandle(HWND window);
    void openMainWindow();
    void navigateTo(Shown& shown, const std::wstring& address);
    void navigateForTest();
    void openPopup(const std::string& address);
    void runProgram(const std::string& program, const std::string& parameters, const char* what);
    void openOnDesktop(const std::string& address);
    bool filterKey(const MSG& message);
    void noteClick(const MSG& message);
    bool takeClick(Shown& shown);
    void writeSelfCheck();

    HINSTANCE instance_;
    ShellDesktop shell_;
    Desktop* desktop_;
    LoadedConfiguration configuration_;
    Shown main_;
    CloseFlow closeFlow_;
    std::vector<std::unique_ptr<Shown>> popups_;
    std::vector<std::unique_ptr<Shown>> closedPopups_; // deleted outside their own messages
    Splash splash_;
    std::unique_ptr<FileRequestFilter> fileFilter_;
    bool selfCheck_;
    bool startPageComplete_ = false;
};

} // namespace qv::starter::win
