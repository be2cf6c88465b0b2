#pragma once

// The services the browser control asks its host for (IServiceProvider::QueryService on the
// client site): a security manager that applies the folder rule to every address the control
// asks about, and a download manager that answers downloads through the runtime instead of the
// control's own dialogs.
#include <windows.h>
#include <downloadmgr.h>
#include <urlmon.h>

#include <functional>
#include <string>

namespace qv::starter::win {

// Whether a page's request for `url` may be made (the folder rule).
using RequestCheck = std::function<bool(const std::wstring& url)>;
// A download the control was about to make; the runtime asks, checks and saves.
using DownloadHandler = std::function<void(const std::wstring& url, IMoniker* source)>;

// The control's security manager: an address the folder rule refuses is mapped to the restricted
// zone, and every URL action on it (scripts, frames, data, downloads, ActiveX, ...) is disallowed.
// Everything else is left to the system's own manager (INET_E_DEFAULT_ACTION).
class SecurityManager final : public IInternetSecurityManager {
public:
    explicit SecurityManager(RequestCheck allows);

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP SetSecuritySite(IInternetSecurityMgrSite*) override { return INET_E_DEFAULT_ACTION; }
    STDMETHODIMP GetSecuritySite(IInternetSecurityMgrSite**) override { return INET_E_DEFAULT_ACTION; }
    STDMETHODIMP MapUrlToZone(LPCWSTR url, DWORD* zone, DWORD flags) override;
    STDMETHODIMP GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) override { return INET_E_DEFAULT_ACTION; }
    STDMETHODIMP ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy, DWORD policySize, BYTE* context,
                                  DWORD contextSize, DWORD flags, DWORD reserved) override;
    STDMETHODIMP QueryCustomPolicy(LPCWSTR, REFGUID, BYTE**, DWORD*, BYTE*, DWORD, DWORD) override
    {
        return INET_E_DEFAULT_ACTION;
    }
    STDMETHODIMP SetZoneMapping(DWORD, LPCWSTR, DWORD) override { return INET_E_DEFAULT_ACTION; }
    STDMETHODIMP GetZoneMappings(DWORD, IEnumString**, DWORD) override { return INET_E_DEFAULT_ACTION; }

private:
    ~SecurityManager() = default;
    bool refuses(LPCWSTR url) const;

    ULONG references_ = 1;
    RequestCheck allows_;
};

// The control's download manager: each download goes to the runtime's handler (which checks the
// folder rule and asks where to save it); the control shows no dialog of its own.
class DownloadManager final : public IDownloadManager {
public:
    explicit DownloadManager(DownloadHandler handler);

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Download(IMoniker* moniker, IBindCtx* context, DWORD bindVerb, LONG bindFlags, BINDINFO* info,
                          LPCOLESTR headers, LPCOLESTR redirect, UINT codePage) override;

private:
    ~DownloadManager() = default;

    ULONG references_ = 1;
    DownloadHandler handler_;
};

} // namespace qv::starter::win
