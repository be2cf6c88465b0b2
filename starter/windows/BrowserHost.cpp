#include "windows/BrowserHost.h"

#include "windows/Handles.h"
#include "windows/HostServices.h"
#include "windows/Trace.h"

#include <exdispid.h>
#include <mshtmcid.h>

namespace qv::starter::win {
namespace {

// NewWindow3's flag for a window a user's action asked for (NWMF_USERINITIATED).
constexpr DWORD kUserInitiated = 0x2;

// A string argument of an event, given by value or by reference.
std::wstring StringArgument(const VARIANT& argument)
{
    const VARIANT* value = &argument;
    if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal)
        value = value->pvarVal;
    if (value->vt == VT_BSTR && value->bstrVal)
        return std::wstring(value->bstrVal, SysStringLen(value->bstrVal));
    return {};
}

// COM identity: two interface pointers of one object give the same IUnknown.
bool SameObject(IUnknown* first, IUnknown* second)
{
    if (!first || !second)
        return false;
    IUnknown* a = nullptr;
    IUnknown* b = nullptr;
    const bool same = SUCCEEDED(first->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a))) &&
                      SUCCEEDED(second->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b))) && a == b;
    if (a)
        a->Release();
    if (b)
        b->Release();
    return same;
}

// An integer argument of an event (NewWindow3's flags come as VT_UI4 or VT_I4, maybe by reference).
DWORD FlagsArgument(const VARIANT& argument)
{
    const VARIANT* value = &argument;
    if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal)
        value = value->pvarVal;
    switch (value->vt) {
    case VT_UI4:
    case VT_I4:
    case VT_UINT:
    case VT_INT:
        return value->ulVal;
    case VT_BYREF | VT_UI4:
    case VT_BYREF | VT_I4:
        return value->pulVal ? *value->pulVal : 0;
    default:
        return 0;
    }
}

void SetCancel(VARIANT& argument, bool cancel)
{
    if (argument.vt == (VT_BYREF | VT_BOOL) && argument.pboolVal)
        *argument.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

// The document's own edit commands for the menu's entries (CGID_MSHTML).
DWORD EditCommand(MenuCommand command)
{
    switch (command) {
    case MenuCommand::Undo:
        return IDM_UNDO;
    case MenuCommand::Redo:
        return IDM_REDO;
    case MenuCommand::Cut:
        return IDM_CUT;
    case MenuCommand::Copy:
        return IDM_COPY;
    case MenuCommand::Paste:
        return IDM_PASTE;
    case MenuCommand::SelectAll:
        return IDM_SELECTALL;
    default:
        return 0;
    }
}

UINT TrackMenu(HWND owner, HMENU menu, POINT at)
{
    return static_cast<UINT>(
        TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, owner, nullptr));
}

} // namespace

bool IsControlWindowKey(UINT virtualKey, bool control, [[maybe_unused]] bool shift, bool alt)
{
    // Shift never makes these keys harmless (Ctrl+Shift+N is a new window as well).
    switch (virtualKey) {
    case VK_F1:  // help
    case VK_F11: // full screen
    case VK_F12: // developer tools
        return true;
    case VK_HOME: // Alt+Home: the user's home page in the menu's window
        return alt;
    default:
        break;
    }
    if (!control || alt)
        return false;
    switch (virtualKey) {
    case 'N': // new window
    case 'O': // open
    case 'L': // open
    case 'P': // print
    case 'S': // save as
    case 'F': // find
    case 'E': // search
    case 'D': // favourites
    case 'I': // favourites
    case 'H': // history
    case 'J': // downloads
    case 'K': // duplicate window
    case 'T': // new tab
    case 'U': // source
        return true;
    default:
        return false;
    }
}

BrowserHost::BrowserHost(HWND parent, const HostFlags& flags, BrowserEvents& events)
    : parent_(parent), flags_(flags), events_(&events)
{
}

ComPtr<BrowserHost> BrowserHost::Create(HWND parent, const RECT& area, const HostFlags& flags, BrowserEvents& events)
{
    ComPtr<BrowserHost> host = MakeComObject<BrowserHost>(parent, flags, events);
    if (!host->embed(area)) {
        host->close();
        return nullptr;
    }
    return host;
}

bool BrowserHost::embed(const RECT& area)
{
    area_ = area;
    if (!Check(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_)),
               "CoCreateInstance(WebBrowser)"))
        return false;
    if (!Check(object_->SetClientSite(this), "IOleObject::SetClientSite"))
        return false;
    Check(OleSetContainedObject(object_.Get(), TRUE), "OleSetContainedObject");
    if (!Check(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, parent_, &area_),
               "IOleObject::DoVerb(INPLACEACTIVATE)"))
        return false;
    if (!Check(object_.As(&browser_), "QueryInterface(IWebBrowser2)"))
        return false;
    ComPtr<IConnectionPointContainer> container;
    if (Check(browser_.As(&container), "QueryInterface(IConnectionPointContainer)") &&
        Check(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &eventsPoint_),
              "FindConnectionPoint(DWebBrowserEvents2)")) {
        if (!Check(eventsPoint_->Advise(static_cast<DWebBrowserEvents2*>(this), &eventsCookie_),
                   "IConnectionPoint::Advise"))
            eventsPoint_.Reset();
    }
    move(area);
    return true;
}

void BrowserHost::navigate(const std::wstring& url)
{
    if (!browser_)
        return;
    VARIANT empty;
    VariantInit(&empty);
    OwnedBstr address(url.c_str());
    Check(browser_->Navigate(address.get(), &empty, &empty, &empty, &empty), "IWebBrowser2::Navigate");
}

void BrowserHost::move(const RECT& area)
{
    area_ = area;
    ComPtr<IOleInPlaceObject> inPlace;
    if (object_ && SUCCEEDED(object_.As(&inPlace)))
        Check(inPlace->SetObjectRects(&area_, &area_), "IOleInPlaceObject::SetObjectRects");
}

bool BrowserHost::translateAccelerator(MSG& message)
{
    // The window and dialog keys are kept from the control here too, should it act on a key
    // without asking its host first.
    if (TranslateAccelerator(&message, nullptr, 0) == S_OK)
        return true;
    return activeObject_ && activeObject_->TranslateAccelerator(&message) == S_OK;
}

void BrowserHost::close()
{
    events_ = nullptr;
    if (eventsPoint_) {
        Check(eventsPoint_->Unadvise(eventsCookie_), "IConnectionPoint::Unadvise");
        eventsPoint_.Reset();
    }
    activeObject_.Reset();
    browser_.Reset();
    if (object_) {
        Check(object_->Close(OLECLOSE_NOSAVE), "IOleObject::Close");
        object_->SetClientSite(nullptr);
        object_.Reset();
    }
}

STDMETHODIMP BrowserHost::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (riid == IID_IDocHostUIHandler)
        *object = static_cast<IDocHostUIHandler*>(this);
    else if (riid == IID_IOleCommandTarget)
        *object = static_cast<IOleCommandTarget*>(this);
    else if (riid == IID_IServiceProvider)
        *object = static_cast<IServiceProvider*>(this);
    else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
        *object = static_cast<DWebBrowserEvents2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserHost::AddRef()
{
    return ++references_;
}

STDMETHODIMP_(ULONG) BrowserHost::Release()
{
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP BrowserHost::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserHost::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = parent_;
    return S_OK;
}

STDMETHODIMP BrowserHost::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = area_;
    *clip = area_;
    info->fMDIApp = FALSE;
    info->hwndFrame = parent_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP BrowserHost::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR)
{
    activeObject_ = object;
    return S_OK;
}

STDMETHODIMP BrowserHost::ShowContextMenu(DWORD id, POINT* at, IUnknown* commands, IDispatch* element)
{
    // S_OK in every case: the host has shown the menu (its own, or none); the control's never shows.
    if (!flags_.contextMenu) {
        Trace("context-menu suppressed");
        return S_OK;
    }
    const ContextTarget target = DescribeTarget(id, element);
    const std::vector<MenuEntry> entries = ContextMenuEntries(target);
    if (entries.empty()) {
        Trace("context-menu none");
        return S_OK;
    }
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) {
        Trace("context-menu failed CreatePopupMenu");
        return S_OK;
    }
    for (const MenuEntry& entry : entries) {
        if (entry.command == MenuCommand::Separator)
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu.get(), MF_STRING | (entry.checked ? MF_CHECKED : MF_UNCHECKED),
                        static_cast<UINT_PTR>(entry.command), entry.text.c_str());
    }
    POINT point{};
    if (at)
        point = *at;
    else
        GetCursorPos(&point);
    Trace("context-menu shown " + std::to_string(entries.size()));
    const UINT chosen = chooser_ ? chooser_(menu.get(), point) : TrackMenu(parent_, menu.get(), point);
    menu.reset();
    if (chosen)
        runMenuCommand(chosen, target, commands, element);
    return S_OK;
}

void BrowserHost::runMenuCommand(UINT chosen, const ContextTarget& target, IUnknown* commands, IDispatch* element)
{
    const auto command = static_cast<MenuCommand>(chosen);
    Trace("context-menu command " + std::to_string(chosen));
    auto copy = [this](const std::wstring& text) {
        if (!CopyTextToClipboard(parent_, text))
            Trace("context-menu clipboard failed");
    };
    auto toggle = [element](const wchar_t* name, bool now) {
        if (!PutBoolProperty(element, name, !now))
            Trace("context-menu toggle failed");
    };
    switch (command) {
    case MenuCommand::Back:
        if (browser_)
            browser_->GoBack(); // fails harmlessly at the first page
        return;
    case MenuCommand::Forward:
        if (browser_)
            browser_->GoForward();
        return;
    case MenuCommand::Reload:
        if (browser_)
            Check(browser_->Refresh(), "IWebBrowser2::Refresh");
        return;
    case MenuCommand::CopyLinkAddress:
        copy(target.link);
        return;
    case MenuCommand::CopyImageAddress:
        copy(target.image);
        return;
    case MenuCommand::CopyMediaAddress:
        copy(target.media);
        return;
    case MenuCommand::Loop:
        toggle(L"loop", target.loop);
        return;
    case MenuCommand::ShowControls:
        toggle(L"controls", target.controls);
        return;
    case MenuCommand::PasteAndMatchStyle: {
        // The clipboard's text alone, in place of the selection (or at the caret): it takes the
        // style of the text around it.
        ComPtr<IDispatch> document = ObjectProperty(element, L"document");
        ComPtr<IDispatch> selection = ObjectProperty(document.Get(), L"selection");
        ComPtr<IDispatch> range;
        if (!CallMethod(selection.Get(), L"createRange", {}, &range) ||
            !PutStringProperty(range.Get(), L"text", ClipboardText(parent_)))
            Trace("context-menu paste-text failed");
        return;
    }
    case MenuCommand::CopyImage: {
        // The picture as the document copies a selected picture: a control range holding it.
        ComPtr<IDispatch> document = ObjectProperty(element, L"document");
        ComPtr<IDispatch> body = ObjectProperty(document.Get(), L"body");
        ComPtr<IDispatch> range;
        VARIANT item;
        VariantInit(&item);
        item.vt = VT_DISPATCH;
        item.pdispVal = element;
        OwnedBstr copy(L"Copy");
        VARIANT name;
        VariantInit(&name);
        name.vt = VT_BSTR;
        name.bstrVal = copy.get();
        if (!CallMethod(body.Get(), L"createControlRange", {}, &range) || !CallMethod(range.Get(), L"add", {item}) ||
            !CallMethod(range.Get(), L"execCommand", {name}))
            Trace("context-menu copy-image failed");
        return;
    }
    default:
        break;
    }
    ComPtr<IOleCommandTarget> document;
    const DWORD edit = EditCommand(command);
    if (edit && commands && SUCCEEDED(commands->QueryInterface(IID_PPV_ARGS(&document))))
        Check(document->Exec(&CGID_MSHTML, edit, OLECMDEXECOPT_DODEFAULT, nullptr, nullptr), "IOleCommandTarget::Exec");
}

STDMETHODIMP BrowserHost::TranslateAccelerator(LPMSG message, const GUID*, DWORD)
{
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN))
        return S_FALSE;
    const bool alt = message->message == WM_SYSKEYDOWN ? (message->lParam & (LPARAM{1} << 29)) != 0
                                                        : GetKeyState(VK_MENU) < 0;
    if (!IsControlWindowKey(static_cast<UINT>(message->wParam), GetKeyState(VK_CONTROL) < 0,
                            GetKeyState(VK_SHIFT) < 0, alt))
        return S_FALSE;
    Trace("control-key " + std::to_string(message->wParam) + " kept");
    return S_OK;
}

STDMETHODIMP BrowserHost::QueryStatus(const GUID* group, ULONG, OLECMD*, OLECMDTEXT*)
{
    return group && *group == CGID_DocHostCommandHandler ? OLECMDERR_E_NOTSUPPORTED : OLECMDERR_E_UNKNOWNGROUP;
}

STDMETHODIMP BrowserHost::Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT* out)
{
    if (!group || *group != CGID_DocHostCommandHandler)
        return OLECMDERR_E_UNKNOWNGROUP;
    if (command != OLECMDID_SHOWSCRIPTERROR)
        return OLECMDERR_E_NOTSUPPORTED;
    // No dialog for a page's script error; the page's scripts go on running.
    Trace("script-error");
    if (out) {
        VariantClear(out);
        out->vt = VT_BOOL;
        out->boolVal = VARIANT_TRUE;
    }
    return S_OK;
}

STDMETHODIMP BrowserHost::QueryService(REFGUID service, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (service == SID_SInternetSecurityManager) {
        // The managers keep the host alive; after close() they answer without its owner.
        ComPtr<BrowserHost> host(this);
        ComPtr<SecurityManager> manager = MakeComObject<SecurityManager>([host](const std::wstring& url) {
            return host->events_ && host->events_->allowsRequest(url);
        });
        return manager->QueryInterface(riid, object);
    }
    if (service == IID_IDownloadManager) { // SID_SDownloadManager
        ComPtr<BrowserHost> host(this);
        ComPtr<DownloadManager> manager =
            MakeComObject<DownloadManager>([host](const std::wstring& url, IMoniker* source) {
                if (host->events_)
                    host->events_->download(url, source);
            });
        return manager->QueryInterface(riid, object);
    }
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserHost::GetHostInfo(DOCHOSTUIINFO* info)
{
    if (!info)
        return E_POINTER;
    info->cbSize = sizeof *info;
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME | DOCHOSTUIFLAG_DPI_AWARE |
                    DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_ENABLE_REDIRECT_NOTIFICATION;
    if (!flags_.scrollBars)
        info->dwFlags |= DOCHOSTUIFLAG_SCROLL_NO;
    if (!flags_.selectText)
        info->dwFlags |= DOCHOSTUIFLAG_DIALOG; // no text selection; input fields stay editable
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
}

STDMETHODIMP BrowserHost::GetExternal(IDispatch** external)
{
    if (external)
        *external = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserHost::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated)
{
    if (translated)
        *translated = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserHost::FilterDataObject(IDataObject*, IDataObject** result)
{
    if (result)
        *result = nullptr;
    return S_FALSE;
}

STDMETHODIMP BrowserHost::GetTypeInfoCount(UINT* count)
{
    if (count)
        *count = 0;
    return S_OK;
}

STDMETHODIMP BrowserHost::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                 UINT*)
{
    if (!parameters || !events_)
        return S_OK;
    VARIANT* arguments = parameters->rgvarg; // in reverse order
    const UINT count = parameters->cArgs;
    switch (member) {
    case DISPID_BEFORENAVIGATE2:
        if (count == 7) {
            const bool topLevel = arguments[6].vt == VT_DISPATCH && SameObject(arguments[6].pdispVal, browser_.Get());
            SetCancel(arguments[0], !events_->beforeNavigate(StringArgument(arguments[5]), topLevel));
        }
        break;
    case DISPID_NEWWINDOW3:
        if (count == 5)
            SetCancel(arguments[3], events_->newWindow(StringArgument(arguments[0]),
                                                       (FlagsArgument(arguments[2]) & kUserInitiated) != 0));
        break;
    case DISPID_TITLECHANGE:
        if (count == 1)
            events_->titleChanged(StringArgument(arguments[0]));
        break;
    case DISPID_WINDOWCLOSING:
        if (count == 2) {
            SetCancel(arguments[0], true);
            events_->closeRequested();
        }
        break;
    case DISPID_DOCUMENTCOMPLETE:
        if (count == 2)
            events_->documentComplete(StringArgument(arguments[0]), arguments[1].vt == VT_DISPATCH &&
                                                                         SameObject(arguments[1].pdispVal, browser_.Get()));
        break;
    default:
        break;
    }
    return S_OK;
}

} // namespace qv::starter::win
