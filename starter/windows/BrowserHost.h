#pragma once

// The client site of the system's WebBrowser control: the control lives in a child area of a
// window of ours, asks this site for its place, its host flags and its context menu, and reports
// its events (DWebBrowserEvents2) here. What to do with them is the owner's: BrowserEvents.
#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <oleidl.h>
#include <wrl/client.h>

#include "windows/ContextMenu.h"

#include <functional>
#include <string>

namespace qv::starter::win {

using Microsoft::WRL::ComPtr;

// What the owning window decides for the control's events. URLs as the control gives them.
class BrowserEvents {
public:
    virtual ~BrowserEvents() = default;
    // True lets the navigation go on.
    virtual bool beforeNavigate(const std::wstring& url, bool topLevel) = 0;
    // True cancels the new window (the owner has handled `url` itself). `userInitiated`: the
    // control's flags say a user's action asked for it (NWMF_USERINITIATED).
    virtual bool newWindow(const std::wstring& url, bool userInitiated) = 0;
    virtual void titleChanged(const std::wstring& title) = 0;
    // A page asked to close the window (window.close()); the close is always cancelled here, the
    // owner closes through its own flow.
    virtual void closeRequested() = 0;
    // `topLevel`: the window's own document, not a frame's.
    virtual void documentComplete(const std::wstring& url, bool topLevel) = 0;
    // Whether a request of the page (picture, script, style sheet, frame, XHR) may be made.
    virtual bool allowsRequest(const std::wstring& url) = 0;
    // A download the control would make: the owner checks it, asks where to save it and saves it.
    virtual void download(const std::wstring& url, IMoniker* source) = 0;
};

// Keys with which the control would open a window or dialog of its own (new window, open, print,
// save, find, the home page, help, full screen): the host keeps them from the control.
bool IsControlWindowKey(UINT virtualKey, bool control, bool shift, bool alt);

// Shows the context menu at a screen point and returns the chosen command (0: none). The
// default tracks the menu; tests read its entries instead.
using MenuChooser = std::function<UINT(HMENU menu, POINT at)>;

struct HostFlags {
    bool scrollBars = true;
    bool contextMenu = true;
    bool selectText = true;
};

class BrowserHost final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler,
                          public IOleCommandTarget,
                          public IServiceProvider,
                          public DWebBrowserEvents2 {
public:
    // Creates the control inside `parent` at `area` (client coordinates of the parent). Returns
    // null (with the failed call traced) when the control cannot be created.
    static ComPtr<BrowserHost> Create(HWND parent, const RECT& area, const HostFlags& flags, BrowserEvents& events);

    void navigate(const std::wstring& url);
    void move(const RECT& area);
    // Gives the control's in-place object a key or mouse message first (Tab, arrow keys, ...).
    bool translateAccelerator(MSG& message);
    // Disconnects the events and closes the control; the owner calls it before its window goes.
    void close();
    IWebBrowser2* browser() const { return browser_.Get(); }
    HWND window() const { return parent_; }
    // Replaces how the context menu is shown (tests).
    void setMenuChooser(MenuChooser chooser) { chooser_ = std::move(chooser); }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow (IOleInPlaceSite and IOleInPlaceFrame)
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; } // also IDocHostUIHandler's
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override
    {
        return S_OK;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG message, const GUID*, DWORD) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR*, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget**) override { return E_NOTIMPL; }
    STDMETHODIMP GetExternal(IDispatch** external) override;
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) override;
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** result) override;
    // IOleCommandTarget (the document's questions to its host: script errors)
    STDMETHODIMP QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT* text) override;
    STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD options, VARIANT* in, VARIANT* out) override;
    // IServiceProvider (the security and download managers)
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** object) override;
    // IDispatch (the DWebBrowserEvents2 sink)
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                        UINT*) override;

    BrowserHost(HWND parent, const HostFlags& flags, BrowserEvents& events);
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

private:
    ~BrowserHost() = default;
    bool embed(const RECT& area);
    void runMenuCommand(UINT command, const ContextTarget& target, IUnknown* commands, IDispatch* element);

    ULONG references_ = 1;
    HWND parent_;
    HostFlags flags_;
    BrowserEvents* events_;
    RECT area_{};
    ComPtr<IOleObject> object_;
    ComPtr<IWebBrowser2> browser_;
    ComPtr<IOleInPlaceActiveObject> activeObject_;
    ComPtr<IConnectionPoint> eventsPoint_;
    DWORD eventsCookie_ = 0;
    MenuChooser chooser_;
};

} // namespace qv::starter::win
