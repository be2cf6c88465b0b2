#include "rules/FileSystem.h"

#include <filesystem>
#include <system_error>

namespace qv::starter {
namespace {

std::filesystem::path FileSystemPath(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathText(const std::filesystem::path& path)
{
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

std::optional<std::string> AbsolutePath(std::string_view path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(FileSystemPath(path), error);
    if (error)
        return std::nullopt;
    return PathText(absolute);
}

std::optional<std::string> CanonicalPath(std::string_view path)
{
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(FileSystemPath(path), error);
    if (error)
        return std::nullopt;
    return PathText(resolved);
}

bool IsRegularFile(std::string_view path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(FileSystemPath(path), error);
}

std::string NativeBytes(std::string_view utf8)
{
#ifdef _WIN32
    try {
        return FileSystemPath(utf8).string();
    } catch (const std::exception&) {
        return std::string(utf8); // not in the ANSI code page: cannot be opened by name anyway
    }
#else
    return std::string(utf8);
#endif
}

} // namespace qv::starter
