// The image writer's host calls on Windows: wide paths ("\\?\" once they are long), reparse
// points that are links (symbolic links, junctions) reported as links, the temporary image moved
// over the target with write-through, and Ctrl+C caught through the console.
#include "disc/ImageHost.h"

#include <atomic>
#include <cstring>

#include <windows.h>

namespace qv::imagehost {
namespace {

namespace fs = std::filesystem;

// Seconds between 1601 (FILETIME) and 1970, in 100 ns units.
constexpr std::uint64_t kEpochDifference = 116444736000000000ULL;

std::uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::int64_t UnixSeconds(const FILETIME& time)
{
    const std::uint64_t ticks = Ticks(time);
    if (ticks < kEpochDifference)
        return 0;
    return static_cast<std::int64_t>((ticks - kEpochDifference) / 10000000ULL);
}

std::string Utf8(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

// The system's text for a Win32 error, without the closing period and line break.
std::string SystemText(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty())
        return "Windows-Fehler " + std::to_string(code);
    return Utf8(text);
}

Failure LastFailure()
{
    const DWORD code = GetLastError();
    return {SystemText(code), code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND};
}

// The absolute wide form of `path` for the Win32 calls: backslashes, and the "\\?\" prefix once it
// is longer than the classic limit of 260 characters allows.
std::wstring Wide(const fs::path& path)
{
    std::wstring text = path.native();
    for (wchar_t& c : text) {
        if (c == L'/')
            c = L'\\';
    }
    if (text.rfind(L"\\\\?\\", 0) == 0)
        return text;
    const DWORD length = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return text;
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(text.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length)
        return text;
    full.resize(written);
    if (full.size() < MAX_PATH - 12) // room for an 8.3 name, as CreateDirectory demands
        return full;
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// A path from GetFinalPathNameByHandle without its "\\?\" prefix.
std::wstring WithoutPrefix(std::wstring path)
{
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return L"\\\\" + path.substr(8);
    if (path.rfind(L"\\\\?\\", 0) == 0)
        return path.substr(4);
    return path;
}

// Whether a reparse point is one Windows follows as a link: a symbolic link or a junction. Others
// (deduplicated or cloud files) are files with content.
bool IsLinkTag(DWORD attributes, DWORD tag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
           && (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT);
}

EntryInfo FromFind(const WIN32_FIND_DATAW& data)
{
    EntryInfo info;
    if (IsLinkTag(data.dwFileAttributes, data.dwReserved0))
        info.type = EntryInfo::Type::Link;
    else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        info.type = EntryInfo::Type::Folder;
    else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0)
        info.type = EntryInfo::Type::File;
    const bool folder = info.type == EntryInfo::Type::Folder;
    info.mode = folder ? 0755 : (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0644;
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.mtime = UnixSeconds(data.ftLastWriteTime);
    info.atime = UnixSeconds(data.ftLastAccessTime);
    info.ctime = info.mtime;
    info.stamp = Ticks(data.ftLastWriteTime);
    info.birth = Ticks(data.ftCreationTime);
    return info;
}

EntryInfo FromHandle(const BY_HANDLE_FILE_INFORMATION& data)
{
    WIN32_FIND_DATAW find{};
    find.dwFileAttributes = data.dwFileAttributes;
    find.ftCreationTime = data.ftCreationTime;
    find.ftLastAccessTime = data.ftLastAccessTime;
    find.ftLastWriteTime = data.ftLastWriteTime;
    find.nFileSizeHigh = data.nFileSizeHigh;
    find.nFileSizeLow = data.nFileSizeLow;
    EntryInfo info = FromFind(find);
    info.device = data.dwVolumeSerialNumber;
    info.inode = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    info.links = data.nNumberOfLinks;
    return info;
}

Failure HandleInfo(HANDLE handle, EntryInfo& info)
{
    BY_HANDLE_FILE_INFORMATION data{};
    if (!GetFileInformationByHandle(handle, &data))
        return LastFailure();
    info = FromHandle(data);
    return {};
}

std::atomic<bool> g_interrupted{false};
HANDLE g_finished = nullptr; // set once the guarded write has cleaned up

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    g_interrupted = true;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE; // the write ends itself and removes its temporary file
    // Closing the console or ending the session ends the process once this returns: the write
    // gets a few seconds to clean up first.
    if (g_finished != nullptr)
        WaitForSingleObject(g_finished, 4000);
    return FALSE;
}

// Writes the image through one handle; the first error is kept.
class HandleOutput : public ImageOutput {
public:
    ~HandleOutput() override
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    bool Write(const unsigned char* data, std::size_t size) override
    {
        while (size > 0) {
            if (g_interrupted)
                return Fail("abgebrochen");
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, 64u * 1024 * 1024));
            DWORD written = 0;
            if (!WriteFile(handle_, data, piece, &written, nullptr))
                return Fail(SystemText(GetLastError()));
            if (written == 0)
                return Fail(SystemText(ERROR_WRITE_FAULT));
            data += written;
            size -= written;
        }
        return true;
    }

protected:
    bool Fail(const std::string& text)
    {
        if (error_.empty())
            error_ = text;
        return false;
    }
    bool Close()
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) || Fail(SystemText(GetLastError()));
    }
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class InPlaceOutput final : public HandleOutput {
public:
    explicit InPlaceOutput(const fs::path& target)
    {
        handle_ = CreateFileW(Wide(target).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
        ready_ = handle_ != INVALID_HANDLE_VALUE;
        if (!ready_)
            Fail(SystemText(GetLastError()));
    }
    bool Commit() override { return Close(); }
};

// A temporary file beside the target ("NAME.qvr-XXXXXX"), removed unless it was moved over the target.
class TemporaryOutput final : public HandleOutput {
public:
    explicit TemporaryOutput(const fs::path& target) : target_(Wide(target))
    {
        static std::atomic<unsigned> counter{0};
        DWORD error = ERROR_FILE_EXISTS;
        for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
            const std::uint64_t seed = GetTickCount64() * 2654435761u ^ (GetCurrentProcessId() << 16) ^ counter++;
            wchar_t suffix[8];
            static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
            for (int i = 0; i < 6; ++i)
                suffix[i] = kLetters[(seed >> (i * 6)) % 36];
            suffix[6] = L'\0';
            const std::wstring name = target_ + L".qvr-" + suffix;
            handle_ = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            if (handle_ != INVALID_HANDLE_VALUE) {
                path_ = name;
                ready_ = true;
                return;
            }
            error = GetLastError();
        }
        Fail(SystemText(error));
    }
    ~TemporaryOutput() override
    {
        if (path_.empty())
            return;
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
        DeleteFileW(path_.c_str());
    }

    // Flushes the file to the disk and moves it over the target, the move itself written through
    // before it returns. Errors of a full disk may show only here.
    bool Commit() override
    {
        if (!FlushFileBuffers(handle_))
            return Fail(SystemText(GetLastError()));
        if (!Close())
            return false;
        if (!MoveFileExW(path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return Fail(SystemText(GetLastError()));
        path_.clear();
        return true;
    }

private:
    std::wstring target_;
    std::wstring path_;
};

} // namespace

std::string ErrorText(int code)
{
    return std::strerror(code);
}

Failure Inspect(const fs::path& path, bool follow, EntryInfo& info)
{
    const std::wstring wide = Wide(path);
    if (!follow) {
        WIN32_FIND_DATAW data{};
        const HANDLE find = FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            info = FromFind(data); // no identity: the one look-up the folder check makes per entry
            return {};
        }
        // A drive's root has no entry to find; it is never a link.
    }
    const HANDLE handle = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return LastFailure();
    const Failure failure = HandleInfo(handle, info);
    CloseHandle(handle);
    return failure;
}

Failure ListFolder(const fs::path& folder, std::vector<FolderEntry>& entries)
{
    std::wstring pattern = Wide(folder);
    if (pattern.empty() || pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return {}; // empty: not even "." (a drive's root)
        return LastFailure();
    }
    Failure failure;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        entries.push_back({Utf8(name), FromFind(data)});
    } while (FindNextFileW(find, &data));
    if (GetLastError() != ERROR_NO_MORE_FILES)
        failure = LastFailure();
    FindClose(find);
    return failure;
}

Failure SourceFile::Open(const fs::path& path, std::uint64_t)
{
    // The entry itself, never what a link placed there since names; others may go on writing or
    // deleting it, which the checks of the stream notice.
    const HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return LastFailure();
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    path_ = path;
    return {};
}

Failure SourceFile::Info(EntryInfo& info, bool stillThere) const
{
    if (Failure failure = HandleInfo(reinterpret_cast<HANDLE>(handle_), info))
        return failure;
    // A file deleted while open (pending until its last handle closes, or deleted by another
    // system: a share, Wine's host) may still count its link: its name tells.
    if (stillThere && info.links > 0 && GetFileAttributesW(Wide(path_).c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            info.links = 0;
    }
    return {};
}

std::int64_t SourceFile::Read(void* buffer, std::size_t size, Failure& failure)
{
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, static_cast<DWORD>(size), &got, nullptr)) {
        failure = LastFailure();
        return -1;
    }
    return got;
}

void SourceFile::Close()
{
    if (handle_ != kNone)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kNone;
}

std::unique_ptr<ImageOutput> TemporaryImage(const fs::path& target)
{
    return std::make_unique<TemporaryOutput>(target);
}

std::unique_ptr<ImageOutput> ImageInPlace(const fs::path& target)
{
    return std::make_unique<InPlaceOutput>(target);
}

InterruptGuard::InterruptGuard()
{
    g_interrupted = false;
    g_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptGuard::~InterruptGuard()
{
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    if (g_finished != nullptr) {
        SetEvent(g_finished);
        // A handler still waiting holds no reference; the event lives until the process ends
        // when one might.
        if (!g_interrupted)
            CloseHandle(g_finished);
        g_finished = nullptr;
    }
}

bool Interrupted()
{
    return g_interrupted;
}

TargetKind InspectTarget(const fs::path& target)
{
    const DWORD attributes = GetFileAttributesW(Wide(target).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return TargetKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return TargetKind::Folder;
    return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? TargetKind::Special : TargetKind::File;
}

Failure CheckWritable(const fs::path& file)
{
    const HANDLE handle = CreateFileW(Wide(file).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return LastFailure();
    CloseHandle(handle);
    return {};
}

fs::path LongPathForm(const fs::path& path)
{
    const std::wstring wide = Wide(path);
    return wide.rfind(L"\\\\?\\", 0) == 0 ? fs::path(wide) : path;
}

fs::path ResolvedPath(const fs::path& path, std::error_code& ec)
{
    ec.clear();
    std::wstring existing = Wide(path), rest;
    // As far as the path exists its links and short names are resolved; the rest is appended.
    while (!existing.empty()) {
        const HANDLE handle = CreateFileW(existing.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            std::wstring final(32768, L'\0');
            const DWORD written = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()),
                                                            FILE_NAME_NORMALIZED);
            CloseHandle(handle);
            if (written > 0 && written < final.size()) {
                final.resize(written);
                return fs::path(WithoutPrefix(final) + rest).lexically_normal();
            }
        }
        const std::size_t slash = existing.find_last_of(L'\\');
        if (slash == std::wstring::npos || slash + 1 == existing.size())
            break;
        rest = existing.substr(slash) + rest;
        existing.resize(slash);
        if (!existing.empty() && existing.back() == L':')
            existing += L'\\';
    }
    return fs::path(WithoutPrefix(Wide(path))).lexically_normal();
}

} // namespace qv::imagehost
