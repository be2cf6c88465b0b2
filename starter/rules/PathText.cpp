#include "rules/PathText.h"

#include <vector>

namespace qv::starter {
namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool HasDrive(std::string_view path)
{
    return path.size() >= 2 && IsLetter(path[0]) && path[1] == ':';
}

bool HasUncRoot(std::string_view path)
{
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

} // namespace

bool IsAbsolutePath(std::string_view path)
{
    if (!path.empty() && IsSeparator(path[0]))
        return true;
    return HasDrive(path) && path.size() >= 3 && IsSeparator(path[2]);
}

bool IsWindowsPath(std::string_view path)
{
    return HasDrive(path) || HasUncRoot(path);
}

std::string NormalizePath(std::string_view path)
{
    std::string root;
    std::string_view rest = path;
    if (HasUncRoot(path)) {
        // "//server/share" is the root: ".." never climbs above the share.
        root = "//";
        rest.remove_prefix(2);
        for (int part = 0; part < 2; ++part) {
            std::size_t end = 0;
            while (end < rest.size() && !IsSeparator(rest[end]))
                ++end;
            root.append(rest.substr(0, end));
            root += '/';
            rest.remove_prefix(end);
            while (!rest.empty() && IsSeparator(rest.front()))
                rest.remove_prefix(1);
            if (rest.empty() && part == 0)
                break;
        }
    } else if (HasDrive(path)) {
        root = std::string(path.substr(0, 2));
        rest.remove_prefix(2);
        if (!rest.empty() && IsSeparator(rest.front()))
            root += '/';
    } else if (!path.empty() && IsSeparator(path.front())) {
        root = "/";
    }
    const bool absolute = !root.empty() && root.back() == '/';

    std::vector<std::string_view> segments;
    std::size_t begin = 0;
    while (begin <= rest.size()) {
        std::size_t end = begin;
        while (end < rest.size() && !IsSeparator(rest[end]))
            ++end;
        const std::string_view segment = rest.substr(begin, end - begin);
        if (segment.empty() || segment == ".") {
            // nothing
        } else if (segment == "..") {
            if (!segments.empty() && segments.back() != "..")
                segments.pop_back();
            else if (!absolute)
                segments.push_back(segment);
        } else {
            segments.push_back(segment);
        }
        begin = end + 1;
    }
    std::string result = root;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0)
            result += '/';
        result.append(segments[i]);
    }
    if (result.empty())
        return path.empty() ? std::string() : std::string(".");
    if (result.size() > 1 && result.back() == '/' && result != root)
        result.pop_back();
    if (HasUncRoot(result) && result == root && result.size() > 2 && result.back() == '/')
        result.pop_back(); // "//server/share"
    return result;
}

bool IsSameOrBelow(std::string_view path, std::string_view folder)
{
    std::string p = NormalizePath(path);
    std::string f = NormalizePath(folder);
    if (p.empty() || f.empty() || !IsAbsolutePath(p) || !IsAbsolutePath(f))
        return false;
    if (IsWindowsPath(p) || IsWindowsPath(f)) {
        for (char& c : p)
            c = FoldAscii(c);
        for (char& c : f)
            c = FoldAscii(c);
    }
    if (p == f)
        return true;
    if (f.back() != '/')
        f += '/';
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0;
}

std::string WithBackslashes(std::string_view path)
{
    std::string result(path);
    for (char& c : result) {
        if (c == '/')
            c = '\\';
    }
    return result;
}

} // namespace qv::starter
