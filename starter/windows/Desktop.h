#pragma once

// What the runtime hands to the desktop: an address for the desktop's web browser, or a file or
// address for its default program; and where the user saves a download. An interface, so that
// tests can see what would have started and answer the dialogs.
#include <windows.h>

#include <optional>
#include <string>

namespace qv::starter::win {

class Desktop {
public:
    virtual ~Desktop() = default;
    // The desktop's web browser shows `url` (http, https or file:); never a file's own program.
    virtual bool openInBrowser(const std::wstring& url) = 0;
    // The desktop's default program for `target` (a local path or an address).
    virtual bool openWithProgram(const std::wstring& target) = 0;
    // The German "Datei speichern unter" dialog with `proposedName` in the user's download
    // folder; the chosen path, nullopt when cancelled.
    virtual std::optional<std::wstring> askSavePath(HWND owner, const std::wstring& proposedName) = 0;
    // Tells the user in German that a download could not be saved at `path`.
    virtual void saveFailed(HWND owner, const std::wstring& path) = 0;
};

// The shell's answers (ShellExecuteEx).
class ShellDesktop final : public Desktop {
public:
    bool openInBrowser(const std::wstring& url) override;
    bool openWithProgram(const std::wstring& target) override;
    std::optional<std::wstring> askSavePath(HWND owner, const std::wstring& proposedName) override;
    void saveFailed(HWND owner, const std::wstring& path) override;
};

// A local path as a file: URL ("C:\a b\x.html" -> "file:///C:/a%20b/x.html", "\\host\s\x" ->
// "file://host/s/x"); other addresses unchanged.
std::wstring BrowserAddress(const std::wstring& address);

} // namespace qv::starter::win
