#include "windows/Desktop.h"

#include "rules/LinkRule.h"
#include "windows/Text.h"
#include "windows/Trace.h"

#include <windows.h>
#include <shellapi.h>

namespace qv::starter::win {
namespace {

bool Open(const std::wstring& target, const wchar_t* className)
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | (className ? SEE_MASK_CLASSNAME : 0);
    info.lpClass = className;
    info.lpVerb = L"open";
    info.lpFile = target.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

} // namespace

std::wstring BrowserAddress(const std::wstring& address)
{
    const std::string text = ToUtf8(address);
    if (!SchemeOf(text).empty())
        return address;
    const std::optional<std::string> local = LocalPathOf(text, false);
    if (!local)
        return address;
    // "C:/x" -> "file:///C:/x"; "//host/share/x" -> "file://host/share/x". Blanks, "%" and "#"
    // are escaped so that the browser reads the path as it is.
    std::string url = local->rfind("//", 0) == 0 ? "file:" : "file:///";
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const unsigned char c : *local) {
        if (c == ' ' || c == '%' || c == '#' || c == '?' || c < 0x20) {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        } else {
            url += static_cast<char>(c);
        }
    }
    return FromUtf8(url);
}

bool ShellDesktop::openInBrowser(const std::wstring& url)
{
    // The class of http addresses names the desktop's browser: the address goes to it even for a
    // file: URL, whose own file type (.bat, .hta, .exe) is never asked.
    const bool opened = Open(BrowserAddress(url), L"http");
    if (!opened)
        Trace("ShellExecuteEx(browser) failed");
    return opened;
}

bool ShellDesktop::openWithProgram(const std::wstring& target)
{
    const bool opened = Open(target, nullptr);
    if (!opened)
        Trace("ShellExecuteEx(open) failed");
    return opened;
}

} // namespace qv::starter::win
