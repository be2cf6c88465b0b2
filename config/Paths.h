#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The separator of the host for folders the designer builds itself ("\" on Windows, "/" elsewhere).
#ifdef _WIN32
inline constexpr char kHostSeparator = '\\';
#else
inline constexpr char kHostSeparator = '/';
#endif

// True for a folder separator of a path on this host: "\" and ":" everywhere, also "/" on hosts
// that are not Windows.
bool IsPathSeparator(char c);

// Everything up to and including the last separator; empty when there is none.
std::string FolderPart(std::string_view path);

// Everything after the last separator.
std::string FileNamePart(std::string_view path);

// The target a loaded file selects: 1 for the exact name "autorun.inf", else 0.
int TargetForPath(std::string_view path);

// When `file` begins with `storage` (exact, case counting), the rest of it; else nullopt.
// Pure text rule: nothing is resolved.
std::optional<std::string> RelativeToStorage(std::string_view storage, std::string_view file);

// RelativeToStorage with "/" turned into "\" on hosts that are not Windows: the starter reads the
// path on Windows.
std::optional<std::string> RelativeToStorageForStarter(std::string_view storage, std::string_view file);

} // namespace qv
