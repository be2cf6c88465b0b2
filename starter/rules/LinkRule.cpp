#include "rules/LinkRule.h"

#include "rules/FileSystem.h"
#include "rules/PathText.h"

#include <system_error>

namespace qv::starter {
namespace {

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::string LowerAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = Lower(c);
    return result;
}

// %XX -> the byte; an escape that is not two hexadecimal digits stays as it is. nullopt for NUL.
std::optional<std::string> Unescape(std::string_view text)
{
    const auto hex = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            const char byte = static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            if (byte == '\0')
                return std::nullopt;
            result += byte;
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool StartsWithDrive(std::string_view path)
{
    return path.size() >= 2 && IsLetter(path[0]) && (path[1] == ':' || path[1] == '|');
}

bool Contains(const std::vector<std::string>& list, std::string_view item)
{
    for (const std::string& entry : list) {
        if (entry == item)
            return true;
    }
    return false;
}

// The resolved form of a path of this host (symbolic links followed), or nullopt.
std::optional<std::string> Resolved(const std::string& path)
{
#ifdef _WIN32
    const bool hostForm = IsWindowsPath(path);
#else
    const bool hostForm = !path.empty() && path.front() == '/' && !IsWindowsPath(path);
#endif
    if (!hostForm)
        return std::nullopt;
    return CanonicalPath(path);
}

} // namespace

std::string SchemeOf(std::string_view address)
{
    if (address.empty() || !IsLetter(address.front()))
        return {};
    std::size_t end = 1;
    while (end < address.size()) {
        const char c = address[end];
        if (IsLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')
            ++end;
        else
            break;
    }
    if (end >= address.size() || address[end] != ':' || end < 2)
        return {};
    return LowerAscii(address.substr(0, end));
}

std::optional<std::string> LocalPathOf(std::string_view address, bool decode)
{
    const std::string scheme = SchemeOf(address);
    std::string path;
    if (scheme == "file") {
        std::string_view rest = address.substr(5);
        // The query and the fragment are no part of the file's name.
        rest = rest.substr(0, rest.find_first_of("?#"));
        std::string host;
        if (rest.size() >= 2 && IsSeparator(rest[0]) && IsSeparator(rest[1])) {
            rest.remove_prefix(2);
            std::size_t end = 0;
            while (end < rest.size() && !IsSeparator(rest[end]))
                ++end;
            host = std::string(rest.substr(0, end));
            rest.remove_prefix(end);
        }
        std::string raw;
        if (host.empty() || LowerAscii(host) == "localhost")
            raw = std::string(rest);
        else if (StartsWithDrive(host) && host.size() == 2)
            raw = host + std::string(rest); // file://C:/x
        else
            raw = "//" + host + std::string(rest);
        if (decode) {
            const auto unescaped = Unescape(raw);
            if (!unescaped)
                return std::nullopt;
            path = *unescaped;
        } else {
            path = raw;
        }
        // "/C:/x" and "/C|/x" name a drive.
        if (path.size() >= 3 && IsSeparator(path[0]) && StartsWithDrive(std::string_view(path).substr(1)))
            path.erase(0, 1);
        if (StartsWithDrive(path) && path[1] == '|')
            path[1] = ':';
    } else if (scheme.empty()) {
        if (decode) {
            const auto unescaped = Unescape(address);
            if (!unescaped)
                return std::nullopt;
            path = *unescaped;
        } else {
            path = std::string(address);
        }
    } else {
        return std::nullopt;
    }
    if (path.find('\0') != std::string::npos)
        return std::nullopt;
    if (!IsAbsolutePath(path))
        return std::nullopt;
    return NormalizePath(path);
}

bool IsInsideFolder(std::string_view address, std::string_view folder)
{
    const auto decoded = LocalPathOf(address, true);
    if (!decoded || folder.empty() || !IsSameOrBelow(*decoded, folder))
        return false;
    // A file: URL is opened decoded. A bare path may be opened as it is written: it must lie
    // inside both ways.
    if (SchemeOf(address).empty()) {
        const auto raw = LocalPathOf(address, false);
        if (!raw || !IsSameOrBelow(*raw, folder))
            return false;
    }
    const auto resolvedPath = Resolved(*decoded);
    const auto resolvedFolder = Resolved(NormalizePath(folder));
    if (resolvedPath && resolvedFolder)
        return IsSameOrBelow(*resolvedPath, *resolvedFolder);
    return true;
}

LinkRule::LinkRule(const RuntimeSettings& settings)
    : folder_(settings.folder)
    , external_(settings.external)
    , webStart_(IsWebAddress(settings.startFile))
    , newWindowAction_(settings.newWindowAction)
{
}

bool LinkRule::IsInside(std::string_view address) const
{
    return IsInsideFolder(address, folder_);
}

bool LinkRule::IsExternalFile(std::string_view address) const
{
    if (external_.empty())
        return false;
    std::string_view path = address;
    const std::string scheme = SchemeOf(address);
    std::optional<std::string> local;
    if (scheme == "file" || scheme.empty()) {
        local = LocalPathOf(address);
        if (!local)
            return false;
        path = *local;
    } else {
        path = path.substr(0, path.find_first_of("?#"));
    }
    const std::size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 >= name.size())
        return false;
    std::string extension = LowerAscii(name.substr(dot + 1));
    if (scheme != "file" && !scheme.empty()) {
        if (const auto unescaped = Unescape(extension))
            extension = LowerAscii(*unescaped);
    }
    return Contains(external_, extension);
}

LinkAction LinkRule::Navigation(std::string_view address, NavigationOrigin origin, bool linkClicked) const
{
    if (origin == NavigationOrigin::Runtime)
        return LinkAction::Load;
    const std::string scheme = SchemeOf(address);
    if (scheme == "file" || scheme.empty()) {
        if (webStart_ || !IsInside(address))
            return LinkAction::Refuse;
        return linkClicked && IsExternalFile(address) ? LinkAction::OpenOnDesktop : LinkAction::Load;
    }
    if (scheme == "http" || scheme == "https")
        return linkClicked && IsExternalFile(address) ? LinkAction::OpenOnDesktop : LinkAction::Load;
    if (scheme == "mailto")
        return LinkAction::OpenOnDesktop;
    // The engine's own documents: a blank page, a page built from text.
    if (scheme == "about" || scheme == "data" || scheme == "blob")
        return LinkAction::Load;
    return LinkAction::Refuse;
}

bool LinkRule::AllowsRequest(std::string_view address) const
{
    const std::string scheme = SchemeOf(address);
    if (scheme == "file" || scheme.empty())
        return !webStart_ && IsInside(address);
    return scheme == "http" || scheme == "https" || scheme == "ws" || scheme == "wss" || scheme == "data" ||
           scheme == "blob" || scheme == "about";
}

NewWindowStep LinkRule::NewWindow(std::string_view address) const
{
    const std::string scheme = SchemeOf(address);
    const bool local = scheme == "file" || scheme.empty();
    if (!local && scheme != "http" && scheme != "https" && scheme != "mailto")
        return NewWindowStep::Refuse;
    const LinkAction action = Navigation(address, NavigationOrigin::Page, true);
    if (action == LinkAction::Refuse)
        return NewWindowStep::Refuse;
    if (action == LinkAction::OpenOnDesktop)
        return NewWindowStep::OpenWithDefaultProgram; // mailto, external files
    switch (newWindowAction_) {
    case NewWindowAction::Default:
        return NewWindowStep::OpenInBrowser;
    case NewWindowAction::Execute:
        return NewWindowStep::OpenWithDefaultProgram;
    case NewWindowAction::Ignore:
        return NewWindowStep::LoadHere;
    case NewWindowAction::Popup:
        return NewWindowStep::Popup;
    }
    return NewWindowStep::Refuse;
}

} // namespace qv::starter
