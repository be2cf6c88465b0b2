#pragma once

// Owners for Win32 handles and COM initialisation: every handle the runtime creates is released
// by exactly one of these, never by a scattered DeleteObject or CloseHandle.
#include <windows.h>
#include <ole2.h>

#include <memory>
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
struct WindowDeleter {
    void operator()(HWND window) const noexcept { DestroyWindow(window); }
};

using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using UniqueRegion = std::unique_ptr<std::remove_pointer_t<HRGN>, GdiObjectDeleter>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleDeleter>;
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegistryKeyDeleter>;
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

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
