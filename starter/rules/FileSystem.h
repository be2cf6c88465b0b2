#pragma once

#include <optional>
#include <string>
#include <string_view>

// The few questions the rules ask the file system, in one place. FileSystem.cpp answers them with
// the standard library; the Windows runtime answers them with Win32 calls of its own
// (starter/windows/FileSystemWin32.cpp), which keeps the standard library's path, stream and
// locale code (most of a megabyte) out of its small program. Paths are UTF-8 with "/" separators.
namespace qv::starter {

// `path` made absolute against the current folder; nullopt when that fails.
std::optional<std::string> AbsolutePath(std::string_view path);
// `path` made absolute with symbolic links (and on Windows short names) resolved as far as the
// path exists; nullopt when that fails.
std::optional<std::string> CanonicalPath(std::string_view path);
// True for an existing regular file (after links).
bool IsRegularFile(std::string_view path);
// The path's bytes as config/'s file reader takes them (UTF-8 here, the ANSI code page on Windows).
std::string NativeBytes(std::string_view utf8);

} // namespace qv::starter
