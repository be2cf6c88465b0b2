#pragma once

// Owners for Win32 handles and COM initialisation: every handle the runtime creates is released
// by exactly one of these, never by a scattered DeleteObject or CloseHandle.
#include <windows.h>
#include <ole2.h>

#include <wrl/client.h>

#include <memory>
#include <utility>
#include <type_traits>

namespace qv::starter::win {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct IconDeleter {
    void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
struct HandleDeleter {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
struct RegistryKeyDeleter {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
struct MenuDeleter {
    void operator()(HMENU menu) const noexcept { DestroyMenu(menu); }
};
struct WindowDeleter {
    void operator()(HWND window) const noexcept { DestroyWindow(window); }
};

using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using UniqueRegion = std::unique_ptr<std::remove_pointer_t<HRGN>, GdiObjectDeleter>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleDeleter>;
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegistryKeyDeleter>;
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

// A new COM object of ours (created with one reference) owned by a ComPtr. Not ComPtr::Attach:
// MinGW-w64's adds a reference where Microsoft's takes the one given, so the object would leak.
template <typename T, typename... Arguments>
Microsoft::WRL::ComPtr<T> MakeComObject(Arguments&&... arguments)
{
    T* created = new T(std::forward<Arguments>(arguments)...);
    Microsoft::WRL::ComPtr<T> owner(created);
    created->Release();
    return owner;
}

// COM (and OLE, which the browser control's in-place activation needs) for the calling thread.
class OleScope {
public:
    OleScope() : result_(OleInitialize(nullptr)) {}
    ~OleScope()
    {
        if (SUCCEEDED(result_))
            OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// A BSTR owned for the length of a call.
class OwnedBstr {
public:
    explicit OwnedBstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    ~OwnedBstr() { SysFreeString(value_); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    BSTR get() const { return value_; }

private:
    BSTR value_;
};

} // namespace qv::starter::win
