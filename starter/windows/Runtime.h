#pragma once

// The runtime: the configuration, its windows and what they do, on the runtime rules. It
// translates the windows' events into calls of the rules (LinkRule, CloseFlow, BlocksKey) and
// carries out their answers with Win32.
#include "rules/CloseFlow.h"
#include "rules/ConfigSource.h"
#include "rules/LinkRule.h"
#include "rules/RuntimeSettings.h"
#include "windows/Splash.h"
#include "windows/StarterWindow.h"

#include <memory>
#include <vector>

namespace qv::starter::win {

// The runtime's settings in Win32 terms.
WindowSetup SetupFor(const RuntimeSettings& settings);
// The key code of a key message: virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt.
int KeyCodeOf(WPARAM virtualKey, bool shift, bool control, bool alt);
// A program's parameters as one Windows command line: each argument quoted where it needs it.
std::wstring CommandLineOf(const std::vector<std::string>& arguments);

class Runtime final : public WindowOwner {
public:
    Runtime(HINSTANCE instance, LoadedConfiguration configuration, bool selfCheck);
    ~Runtime() override;

    // Starts the programs of `execute`, the splash and the main window; false when no window
    // could be created.
    bool start();
    // Runs the message loop until the main window is gone; returns the exit code.
    int run();

    // WindowOwner
    bool allowNavigation(StarterWindow& window, const std::wstring& url, bool topLevel) override;
    bool handleNewWindow(StarterWindow& window, const std::wstring& url) override;
    bool allowClose(StarterWindow& window) override;
    void windowClosed(StarterWindow& window) override;
    void documentComplete(StarterWindow& window, const std::wstring& url) override;

private:
    struct Shown {
        RuntimeSettings settings;
        LinkRule links;
        std::unique_ptr<StarterWindow> window;
        bool runtimeNavigation = false; // the next navigation is the runtime's own
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
    void writeSelfCheck();

    HINSTANCE instance_;
    LoadedConfiguration configuration_;
    Shown main_;
    CloseFlow closeFlow_;
    std::vector<std::unique_ptr<Shown>> popups_;
    std::vector<std::unique_ptr<Shown>> closedPopups_; // deleted outside their own messages
    Splash splash_;
    bool selfCheck_;
    bool startPageComplete_ = false;
};

} // namespace qv::starter::win
