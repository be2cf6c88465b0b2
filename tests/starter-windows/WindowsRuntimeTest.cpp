// The Windows runtime's own tables, run under Wine: the browser site's interface table, the
// command line built for execute, key codes, the skin's shape, the settings in Win32 terms and
// the file-system answers the rules get from Win32.
#include "rules/ConfigSource.h"
#include "rules/FileSystem.h"
#include "windows/BrowserHost.h"
#include "windows/Elevation.h"
#include "windows/PageDrag.h"
#include "windows/Picture.h"
#include "windows/Runtime.h"
#include "windows/Text.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

using namespace qv::starter;
using namespace qv::starter::win;

namespace {

class NoEvents final : public BrowserEvents {
public:
    bool beforeNavigate(const std::wstring&, bool) override { return true; }
    bool newWindow(const std::wstring&, bool) override { return true; }
    void titleChanged(const std::wstring&) override {}
    void closeRequested() override {}
    void documentComplete(const std::wstring&, bool) override {}
    bool allowsRequest(const std::wstring&) override { return true; }
    void download(const std::wstring&, IMoniker*) override {}
};

// The arguments after the program's name, as Windows splits a command line, in UTF-8.
std::vector<std::string> ArgumentsAfterProgram(const std::wstring& line)
{
    int count = 0;
    LPWSTR* split = CommandLineToArgvW(line.c_str(), &count);
    std::vector<std::string> arguments;
    if (split == nullptr) {
        ADD_FAILURE() << "CommandLineToArgvW failed on " << ToUtf8(line);
        return arguments;
    }
    for (int i = 1; i < count; ++i)
        arguments.push_back(ToUtf8(split[i]));
    LocalFree(split);
    return arguments;
}

TEST(BrowserSite, AnswersItsInterfacesAndNoOthers)
{
    NoEvents events;
    ComPtr<BrowserHost> host = MakeComObject<BrowserHost>(nullptr, HostFlags{}, events);
    IUnknown* identity = static_cast<IOleClientSite*>(host.Get());
    struct Case {
        const IID* iid;
        void* expected;
    };
    const Case known[] = {
        {&IID_IUnknown, identity},
        {&IID_IOleClientSite, static_cast<IOleClientSite*>(host.Get())},
        {&IID_IOleWindow, static_cast<IOleInPlaceSite*>(host.Get())},
        {&IID_IOleInPlaceSite, static_cast<IOleInPlaceSite*>(host.Get())},
        {&IID_IOleInPlaceUIWindow, static_cast<IOleInPlaceFrame*>(host.Get())},
        {&IID_IOleInPlaceFrame, static_cast<IOleInPlaceFrame*>(host.Get())},
        {&IID_IDocHostUIHandler, static_cast<IDocHostUIHandler*>(host.Get())},
        {&IID_IOleCommandTarget, static_cast<IOleCommandTarget*>(host.Get())},
        {&IID_IServiceProvider, static_cast<IServiceProvider*>(host.Get())},
        {&IID_IDispatch, static_cast<DWebBrowserEvents2*>(host.Get())},
        {&DIID_DWebBrowserEvents2, static_cast<DWebBrowserEvents2*>(host.Get())},
    };
    for (const Case& c : known) {
        void* object = nullptr;
        ASSERT_EQ(host->QueryInterface(*c.iid, &object), S_OK);
        EXPECT_EQ(object, c.expected);
        // Every interface leads back to the one identity.
        IUnknown* back = nullptr;
        ASSERT_EQ(static_cast<IUnknown*>(object)->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
        EXPECT_EQ(back, identity);
        back->Release();
        static_cast<IUnknown*>(object)->Release();
    }
    const IID* unknown[] = {&IID_IOleObject, &IID_IStream, &__uuidof(IDocHostUIHandler2), &IID_IOleContainer};
    for (const IID* iid : unknown) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(host->QueryInterface(*iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(host->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    // References: only the owner's is left, so the object goes with its owner.
    EXPECT_EQ(host->AddRef(), 2u);
    EXPECT_EQ(host->Release(), 1u);
}

TEST(BrowserSite, HostFlagsFollowTheSettings)
{
    NoEvents events;
    struct Case {
        HostFlags flags;
        DWORD set, clear;
    };
    const Case cases[] = {
        {{true, true, true}, DOCHOSTUIFLAG_NO3DBORDER, DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_DIALOG},
        {{false, true, true}, DOCHOSTUIFLAG_SCROLL_NO, DOCHOSTUIFLAG_DIALOG},
        {{true, true, false}, DOCHOSTUIFLAG_DIALOG, DOCHOSTUIFLAG_SCROLL_NO},
    };
    for (const Case& c : cases) {
        ComPtr<BrowserHost> host = MakeComObject<BrowserHost>(nullptr, c.flags, events);
        DOCHOSTUIINFO info{};
        ASSERT_EQ(host->GetHostInfo(&info), S_OK);
        EXPECT_EQ(info.dwFlags & c.set, c.set);
        EXPECT_EQ(info.dwFlags & c.clear, 0u);
    }
    ComPtr<BrowserHost> silent = MakeComObject<BrowserHost>(nullptr, HostFlags{true, false, true}, events);
    EXPECT_EQ(silent->ShowContextMenu(0, nullptr, nullptr, nullptr), S_OK); // "shown": none appears
    ComPtr<BrowserHost> menu = MakeComObject<BrowserHost>(nullptr, HostFlags{}, events);
    int shown = 0;
    menu->setMenuChooser([&shown](HMENU, POINT) {
        ++shown;
        return 0u;
    });
    POINT at{10, 10};
    EXPECT_EQ(menu->ShowContextMenu(0, &at, nullptr, nullptr), S_OK); // ours; the control's never
    EXPECT_EQ(shown, 1);
}

// The command line for execute is split by the started program as Windows splits: the arguments
// come back unchanged.
TEST(ExecuteCommandLine, ArgumentsSurviveTheRoundTrip)
{
    const std::vector<std::vector<std::string>> cases = {
        {"a"},
        {"mit blank", "b"},
        {"C:\\Programme\\x y\\", "z"},
        {"say \"hi\"", "back\\\\slash"},
        {"", "leer"},
        {"\xc3\xa4rger"},
    };
    for (const auto& arguments : cases) {
        const std::wstring line = L"prog.exe " + CommandLineOf(arguments);
        EXPECT_EQ(ArgumentsAfterProgram(line), arguments) << ToUtf8(line);
    }
    EXPECT_EQ(CommandLineOf({}), L"");
}

// uac=1's restart: the parameters after the program's name, however the name was written, and the
// argument that keeps the restarted program from restarting again.
TEST(ElevatedRestart, ParametersAfterTheProgramAndTheGuard)
{
    const wchar_t* program = L"C:\\Program Files\\Mein Menü\\starter.exe";
    struct Case {
        const wchar_t* line;
        std::vector<std::string> arguments; // as the restarted program reads them
    };
    const Case cases[] = {
        {L"\"C:\\Program Files\\Mein Menü\\starter.exe\" /caption=x", {"/caption=x"}},
        {L"C:\\Program Files\\Mein Menü\\starter.exe /caption=\"Меню\" /uac=1", {"/caption=Меню", "/uac=1"}},
        {L"c:\\program files\\mein menü\\STARTER.EXE /width=5", {"/width=5"}},
        {L"starter /width=5", {"/width=5"}},
        {L"  \"C:\\Program Files\\Mein Menü\\starter.exe\"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.line));
        const std::vector<std::string> arguments =
            ArgumentsAfterProgram(L"starter.exe " + RestartParameters(c.line, program));
        const LaunchOptions options = ParseLaunchOptions(arguments);
        EXPECT_TRUE(options.elevatedRestart);
        EXPECT_EQ(options.arguments, c.arguments);
    }
}

// moveeverywhere=1: a press on what the page reacts to stays with the page, anywhere else it moves
// the window. The chain begins with the pressed element.
TEST(PageDrag, PressesOnWhatThePageReactsToStayWithIt)
{
    struct Case {
        const char* what;
        std::vector<PressedElement> chain;
        bool staysWithPage;
    };
    const PressedElement body{L"BODY"}, html{L"HTML"};
    const Case cases[] = {
        {"plain text", {{L"P"}, body, html}, false},
        {"a picture", {{L"IMG"}, {L"DIV"}, body, html}, false},
        {"a picture button", {{L"IMG", true}, body, html}, true},
        {"inside a div button", {{L"SPAN"}, {L"div", true}, body, html}, true},
        {"a link's picture", {{L"IMG"}, {L"a"}, body, html}, true},
        {"an image map's area", {{L"AREA"}, {L"MAP"}, body, html}, true},
        {"a summary", {{L"summary"}, {L"DETAILS"}, body, html}, true},
        {"editable text", {{L"P", false, true}, {L"DIV", false, true}, body, html}, true},
        {"a frame", {{L"IFRAME"}, body, html}, true},
        {"a form field", {{L"INPUT"}, {L"FORM"}, body, html}, true},
        {"nothing", {}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PressStaysWithPage(c.chain), c.staysWithPage) << c.what;
}

TEST(KeyCodes, ModifierBitsAsTheDesignerWritesThem)
{
    struct Case {
        WPARAM key;
        bool shift, control, alt;
        int code;
    };
    const Case cases[] = {
        {'A', false, false, false, 65},        {VK_F4, false, false, true, 0x8000 | 115},
        {'C', true, true, false, 0x6000 | 67}, {VK_NUMPAD1, false, false, false, 97},
        {0, false, false, false, 0},           {0x1ff, true, false, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyCodeOf(c.key, c.shift, c.control, c.alt), c.code) << c.key;
}

TEST(SkinShape, KeyColourIsCutExceptInThePage)
{
    // 4 x 3, K = key colour (ff00ff), the page area is column 3 of row 0..1.
    const char* rows[] = {"K..K", "KK.K", "...."};
    Picture picture;
    picture.width = 4;
    picture.height = 3;
    for (const char* row : rows)
        for (int x = 0; x < 4; ++x)
            picture.pixels.push_back(row[x] == 'K' ? 0xffff00ffu : 0xff102030u);
    const RECT page{3, 0, 4, 2};
    UniqueRegion shape = ShapeWithoutColour(picture, 0xff00ff, page);
    ASSERT_TRUE(shape);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inPage = x == 3 && y < 2;
            const bool expected = rows[y][x] != 'K' || inPage;
            EXPECT_EQ(PtInRegion(shape.get(), x, y) != FALSE, expected) << x << "," << y;
        }
}

TEST(WindowSetup, SettingsInWin32Terms)
{
    RuntimeSettings settings;
    settings.caption = "Men\xc3\xbc";
    settings.skinPos = Rect{10, 20, 30, 40};
    settings.closeButton = Rect{1, 2, 3, 4};
    settings.transparencyColor = Color{0x12, 0x34, 0x56};
    settings.borderStyle = BorderStyle::SizeTool;
    settings.hideScrollBars = true;
    settings.noContextMenu = true;
    settings.skin = "Z:/menu/bild.png";
    const WindowSetup setup = SetupFor(settings);
    EXPECT_EQ(setup.caption, L"Men\u00fc");
    ASSERT_TRUE(setup.skinPos);
    EXPECT_EQ(setup.skinPos->left, 10);
    EXPECT_EQ(setup.skinPos->top, 20);
    EXPECT_EQ(setup.skinPos->right, 40);
    EXPECT_EQ(setup.skinPos->bottom, 60);
    ASSERT_TRUE(setup.closeButton);
    EXPECT_EQ(setup.closeButton->right, 4);
    EXPECT_FALSE(setup.minButton);
    EXPECT_EQ(setup.transparencyColor, 0x123456u);
    EXPECT_EQ(setup.frame, Frame::SizeTool);
    EXPECT_FALSE(setup.host.scrollBars);
    EXPECT_FALSE(setup.host.contextMenu);
    EXPECT_TRUE(setup.host.selectText);
    EXPECT_EQ(setup.skin, L"Z:\\menu\\bild.png");
}

TEST(FileSystemWin32, AnswersTheRulesQuestions)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"qv-fs-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"\\seite.html";
    HANDLE created = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    CloseHandle(created);
    const std::string folderText = ToUtf8(folder);

    EXPECT_TRUE(IsRegularFile(ToUtf8(file)));
    EXPECT_FALSE(IsRegularFile(folderText));
    EXPECT_FALSE(IsRegularFile(folderText + "/fehlt.html"));

    const std::optional<std::string> canonical = CanonicalPath(folderText + "/./fehlt/../seite.html");
    ASSERT_TRUE(canonical);
    EXPECT_EQ(canonical->find('\\'), std::string::npos);
    EXPECT_NE(canonical->find("/seite.html"), std::string::npos);
    EXPECT_EQ(canonical->find(".."), std::string::npos);
    // A path below a missing folder keeps its missing part as written.
    const std::optional<std::string> missing = CanonicalPath(folderText + "/neu/a.html");
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->find("/neu/a.html"), std::string::npos);

    const std::optional<std::string> absolute = AbsolutePath("relativ.txt");
    ASSERT_TRUE(absolute);
    EXPECT_EQ(absolute->substr(1, 2), ":/");

    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

} // namespace
