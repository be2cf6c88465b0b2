// The Windows runtime's rules where the control asks: one table per rule, each row a started
// runtime (or a step on one) driven with the control's events and Windows' messages.
#include "HostEvents.h"

#include "windows/FileRequestFilter.h"
#include "windows/HostServices.h"
#include "windows/Picture.h"
#include "windows/Platform.h"
#include "windows/SelfCheck.h"
#include "windows/SingleMenu.h"
#include "windows/Trace.h"

#include <gtest/gtest.h>

#include <mshtmhst.h>
#include <psapi.h>
#include <urlmon.h>
#include <wincodec.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <thread>
#include <variant>

using namespace qv::starter;
using namespace qv::starter::win;
using namespace qv::starter::win::test;

namespace {

const ::testing::Environment* const ole = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

// New windows: exenewwindow × target kind × the control's flags × the user's click. Without
// exenewwindow an address goes to the browser, never to a local file's own program; only a
// click with the control's user flag opens anything.
TEST(HostNewWindow, FollowsTheRuleOnlyForAClick)
{
    enum class Target { InFolder, FileUrl, Web, Outside, Mail };
    struct Case {
        const char* what;
        const char* exeNewWindow; // nullptr: not given
        Target target;
        const wchar_t* name;      // in the folder (InFolder, FileUrl, Outside: relative to it)
        DWORD flags;
        VARTYPE flagsType;
        bool click;
        const wchar_t* expected;  // "browser", "program" or "" (nothing handed over)
        int popups;
    };
    const DWORD user = kUserInitiated | kFirst;
    const Case cases[] = {
        {"batch file, default", nullptr, Target::InFolder, L"tools\\install.bat", user, VT_UI4, true, L"browser", 0},
        {"hta as file URL, default", nullptr, Target::FileUrl, L"menu.hta", user, VT_UI4, true, L"browser", 0},
        {"program, default", nullptr, Target::InFolder, L"setup.exe", user, VT_UI4, true, L"browser", 0},
        {"web page, default", nullptr, Target::Web, L"https://example.org/a.html", user, VT_UI4, true, L"browser", 0},
        {"flags as VT_I4", nullptr, Target::Web, L"https://example.org/a.html", kUserInitiated, VT_I4, true,
         L"browser", 0},
        {"external file, default", nullptr, Target::InFolder, L"katalog.pdf", user, VT_UI4, true, L"program", 0},
        {"mail, default", nullptr, Target::Mail, L"mailto:info@example.org", user, VT_UI4, true, L"program", 0},
        {"batch file, exenewwindow=1", "1", Target::InFolder, L"tools\\install.bat", user, VT_UI4, true, L"program",
         0},
        {"outside the folder", nullptr, Target::Outside, L"..\\draussen.html", user, VT_UI4, true, L"", 0},
        {"same window, exenewwindow=2", "2", Target::InFolder, L"seite2.html", user, VT_UI4, true, L"", 0},
        {"popup, exenewwindow=3", "3", Target::InFolder, L"seite2.html", user, VT_UI4, true, L"", 1},
        {"script without the user flag", nullptr, Target::Web, L"https://example.org/a.html", 0, VT_UI4, true, L"",
         0},
        {"script popup without the user flag", "3", Target::InFolder, L"seite2.html", 0, VT_UI4, true, L"", 0},
        {"user flag but no click", nullptr, Target::Web, L"https://example.org/a.html", user, VT_UI4, false, L"",
         0},
        {"user flag but no click, popup", "3", Target::InFolder, L"seite2.html", user, VT_UI4, false, L"", 0},
    };
    // One started menu per exenewwindow value; each row's click is used by its own new window.
    std::map<std::string, std::unique_ptr<StartedMenu>> menus;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<StartedMenu>& slot = menus[c.exeNewWindow ? c.exeNewWindow : ""];
        if (!slot) {
            std::vector<std::string> arguments{"/startfile=index.html", "/external=pdf"};
            if (c.exeNewWindow)
                arguments.push_back(std::string("/exenewwindow=") + c.exeNewWindow);
            slot = std::make_unique<StartedMenu>(arguments);
        }
        StartedMenu& started = *slot;
        ASSERT_TRUE(started.started);
        const MenuFolder& menu = started.ownFolder;
        std::wstring address;
        switch (c.target) {
        case Target::InFolder:
        case Target::Outside:
            address = menu.native(c.name);
            break;
        case Target::FileUrl: {
            address = L"file:///" + menu.native(c.name);
            for (wchar_t& ch : address)
                if (ch == L'\\')
                    ch = L'/';
            break;
        }
        case Target::Web:
        case Target::Mail:
            address = c.name;
            break;
        }
        if (c.target == Target::InFolder || c.target == Target::FileUrl)
            menu.write(c.name, "x");
        started.desktop.calls.clear();
        const size_t popupsBefore = started.runtime->popupCount();
        int windowsBefore = VisibleStarterWindows();
        if (c.click)
            started.click();
        EXPECT_TRUE(NewWindow3(started.host(), address, c.flags, c.flagsType)) << "the control opens its own window";
        Pump(*started.runtime);
        std::vector<std::wstring> expected;
        if (*c.expected)
            expected.push_back(std::wstring(c.expected) + L" " +
                               (std::wstring(c.expected) == L"program" && c.target == Target::InFolder
                                    ? menu.native(c.name)
                                    : address));
        EXPECT_EQ(started.desktop.calls, expected);
        EXPECT_EQ(started.runtime->popupCount(), popupsBefore + static_cast<size_t>(c.popups));
        EXPECT_EQ(VisibleStarterWindows(), windowsBefore + c.popups);
    }
}

// One window per click, at most three popups at once.
TEST(HostNewWindow, OnePerClickAndAtMostThreePopups)
{
    {
        StartedMenu started({"/startfile=index.html"});
        started.click();
        NewWindow3(started.host(), L"https://example.org/eins.html", kUserInitiated | kFirst);
        NewWindow3(started.host(), L"https://example.org/zwei.html", kUserInitiated);
        EXPECT_EQ(started.desktop.calls, std::vector<std::wstring>{L"browser https://example.org/eins.html"});
    }
    StartedMenu started({"/startfile=index.html", "/exenewwindow=3"});
    started.ownFolder.write(L"seite2.html", "x");
    for (int i = 0; i < 6; ++i) {
        started.click();
        NewWindow3(started.host(), started.ownFolder.native(L"seite2.html"), kUserInitiated | kFirst);
        Pump(*started.runtime);
    }
    EXPECT_EQ(started.runtime->popupCount(), kMaxPopups);
    EXPECT_EQ(VisibleStarterWindows(), 1 + static_cast<int>(kMaxPopups));
    EXPECT_TRUE(started.desktop.calls.empty());
}

// The browser gets a local file as a file: URL, so that its own type never decides.
TEST(HostNewWindow, BrowserAddressOfALocalFile)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Menü\\tools\\install.bat", L"file:///C:/Menü/tools/install.bat"},
        {L"Z:\\a b\\50%#1.html", L"file:///Z:/a%20b/50%25%231.html"},
        {L"\\\\server\\share\\x.hta", L"file://server/share/x.hta"},
        {L"file:///C:/x.html", L"file:///C:/x.html"},
        {L"https://example.org/?a=b", L"https://example.org/?a=b"},
    };
    for (const auto& [address, expected] : cases)
        EXPECT_EQ(BrowserAddress(address), expected) << ToUtf8(address);
}

// External files open on the desktop only for the user's click: a script's location, a refresh
// or a timer load them like any file; a clicked link in a frame opens on the desktop too.
TEST(HostNavigation, ExternalFilesFollowTheClick)
{
    struct Step {
        const char* what;
        const wchar_t* name;
        bool topLevel, click;
        bool cancelled;
        bool handedOver;
    };
    // One window, step by step: each click is used by the navigation that follows it.
    const Step steps[] = {
        {"script in the page", L"katalog.pdf", true, false, false, false},
        {"script in a frame", L"katalog.pdf", false, false, false, false},
        {"clicked link in the page", L"katalog.pdf", true, true, true, true},
        {"clicked link in a frame", L"katalog.pdf", false, true, true, true},
        {"clicked page link", L"seite2.html", true, true, false, false},
        {"the page's timer after it", L"katalog.pdf", true, false, false, false},
    };
    StartedMenu started({"/startfile=index.html", "/external=pdf"});
    ASSERT_TRUE(started.started);
    started.ownFolder.write(L"katalog.pdf", "%PDF");
    started.ownFolder.write(L"seite2.html", "x");
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        started.desktop.calls.clear();
        if (step.click)
            started.click();
        const std::wstring address = started.ownFolder.native(step.name);
        EXPECT_EQ(BeforeNavigate2(started.host(), address, step.topLevel), step.cancelled);
        const std::vector<std::wstring> expected =
            step.handedOver ? std::vector<std::wstring>{L"program " + address} : std::vector<std::wstring>{};
        EXPECT_EQ(started.desktop.calls, expected);
    }
}

// Keys: the code the blocked-key list compares, from the message as Windows sends it. F10 comes
// as WM_SYSKEYDOWN without Alt (context bit 29 clear).
TEST(HostKeys, CodeFromTheMessage)
{
    constexpr LPARAM alt = LPARAM{1} << 29;
    struct Case {
        const char* list;
        UINT message;
        WPARAM key;
        LPARAM flags;
        const char* traced;
    };
    const Case cases[] = {
        {"121", WM_SYSKEYDOWN, VK_F10, 0, "key 121 blocked"},
        {"121", WM_KEYDOWN, VK_F10, 0, "key 121 blocked"},
        {"121", WM_SYSKEYDOWN, VK_F10, alt, "key 32889 passed"},
        {"32889", WM_SYSKEYDOWN, VK_F10, alt, "key 32889 blocked"},
        {"32889", WM_SYSKEYDOWN, VK_F10, 0, "key 121 passed"},
        {"32883", WM_SYSKEYDOWN, VK_F4, alt, "key 32883 blocked"},
        {"116", WM_KEYDOWN, VK_F5, 0, "key 116 blocked"},
        {"116", WM_SYSKEYDOWN, 'X', alt, "key 32856 passed"},
    };
    std::map<std::string, std::unique_ptr<StartedMenu>> menus;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.traced);
        std::unique_ptr<StartedMenu>& slot = menus[c.list];
        if (!slot)
            slot = std::make_unique<StartedMenu>(
                std::vector<std::string>{"/startfile=index.html", std::string("/disabledkeylist=") + c.list});
        StartedMenu& started = *slot;
        ASSERT_TRUE(started.started);
        MSG message{};
        message.hwnd = started.page();
        message.message = c.message;
        message.wParam = c.key;
        message.lParam = c.flags | 1;
        const size_t before = TracedLines().size();
        const bool swallowed = started.runtime->preDispatch(message);
        ASSERT_GT(TracedLines().size(), before);
        EXPECT_EQ(TracedLines().back(), c.traced);
        if (std::string(c.traced).ends_with("blocked")) {
            EXPECT_TRUE(swallowed);
        }
    }
}

// A 24-bit BMP of one colour.
std::string Bitmap(int width, int height)
{
    const int row = (width * 3 + 3) / 4 * 4;
    const int size = 54 + row * height;
    std::string bytes(static_cast<size_t>(size), '\0');
    auto put = [&](int at, int value, int count) {
        for (int i = 0; i < count; ++i)
            bytes[static_cast<size_t>(at + i)] = static_cast<char>((value >> (8 * i)) & 0xff);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            put(54 + y * row + x * 3, 0x2040c0, 3);
    return bytes;
}

// The splash ends by its time, by Alt+F4 (through the loop's filter and the system menu's close) or
// by a WM_CLOSE from elsewhere; every way shows the main window after it, and closing that window
// ends the program. The splash never leaves a program without a window behind.
TEST(HostSplash, EveryEndOpensTheMenuAndClosingItEndsTheProgram)
{
    enum class End { TimeOut, AltF4, SystemClose, Close };
    struct Case {
        const char* what;
        End end;
    };
    const Case cases[] = {
        {"time out", End::TimeOut},
        {"Alt+F4", End::AltF4},
        {"system menu close", End::SystemClose},
        {"WM_CLOSE", End::Close},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MenuFolder menu;
        menu.write(L"splash.bmp", Bitmap(40, 30));
        const size_t before = TracedLines().size();
        StartedMenu started({"/startfile=index.html", "/splash=splash.bmp"}, &menu);
        ASSERT_TRUE(started.started);
        HWND splash = FindWindowW(L"QuorvaneStarterSplash", nullptr);
        ASSERT_NE(splash, nullptr);
        HWND main = started.window().handle();
        EXPECT_FALSE(IsWindowVisible(main));
        switch (c.end) {
        case End::TimeOut:
            SendMessageW(splash, WM_TIMER, 1, 0);
            break;
        case End::AltF4: {
            // As the loop gets it: the key with Alt held (the context bit), then DefWindowProc's close.
            MSG key{};
            key.hwnd = splash;
            key.message = WM_SYSKEYDOWN;
            key.wParam = VK_F4;
            key.lParam = 0x20000001 | (MapVirtualKeyW(VK_F4, MAPVK_VK_TO_VSC) << 16);
            key.time = GetTickCount();
            if (!started.runtime->preDispatch(key)) {
                TranslateMessage(&key);
                DispatchMessageW(&key);
            }
            break;
        }
        case End::SystemClose:
            SendMessageW(splash, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case End::Close:
            SendMessageW(splash, WM_CLOSE, 0, 0);
            break;
        }
        Pump(*started.runtime);
        EXPECT_FALSE(IsWindow(splash));
        EXPECT_TRUE(IsWindowVisible(main));
        std::vector<std::string> order;
        for (size_t i = before; i < TracedLines().size(); ++i) {
            const std::string& line = TracedLines()[i];
            if (line == "splash shown" || line == "splash closed" || line == "window shown" || line == "window closed")
                order.push_back(line);
        }
        EXPECT_EQ(order, (std::vector<std::string>{"splash shown", "splash closed", "window shown"}));
        // Closing the menu ends the program: the trace says so and the loop gets WM_QUIT.
        SendMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(TracedLines().back(), "window closed");
        MSG quit;
        EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
}

// varcaption: the control's TitleChange carries the address while a page loads and when it has no
// title; the window shows the page's title or the caption, never the address.
TEST(HostTitle, VarCaptionShowsTitlesNotAddresses)
{
    StartedMenu started({"/startfile=index.html", "/varcaption=1", "/caption=Men\xc3\xbc"});
    ASSERT_TRUE(started.started);
    const std::wstring page = started.ownFolder.native(L"index.html");
    std::wstring url = L"file:///" + page;
    for (wchar_t& c : url)
        if (c == L'\\')
            c = L'/';
    struct Step {
        const char* what;
        std::wstring title;
        const wchar_t* shown;
    };
    const Step steps[] = {
        {"file URL while loading", url, L"Men\u00fc"},
        {"drive path", page, L"Men\u00fc"},
        {"the page's title", L"Willkommen", L"Willkommen"},
        {"the next page's address while it loads", L"https://example.org/seite.html", L"Willkommen"},
        {"UNC path", L"\\\\server\\share\\a.html", L"Willkommen"},
        {"a title with a colon", L"Kapitel: Anfang", L"Kapitel: Anfang"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        TitleChange(started.host(), step.title);
        EXPECT_EQ(WindowText(started.window().handle()), step.shown);
    }
    // A frame's completion leaves the title; the page's own completion reads the document's
    // title (under Wine there is none to read: the caption).
    DocumentComplete(started.host(), url, false);
    EXPECT_EQ(WindowText(started.window().handle()), L"Kapitel: Anfang");
}

RECT WorkAreaOf(HWND window)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

// The smallest size Windows lets the window take: minwidth/minheight with the frame, but never
// more than the work area, so that the window can always be made to fit the screen.
TEST(HostScreen, SmallestSizeFitsTheWorkArea)
{
    struct Case {
        const char* minWidth;
        const char* minHeight;
        bool cutWidth, cutHeight;
    };
    const Case cases[] = {
        {"3000", "3000", true, true},
        {"3000", "200", true, false},
        {"300", "200", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.minWidth) + "x" + c.minHeight);
        StartedMenu started({"/startfile=index.html", std::string("/minwidth=") + c.minWidth,
                             std::string("/minheight=") + c.minHeight});
        ASSERT_TRUE(started.started);
        const RECT work = WorkAreaOf(started.window().handle());
        MINMAXINFO limits{};
        SendMessageW(started.window().handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        if (c.cutWidth)
            EXPECT_EQ(limits.ptMinTrackSize.x, work.right - work.left);
        else
            EXPECT_GT(limits.ptMinTrackSize.x, std::atoi(c.minWidth)); // the client's width and the frame
        if (c.cutHeight)
            EXPECT_EQ(limits.ptMinTrackSize.y, work.bottom - work.top);
        else
            EXPECT_GT(limits.ptMinTrackSize.y, std::atoi(c.minHeight));
    }
}

// On a monitor with another scale Windows suggests a new size; a skin keeps its picture's pixels
// and is moved only, a framed window takes the size.
TEST(HostScreen, DpiChangeMovesASkinWithoutResizingIt)
{
    struct Case {
        bool skin;
        UINT dpi;
    };
    const Case cases[] = {{true, 144}, {true, 96}, {false, 144}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.skin ? "skin" : "frame");
        MenuFolder menu;
        menu.write(L"skin.bmp", Bitmap(160, 120));
        std::vector<std::string> arguments{"/startfile=index.html", "/width=300", "/height=200", "/left=40",
                                           "/top=40"};
        if (c.skin)
            arguments.push_back("/skin=skin.bmp");
        StartedMenu started(arguments, &menu);
        ASSERT_TRUE(started.started);
        const HWND window = started.window().handle();
        RECT before{};
        GetWindowRect(window, &before);
        const int width = before.right - before.left, height = before.bottom - before.top;
        const int scaledWidth = MulDiv(width, static_cast<int>(c.dpi), 120);
        const int scaledHeight = MulDiv(height, static_cast<int>(c.dpi), 120);
        RECT suggested{before.left + 20, before.top + 10, before.left + 20 + scaledWidth,
                       before.top + 10 + scaledHeight};
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), reinterpret_cast<LPARAM>(&suggested));
        Pump(*started.runtime);
        RECT after{};
        GetWindowRect(window, &after);
        if (c.skin) {
            EXPECT_EQ(after.right - after.left, width);
            EXPECT_EQ(after.bottom - after.top, height);
        } else {
            EXPECT_EQ(after.right - after.left, scaledWidth);
            EXPECT_EQ(after.bottom - after.top, scaledHeight);
        }
    }
}

// The emulation value under a name of its own for the test; 0 when missing.
DWORD EmulationValue(const std::wstring& name)
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kBrowserEmulationKey, name.c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

void SetEmulationValue(const std::wstring& name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kBrowserEmulationKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    if (value)
        RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    else
        RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
}

// The emulation value: set for the run when missing and gone again after it; another's value
// Command-line values keep every character: the caption shows as given, the start page named in
// another script is found (the values used to be narrowed to Windows-1252).
TEST(HostCommandLine, ValuesKeepTheirCharacters)
{
    struct Case {
        const char* what;
        const char* caption;
        const wchar_t* startFile;
    };
    const Case cases[] = {
        {"Cyrillic", "Меню", L"Меню.html"},
        {"Windows-1252", "Menü", L"Übersicht.html"},
        {"Chinese and Greek", "菜单 Ωμέγα", L"菜单\\Ωμέγα.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MenuFolder menu;
        menu.write(c.startFile, "<html><body>x</body></html>");
        const size_t before = TracedLines().size();
        StartedMenu started({std::string("/caption=") + c.caption, "/startfile=" + ToUtf8(c.startFile)}, &menu);
        ASSERT_TRUE(started.started);
        EXPECT_EQ(WindowText(started.window().handle()), FromUtf8(c.caption));
        for (size_t i = before; i < TracedLines().size(); ++i)
            EXPECT_EQ(TracedLines()[i].rfind("start-page missing", 0), std::string::npos) << TracedLines()[i];
    }
}

// fadein waits for the page: a frame's DocumentComplete does not start it, the page's does; a page
// that never completes starts it when the wait ends. The window is see-through until then.
TEST(HostFadeIn, StartsWithThePage)
{
    enum class Event { None, Frame, Page, WaitOver };
    struct Case {
        const char* what;
        bool fadeIn;
        std::vector<Event> events;
        bool started;
    };
    const Case cases[] = {
        {"shown, page not complete", true, {Event::None}, false},
        {"a frame complete", true, {Event::Frame}, false},
        {"the page complete", true, {Event::Frame, Event::Page}, true},
        {"the page never completes", true, {Event::WaitOver}, true},
        {"without fadein", false, {Event::Page}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = TracedLines().size();
        StartedMenu started({"/startfile=index.html", std::string("/fadein=") + (c.fadeIn ? "1" : "0")});
        ASSERT_TRUE(started.started);
        HWND window = started.window().handle();
        const std::wstring page = started.ownFolder.native(L"index.html");
        for (Event event : c.events) {
            if (event == Event::Frame)
                DocumentComplete(started.host(), page, false);
            else if (event == Event::Page)
                DocumentComplete(started.host(), page, true);
            else if (event == Event::WaitOver)
                SendMessageW(window, WM_TIMER, kFadeWaitTimer, 0);
        }
        bool traced = false;
        for (size_t i = before; i < TracedLines().size(); ++i)
            traced = traced || TracedLines()[i] == "fade-in started";
        EXPECT_EQ(traced, c.started);
        if (c.fadeIn && !c.started) {
            BYTE alpha = 255;
            DWORD flags = 0;
            ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, &flags));
            EXPECT_EQ(alpha, 0) << "visible before the page";
        }
    }
}

// Writes a picture with WIC: `format` its container, `pixelFormat` the rows' layout.
void WritePicture(const std::wstring& path, const GUID& format, WICPixelFormatGUID pixelFormat, UINT width,
                  UINT height, UINT stride, std::vector<BYTE> rows)
{
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ASSERT_TRUE(SUCCEEDED(
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))));
    ASSERT_TRUE(SUCCEEDED(factory->CreateStream(&stream)));
    ASSERT_TRUE(SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)));
    ASSERT_TRUE(SUCCEEDED(factory->CreateEncoder(format, nullptr, &encoder)));
    ASSERT_TRUE(SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)));
    ASSERT_TRUE(SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)));
    ASSERT_TRUE(SUCCEEDED(frame->Initialize(nullptr)));
    ASSERT_TRUE(SUCCEEDED(frame->SetSize(width, height)));
    WICPixelFormatGUID asked = pixelFormat;
    ASSERT_TRUE(SUCCEEDED(frame->SetPixelFormat(&asked)));
    ASSERT_TRUE(asked == pixelFormat);
    ASSERT_TRUE(SUCCEEDED(frame->WritePixels(height, stride, static_cast<UINT>(rows.size()), rows.data())));
    ASSERT_TRUE(SUCCEEDED(frame->Commit()));
    ASSERT_TRUE(SUCCEEDED(encoder->Commit()));
}

// An icon's colour bitmap: its size and its pixels (0xAARRGGBB, top-down).
struct IconPixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

IconPixels ReadIcon(HICON icon)
{
    IconPixels read;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return read;
    UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    if (!colour || !GetObjectW(colour.get(), sizeof bitmap, &bitmap))
        return read;
    read.width = bitmap.bmWidth;
    read.height = bitmap.bmHeight;
    read.pixels.resize(static_cast<size_t>(read.width) * read.height);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = read.width;
    format.bmiHeader.biHeight = -read.height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, colour.get(), 0, static_cast<UINT>(read.height), read.pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return read;
}

// Window icons from pictures: each size made from one decoding, scaled to fit and centred, alpha
// kept; a picture beyond the bound is refused before its pixels are decoded, so it cannot take
// hundreds of megabytes.
TEST(HostIcon, PicturesScaledWithAlphaAndBounded)
{
    MenuFolder menu;
    { // 64 x 64, left half transparent, right half opaque red
        std::vector<BYTE> rows(64 * 64 * 4, 0);
        for (int y = 0; y < 64; ++y)
            for (int x = 32; x < 64; ++x) {
                BYTE* pixel = &rows[(y * 64 + x) * 4];
                pixel[2] = 0xff;
                pixel[3] = 0xff;
            }
        WritePicture(menu.native(L"halb.png"), GUID_ContainerFormatPng, GUID_WICPixelFormat32bppBGRA, 64, 64, 64 * 4,
                     rows);
    }
    { // 300 x 150 blue JPEG
        std::vector<BYTE> rows(300 * 150 * 3, 0);
        for (size_t i = 0; i < rows.size(); i += 3)
            rows[i] = 0xff;
        WritePicture(menu.native(L"breit.jpg"), GUID_ContainerFormatJpeg, GUID_WICPixelFormat24bppBGR, 300, 150,
                     300 * 3, rows);
    }
    // Black and white, so that the files stay small: at the bound and beyond it.
    WritePicture(menu.native(L"grenze.png"), GUID_ContainerFormatPng, GUID_WICPixelFormatBlackWhite, 4096, 4096,
                 512, std::vector<BYTE>(512 * 4096, 0xff));
    WritePicture(menu.native(L"riesig.png"), GUID_ContainerFormatPng, GUID_WICPixelFormatBlackWhite, 8000, 8000,
                 1000, std::vector<BYTE>(1000 * 8000, 0xff));

    struct Case {
        const wchar_t* file;
        int size;
        bool made;
        const char* traced;       // the last trace line when refused
        POINT transparent;        // a pixel that must be clear (x < 0: none)
        POINT opaque;             // a pixel that must be opaque
        std::uint32_t colour;     // its colour (0xRRGGBB)
    };
    const Case cases[] = {
        {L"halb.png", 32, true, nullptr, {4, 16}, {28, 16}, 0xff0000},
        {L"halb.png", 16, true, nullptr, {2, 8}, {14, 8}, 0xff0000},
        {L"breit.jpg", 48, true, nullptr, {24, 2}, {24, 24}, 0x0000ff},
        {L"grenze.png", 32, true, nullptr, {-1, 0}, {16, 16}, 0xffffff},
        {L"riesig.png", 32, false, "icon too large 8000x8000", {-1, 0}, {0, 0}, 0},
        {L"fehlt.png", 32, false, nullptr, {-1, 0}, {0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.file) + " " + std::to_string(c.size));
        PROCESS_MEMORY_COUNTERS before{};
        GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
        std::optional<IconSource> source = IconSource::Load(menu.native(c.file));
        PROCESS_MEMORY_COUNTERS after{};
        GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
        EXPECT_LT(after.PagefileUsage, before.PagefileUsage + 128u * 1024 * 1024) << "the picture's memory";
        ASSERT_EQ(source.has_value(), c.made);
        if (!c.made) {
            if (c.traced)
                EXPECT_EQ(TracedLines().back(), c.traced);
            continue;
        }
        UniqueIcon icon = source->make(c.size);
        ASSERT_TRUE(icon);
        const IconPixels read = ReadIcon(icon.get());
        ASSERT_EQ(read.width, c.size);
        ASSERT_EQ(read.height, c.size);
        if (c.transparent.x >= 0)
            EXPECT_EQ(read.at(c.transparent.x, c.transparent.y) >> 24, 0u);
        const std::uint32_t opaque = read.at(c.opaque.x, c.opaque.y);
        EXPECT_EQ(opaque >> 24, 0xffu);
        for (int shift = 0; shift < 24; shift += 8) // JPEG's losses
            EXPECT_NEAR(static_cast<int>((opaque >> shift) & 0xff), static_cast<int>((c.colour >> shift) & 0xff), 4)
                << std::hex << opaque;
    }
}

// The window's icons have the system's sizes for its DPI.
TEST(HostIcon, WindowIconsHaveTheSystemSizes)
{
    MenuFolder menu;
    std::vector<BYTE> rows(64 * 64 * 4, 0xff);
    WritePicture(menu.native(L"logo.png"), GUID_ContainerFormatPng, GUID_WICPixelFormat32bppBGRA, 64, 64, 64 * 4,
                 rows);
    StartedMenu started({"/startfile=index.html", "/icon=logo.png"}, &menu);
    ASSERT_TRUE(started.started);
    const UINT dpi = DpiFor(started.window().handle());
    const struct {
        WPARAM which;
        int metric;
    } cases[] = {{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.metric);
        auto icon = reinterpret_cast<HICON>(SendMessageW(started.window().handle(), WM_GETICON, c.which, 0));
        ASSERT_NE(icon, nullptr);
        const IconPixels read = ReadIcon(icon);
        EXPECT_EQ(read.width, IconSize(c.metric, dpi));
        EXPECT_EQ(read.at(read.width / 2, read.height / 2), 0xffffffffu);
    }
}

// stays, and one of an old document mode is a fault the self-check names.
TEST(HostRegistry, EmulationValueLastsOneRun)
{
    struct Case {
        const char* what;
        DWORD before;
        DWORD changedDuring; // 0: nobody touches it during the run
        DWORD during, after;
        bool fault;
    };
    const Case cases[] = {
        {"missing", 0, 0, kBrowserEmulation, 0, false},
        {"another program's old mode", 7000, 0, 7000, 7000, true},
        {"the user's standards mode", 11000, 0, 11000, 11000, false},
        {"changed by someone during the run", 0, 10001, 10001, 10001, true},
    };
    const std::wstring name = L"qv-probe-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetEmulationValue(name, c.before);
        {
            const BrowserEmulation emulation(name);
            EXPECT_EQ(emulation.value(), c.before ? c.before : kBrowserEmulation);
            if (c.changedDuring)
                SetEmulationValue(name, c.changedDuring);
            EXPECT_EQ(EmulationValue(name), c.during);
            const std::string fault = EmulationFault(EmulationValue(name), name);
            EXPECT_EQ(!fault.empty(), c.fault) << fault;
            if (c.fault) {
                EXPECT_NE(fault.find(std::to_string(c.during)), std::string::npos) << fault;
            }
        }
        EXPECT_EQ(EmulationValue(name), c.after);
        SetEmulationValue(name, 0);
    }
    EXPECT_FALSE(EmulationFault(0, name).empty());
}

// One menu per configuration folder: a second claim of the same folder (any letter case, either
// separator) is not the first and finds the first menu's window; another folder is a menu of its
// own.
TEST(HostSecondStart, OneMenuPerFolder)
{
    StartedMenu started({"/startfile=index.html", "/caption=Erstes"});
    ASSERT_TRUE(started.started);
    const std::string folder = started.ownFolder.utf8() + "\\";
    const SingleMenu menu(folder);
    ASSERT_TRUE(menu.first());
    menu.mark(started.window().handle());
    std::string upper = folder, slashes = folder;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (char& c : slashes)
        if (c == '\\')
            c = '/';
    struct Case {
        std::string folder;
        bool first;
    };
    const Case cases[] = {{folder, false}, {upper, false}, {slashes, false}, {folder + "anderes\\", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const SingleMenu second(c.folder);
        EXPECT_EQ(second.first(), c.first);
        EXPECT_EQ(second.bringFirstToFront(), c.first ? nullptr : started.window().handle());
    }
}

// A page element as the control hands it to ShowContextMenu: properties by name.
class FakeElement final : public IDispatch {
public:
    struct Property {
        Property(const wchar_t* text) : value(std::wstring(text)) {}
        Property(bool flag) : value(flag) {}
        Property(ComPtr<IDispatch> object) : value(std::move(object)) {}
        std::variant<std::wstring, bool, ComPtr<IDispatch>> value;
    };
    explicit FakeElement(std::map<std::wstring, Property> properties) : properties_(std::move(properties)) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch)
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (count != 1)
            return E_INVALIDARG;
        const auto found = properties_.find(names[0]);
        if (found == properties_.end()) {
            ids[0] = DISPID_UNKNOWN;
            return DISP_E_UNKNOWNNAME;
        }
        ids[0] = static_cast<DISPID>(std::distance(properties_.begin(), found)) + 1;
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                        UINT*) override
    {
        if (id < 1 || id > static_cast<DISPID>(properties_.size()))
            return DISP_E_MEMBERNOTFOUND;
        auto it = std::next(properties_.begin(), id - 1);
        if (kind == DISPATCH_PROPERTYPUT) {
            if (parameters->cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            const VARIANT& value = parameters->rgvarg[0];
            if (value.vt == VT_BOOL)
                it->second.value = value.boolVal != VARIANT_FALSE;
            else if (value.vt == VT_BSTR)
                it->second.value = std::wstring(value.bstrVal ? value.bstrVal : L"");
            else
                return DISP_E_TYPEMISMATCH;
            return S_OK;
        }
        // A method (createRange) answers like a property: the object it holds.
        if (!result)
            return E_POINTER;
        VariantInit(result);
        if (const auto* text = std::get_if<std::wstring>(&it->second.value)) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(text->c_str());
        } else if (const auto* flag = std::get_if<bool>(&it->second.value)) {
            result->vt = VT_BOOL;
            result->boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
        } else {
            result->vt = VT_DISPATCH;
            result->pdispVal = std::get<ComPtr<IDispatch>>(it->second.value).Get();
            if (result->pdispVal)
                result->pdispVal->AddRef();
        }
        return S_OK;
    }
    bool flag(const std::wstring& name) const { return std::get<bool>(properties_.at(name).value); }
    std::wstring text(const std::wstring& name) const { return std::get<std::wstring>(properties_.at(name).value); }

private:
    ULONG references_ = 1;
    std::map<std::wstring, Property> properties_;
};

ComPtr<FakeElement> Element(std::map<std::wstring, FakeElement::Property> properties)
{
    return MakeComObject<FakeElement>(std::move(properties));
}

// The host's services as the control asks for them: QueryService on the client site.
// (Both services are named by their interface's IID.)
template <typename Interface>
ComPtr<Interface> HostService(BrowserHost& host, REFGUID service)
{
    ComPtr<IServiceProvider> services;
    EXPECT_EQ(static_cast<IOleClientSite*>(&host)->QueryInterface(IID_PPV_ARGS(&services)), S_OK);
    ComPtr<Interface> answer;
    if (services) {
        EXPECT_EQ(services->QueryService(service, service, reinterpret_cast<void**>(answer.GetAddressOf())), S_OK);
    }
    return answer;
}

std::wstring FileUrl(const std::wstring& path)
{
    std::wstring url = L"file:///" + path;
    for (wchar_t& c : url)
        if (c == L'\\')
            c = L'/';
    return url;
}

// Requests of a page: the control asks its host's security manager before it runs a script,
// loads a frame, reads data across origins, downloads a font or a file or runs a control, and
// maps each address to a zone. What the folder rule refuses (files outside the folder, UNC
// paths) is disallowed and restricted; the rest is the system's (INET_E_DEFAULT_ACTION).
TEST(HostRequests, SecurityManagerAppliesTheFolderRule)
{
    StartedMenu started({"/startfile=index.html"});
    ASSERT_TRUE(started.started);
    const MenuFolder& menu = started.ownFolder;
    menu.write(L"bilder\\logo.png", "png");
    ComPtr<IInternetSecurityManager> manager =
        HostService<IInternetSecurityManager>(started.host(), SID_SInternetSecurityManager);
    ASSERT_TRUE(manager);
    ComPtr<IServiceProvider> services;
    ASSERT_EQ(static_cast<IOleClientSite*>(&started.host())->QueryInterface(IID_PPV_ARGS(&services)), S_OK);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(services->QueryService(IID_IWebBrowserApp, IID_IUnknown, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    const struct {
        const char* what;
        DWORD action;
    } kinds[] = {
        {"script", URLACTION_SCRIPT_RUN},
        {"frame", URLACTION_HTML_SUBFRAME_NAVIGATE},
        {"XHR across origins", URLACTION_CROSS_DOMAIN_DATA},
        {"font", URLACTION_HTML_FONT_DOWNLOAD},
        {"download", URLACTION_SHELL_FILE_DOWNLOAD},
        {"ActiveX", URLACTION_ACTIVEX_RUN},
        {"meta refresh", URLACTION_HTML_META_REFRESH},
    };
    const std::wstring outside = menu.native(L"..\\draussen\\geheim.png");
    const struct {
        const char* what;
        std::wstring url;
        bool allowed;
    } places[] = {
        {"inside, drive path", menu.native(L"bilder\\logo.png"), true},
        {"inside, file URL", FileUrl(menu.native(L"bilder\\logo.png")), true},
        {"outside, drive path", outside, false},
        {"outside, file URL", FileUrl(outside), false},
        {"outside through an escaped ..", FileUrl(menu.native(L"bilder")) + L"/..%5C..%5Cdraussen/geheim.png", false},
        {"UNC path", L"\\\\server\\freigabe\\x.png", false},
        {"UNC file URL", L"file://server/freigabe/x.png", false},
        {"http", L"http://example.org/x.png", true},
        {"https", L"https://example.org/x.js", true},
    };
    for (const auto& place : places) {
        for (const auto& kind : kinds) {
            SCOPED_TRACE(std::string(place.what) + " / " + kind.what);
            DWORD policy = 0xffff;
            const HRESULT answer = manager->ProcessUrlAction(place.url.c_str(), kind.action,
                                                             reinterpret_cast<BYTE*>(&policy), sizeof policy, nullptr,
                                                             0, PUAF_DEFAULT, 0);
            if (place.allowed) {
                EXPECT_EQ(answer, INET_E_DEFAULT_ACTION);
                EXPECT_EQ(policy, 0xffffu) << "the system's manager decides";
            } else {
                EXPECT_EQ(answer, S_FALSE);
                EXPECT_EQ(policy, static_cast<DWORD>(URLPOLICY_DISALLOW));
            }
        }
        SCOPED_TRACE(place.what);
        DWORD zone = 0xffff;
        const HRESULT mapped = manager->MapUrlToZone(place.url.c_str(), &zone, 0);
        EXPECT_EQ(mapped, place.allowed ? INET_E_DEFAULT_ACTION : S_OK);
        if (!place.allowed) {
            EXPECT_EQ(zone, static_cast<DWORD>(URLZONE_UNTRUSTED));
        }
    }
    // An action without an address (the page's own) is the system's.
    DWORD policy = 0;
    EXPECT_EQ(manager->ProcessUrlAction(nullptr, URLACTION_SCRIPT_RUN, reinterpret_cast<BYTE*>(&policy), sizeof policy,
                                        nullptr, 0, 0, 0),
              INET_E_DEFAULT_ACTION);
}

// A start page from the web gets no file: access at all, not even to the menu's own folder.
TEST(HostRequests, WebStartPageGetsNoFiles)
{
    MenuFolder menu;
    menu.write(L"logo.png", "png");
    // The start page is never asked for: the runtime checks only the address here.
    StartedMenu started({"/startfile=http://127.0.0.1:9/index.html"}, &menu);
    ASSERT_TRUE(started.started);
    ComPtr<IInternetSecurityManager> manager =
        HostService<IInternetSecurityManager>(started.host(), SID_SInternetSecurityManager);
    ASSERT_TRUE(manager);
    const std::pair<std::wstring, HRESULT> cases[] = {
        {FileUrl(menu.native(L"logo.png")), S_FALSE},
        {menu.native(L"logo.png"), S_FALSE},
        {L"http://127.0.0.1:9/logo.png", INET_E_DEFAULT_ACTION},
    };
    for (const auto& [url, expected] : cases) {
        DWORD policy = 0;
        EXPECT_EQ(manager->ProcessUrlAction(url.c_str(), URLACTION_SCRIPT_RUN, reinterpret_cast<BYTE*>(&policy),
                                            sizeof policy, nullptr, 0, 0, 0),
                  expected)
            << ToUtf8(url);
    }
}

// The bytes a file: address gives through the system's URL machinery, as a page's picture,
// script or style sheet is read; "<refused>" when the binding fails.
std::string BoundBytes(const std::wstring& url)
{
    ComPtr<IStream> stream;
    if (FAILED(URLOpenBlockingStreamW(nullptr, url.c_str(), &stream, 0, nullptr)) || !stream)
        return "<refused>";
    std::string bytes;
    char buffer[256];
    ULONG read = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

// Every file: request of the process passes the folder rule before a file is opened (the
// control's pictures and style sheets too, which it never asks the security manager about): the
// filter hands what the rule allows to the system's own handler and opens nothing else. On Wine,
// whose URL machinery has no such hand-over, the runtime leaves the filter off; here it is
// registered by itself.
TEST(HostRequests, FileFilterOpensNothingOutsideTheFolder)
{
    MenuFolder menu, elsewhere;
    menu.write(L"stil\\haupt.css", "body{}");
    elsewhere.write(L"geheim.css", "geheim");
    const std::wstring outside = FileUrl(elsewhere.native(L"geheim.css"));
    ASSERT_EQ(BoundBytes(outside), "geheim") << "readable without the filter";
    // Both folders lie side by side in the temporary folder: stil\..\..\<other>\geheim.css.
    const std::wstring besideName =
        std::filesystem::path(elsewhere.native(L"geheim.css")).parent_path().filename().wstring();
    ASSERT_EQ(BoundBytes(FileUrl(menu.native(L"stil")) + L"/../../" + besideName + L"/geheim.css"), "geheim");
    const LinkRule rule(InterpretConfiguration(
        LoadStarterConfiguration(menu.utf8() + "\\starter.exe", {"/startfile=index.html"}, std::nullopt)));
    {
        FileRequestFilter filter([&rule](const std::wstring& url) { return rule.AllowsRequest(ToUtf8(url)); });
        ASSERT_TRUE(filter.active());
        const struct {
            const char* what;
            std::wstring url;
            HRESULT started; // the handler's answer
        } cases[] = {
            {"inside", FileUrl(menu.native(L"stil\\haupt.css")), INET_E_USE_DEFAULT_PROTOCOLHANDLER},
            {"outside", outside, E_ACCESSDENIED},
            {"outside through an escaped ..",
             FileUrl(menu.native(L"stil")) + L"/..%5C..%5C" + besideName + L"/geheim.css", E_ACCESSDENIED},
            {"UNC", L"file://server/freigabe/bild.png", E_ACCESSDENIED},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            ComPtr<IInternetProtocol> protocol;
            ASSERT_EQ(filter.factory()->CreateInstance(nullptr, IID_PPV_ARGS(&protocol)), S_OK);
            EXPECT_EQ(protocol->Start(c.url.c_str(), nullptr, nullptr, 0, 0), c.started);
            // Through the system's URL machinery, as the control reads a file: nothing refused is opened.
            const size_t before = TracedLines().size();
            const std::string bytes = BoundBytes(c.url);
            bool refused = false;
            for (size_t i = before; i < TracedLines().size(); ++i)
                refused = refused || TracedLines()[i].ends_with(" refuse file");
            EXPECT_EQ(refused, c.started != INET_E_USE_DEFAULT_PROTOCOLHANDLER);
            if (refused) {
                EXPECT_EQ(bytes, "<refused>");
            }
        }
        // Aggregated, as the system creates it to take over: only the inner IUnknown is handed out,
        // and the protocol's own QueryInterface goes to the outer object.
        ComPtr<FakeElement> outer = Element({{L"tagName", L"X"}});
        ComPtr<IUnknown> inner;
        EXPECT_EQ(filter.factory()->CreateInstance(outer.Get(), IID_PPV_ARGS(&inner)), S_OK);
        ComPtr<IInternetProtocol> aggregated;
        EXPECT_EQ(filter.factory()->CreateInstance(outer.Get(), IID_PPV_ARGS(&aggregated)), CLASS_E_NOAGGREGATION);
        ASSERT_EQ(inner.As(&aggregated), S_OK);
        ComPtr<IUnknown> back;
        EXPECT_EQ(aggregated.As(&back), S_OK);
        EXPECT_EQ(back.Get(), static_cast<IUnknown*>(static_cast<IDispatch*>(outer.Get()))) << "the outer identity";
    }
    EXPECT_EQ(BoundBytes(outside), "geheim") << "the filter goes with its owner";
}

std::string FileBytes(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file)
        return "<missing>";
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Downloads go to the host's download manager: a file the folder rule allows asks "Datei
// speichern unter" with its name and is saved where the user says; Cancel saves nothing; a file
// outside the folder or on another host is neither asked for nor read.
TEST(HostDownloads, AskAndSaveByTheFolderRule)
{
    StartedMenu started({"/startfile=index.html"});
    ASSERT_TRUE(started.started);
    const MenuFolder& menu = started.ownFolder;
    menu.write(L"prospekt.pdf", "%PDF prospekt");
    menu.write(L"docs\\Preisliste Mai.pdf", "%PDF preise");
    MenuFolder elsewhere;
    elsewhere.write(L"geheim.pdf", "geheim");
    ComPtr<IDownloadManager> manager = HostService<IDownloadManager>(started.host(), IID_IDownloadManager);
    ASSERT_TRUE(manager);
    const std::wstring target = elsewhere.native(L"gespeichert.pdf");
    const struct {
        const char* what;
        std::wstring url;
        std::optional<std::wstring> answer;
        std::vector<std::wstring> calls;
        std::string saved; // the target's bytes afterwards
    } cases[] = {
        {"inside", FileUrl(menu.native(L"prospekt.pdf")), target, {L"save prospekt.pdf"}, "%PDF prospekt"},
        {"inside, escaped name", FileUrl(menu.native(L"docs")) + L"/Preisliste%20Mai.pdf", target,
         {L"save Preisliste Mai.pdf"}, "%PDF preise"},
        {"cancelled", FileUrl(menu.native(L"prospekt.pdf")), std::nullopt, {L"save prospekt.pdf"}, "<missing>"},
        {"outside", FileUrl(elsewhere.native(L"geheim.pdf")), target, {}, "<missing>"},
        {"UNC", L"file://server/freigabe/geheim.pdf", target, {}, "<missing>"},
        {"into a missing folder", FileUrl(menu.native(L"prospekt.pdf")), elsewhere.native(L"fehlt\\x.pdf"),
         {L"save prospekt.pdf", L"failed " + elsewhere.native(L"fehlt\\x.pdf")}, "<missing>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(target.c_str());
        started.desktop.calls.clear();
        started.desktop.saveAnswer = c.answer;
        ComPtr<IMoniker> moniker;
        ASSERT_EQ(CreateURLMonikerEx(nullptr, c.url.c_str(), &moniker, URL_MK_UNIFORM), S_OK);
        EXPECT_EQ(manager->Download(moniker.Get(), nullptr, BINDVERB_GET, 0, nullptr, nullptr, nullptr, CP_ACP), S_OK)
            << "the control shows nothing of its own";
        EXPECT_EQ(started.desktop.calls, c.calls);
        EXPECT_EQ(FileBytes(target), c.saved);
    }
}

// What a thread of the test saw of the save dialog it answered.
struct SaveDialogSeen {
    std::wstring title, name;
    bool found = false;
};

// Answers the save dialog of this process from another thread, as a user would: waits for the
// window titled "Datei speichern unter" (a generous limit: a slow machine only takes longer),
// reads the proposed name from its name field, types `answer` there and presses Enter.
void AnswerSaveDialog(SaveDialogSeen& seen, std::wstring answer)
{
    for (int attempt = 0; attempt < 1200 && !seen.found; ++attempt) {
        Sleep(50);
        struct Search {
            SaveDialogSeen* seen;
            std::wstring answer;
        } search{&seen, answer};
        EnumWindows(
            [](HWND window, LPARAM context) {
                auto& search = *reinterpret_cast<Search*>(context);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process != GetCurrentProcessId() || !IsWindowVisible(window))
                    return TRUE;
                wchar_t title[128] = {};
                GetWindowTextW(window, title, 128);
                if (std::wstring(title) != L"Datei speichern unter")
                    return TRUE;
                search.seen->title = title;
                // The name field: an edit field holding the proposed name.
                struct Field {
                    HWND edit = nullptr;
                    std::wstring text;
                } field;
                EnumChildWindows(
                    window,
                    [](HWND child, LPARAM found) {
                        wchar_t name[32] = {};
                        GetClassNameW(child, name, 32);
                        auto& field = *reinterpret_cast<Field*>(found);
                        if (std::wstring(name) != L"Edit" || !IsWindowVisible(child))
                            return TRUE;
                        wchar_t text[260] = {};
                        GetWindowTextW(child, text, 260);
                        field.edit = child;
                        field.text = text;
                        return std::wstring(text).empty() ? TRUE : FALSE;
                    },
                    reinterpret_cast<LPARAM>(&field));
                if (!field.edit)
                    return TRUE;
                search.seen->name = field.text;
                SendMessageW(field.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(search.answer.c_str()));
                PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                search.seen->found = true;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
    }
}

// The system's save dialog as the runtime shows it for a download: German title, the proposed
// name, the user's choice as the answer.
TEST(HostDownloads, TheSystemSaveDialog)
{
    MenuFolder target;
    const std::wstring chosen = target.native(L"gespeichert.pdf");
    SaveDialogSeen seen;
    std::thread user(AnswerSaveDialog, std::ref(seen), chosen);
    ShellDesktop desktop;
    const std::optional<std::wstring> answer = desktop.askSavePath(nullptr, L"prospekt.pdf");
    user.join();
    ASSERT_TRUE(seen.found) << "no window \"Datei speichern unter\" with a name field";
    EXPECT_EQ(seen.name, L"prospekt.pdf");
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, chosen);
}

// The proposed name of a download: the address's last segment, decoded, fit for a file name.
TEST(HostDownloads, ProposedName)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"http://example.org/docs/Pr%C3%BCfung%20A.pdf?x=1#s", L"Prüfung A.pdf"},
        {L"https://example.org/", L"Download"},
        {L"https://example.org", L"Download"},
        {L"http://example.org/a/..%2F..%2Fboot.ini", L"boot.ini"},
        {L"http://example.org/a%3Ab%2A%3F.txt", L"a_b__.txt"},
        {L"file:///C:/Men%C3%BC/katalog.pdf", L"katalog.pdf"},
        {L"C:\\Menü\\liesmich.txt", L"liesmich.txt"},
        {L"http://example.org/name.", L"name"},
    };
    for (const auto& [url, expected] : cases)
        EXPECT_EQ(DownloadName(url), expected) << ToUtf8(url);
}

// Script errors: the control asks its host (OLECMDID_SHOWSCRIPTERROR) and gets "go on running
// scripts" without a dialog; the control's silent mode, which would hide every other dialog
// (downloads, logins, certificates) too, is off.
TEST(HostScriptErrors, AnsweredWithoutADialogAndNotSilent)
{
    StartedMenu started({"/startfile=index.html"});
    ASSERT_TRUE(started.started);
    ComPtr<IOleCommandTarget> target;
    ASSERT_EQ(static_cast<IOleClientSite*>(&started.host())->QueryInterface(IID_PPV_ARGS(&target)), S_OK);
    const struct {
        const char* what;
        const GUID* group;
        DWORD command;
        HRESULT answer;
        bool goOn;
    } cases[] = {
        {"script error", &CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, S_OK, true},
        {"another command of the group", &CGID_DocHostCommandHandler, OLECMDID_SHOWMESSAGE, OLECMDERR_E_NOTSUPPORTED,
         false},
        {"another group", &IID_IUnknown, OLECMDID_SHOWSCRIPTERROR, OLECMDERR_E_UNKNOWNGROUP, false},
        {"no group", nullptr, OLECMDID_SHOWSCRIPTERROR, OLECMDERR_E_UNKNOWNGROUP, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VARIANT out;
        VariantInit(&out);
        EXPECT_EQ(target->Exec(c.group, c.command, OLECMDEXECOPT_DODEFAULT, nullptr, &out), c.answer);
        EXPECT_EQ(out.vt == VT_BOOL && out.boolVal == VARIANT_TRUE, c.goOn);
        VariantClear(&out);
    }
    VARIANT_BOOL silent = VARIANT_TRUE;
    ASSERT_EQ(started.host().browser()->get_Silent(&silent), S_OK);
    EXPECT_EQ(silent, VARIANT_FALSE);
}

// Sets the thread's keyboard state as if only `held` (VK_CONTROL, VK_SHIFT, VK_MENU) were down.
void HoldKeys(std::initializer_list<int> held)
{
    BYTE state[256] = {};
    for (int key : held) {
        state[key] = 0x80;
        if (key == VK_CONTROL)
            state[VK_LCONTROL] = 0x80;
        if (key == VK_SHIFT)
            state[VK_LSHIFT] = 0x80;
        if (key == VK_MENU)
            state[VK_LMENU] = 0x80;
    }
    SetKeyboardState(state);
}

// The control's keys for windows and dialogs of its own are kept from it (asked through
// IDocHostUIHandler::TranslateAccelerator and in the message loop); a page's editing and
// navigation keys reach it.
TEST(HostKeys, ControlWindowKeysAreKept)
{
    constexpr LPARAM alt = LPARAM{1} << 29;
    const struct {
        const char* what;
        std::initializer_list<int> held;
        UINT message;
        WPARAM key;
        LPARAM flags;
        bool kept;
    } cases[] = {
        {"Ctrl+N new window", {VK_CONTROL}, WM_KEYDOWN, 'N', 0, true},
        {"Ctrl+Shift+N", {VK_CONTROL, VK_SHIFT}, WM_KEYDOWN, 'N', 0, true},
        {"Ctrl+O open", {VK_CONTROL}, WM_KEYDOWN, 'O', 0, true},
        {"Ctrl+L open", {VK_CONTROL}, WM_KEYDOWN, 'L', 0, true},
        {"Ctrl+P print", {VK_CONTROL}, WM_KEYDOWN, 'P', 0, true},
        {"Ctrl+S save", {VK_CONTROL}, WM_KEYDOWN, 'S', 0, true},
        {"Ctrl+F find", {VK_CONTROL}, WM_KEYDOWN, 'F', 0, true},
        {"F1 help", {}, WM_KEYDOWN, VK_F1, 0, true},
        {"F11 full screen", {}, WM_KEYDOWN, VK_F11, 0, true},
        {"Alt+Home home page", {VK_MENU}, WM_SYSKEYDOWN, VK_HOME, alt, true},
        {"Ctrl+C copy", {VK_CONTROL}, WM_KEYDOWN, 'C', 0, false},
        {"Ctrl+V paste", {VK_CONTROL}, WM_KEYDOWN, 'V', 0, false},
        {"Ctrl+A select all", {VK_CONTROL}, WM_KEYDOWN, 'A', 0, false},
        {"Ctrl+Z undo", {VK_CONTROL}, WM_KEYDOWN, 'Z', 0, false},
        {"N typed", {}, WM_KEYDOWN, 'N', 0, false},
        {"AltGr+L (Ctrl+Alt)", {VK_CONTROL, VK_MENU}, WM_KEYDOWN, 'L', 0, false},
        {"F5 reload", {}, WM_KEYDOWN, VK_F5, 0, false},
        {"Home", {}, WM_KEYDOWN, VK_HOME, 0, false},
        {"Alt+Left back", {VK_MENU}, WM_SYSKEYDOWN, VK_LEFT, alt, false},
        {"Tab", {}, WM_KEYDOWN, VK_TAB, 0, false},
        {"Ctrl+N released", {VK_CONTROL}, WM_KEYUP, 'N', 0, false},
    };
    StartedMenu started({"/startfile=index.html"});
    ASSERT_TRUE(started.started);
    IDocHostUIHandler& handler = started.host();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HoldKeys(c.held);
        MSG message{};
        message.hwnd = started.page();
        message.message = c.message;
        message.wParam = c.key;
        message.lParam = c.flags | 1;
        EXPECT_EQ(handler.TranslateAccelerator(&message, nullptr, 0), c.kept ? S_OK : S_FALSE);
        if (c.kept) {
            EXPECT_TRUE(started.runtime->preDispatch(message)) << "the loop does not dispatch it";
        }
    }
    HoldKeys({});
}

// The menu's entries as the user would read them: "-" a separator, "[x] " a checked entry.
std::vector<std::wstring> MenuTexts(HMENU menu)
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            texts.push_back(L"-");
            continue;
        }
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        texts.push_back(((item.fState & MFS_CHECKED) ? L"[x] " : L"") + std::wstring(text));
    }
    return texts;
}

std::wstring ClipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return L"<closed>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The context menu is the runtime's own: German, the Linux runtime's entries for what was
// clicked, nothing that hands the page elsewhere (new window, save, print, source, properties).
TEST(HostContextMenu, GermanEntriesByTarget)
{
    const std::vector<std::wstring> page{L"Zurück", L"Vorwärts", L"Neu laden"};
    auto pageAnd = [&page](std::vector<std::wstring> more) {
        std::vector<std::wstring> entries = page;
        entries.push_back(L"-");
        entries.insert(entries.end(), more.begin(), more.end());
        return entries;
    };
    const std::vector<std::wstring> editing{L"Rückgängig", L"Wiederholen", L"-", L"Ausschneiden", L"Kopieren",
                                            L"Einfügen", L"Einfügen und Stil anpassen", L"Alles auswählen"};
    ComPtr<FakeElement> link = Element({{L"tagName", L"A"}, {L"href", L"https://example.org/info.html"}});
    const struct {
        const char* what;
        DWORD id;
        ComPtr<FakeElement> element;
        std::vector<std::wstring> entries; // empty: no menu
    } cases[] = {
        {"page", CONTEXT_MENU_DEFAULT, nullptr, page},
        {"page text", CONTEXT_MENU_DEFAULT, Element({{L"tagName", L"P"}}), page},
        {"table", CONTEXT_MENU_TABLE, Element({{L"tagName", L"td"}}), page},
        {"selected text", CONTEXT_MENU_TEXTSELECT, Element({{L"tagName", L"P"}}), {L"Kopieren"}},
        {"input field", CONTEXT_MENU_CONTROL, Element({{L"tagName", L"INPUT"}, {L"type", L"text"}}), editing},
        {"text area", CONTEXT_MENU_CONTROL, Element({{L"tagName", L"TEXTAREA"}}), editing},
        {"editable text", CONTEXT_MENU_DEFAULT, Element({{L"tagName", L"DIV"}, {L"isContentEditable", true}}),
         editing},
        {"button", CONTEXT_MENU_CONTROL, Element({{L"tagName", L"INPUT"}, {L"type", L"submit"}}), page},
        {"link", CONTEXT_MENU_ANCHOR, link, pageAnd({L"Adresse des Links kopieren"})},
        {"text in a link", CONTEXT_MENU_ANCHOR,
         Element({{L"tagName", L"B"}, {L"parentElement", ComPtr<IDispatch>(link)}}),
         pageAnd({L"Adresse des Links kopieren"})},
        {"picture", CONTEXT_MENU_IMAGE, Element({{L"tagName", L"IMG"}, {L"src", L"file:///Z:/menu/logo.png"}}),
         pageAnd({L"Bild kopieren", L"Adresse des Bildes kopieren"})},
        {"picture in a link", CONTEXT_MENU_IMAGE,
         Element({{L"tagName", L"IMG"}, {L"src", L"logo.png"}, {L"parentElement", ComPtr<IDispatch>(link)}}),
         pageAnd({L"Adresse des Links kopieren", L"-", L"Bild kopieren", L"Adresse des Bildes kopieren"})},
        {"video", CONTEXT_MENU_MEDIA,
         Element({{L"tagName", L"VIDEO"}, {L"currentSrc", L"film.mp4"}, {L"loop", true}, {L"controls", false}}),
         pageAnd({L"[x] Dauerschleife", L"Steuerelemente anzeigen", L"Medienadresse kopieren"})},
        {"scroll bar", CONTEXT_MENU_VSCROLL, nullptr, {}},
    };
    StartedMenu started({"/startfile=index.html"});
    ASSERT_TRUE(started.started);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<std::vector<std::wstring>> shown;
        started.host().setMenuChooser([&shown](HMENU menu, POINT) {
            shown = MenuTexts(menu);
            return 0u;
        });
        POINT at{20, 20};
        EXPECT_EQ(started.host().ShowContextMenu(c.id, &at, nullptr, c.element.Get()), S_OK)
            << "the control's own menu never shows";
        if (c.entries.empty()) {
            EXPECT_FALSE(shown.has_value());
            continue;
        }
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(*shown, c.entries);
    }
    // contextmenu=0: no menu at all.
    StartedMenu without({"/startfile=index.html", "/contextmenu=0"});
    bool asked = false;
    without.host().setMenuChooser([&asked](HMENU, POINT) {
        asked = true;
        return 0u;
    });
    EXPECT_EQ(without.host().ShowContextMenu(CONTEXT_MENU_DEFAULT, nullptr, nullptr, nullptr), S_OK);
    EXPECT_FALSE(asked);
}

// A chosen entry does what it says: the link's address on the clipboard, the video's loop turned off.
TEST(HostContextMenu, ChosenEntriesAct)
{
    StartedMenu started({"/startfile=index.html"});
    ASSERT_TRUE(started.started);
    auto choose = [&](ComPtr<FakeElement> element, DWORD id, const std::wstring& entry) {
        started.host().setMenuChooser([&entry](HMENU menu, POINT) {
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                wchar_t text[128] = {};
                GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
                if (entry == text)
                    return GetMenuItemID(menu, i);
            }
            ADD_FAILURE() << "no entry " << ToUtf8(entry);
            return 0u;
        });
        POINT at{20, 20};
        EXPECT_EQ(started.host().ShowContextMenu(id, &at, nullptr, element.Get()), S_OK);
    };
    choose(Element({{L"tagName", L"A"}, {L"href", L"https://example.org/prospekt.html"}}), CONTEXT_MENU_ANCHOR,
           L"Adresse des Links kopieren");
    EXPECT_EQ(ClipboardText(), L"https://example.org/prospekt.html");
    ComPtr<FakeElement> video =
        Element({{L"tagName", L"VIDEO"}, {L"src", L"film.mp4"}, {L"loop", true}, {L"controls", true}});
    choose(video, CONTEXT_MENU_MEDIA, L"Dauerschleife");
    EXPECT_FALSE(video->flag(L"loop"));
    EXPECT_TRUE(video->flag(L"controls"));
    choose(video, CONTEXT_MENU_MEDIA, L"Medienadresse kopieren");
    EXPECT_EQ(ClipboardText(), L"film.mp4");
    // Pasted as text: the clipboard's text replaces the selection's text range.
    ComPtr<FakeElement> range = Element({{L"text", L"alt"}});
    ComPtr<FakeElement> selection = Element({{L"createRange", ComPtr<IDispatch>(range)}});
    ComPtr<FakeElement> document = Element({{L"selection", ComPtr<IDispatch>(selection)}});
    choose(Element({{L"tagName", L"TEXTAREA"}, {L"document", ComPtr<IDispatch>(document)}}), CONTEXT_MENU_CONTROL,
           L"Einfügen und Stil anpassen");
    EXPECT_EQ(range->text(L"text"), L"film.mp4");
}

} // namespace
