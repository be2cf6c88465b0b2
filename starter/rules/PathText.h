#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qv::starter {

// Paths as text: UTF-8, "/" as the separator (a "\" is read as one too). Three kinds of root are
// known on every host, because the Windows runtime meets all three: "/" (POSIX), "X:/" (a drive)
// and "//server/share/" (UNC). These functions only look at the text; nothing is resolved.

// "\" -> "/", repeated separators joined (except the two of a UNC root), "." dropped, ".." takes
// away the segment before it (never the root: above the root stays at the root). A relative path
// stays relative and keeps leading ".." segments. A trailing separator is dropped, except of a root.
std::string NormalizePath(std::string_view path);

// True for a path that begins at a root: "/", "\", "X:" followed by a separator, or a UNC root.
bool IsAbsolutePath(std::string_view path);

// True for a path of Windows form (a drive or UNC root): compared without regard to letter case.
bool IsWindowsPath(std::string_view path);

// True when `path` is `folder` or lies below it (both normalized first; Windows forms compare
// ASCII letters without regard to case).
bool IsSameOrBelow(std::string_view path, std::string_view folder);

// A UTF-8 path for the file system functions of this host, and back (with "/" separators).
std::filesystem::path FileSystemPath(std::string_view utf8);
std::string PathText(const std::filesystem::path& path);

// The path's bytes as config/'s file reader takes them (UTF-8 here, the ANSI code page on Windows).
std::string NativeBytes(std::string_view utf8);

// "/" -> "\" (for Windows programs that insist on backslashes).
std::string WithBackslashes(std::string_view path);

} // namespace qv::starter
