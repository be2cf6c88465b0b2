#include "windows/Runtime.h"

#include "rules/FileSystem.h"
#include "rules/KeyRule.h"
#include "rules/Messages.h"
#include "rules/PathText.h"
#include "windows/Dialogs.h"
#include "windows/Platform.h"
#include "windows/SelfCheck.h"
#include "windows/Text.h"
#include "windows/Trace.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace qv::starter::win {
namespace {

constexpr UINT_PTR kSelfCheckTimer = 7;
constexpr UINT kSelfCheckMilliseconds = 15000;

std::optional<RECT> ToRect(const std::optional<Rect>& area)
{
    if (!area)
        return std::nullopt;
    return RECT{area->x, area->y, area->x + area->width, area->y + area->height};
}

std::wstring NativePath(const std::string& utf8)
{
    return FromUtf8(WithBackslashes(utf8));
}

const char* ActionName(LinkAction action)
{
    switch (action) {
    case LinkAction::Load:
        return "load";
    case LinkAction::Refuse:
        return "refuse";
    case LinkAction::OpenOnDesktop:
        return "desktop";
    }
    return "?";
}

// The data behind a download's moniker (a web address), read synchronously into `target`; a
// partly written file is removed again.
bool SaveFromMoniker(IMoniker* source, const std::wstring& target)
{
    if (!source)
        return false;
    ComPtr<IBindCtx> context;
    ComPtr<IStream> stream;
    if (!Check(CreateBindCtx(0, &context), "CreateBindCtx") ||
        !Check(source->BindToStorage(context.Get(), nullptr, IID_PPV_ARGS(&stream)), "IMoniker::BindToStorage"))
        return false;
    HANDLE opened =
        CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    bool complete = false;
    {
        UniqueHandle file(opened);
        char buffer[65536];
        for (;;) {
            ULONG read = 0;
            const HRESULT result = stream->Read(buffer, sizeof buffer, &read);
            if (FAILED(result))
                break;
            DWORD written = 0;
            if (read > 0 && (!WriteFile(file.get(), buffer, read, &written, nullptr) || written != read))
                break;
            if (result == S_FALSE || read == 0) {
                complete = true;
                break;
            }
        }
    }
    if (!complete)
        DeleteFileW(target.c_str());
    return complete;
}

} // namespace

WindowSetup SetupFor(const RuntimeSettings& settings)
{
    WindowSetup setup;
    setup.caption = FromUtf8(settings.caption);
    setup.varCaption = settings.varCaption;
    setup.icon = settings.icon.empty() ? std::wstring() : NativePath(settings.icon);
    setup.width = settings.width;
    setup.height = settings.height;
    setup.minWidth = settings.minWidth;
    setup.minHeight = settings.minHeight;
    setup.left = settings.left;
    setup.top = settings.top;
    setup.maximized = settings.maximized;
    setup.frame = static_cast<Frame>(settings.borderStyle);
    setup.onTop = settings.onTop;
    setup.host.scrollBars = !settings.hideScrollBars;
    setup.host.contextMenu = !settings.noContextMenu;
    setup.host.selectText = !settings.noSelectText;
    setup.fadeIn = settings.fadeIn;
    setup.fadeOut = settings.fadeOut;
    setup.skin = settings.skin.empty() ? std::wstring() : NativePath(settings.skin);
    setup.skinPos = ToRect(settings.skinPos);
    setup.minButton = ToRect(settings.minButton);
    setup.closeButton = ToRect(settings.closeButton);
    if (settings.transparencyColor) {
        const Color& c = *settings.transparencyColor;
        setup.transparencyColor = (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
    }
    setup.moveEverywhere = settings.moveEverywhere;
    return setup;
}

int KeyCodeOf(WPARAM virtualKey, bool shift, bool control, bool alt)
{
    if (virtualKey == 0 || virtualKey > 0xff)
        return 0;
    return static_cast<int>(virtualKey) | (shift ? 0x2000 : 0) | (control ? 0x4000 : 0) | (alt ? 0x8000 : 0);
}

bool AltOf(const MSG& message, bool altKeyDown)
{
    return altKeyDown || (message.message == WM_SYSKEYDOWN && (message.lParam & (LPARAM{1} << 29)) != 0);
}

std::wstring DownloadName(const std::wstring& url)
{
    const std::string address = ToUtf8(url);
    std::string name;
    if (const std::optional<std::string> local = LocalPathOf(address)) {
        name = *local;
    } else {
        name = address.substr(0, address.find_first_of("?#"));
        const size_t scheme = name.find("://");
        name = scheme == std::string::npos ? std::string() : name.substr(scheme + 3);
        if (name.find('/') == std::string::npos)
            name.clear(); // a host alone names no file
        std::string decoded;
        for (size_t i = 0; i < name.size(); ++i) {
            if (name[i] == '%' && i + 2 < name.size() && std::isxdigit(static_cast<unsigned char>(name[i + 1])) &&
                std::isxdigit(static_cast<unsigned char>(name[i + 2]))) {
                decoded += static_cast<char>(std::stoi(name.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                decoded += name[i];
            }
        }
        name = decoded;
    }
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    std::wstring wide = FromUtf8(name);
    for (wchar_t& c : wide)
        if (c < 0x20 || std::wstring_view(L":*?\"<>|/\\").find(c) != std::wstring_view::npos)
            c = L'_';
    while (!wide.empty() && (wide.back() == L'.' || wide.back() == L' '))
        wide.pop_back();
    return wide.empty() ? L"Download" : wide;
}

std::wstring CommandLineOf(const std::vector<std::string>& arguments)
{
    std::wstring line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += L' ';
        const std::wstring wide = FromUtf8(argument);
        if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos) {
            line += wide;
            continue;
        }
        // The quoting CommandLineToArgvW and the C runtime undo: backslashes double only before a quote.
        line += L'"';
        size_t backslashes = 0;
        for (wchar_t c : wide) {
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, L'\\');
        line += L'"';
    }
    return line;
}

Runtime::Runtime(HINSTANCE instance, LoadedConfiguration configuration, bool selfCheck, Desktop* desktop)
    : instance_(instance),
      desktop_(desktop ? desktop : &shell_),
      configuration_(std::move(configuration)),
      main_{InterpretConfiguration(configuration_), LinkRule(RuntimeSettings{}), nullptr, false},
      closeFlow_(main_.settings.exitPassword, main_.settings.fadeOut),
      selfCheck_(selfCheck)
{
    main_.links = LinkRule(main_.settings);
}

Runtime::~Runtime() = default;

Runtime::Shown* Runtime::find(const StarterWindow& window)
{
    if (main_.window.get() == &window)
        return &main_;
    for (auto& popup : popups_)
        if (popup->window.get() == &window)
            return popup.get();
    return nullptr;
}

Runtime::Shown* Runtime::findByHandle(HWND handle)
{
    HWND root = GetAncestor(handle, GA_ROOT);
    if (main_.window && main_.window->handle() == root)
        return &main_;
    for (auto& popup : popups_)
        if (popup->window && popup->window->handle() == root)
            return popup.get();
    return nullptr;
}

bool Runtime::start()
{
    const RuntimeSettings& settings = main_.settings;
    Trace(std::string("settings ") + (settings.found ? "found" : "missing") + " folder " + settings.folder);
    runProgram(settings.execute, settings.executeParam, "execute");
    // Before any window: the start page's own pictures pass the filter too. The filter keeps its
    // own copy of the rule: the system may ask it while the windows go. On Wine the security
    // manager alone answers (see RunsOnWine).
    if (RunsOnWine()) {
        Trace("file-filter off (Wine)");
    } else {
        fileFilter_ = std::make_unique<FileRequestFilter>(
            [links = main_.links](const std::wstring& url) { return links.AllowsRequest(ToUtf8(url)); });
        if (!fileFilter_->active())
            Trace("file-filter failed");
    }
    main_.window = std::make_unique<StarterWindow>(SetupFor(settings), *this);
    if (!main_.window->create(instance_))
        return false;
    std::optional<Picture> splash;
    if (!settings.splash.empty()) {
        splash = LoadPicture(NativePath(settings.splash));
        if (!splash)
            Trace("splash unreadable");
    }
    if (!(splash && splash_.show(instance_, std::move(*splash), [this] { openMainWindow(); })))
        openMainWindow();
    return true;
}

void Runtime::openMainWindow()
{
    const RuntimeSettings& settings = main_.settings;
    main_.window->show();
    if (selfCheck_)
        SetTimer(main_.window->handle(), kSelfCheckTimer, kSelfCheckMilliseconds, nullptr);
    struct TestNavigations {
        Runtime* runtime;
        ~TestNavigations() { runtime->navigateForTest(); }
    } testNavigations{this};
    if (IsWebAddress(settings.startFile)) {
        navigateTo(main_, FromUtf8(settings.startFile));
        return;
    }
    const std::string path = settings.startFile.empty() ? std::string() : ResolvePath(settings.folder, settings.startFile);
    if (path.empty() || !IsRegularFile(path)) {
        Trace("start-page missing " + settings.startFile);
        main_.window->showHtml(FromUtf8(MissingStartPageHtml(settings.startFile, settings.found, settings.iniName)));
        return;
    }
    navigateTo(main_, NativePath(path));
}

void Runtime::navigateForTest()
{
    // QUORVANE_STARTER_NAVIGATE="address|address": navigations as if a page asked for them, so
    // that tests can see the link rule's answers in the trace without a page that renders.
    const std::string addresses = ToUtf8(EnvironmentValue(L"QUORVANE_STARTER_NAVIGATE"));
    size_t begin = 0;
    while (begin < addresses.size()) {
        const size_t end = std::min(addresses.find('|', begin), addresses.size());
        if (end > begin)
            main_.window->navigate(FromUtf8(addresses.substr(begin, end - begin)));
        begin = end + 1;
    }
}

void Runtime::navigateTo(Shown& shown, const std::wstring& address)
{
    shown.runtimeNavigation = true;
    shown.window->navigate(address);
}

bool Runtime::allowNavigation(StarterWindow& window, const std::wstring& url, bool topLevel)
{
    Shown* shown = find(window);
    if (!shown)
        return false;
    const NavigationOrigin origin =
        shown->runtimeNavigation && topLevel ? NavigationOrigin::Runtime : NavigationOrigin::Page;
    if (topLevel)
        shown->runtimeNavigation = false;
    // External files open on the desktop only for the user's click (of a link in the page or in a
    // frame), not for a script's location, a refresh or a timer.
    const bool clicked = origin == NavigationOrigin::Page && takeClick(*shown);
    const std::string address = ToUtf8(url);
    const LinkAction action = shown->links.Navigation(address, origin, clicked);
    Trace("navigate " + address + " " + ActionName(action));
    if (action == LinkAction::OpenOnDesktop)
        openOnDesktop(address);
    return action == LinkAction::Load;
}

bool Runtime::handleNewWindow(StarterWindow& window, const std::wstring& url, bool userInitiated)
{
    Shown* shown = find(window);
    if (!shown)
        return true;
    const std::string address = ToUtf8(url);
    // Only a user's click opens a window, one per click: the control's flag and a click of ours.
    const bool clicked = takeClick(*shown);
    if (!userInitiated || !clicked) {
        Trace("new-window " + address + " unasked");
        return true;
    }
    switch (shown->links.NewWindow(address)) {
    case NewWindowStep::Refuse:
        Trace("new-window " + address + " refuse");
        break;
    case NewWindowStep::OpenInBrowser:
        // The address goes to the browser, never to the program of a local file's type.
        Trace("new-window " + address + " browser");
        desktop_->openInBrowser(url);
        break;
    case NewWindowStep::OpenWithDefaultProgram:
        Trace("new-window " + address + " program");
        openOnDesktop(address);
        break;
    case NewWindowStep::LoadHere:
        Trace("new-window " + address + " here");
        window.navigate(url);
        break;
    case NewWindowStep::Popup:
        if (popups_.size() >= kMaxPopups) {
            Trace("new-window " + address + " popup-limit");
            break;
        }
        Trace("new-window " + address + " popup");
        openPopup(address);
        break;
    }
    return true;
}

void Runtime::openPopup(const std::string& address)
{
    RuntimeSettings settings = PopupSettings(configuration_, main_.settings.popupParam);
    auto popup = std::make_unique<Shown>(Shown{settings, LinkRule(settings), nullptr, false});
    popup->window = std::make_unique<StarterWindow>(SetupFor(settings), *this);
    if (!popup->window->create(instance_, nullptr))
        return;
    popup->window->show();
    Shown& shown = *popup;
    popups_.push_back(std::move(popup));
    navigateTo(shown, FromUtf8(address));
}

bool Runtime::allowClose(StarterWindow& window)
{
    if (&window != main_.window.get())
        return true; // a popup never asks for the password
    CloseFlow::Step step = closeFlow_.Request();
    while (step == CloseFlow::Step::AskPassword) {
        step = closeFlow_.Answer(AskPassword(window.handle()));
        if (step == CloseFlow::Step::ShowWrongNote) {
            ShowWrongPassword(window.handle());
            step = CloseFlow::Step::Stay;
        }
    }
    return step == CloseFlow::Step::StartFadeOut || step == CloseFlow::Step::Close;
}

void Runtime::windowClosed(StarterWindow& window)
{
    if (&window == main_.window.get()) {
        if (closeFlow_.IsFadingOut())
            closeFlow_.FadeOutFinished();
        Trace("window closed");
        for (auto& popup : popups_)
            closedPopups_.push_back(std::move(popup));
        popups_.clear();
        runProgram(main_.settings.executeOnClose, main_.settings.executeParamOnClose, "executeonclose");
        PostQuitMessage(0);
        return;
    }
    for (auto it = popups_.begin(); it != popups_.end(); ++it) {
        if ((*it)->window.get() == &window) {
            closedPopups_.push_back(std::move(*it));
            popups_.erase(it);
            break;
        }
    }
}

void Runtime::documentComplete(StarterWindow& window, const std::wstring& url, bool topLevel)
{
    Trace("document-complete " + ToUtf8(url) + (topLevel ? "" : " frame"));
    // A framed page completes its frames first: the report waits for the page itself.
    if (topLevel && &window == main_.window.get() && selfCheck_ && !startPageComplete_) {
        startPageComplete_ = true;
        writeSelfCheck();
    }
}

bool Runtime::allowsRequest(StarterWindow& window, const std::wstring& url)
{
    const Shown* shown = find(window);
    return shown && shown->links.AllowsRequest(ToUtf8(url));
}

void Runtime::download(StarterWindow& window, const std::wstring& url, IMoniker* source)
{
    const Shown* shown = find(window);
    const std::string address = ToUtf8(url);
    // Like every request: nothing outside the folder, nothing local for a page from the web; the
    // file is not read before the rule allows it.
    if (!shown || !shown->links.AllowsRequest(address)) {
        Trace("download " + address + " refuse");
        return;
    }
    const std::optional<std::wstring> target = desktop_->askSavePath(window.handle(), DownloadName(url));
    if (!target || target->empty()) {
        Trace("download " + address + " cancelled");
        return;
    }
    const std::optional<std::string> local = LocalPathOf(address);
    const bool saved = local ? CopyFileW(NativePath(*local).c_str(), target->c_str(), FALSE) != FALSE
                             : SaveFromMoniker(source, *target);
    Trace("download " + address + (saved ? " saved " : " failed ") + ToUtf8(*target));
    if (!saved)
        desktop_->saveFailed(window.handle(), *target);
}

void Runtime::runProgram(const std::string& program, const std::string& parameters, const char* what)
{
    if (program.empty())
        return;
    const std::string path = ResolvePath(main_.settings.folder, program);
    const std::wstring file = NativePath(path);
    const std::wstring arguments = CommandLineOf(SplitArguments(parameters));
    const std::wstring folder = NativePath(main_.settings.folder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    const bool started = ShellExecuteExW(&info) != FALSE;
    Trace(std::string(what) + " " + path + (started ? " started" : " failed"));
}

void Runtime::openOnDesktop(const std::string& address)
{
    const std::optional<std::string> local = LocalPathOf(address);
    desktop_->openWithProgram(local ? NativePath(*local) : FromUtf8(address));
}

bool Runtime::filterKey(const MSG& message)
{
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)
        return false;
    Shown* shown = findByHandle(message.hwnd);
    if (!shown)
        return false;
    const int code = KeyCodeOf(message.wParam, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                               AltOf(message, GetKeyState(VK_MENU) < 0));
    // The modifier keys alone are never blocked: they only make a combination.
    if (message.wParam == VK_SHIFT || message.wParam == VK_CONTROL || message.wParam == VK_MENU)
        return false;
    const bool blocked = BlocksKey(shown->settings, code);
    Trace("key " + std::to_string(code) + (blocked ? " blocked" : " passed"));
    return blocked;
}

void Runtime::noteClick(const MSG& message)
{
    const bool click = message.message == WM_LBUTTONUP ||
                       (message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_SPACE));
    if (!click)
        return;
    if (Shown* shown = findByHandle(message.hwnd)) {
        shown->clickPending = true;
        shown->clickAt = GetTickCount64();
    }
}

bool Runtime::takeClick(Shown& shown)
{
    if (!shown.clickPending)
        return false;
    shown.clickPending = false;
    return GetTickCount64() - shown.clickAt <= kClickMilliseconds;
}

bool Runtime::preDispatch(MSG& message)
{
    if (message.message == WM_TIMER && message.wParam == kSelfCheckTimer && main_.window &&
        message.hwnd == main_.window->handle()) {
        KillTimer(message.hwnd, kSelfCheckTimer);
        if (!startPageComplete_) {
            startPageComplete_ = true;
            writeSelfCheck();
        }
        return true;
    }
    if (filterKey(message))
        return true;
    noteClick(message);
    Shown* shown = findByHandle(message.hwnd);
    return shown && shown->window && shown->window->preTranslate(message);
}

int Runtime::run()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        closedPopups_.clear();
        if (preDispatch(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void Runtime::writeSelfCheck()
{
    const std::wstring report = WriteSelfCheckReport(configuration_, main_.settings, main_.window.get());
    Trace("selbsttest " + ToUtf8(report));
    PostQuitMessage(0);
}

} // namespace qv::starter::win
