#include "windows/StarterWindow.h"

#include "rules/ScreenBounds.h"
#include "windows/PageDrag.h"
#include "windows/Platform.h"
#include "windows/resource.h"
#include "windows/Trace.h"

#include <mshtml.h>

#include <algorithm>
#include <array>
#include <cwctype>

namespace qv::starter::win {
namespace {

constexpr wchar_t kClassName[] = L"QuorvaneStarterWindow";
constexpr UINT_PTR kFadeTimer = 1;
constexpr ULONGLONG kFadeMilliseconds = 300;

struct Styles {
    DWORD style, exStyle;
};

Styles StylesFor(Frame frame)
{
    constexpr DWORD caption = WS_CAPTION | WS_SYSMENU;
    switch (frame) {
    case Frame::None:
        return {WS_POPUP, 0};
    case Frame::Sizeable:
        return {WS_OVERLAPPEDWINDOW, 0};
    case Frame::Dialog:
        return {caption, WS_EX_DLGMODALFRAME};
    case Frame::Single:
        return {caption | WS_MINIMIZEBOX, 0};
    case Frame::Tool:
        return {caption, WS_EX_TOOLWINDOW};
    case Frame::SizeTool:
        return {caption | WS_THICKFRAME, WS_EX_TOOLWINDOW};
    case Frame::Minimal:
        return {WS_POPUP | WS_THICKFRAME, 0};
    }
    return {WS_OVERLAPPEDWINDOW, 0};
}

bool Contains(const std::optional<RECT>& area, POINT point)
{
    return area && PtInRect(&*area, point);
}

// The pressed element and its ancestors, as PressStaysWithPage reads them.
std::vector<PressedElement> ChainOf(IHTMLElement* element)
{
    std::vector<PressedElement> chain;
    ComPtr<IHTMLElement> current(element);
    while (current && chain.size() < 256) {
        PressedElement facts;
        BSTR tag = nullptr;
        if (SUCCEEDED(current->get_tagName(&tag)) && tag)
            facts.tag.assign(tag, SysStringLen(tag));
        SysFreeString(tag);
        VARIANT onclick;
        VariantInit(&onclick);
        if (SUCCEEDED(current->get_onclick(&onclick)))
            facts.onclick = onclick.vt != VT_EMPTY && onclick.vt != VT_NULL;
        VariantClear(&onclick);
        ComPtr<IHTMLElement3> editable;
        VARIANT_BOOL isEditable = VARIANT_FALSE;
        if (SUCCEEDED(current.As(&editable)) && SUCCEEDED(editable->get_isContentEditable(&isEditable)))
            facts.editable = isEditable == VARIANT_TRUE;
        chain.push_back(std::move(facts));
        ComPtr<IHTMLElement> parent;
        if (FAILED(current->get_parentElement(&parent)))
            break;
        current = parent;
    }
    return chain;
}

// The page of a FRAME or IFRAME element and where its content begins in the outer page; false for
// other elements and for frames whose page cannot be read.
bool FrameDocument(IHTMLElement* element, ComPtr<IHTMLDocument2>& document, RECT& content)
{
    ComPtr<IHTMLFrameBase2> frame;
    ComPtr<IHTMLWindow2> window;
    ComPtr<IHTMLElement2> box;
    ComPtr<IHTMLRect> rect;
    if (FAILED(element->QueryInterface(IID_PPV_ARGS(&frame))) || FAILED(frame->get_contentWindow(&window)) ||
        !window || FAILED(window->get_document(&document)) || !document ||
        FAILED(element->QueryInterface(IID_PPV_ARGS(&box))) || FAILED(box->getBoundingClientRect(&rect)) || !rect)
        return false;
    long left = 0, top = 0, borderLeft = 0, borderTop = 0;
    rect->get_left(&left);
    rect->get_top(&top);
    box->get_clientLeft(&borderLeft);
    box->get_clientTop(&borderTop);
    content = RECT{left + borderLeft, top + borderTop, 0, 0};
    return true;
}

// True when `point` (page coordinates) lies beyond the page's visible area: on its scroll bars.
bool OnScrollBar(IHTMLDocument2* document, POINT point)
{
    long width = 0, height = 0;
    ComPtr<IHTMLDocument3> root;
    ComPtr<IHTMLElement> element;
    ComPtr<IHTMLElement2> sized;
    if (SUCCEEDED(document->QueryInterface(IID_PPV_ARGS(&root))) && SUCCEEDED(root->get_documentElement(&element)) &&
        element && SUCCEEDED(element.As(&sized))) {
        sized->get_clientWidth(&width);
        sized->get_clientHeight(&height);
    }
    if (width <= 0 || height <= 0) { // quirks mode: the body holds the visible area
        element.Reset();
        sized.Reset();
        if (SUCCEEDED(document->get_body(&element)) && element && SUCCEEDED(element.As(&sized))) {
            sized->get_clientWidth(&width);
            sized->get_clientHeight(&height);
        }
    }
    return width > 0 && height > 0 && (point.x >= width || point.y >= height);
}

ComPtr<IHTMLDocument2> DocumentOf(BrowserHost* host)
{
    ComPtr<IDispatch> document;
    ComPtr<IHTMLDocument2> html;
    if (host && host->browser() && SUCCEEDED(host->browser()->get_Document(&document)) && document)
        document.As(&html);
    return html;
}

// The control reports the address as the title while a page loads, and for good when the page has
// no title: such a text is not a title.
bool IsAddressText(const std::wstring& text)
{
    static constexpr std::array<const wchar_t*, 8> schemes{L"http:", L"https:", L"file:", L"about:",
                                                           L"res:", L"javascript:", L"mailto:", L"ftp:"};
    for (const wchar_t* scheme : schemes)
        if (_wcsnicmp(text.c_str(), scheme, wcslen(scheme)) == 0)
            return true;
    const bool drive = text.size() >= 3 && std::iswalpha(text[0]) && text[1] == L':' && (text[2] == L'\\' || text[2] == L'/');
    return drive || text.rfind(L"\\\\", 0) == 0 || text.rfind(L"//", 0) == 0;
}

} // namespace

StarterWindow::StarterWindow(WindowSetup setup, WindowOwner& owner) : setup_(std::move(setup)), owner_(&owner) {}

StarterWindow::~StarterWindow()
{
    if (browser_)
        browser_->close();
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

bool StarterWindow::create(HINSTANCE instance, HWND ownerWindow)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExW(instance, kClassName, &windowClass)) {
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = &StarterWindow::Procedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_STARTER));
        windowClass.lpszClassName = kClassName;
        if (!RegisterClassExW(&windowClass)) {
            Trace("RegisterClassEx failed");
            return false;
        }
    }

    if (!setup_.skin.empty()) {
        skin_ = LoadPicture(setup_.skin);
        if (!skin_)
            Trace("skin unreadable");
    }
    Styles styles = skin_ ? Styles{WS_POPUP, 0} : StylesFor(setup_.frame);
    styles.style |= WS_CLIPCHILDREN;
    if (setup_.onTop)
        styles.exStyle |= WS_EX_TOPMOST;
    if (setup_.fadeIn || setup_.fadeOut)
        styles.exStyle |= WS_EX_LAYERED;

    // Sizes are logical pixels, scaled for the monitor the window appears on (the primary one
    // before it exists); a skin keeps its picture's pixels.
    dpi_ = SystemDpi();
    const int wantedWidth = std::max(setup_.width.value_or(kDefaultWidth), setup_.minWidth.value_or(0));
    const int wantedHeight = std::max(setup_.height.value_or(kDefaultHeight), setup_.minHeight.value_or(0));
    const int clientWidth = skin_ ? skin_->width : Scale(wantedWidth, dpi_);
    const int clientHeight = skin_ ? skin_->height : Scale(wantedHeight, dpi_);
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustForDpi(frame, styles.style, styles.exStyle, dpi_);
    // The screen-bounds rule: never larger than the work area (a skin keeps its picture's size),
    // inside it, at left/top where given, else centred.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const Rect available{work.left, work.top, work.right - work.left, work.bottom - work.top};
    Size outer{frame.right - frame.left, frame.bottom - frame.top};
    if (!skin_)
        outer = FitSize(available, outer);
    const auto scaled = [this](const std::optional<int>& position) -> std::optional<int> {
        return position ? std::optional<int>(Scale(*position, dpi_)) : std::nullopt;
    };
    const Rect placed = PlaceWindow(available, outer, scaled(setup_.left), scaled(setup_.top));
    const int x = placed.x, y = placed.y, outerWidth = placed.width, outerHeight = placed.height;

    window_ = CreateWindowExW(styles.exStyle, kClassName, setup_.caption.c_str(), styles.style, x, y, outerWidth,
                              outerHeight, ownerWindow, nullptr, instance, this);
    if (!window_) {
        Trace("CreateWindowEx failed");
        return false;
    }
    if (setup_.fadeIn)
        SetLayeredWindowAttributes(window_, 0, 0, LWA_ALPHA);
    else if (setup_.fadeOut)
        SetLayeredWindowAttributes(window_, 0, 255, LWA_ALPHA);

    if (!setup_.icon.empty()) {
        iconSource_ = IconSource::Load(setup_.icon);
        if (iconSource_)
            applyIcons();
        else
            Trace("icon unreadable");
    }
    applyShape();
    browser_ = BrowserHost::Create(window_, pageArea(), setup_.host, *this);
    if (!browser_)
        Trace("browser control missing");
    Trace(std::string("window created ") + std::to_string(clientWidth) + "x" + std::to_string(clientHeight));
    return true;
}

void StarterWindow::show()
{
    ShowWindow(window_, setup_.maximized && !skin_ ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    if (setup_.fadeIn) {
        fade_ = Fade::Waiting;
        SetTimer(window_, kFadeWaitTimer, kFadeWaitMilliseconds, nullptr);
    }
    Trace("window shown");
}

void StarterWindow::startFadeIn()
{
    if (fade_ != Fade::Waiting)
        return;
    KillTimer(window_, kFadeWaitTimer);
    fade_ = Fade::In;
    fadeStart_ = GetTickCount64();
    SetTimer(window_, kFadeTimer, 15, nullptr);
    Trace("fade-in started");
}

void StarterWindow::navigate(const std::wstring& url)
{
    if (browser_)
        browser_->navigate(url);
}

void StarterWindow::showHtml(const std::wstring& html)
{
    pendingHtml_ = html;
    navigate(L"about:blank");
}

RECT StarterWindow::pageArea() const
{
    RECT client{};
    GetClientRect(window_, &client);
    if (skin_ && setup_.skinPos) {
        RECT area = *setup_.skinPos;
        IntersectRect(&area, &area, &client); // an area beyond the picture is cut to it
        return area;
    }
    return client;
}

void StarterWindow::applyShape()
{
    if (!skin_ || !setup_.transparencyColor)
        return;
    UniqueRegion shape = ShapeWithoutColour(*skin_, *setup_.transparencyColor, pageArea());
    if (shape && SetWindowRgn(window_, shape.get(), TRUE))
        shape.release(); // the window owns the region now
    else
        Trace("SetWindowRgn failed");
}

void StarterWindow::applyIcons()
{
    const UINT dpi = DpiFor(window_);
    UniqueIcon big = iconSource_->make(IconSize(SM_CXICON, dpi));
    UniqueIcon small = iconSource_->make(IconSize(SM_CXSMICON, dpi));
    if (!big || !small) {
        Trace("icon unreadable");
        return;
    }
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    bigIcon_ = std::move(big); // the old ones are released only once the window no longer uses them
    smallIcon_ = std::move(small);
}

void StarterWindow::paintSkin()
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window_, &paint);
    if (skin_) {
        HDC source = CreateCompatibleDC(target);
        HGDIOBJ previous = SelectObject(source, skin_->bitmap.get());
        BitBlt(target, 0, 0, skin_->width, skin_->height, source, 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    EndPaint(window_, &paint);
}

void StarterWindow::requestClose()
{
    if (closing_)
        return;
    if (!owner_->allowClose(*this))
        return;
    closing_ = true;
    if (fade_ == Fade::Waiting) { // never faded in: nothing to fade out
        fade_ = Fade::None;
        finishClose();
        return;
    }
    if (setup_.fadeOut && IsWindowVisible(window_)) {
        fade_ = Fade::Out;
        fadeStart_ = GetTickCount64();
        SetTimer(window_, kFadeTimer, 15, nullptr);
        return;
    }
    finishClose();
}

void StarterWindow::finishClose()
{
    KillTimer(window_, kFadeTimer);
    KillTimer(window_, kFadeWaitTimer);
    if (browser_)
        browser_->close();
    browser_.Reset();
    ShowWindow(window_, SW_HIDE);
    owner_->windowClosed(*this); // may delete this window
}

void StarterWindow::fadeStep()
{
    const ULONGLONG elapsed = std::min(GetTickCount64() - fadeStart_, kFadeMilliseconds);
    const BYTE alpha = static_cast<BYTE>(255 * elapsed / kFadeMilliseconds);
    SetLayeredWindowAttributes(window_, 0, fade_ == Fade::In ? alpha : static_cast<BYTE>(255 - alpha), LWA_ALPHA);
    if (elapsed < kFadeMilliseconds)
        return;
    KillTimer(window_, kFadeTimer);
    const Fade finished = fade_;
    fade_ = Fade::None;
    if (finished == Fade::Out)
        finishClose();
}

bool StarterWindow::dragFromPage(const MSG& message)
{
    ComPtr<IHTMLDocument2> document = DocumentOf(browser_.Get());
    if (!document)
        return false;
    POINT point = message.pt;
    ScreenToClient(message.hwnd, &point);
    // A press on a frame is asked of the frame's own page; a frame whose page cannot be read (from
    // another site) keeps its presses.
    for (int depth = 0;; ++depth) {
        ComPtr<IHTMLElement> element;
        if (OnScrollBar(document.Get(), point) || FAILED(document->elementFromPoint(point.x, point.y, &element)) ||
            !element)
            return false;
        ComPtr<IHTMLDocument2> inner;
        RECT frame{};
        if (depth < 8 && FrameDocument(element.Get(), inner, frame)) {
            document = inner;
            point.x -= frame.left;
            point.y -= frame.top;
            continue;
        }
        if (PressStaysWithPage(ChainOf(element.Get())))
            return false;
        break;
    }
    ReleaseCapture();
    SendMessageW(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return true;
}

bool StarterWindow::preTranslate(MSG& message)
{
    if (message.message == WM_LBUTTONDOWN && setup_.moveEverywhere && message.hwnd != window_ &&
        dragFromPage(message))
        return true;
    return browser_ && message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST &&
           browser_->translateAccelerator(message);
}

bool StarterWindow::beforeNavigate(const std::wstring& url, bool topLevel)
{
    if (!pendingHtml_.empty() && url == L"about:blank")
        return true;
    return owner_->allowNavigation(*this, url, topLevel);
}

bool StarterWindow::allowsRequest(const std::wstring& url)
{
    return owner_->allowsRequest(*this, url);
}

void StarterWindow::download(const std::wstring& url, IMoniker* source)
{
    owner_->download(*this, url, source);
}

bool StarterWindow::newWindow(const std::wstring& url, bool userInitiated)
{
    return owner_->handleNewWindow(*this, url, userInitiated);
}

void StarterWindow::titleChanged(const std::wstring& title)
{
    if (setup_.varCaption && !IsAddressText(title))
        showTitle(title);
}

void StarterWindow::showTitle(const std::wstring& title)
{
    SetWindowTextW(window_, title.empty() || IsAddressText(title) ? setup_.caption.c_str() : title.c_str());
}

void StarterWindow::closeRequested()
{
    // A page's window.close(): the same flow as the title bar's close, after the event returns.
    PostMessageW(window_, WM_CLOSE, 0, 0);
}

void StarterWindow::documentComplete(const std::wstring& url, bool topLevel)
{
    if (!pendingHtml_.empty() && url == L"about:blank") {
        if (ComPtr<IHTMLDocument2> document = DocumentOf(browser_.Get())) {
            SAFEARRAY* lines = SafeArrayCreateVector(VT_VARIANT, 0, 1);
            VARIANT* item = nullptr;
            if (lines && SUCCEEDED(SafeArrayAccessData(lines, reinterpret_cast<void**>(&item)))) {
                item->vt = VT_BSTR;
                item->bstrVal = SysAllocString(pendingHtml_.c_str());
                SafeArrayUnaccessData(lines);
                Check(document->write(lines), "IHTMLDocument2::write");
                Check(document->close(), "IHTMLDocument2::close");
            }
            if (lines)
                SafeArrayDestroy(lines); // frees the BSTR too
        }
        pendingHtml_.clear();
    }
    if (topLevel)
        startFadeIn();
    if (topLevel && setup_.varCaption) {
        // The loaded page's own title; without one the caption (never the address).
        std::wstring title;
        if (ComPtr<IHTMLDocument2> document = DocumentOf(browser_.Get())) {
            BSTR text = nullptr;
            if (SUCCEEDED(document->get_title(&text)) && text)
                title.assign(text, SysStringLen(text));
            SysFreeString(text);
        }
        showTitle(title);
    }
    owner_->documentComplete(*this, url, topLevel);
}

LRESULT CALLBACK StarterWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<StarterWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<StarterWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT StarterWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (browser_)
            browser_->move(pageArea());
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        if ((setup_.minWidth || setup_.minHeight) && !skin_) {
            const Styles styles = StylesFor(setup_.frame);
            RECT smallest{0, 0, Scale(setup_.minWidth.value_or(0), dpi_), Scale(setup_.minHeight.value_or(0), dpi_)};
            AdjustForDpi(smallest, styles.style, styles.exStyle, dpi_);
            // Never larger than the work area of the window's monitor: Windows would not let the
            // window shrink into it, and its bottom would stay off the screen.
            MONITORINFO monitor{};
            monitor.cbSize = sizeof monitor;
            LONG widest = LONG_MAX, highest = LONG_MAX;
            if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) {
                widest = monitor.rcWork.right - monitor.rcWork.left;
                highest = monitor.rcWork.bottom - monitor.rcWork.top;
            }
            if (setup_.minWidth)
                limits->ptMinTrackSize.x = std::min(smallest.right - smallest.left, widest);
            if (setup_.minHeight)
                limits->ptMinTrackSize.y = std::min(smallest.bottom - smallest.top, highest);
        }
        return 0;
    }
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        if (iconSource_)
            applyIcons();
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        // A skin keeps its picture's pixels (its shape is cut from them): it is moved only.
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE | (skin_ ? SWP_NOSIZE : 0));
        return 0;
    }
    case WM_ERASEBKGND:
        if (skin_)
            return 1;
        break;
    case WM_PAINT:
        if (skin_) {
            paintSkin();
            return 0;
        }
        break;
    case WM_NCHITTEST:
        if (skin_) {
            // The picture outside the page and the button areas drags the window.
            POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(window_, &point);
            if (Contains(setup_.minButton, point) || Contains(setup_.closeButton, point))
                return HTCLIENT;
            return HTCAPTION;
        }
        break;
    case WM_NCLBUTTONDBLCLK:
        if (skin_)
            return 0; // the picture is dragged like a title bar, but never maximised
        break;
    case WM_LBUTTONDOWN: {
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        pressedArea_ = Contains(setup_.minButton, point) ? 1 : Contains(setup_.closeButton, point) ? 2 : 0;
        if (pressedArea_)
            SetCapture(window_);
        return 0;
    }
    case WM_LBUTTONUP: {
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int pressed = pressedArea_;
        pressedArea_ = 0;
        ReleaseCapture();
        if (pressed == 1 && Contains(setup_.minButton, point))
            ShowWindow(window_, SW_MINIMIZE);
        else if (pressed == 2 && Contains(setup_.closeButton, point))
            requestClose();
        return 0;
    }
    case WM_TIMER:
        if (wParam == kFadeTimer) {
            fadeStep();
            return 0;
        }
        if (wParam == kFadeWaitTimer) {
            startFadeIn();
            return 0;
        }
        break;
    case WM_CLOSE:
        requestClose();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && browser_ && browser_->browser()) {
            // Hand the focus to the page so that keys reach it.
            HWND child = GetWindow(window_, GW_CHILD);
            SetFocus(child ? child : window_);
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

} // namespace qv::starter::win
