#include "windows/Desktop.h"

#include "rules/LinkRule.h"
#include "windows/Text.h"
#include "windows/Trace.h"

#include <windows.h>
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

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

std::optional<std::wstring> ShellDesktop::askSavePath(HWND owner, const std::wstring& proposedName)
{
    using Microsoft::WRL::ComPtr;
    ComPtr<IFileSaveDialog> dialog;
    if (!Check(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog)),
               "CoCreateInstance(FileSaveDialog)"))
        return std::nullopt;
    dialog->SetTitle(L"Datei speichern unter");
    dialog->SetFileName(proposedName.c_str());
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_OVERWRITEPROMPT | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR | FOS_PATHMUSTEXIST);
    ComPtr<IShellItem> downloads;
    if (SUCCEEDED(SHGetKnownFolderItem(FOLDERID_Downloads, KF_FLAG_DEFAULT, nullptr, IID_PPV_ARGS(&downloads))))
        dialog->SetFolder(downloads.Get());
    const HRESULT shown = dialog->Show(owner);
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED) || !Check(shown, "IFileSaveDialog::Show"))
        return std::nullopt;
    ComPtr<IShellItem> chosen;
    PWSTR path = nullptr;
    if (!Check(dialog->GetResult(&chosen), "IFileSaveDialog::GetResult") ||
        !Check(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path), "IShellItem::GetDisplayName"))
        return std::nullopt;
    std::wstring result(path);
    CoTaskMemFree(path);
    return result;
}

void ShellDesktop::saveFailed(HWND owner, const std::wstring& path)
{
    const std::wstring text = L"Die Datei konnte nicht gespeichert werden:\n\r" + path;
    MessageBoxW(owner, text.c_str(), L"Fehler", MB_OK | MB_ICONEXCLAMATION);
}

} // namespace qv::starter::win
