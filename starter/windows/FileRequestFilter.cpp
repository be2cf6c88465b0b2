#include "windows/FileRequestFilter.h"

#include "windows/Handles.h"
#include "windows/Text.h"
#include "windows/Trace.h"

namespace qv::starter::win {
namespace {

using Microsoft::WRL::ComPtr;

// The filter's class id, for the registration only (never in the registry).
constexpr CLSID kFilterClass = {0x5b0c6f1e, 0x3d2a, 0x4c71, {0x9e, 0x61, 0x2f, 0x8a, 0x47, 0x3c, 0x90, 0xd5}};

// One request: started, it either hands over to the system's handler or refuses. The system
// takes over from a handler only when it aggregates it (the documented condition for
// INET_E_USE_DEFAULT_PROTOCOLHANDLER), so the object is aggregatable: `inner_` is its own
// IUnknown, the protocol's IUnknown methods go to the outer object.
class FileProtocol final : public IInternetProtocol {
public:
    FileProtocol(IUnknown* outer, FileRequestCheck allows)
        : inner_(this), outer_(outer ? outer : &inner_), allows_(std::move(allows))
    {
    }
    IUnknown* inner() { return &inner_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override { return outer_->QueryInterface(riid, object); }
    STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }
    STDMETHODIMP Start(LPCWSTR url, IInternetProtocolSink*, IInternetBindInfo*, DWORD, HANDLE_PTR) override
    {
        if (url && allows_ && allows_(url))
            return INET_E_USE_DEFAULT_PROTOCOLHANDLER;
        Trace("request " + (url ? ToUtf8(url) : std::string()) + " refuse file");
        return E_ACCESSDENIED;
    }
    STDMETHODIMP Continue(PROTOCOLDATA*) override { return S_OK; }
    STDMETHODIMP Abort(HRESULT, DWORD) override { return S_OK; }
    STDMETHODIMP Terminate(DWORD) override { return S_OK; }
    STDMETHODIMP Suspend() override { return E_NOTIMPL; }
    STDMETHODIMP Resume() override { return E_NOTIMPL; }
    STDMETHODIMP Read(void*, ULONG, ULONG* read) override
    {
        if (read)
            *read = 0;
        return S_FALSE;
    }
    STDMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_FAIL; }
    STDMETHODIMP LockRequest(DWORD) override { return S_OK; }
    STDMETHODIMP UnlockRequest() override { return S_OK; }

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(FileProtocol* protocol) : protocol_(protocol) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** object) override
        {
            if (!object)
                return E_POINTER;
            *object = nullptr;
            if (riid == IID_IUnknown)
                *object = static_cast<IUnknown*>(this);
            else if (riid == IID_IInternetProtocolRoot || riid == IID_IInternetProtocol)
                *object = static_cast<IInternetProtocol*>(protocol_);
            else
                return E_NOINTERFACE;
            static_cast<IUnknown*>(*object)->AddRef();
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
        STDMETHODIMP_(ULONG) Release() override
        {
            const ULONG left = --references_;
            if (left == 0)
                delete protocol_;
            return left;
        }

    private:
        FileProtocol* protocol_;
        ULONG references_ = 1;
    };

    Inner inner_;
    IUnknown* outer_;
    FileRequestCheck allows_;
};

class FileProtocolFactory final : public IClassFactory {
public:
    explicit FileProtocolFactory(FileRequestCheck allows) : allows_(std::move(allows)) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
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
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        // Aggregated, the outer object asks for the inner IUnknown only.
        if (outer && riid != IID_IUnknown)
            return CLASS_E_NOAGGREGATION;
        auto* protocol = new FileProtocol(outer, allows_);
        const HRESULT result = protocol->inner()->QueryInterface(riid, object);
        protocol->inner()->Release();
        return result;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    ~FileProtocolFactory() = default;
    ULONG references_ = 1;
    FileRequestCheck allows_;
};

// urlmon's session, from the system's own copy of urlmon (which the control loads anyway).
ComPtr<IInternetSession> InternetSession()
{
    ComPtr<IInternetSession> session;
    HMODULE urlmon = LoadLibraryExW(L"urlmon.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!urlmon) {
        Trace("LoadLibrary(urlmon) failed");
        return session;
    }
    using GetSession = HRESULT(WINAPI*)(DWORD, IInternetSession**, DWORD);
    const auto get =
        reinterpret_cast<GetSession>(reinterpret_cast<void*>(GetProcAddress(urlmon, "CoInternetGetSession")));
    if (!get || !Check(get(0, &session, 0), "CoInternetGetSession"))
        session.Reset();
    return session; // urlmon stays loaded for the process: the session lives in it
}

} // namespace

bool RunsOnWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

FileRequestFilter::FileRequestFilter(FileRequestCheck allows)
{
    ComPtr<IInternetSession> session = InternetSession();
    if (!session)
        return;
    factory_ = MakeComObject<FileProtocolFactory>(std::move(allows));
    if (!Check(session->RegisterNameSpace(factory_.Get(), kFilterClass, L"file", 0, nullptr, 0),
               "IInternetSession::RegisterNameSpace(file)")) {
        factory_.Reset();
        return;
    }
    session_ = session;
}

FileRequestFilter::~FileRequestFilter()
{
    if (session_)
        Check(session_->UnregisterNameSpace(factory_.Get(), L"file"), "IInternetSession::UnregisterNameSpace(file)");
}

} // namespace qv::starter::win
