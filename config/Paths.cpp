#include "config/Paths.h"

#include "config/StarterContract.h"

namespace qv {

bool IsPathSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == ':';
#else
    return c == '\\' || c == ':' || c == '/';
#endif
}

namespace {

std::size_t LastSeparator(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path[i - 1]))
            return i - 1;
    }
    return std::string_view::npos;
}

} // namespace

std::string FolderPart(std::string_view path)
{
    const std::size_t pos = LastSeparator(path);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string FileNamePart(std::string_view path)
{
    const std::size_t pos = LastSeparator(path);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

int TargetForPath(std::string_view path)
{
    return FileNamePart(path) == starter::kAutorunFile ? 1 : 0;
}

std::optional<std::string> RelativeToStorage(std::string_view storage, std::string_view file)
{
    if (file.substr(0, storage.size()) != storage)
        return std::nullopt;
    return std::string(file.substr(storage.size()));
}

std::optional<std::string> RelativeToStorageForStarter(std::string_view storage, std::string_view file)
{
    auto relative = RelativeToStorage(storage, file);
#ifndef _WIN32
    if (relative) {
        for (char& c : *relative) {
            if (c == '/')
                c = '\\';
        }
    }
#endif
    return relative;
}

} // namespace qv
