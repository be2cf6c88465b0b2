#pragma once

#include "rules/RuntimeSettings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::starter {

// The scheme of an address in lower case ("http", "file"); empty for a path: a drive path
// ("Z:\..."; one letter before the colon is a drive, not a scheme), a UNC or POSIX path.
std::string SchemeOf(std::string_view address);

// The local path an address names, normalized (PathText.h): a file: URL (query and fragment cut
// off, %-escapes decoded, "%5C" included; host empty or "localhost": the path, "/C:/x" -> "C:/x";
// another host: the UNC path "//host/path"), a drive path, a UNC path, an absolute POSIX path. With
// `decode` false the escapes stay as they are. nullopt for any other address, a relative path, or
// an escape that decodes to NUL.
std::optional<std::string> LocalPathOf(std::string_view address, bool decode = true);

// Whether the address names a local file in `folder`'s tree (the folder itself included). Judged
// on the decoded text (a bare path also as it is written: both must lie inside), and, where the
// file system can resolve both (a path of this host's form), on the resolved paths too (links).
bool IsInsideFolder(std::string_view address, std::string_view folder);

// Who asked for a navigation: the runtime itself (the start page, a popup's address) or a page.
enum class NavigationOrigin { Runtime, Page };

// What happens to a navigation in a window.
enum class LinkAction {
    Load,          // the window loads it
    Refuse,        // nothing happens
    OpenOnDesktop, // the desktop's default program opens it (external files, mailto); not loaded
};

// What happens to a link that asked for a new window (exenewwindow).
enum class NewWindowStep {
    Refuse,                 // nothing happens
    OpenInBrowser,          // the desktop's web browser opens the address
    OpenWithDefaultProgram, // the desktop's default program for the address
    LoadHere,               // the same window loads it
    Popup,                  // a popup window (popupparam) shows it
};

// Where links may go. Only http, https and mailto reach the desktop; every other scheme is refused
// and not loaded. Local files (file: URLs, drive, UNC and POSIX paths) are followed only inside
// the configuration's folder tree, and not at all when the start page is a web address.
class LinkRule {
public:
    explicit LinkRule(const RuntimeSettings& settings);

    // A navigation of a window's page or of one of its frames. `linkClicked`: the user clicked a
    // link (external files open on the desktop only then).
    LinkAction Navigation(std::string_view address, NavigationOrigin origin, bool linkClicked) const;

    // Any request a page makes (pictures, scripts, styles, fetch, XHR, frames): whether it is made.
    bool AllowsRequest(std::string_view address) const;

    // A link that asked for a new window (target="_blank", window.open).
    NewWindowStep NewWindow(std::string_view address) const;

    // Whether a local address lies inside the configuration's folder tree.
    bool IsInside(std::string_view address) const;

    // Whether the address names a file with one of the `external` extensions.
    bool IsExternalFile(std::string_view address) const;

private:
    std::string folder_;
    std::vector<std::string> external_;
    bool webStart_;
    NewWindowAction newWindowAction_;
};

} // namespace qv::starter
