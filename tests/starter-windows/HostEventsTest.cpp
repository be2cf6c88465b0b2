// The Windows runtime's rules where the control asks: one table per rule, each row a started
// runtime (or a step on one) driven with the control's events and Windows' messages.
#include "HostEvents.h"

#include "windows/Trace.h"

#include <gtest/gtest.h>

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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MenuFolder menu;
        std::vector<std::string> arguments{"/startfile=index.html", "/external=pdf"};
        if (c.exeNewWindow)
            arguments.push_back(std::string("/exenewwindow=") + c.exeNewWindow);
        StartedMenu started(arguments, &menu);
        ASSERT_TRUE(started.started);
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
        EXPECT_EQ(started.runtime->popupCount(), static_cast<size_t>(c.popups));
        EXPECT_EQ(VisibleStarterWindows(), 1 + c.popups);
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

} // namespace
