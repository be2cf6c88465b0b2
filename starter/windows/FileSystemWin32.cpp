// The rules' file-system questions (starter/rules/FileSystem.h) answered with Win32 calls.
#include "rules/FileSystem.h"

#include "rules/PathText.h"
#include "windows/Handles.h"
#include "windows/Text.h"

#include <windows.h>

namespace qv::starter {
namespace {

std::wstring Wide(std::string_view path)
{
    return win::FromUtf8(WithBackslashes(path));
}

std::string Utf8(const std::wstring& path)
{
    std::string text = win::ToUtf8(path);
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    // "\\?\C:\..." and "\\?\UNC\server\..." from GetFinalPathNameByHandle
    if (text.rfind("//?/UNC/", 0) == 0)
        return "//" + text.substr(8);
    if (text.rfind("//?/", 0) == 0)
        return text.substr(4);
    return text;
}

std::optional<std::wstring> FullPath(const std::wstring& path)
{
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return std::nullopt;
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length)
        return std::nullopt;
    full.resize(written);
    return full;
}

// The final path of an existing file or folder (links and short names resolved).
std::optional<std::wstring> FinalPath(const std::wstring& path)
{
    HANDLE opened = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return std::nullopt;
    win::UniqueHandle file(opened);
    const DWORD length = GetFinalPathNameByHandleW(file.get(), nullptr, 0, FILE_NAME_NORMALIZED);
    if (length == 0)
        return std::nullopt;
    std::wstring final(length, L'\0');
    const DWORD written = GetFinalPathNameByHandleW(file.get(), final.data(), length, FILE_NAME_NORMALIZED);
    if (written == 0 || written >= length)
        return std::nullopt;
    final.resize(written);
    return final;
}

} // namespace

std::optional<std::string> AbsolutePath(std::string_view path)
{
    const std::optional<std::wstring> full = FullPath(Wide(path));
    if (!full)
        return std::nullopt;
    return Utf8(*full);
}

std::optional<std::string> CanonicalPath(std::string_view path)
{
    const std::optional<std::wstring> full = FullPath(Wide(path));
    if (!full)
        return std::nullopt;
    // As far as the path exists it is resolved; the rest is appended as written.
    std::wstring existing = *full, rest;
    while (!existing.empty()) {
        if (const std::optional<std::wstring> final = FinalPath(existing))
            return NormalizePath(Utf8(*final + rest));
        const size_t slash = existing.find_last_of(L'\\');
        if (slash == std::wstring::npos || slash + 1 == existing.size())
            break;
        rest = existing.substr(slash) + rest;
        existing.resize(slash);
        if (!existing.empty() && existing.back() == L':')
            existing += L'\\';
    }
    return NormalizePath(Utf8(*full));
}

bool IsRegularFile(std::string_view path)
{
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
}

std::string NativeBytes(std::string_view utf8)
{
    // The ANSI code page: what config/'s reader opens by name. A name outside it stays as it is
    // (it cannot be opened by name anyway).
    const std::wstring wide = win::FromUtf8(utf8);
    BOOL lost = FALSE;
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, &lost);
    if (length <= 0 || lost)
        return std::string(utf8);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

} // namespace qv::starter
