#pragma once

// Every file: request of the process's browser controls (pages, frames, pictures, scripts, style
// sheets, XHR) passes the folder rule before a file is opened: a temporary namespace handler for
// "file" that lets the system's own handler take what the rule allows
// (INET_E_USE_DEFAULT_PROTOCOLHANDLER) and refuses the rest, so that a file outside the folder or
// on another host (a UNC path, which would hand the user's network logon to that host) is never
// opened. The security manager (HostServices.h) answers the control's questions on top of it.
#include <windows.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <functional>
#include <string>

namespace qv::starter::win {

using FileRequestCheck = std::function<bool(const std::wstring& url)>;

// Whether the program runs on Wine, whose URL machinery never hands a request back to the
// system's handler (INET_E_USE_DEFAULT_PROTOCOLHANDLER): there the filter would refuse every file.
bool RunsOnWine();

class FileRequestFilter {
public:
    // Registers the filter for this process; `allows` is asked for each file: address.
    explicit FileRequestFilter(FileRequestCheck allows);
    ~FileRequestFilter();
    FileRequestFilter(const FileRequestFilter&) = delete;
    FileRequestFilter& operator=(const FileRequestFilter&) = delete;

    // Whether the filter is in place (its registration with the system succeeded).
    bool active() const { return session_ != nullptr; }
    // The handler's class factory, as the system uses it.
    IClassFactory* factory() const { return factory_.Get(); }

private:
    Microsoft::WRL::ComPtr<IInternetSession> session_;
    Microsoft::WRL::ComPtr<IClassFactory> factory_;
};

} // namespace qv::starter::win
