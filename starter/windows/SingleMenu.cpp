#include "windows/SingleMenu.h"

#include "windows/Text.h"
#include "windows/Trace.h"

#include <cstdint>
#include <cstdio>

namespace qv::starter::win {
namespace {

constexpr wchar_t kProperty[] = L"QuorvaneMenuFolder";
constexpr wchar_t kWindowClass[] = L"QuorvaneStarterWindow";

// FNV-1a of the folder in lower case, "/" and "\" alike: a key that fits a mutex's name.
unsigned long long FolderKey(const std::string& folder)
{
    std::wstring text = FromUtf8(folder);
    for (wchar_t& c : text)
        if (c == L'\\')
            c = L'/';
    if (!text.empty())
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    unsigned long long hash = 14695981039346656037ull;
    for (const wchar_t c : text) {
        hash ^= static_cast<unsigned long long>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

HANDLE PropertyValue(unsigned long long key)
{
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(key | 1)); // never null
}

} // namespace

SingleMenu::SingleMenu(const std::string& folder) : key_(FolderKey(folder))
{
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\QuorvaneStarter-%016llx", key_);
    mutex_ = CreateMutexW(nullptr, FALSE, name);
    first_ = !(mutex_ && GetLastError() == ERROR_ALREADY_EXISTS);
    if (!mutex_)
        Trace("CreateMutex failed"); // no guard then: the menu runs as it would without one
}

SingleMenu::~SingleMenu()
{
    if (mutex_)
        CloseHandle(mutex_);
}

void SingleMenu::mark(HWND window) const
{
    SetPropW(window, kProperty, PropertyValue(key_));
}

HWND SingleMenu::bringFirstToFront() const
{
    struct Search {
        HANDLE value;
        HWND found;
    } search{PropertyValue(key_), nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (lstrcmpW(name, kWindowClass) == 0 && GetPropW(window, kProperty) == s->value) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found) {
        if (IsIconic(search.found))
            ShowWindow(search.found, SW_RESTORE);
        SetForegroundWindow(search.found);
    }
    return search.found;
}

} // namespace qv::starter::win
