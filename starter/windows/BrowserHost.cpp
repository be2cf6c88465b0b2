#include "windows/BrowserHost.h"

#include "windows/Handles.h"
#include "windows/Trace.h"

#include <exdispid.h>

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

} // namespace

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
    Check(browser_->put_Silent(VARIANT_TRUE), "IWebBrowser2::put_Silent");
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
    return activeObject_ && activeObject_->TranslateAccelerator(&message) == S_OK;
}

void BrowserHost::close()
{
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

STDMETHODIMP BrowserHost::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*)
{
    Trace(flags_.contextMenu ? "context-menu shown" : "context-menu suppressed");
    return flags_.contextMenu ? S_FALSE : S_OK; // S_OK: the host has "shown" it, i.e. none
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
