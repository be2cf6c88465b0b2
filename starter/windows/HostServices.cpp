#include "windows/HostServices.h"

#include "windows/Text.h"
#include "windows/Trace.h"

// Declared by the SDK's headers, not in MinGW-w64's import libraries.
extern "C" const IID IID_IDownloadManager = {0x988934a4, 0x064b, 0x11d3,
                                             {0xbb, 0x80, 0x00, 0x10, 0x4b, 0x35, 0xe7, 0xf9}};
extern "C" const GUID CGID_DocHostCommandHandler = {0xf38bc242, 0xb950, 0x11d1,
                                                   {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
extern "C" const GUID CGID_MSHTML = {0xde4ba900, 0x59ca, 0x11cf, {0x95, 0x92, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace qv::starter::win {

SecurityManager::SecurityManager(RequestCheck allows) : allows_(std::move(allows)) {}

STDMETHODIMP SecurityManager::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IInternetSecurityManager)
        return E_NOINTERFACE;
    *object = static_cast<IInternetSecurityManager*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) SecurityManager::Release()
{
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

bool SecurityManager::refuses(LPCWSTR url) const
{
    // An action without an address is the page's own (no request): the system decides.
    return url && *url && allows_ && !allows_(url);
}

STDMETHODIMP SecurityManager::MapUrlToZone(LPCWSTR url, DWORD* zone, DWORD)
{
    if (!zone)
        return E_INVALIDARG;
    if (!refuses(url))
        return INET_E_DEFAULT_ACTION;
    *zone = URLZONE_UNTRUSTED;
    return S_OK;
}

STDMETHODIMP SecurityManager::ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy, DWORD policySize, BYTE*,
                                               DWORD, DWORD, DWORD)
{
    if (!refuses(url))
        return INET_E_DEFAULT_ACTION;
    if (policy && policySize >= sizeof(DWORD)) {
        const DWORD disallow = URLPOLICY_DISALLOW;
        CopyMemory(policy, &disallow, sizeof disallow);
    }
    Trace("request " + ToUtf8(url) + " refuse " + std::to_string(action));
    return S_FALSE;
}

DownloadManager::DownloadManager(DownloadHandler handler) : handler_(std::move(handler)) {}

STDMETHODIMP DownloadManager::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDownloadManager)
        return E_NOINTERFACE;
    *object = static_cast<IDownloadManager*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) DownloadManager::Release()
{
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP DownloadManager::Download(IMoniker* moniker, IBindCtx* context, DWORD, LONG, BINDINFO*, LPCOLESTR,
                                       LPCOLESTR redirect, UINT)
{
    if (!moniker)
        return E_INVALIDARG;
    // After a redirect the file comes from the address redirected to: that one is judged.
    std::wstring url;
    if (redirect && *redirect) {
        url = redirect;
    } else {
        LPOLESTR name = nullptr;
        if (!Check(moniker->GetDisplayName(context, nullptr, &name), "IMoniker::GetDisplayName"))
            return S_OK; // nothing downloaded; the control shows nothing either
        url = name;
        CoTaskMemFree(name);
    }
    if (handler_)
        handler_(url, moniker);
    return S_OK;
}

} // namespace qv::starter::win
