#pragma once

// The runtime driven at the browser control's interface, as the control drives it: the host's
// IDispatch::Invoke with the exact DISPPARAMS of DWebBrowserEvents2, and the messages Windows
// sends to the window and the message loop. Under Wine no page renders, so a test hands these
// events over itself and reads what the runtime did: what it handed to the desktop, which windows
// it showed, what its message filter kept back.
#include "rules/ConfigSource.h"
#include "windows/BrowserHost.h"
#include "windows/Desktop.h"
#include "windows/Runtime.h"
#include "windows/Text.h"

#include <gtest/gtest.h>

#include <exdispid.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace qv::starter::win::test {

// NewWindow3's flags (NWMF_USERINITIATED, NWMF_FIRST).
inline constexpr DWORD kUserInitiated = 0x2;
inline constexpr DWORD kFirst = 0x4;

// OLE for the test program's thread, as starter.exe's main has it.
class OleEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

// A menu folder in the temporary folder, removed again.
class MenuFolder {
public:
    MenuFolder()
    {
        static int counter = 0;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::filesystem::path(temp) /
                (L"qv-host-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
        std::filesystem::create_directories(path_);
        write(L"index.html", "<html><head><title>Start</title></head><body>Start</body></html>");
    }
    ~MenuFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    MenuFolder(const MenuFolder&) = delete;
    MenuFolder& operator=(const MenuFolder&) = delete;

    void write(const std::wstring& name, const std::string& bytes) const
    {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }
    // A drive path in the folder ("Z:\tmp\...\name"), as Wine's control hands file addresses over.
    std::wstring native(const std::wstring& name = {}) const
    {
        std::wstring text = (path_ / name).wstring();
        for (wchar_t& c : text)
            if (c == L'/')
                c = L'\\';
        return text;
    }
    std::string utf8() const { return ToUtf8(native()); }

private:
    std::filesystem::path path_;
};

// What the runtime would have handed to the desktop: "browser <address>", "program <target>",
// "save <proposed name>", "failed <path>"; the save dialog answers with `saveAnswer`.
class RecordingDesktop final : public Desktop {
public:
    bool openInBrowser(const std::wstring& url) override
    {
        calls.push_back(L"browser " + url);
        return true;
    }
    bool openWithProgram(const std::wstring& target) override
    {
        calls.push_back(L"program " + target);
        return true;
    }
    std::optional<std::wstring> askSavePath(HWND, const std::wstring& proposedName) override
    {
        calls.push_back(L"save " + proposedName);
        return saveAnswer;
    }
    void saveFailed(HWND, const std::wstring& path) override { calls.push_back(L"failed " + path); }
    std::vector<std::wstring> calls;
    std::optional<std::wstring> saveAnswer;
};

// Dispatches what is waiting in the thread's queue through the runtime's own filter, as its loop
// does (a bounded number: the control may post to itself).
inline void Pump(Runtime& runtime)
{
    MSG message;
    for (int i = 0; i < 2000 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (message.message == WM_QUIT)
            break;
        if (runtime.preDispatch(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// A started runtime on a menu folder with `arguments` on its command line ("/key=value", UTF-8).
struct StartedMenu {
    explicit StartedMenu(const std::vector<std::string>& arguments, const MenuFolder* existing = nullptr)
    {
        const MenuFolder& menu = existing ? *existing : ownFolder;
        LoadedConfiguration configuration =
            LoadStarterConfiguration(menu.utf8() + "\\starter.exe", arguments, std::nullopt);
        runtime = std::make_unique<Runtime>(GetModuleHandleW(nullptr), std::move(configuration), false, &desktop);
        started = runtime->start();
        Pump(*runtime);
    }
    ~StartedMenu()
    {
        runtime.reset();
        MSG message; // what the windows left behind (WM_QUIT among it) stays out of the next case
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    StarterWindow& window() const { return *runtime->mainWindow(); }
    BrowserHost& host() const { return *runtime->mainWindow()->browser(); }
    // The control's page window, where the user's clicks and keys land (the window itself when the
    // control has none).
    HWND page() const
    {
        HWND child = GetWindow(window().handle(), GW_CHILD);
        return child ? child : window().handle();
    }
    // The user's click in the page: the mouse button coming up.
    void click() const
    {
        MSG message{};
        message.hwnd = page();
        message.message = WM_LBUTTONUP;
        message.time = GetTickCount();
        runtime->preDispatch(message);
    }

    MenuFolder ownFolder;
    RecordingDesktop desktop;
    std::unique_ptr<Runtime> runtime;
    bool started = false;
};

inline HRESULT Fire(BrowserHost& host, DISPID member, VARIANT* reversedArguments, UINT count)
{
    DISPPARAMS parameters{reversedArguments, nullptr, count, 0};
    return host.Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr,
                       nullptr);
}

// NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl); true when the host cancelled it.
inline bool NewWindow3(BrowserHost& host, const std::wstring& url, DWORD flags, VARTYPE flagsType = VT_UI4)
{
    OwnedBstr address(url.c_str()), context(L"");
    IDispatch* created = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT arguments[5];
    for (VARIANT& argument : arguments)
        VariantInit(&argument);
    arguments[4].vt = VT_BYREF | VT_DISPATCH;
    arguments[4].ppdispVal = &created;
    arguments[3].vt = VT_BYREF | VT_BOOL;
    arguments[3].pboolVal = &cancel;
    arguments[2].vt = flagsType;
    arguments[2].ulVal = flags;
    arguments[1].vt = VT_BSTR;
    arguments[1].bstrVal = context.get();
    arguments[0].vt = VT_BSTR;
    arguments[0].bstrVal = address.get();
    EXPECT_EQ(Fire(host, DISPID_NEWWINDOW3, arguments, 5), S_OK);
    return cancel == VARIANT_TRUE;
}

// The IDispatch a frame's events name: any object but the control itself.
inline IDispatch* FrameOf(BrowserHost& host)
{
    return static_cast<DWebBrowserEvents2*>(&host);
}

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel), the values by
// reference in VARIANTs as the control sends them; true when the host cancelled it.
inline bool BeforeNavigate2(BrowserHost& host, const std::wstring& url, bool topLevel)
{
    OwnedBstr address(url.c_str()), frame(L""), headers(L"");
    VARIANT urlValue, flagsValue, frameValue, postValue, headersValue;
    VariantInit(&urlValue);
    urlValue.vt = VT_BSTR;
    urlValue.bstrVal = address.get();
    VariantInit(&flagsValue);
    flagsValue.vt = VT_I4;
    VariantInit(&frameValue);
    frameValue.vt = VT_BSTR;
    frameValue.bstrVal = frame.get();
    VariantInit(&postValue);
    VariantInit(&headersValue);
    headersValue.vt = VT_BSTR;
    headersValue.bstrVal = headers.get();
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT arguments[7];
    for (VARIANT& argument : arguments)
        VariantInit(&argument);
    arguments[6].vt = VT_DISPATCH;
    arguments[6].pdispVal = topLevel ? static_cast<IDispatch*>(host.browser()) : FrameOf(host);
    VARIANT* values[] = {&urlValue, &flagsValue, &frameValue, &postValue, &headersValue};
    for (int i = 0; i < 5; ++i) {
        arguments[5 - i].vt = VT_BYREF | VT_VARIANT;
        arguments[5 - i].pvarVal = values[i];
    }
    arguments[0].vt = VT_BYREF | VT_BOOL;
    arguments[0].pboolVal = &cancel;
    EXPECT_EQ(Fire(host, DISPID_BEFORENAVIGATE2, arguments, 7), S_OK);
    return cancel == VARIANT_TRUE;
}

// TitleChange(Text).
inline void TitleChange(BrowserHost& host, const std::wstring& text)
{
    OwnedBstr title(text.c_str());
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = title.get();
    EXPECT_EQ(Fire(host, DISPID_TITLECHANGE, &argument, 1), S_OK);
}

// DocumentComplete(pDisp, URL).
inline void DocumentComplete(BrowserHost& host, const std::wstring& url, bool topLevel)
{
    OwnedBstr address(url.c_str());
    VARIANT urlValue;
    VariantInit(&urlValue);
    urlValue.vt = VT_BSTR;
    urlValue.bstrVal = address.get();
    VARIANT arguments[2];
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    arguments[1].vt = VT_DISPATCH;
    arguments[1].pdispVal = topLevel ? static_cast<IDispatch*>(host.browser()) : FrameOf(host);
    arguments[0].vt = VT_BYREF | VT_VARIANT;
    arguments[0].pvarVal = &urlValue;
    EXPECT_EQ(Fire(host, DISPID_DOCUMENTCOMPLETE, arguments, 2), S_OK);
}

inline std::wstring WindowText(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// The visible top-level windows of the runtime's class in this thread (main window and popups).
inline int VisibleStarterWindows()
{
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM counter) {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (IsWindowVisible(window) && std::wstring(name) == L"QuorvaneStarterWindow")
                ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

} // namespace qv::starter::win::test
