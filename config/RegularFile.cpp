#include "config/RegularFile.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qv {

#ifdef _WIN32
namespace {

// The path as Windows' wide text: UTF-8 (qvr's arguments and the designer's file names, both
// converted from UTF-16), or, where the bytes are not UTF-8, the system code page.
std::wstring WidePath(const std::string& path)
{
    if (path.empty())
        return {};
    for (const UINT page : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        const DWORD flags = page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int length = MultiByteToWideChar(page, flags, path.data(), static_cast<int>(path.size()), nullptr, 0);
        if (length <= 0)
            continue;
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(page, flags, path.data(), static_cast<int>(path.size()), wide.data(), length);
        return wide;
    }
    return {};
}

} // namespace
#endif

FileReadStatus ReadRegularFile(const std::string& path, std::uint64_t maxSize, std::size_t bufferSize,
                               const std::function<void(std::string_view)>& piece, int* error)
{
    int ignored = 0;
    int& failure = error != nullptr ? *error : ignored;
    failure = 0;
    bufferSize = std::max<std::size_t>(bufferSize, 1);
    std::uint64_t total = 0;
#ifdef _WIN32
    // C stdio rather than streams: the Windows runtime links this reader and stays small.
    const std::wstring wide = WidePath(path);
    struct _stat64 info {};
    if (::_wstat64(wide.c_str(), &info) != 0) {
        failure = errno;
        return FileReadStatus::Unreadable;
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG)
        return FileReadStatus::NotAFile;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(::_wfopen(wide.c_str(), L"rb"), &std::fclose);
    if (!file) {
        failure = errno;
        return FileReadStatus::Unreadable;
    }
    std::string buffer(bufferSize, '\0');
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        total += got;
        if (total > maxSize)
            return FileReadStatus::TooLarge;
        if (got > 0)
            piece(std::string_view(buffer.data(), got));
        if (got < buffer.size()) {
            if (std::ferror(file.get())) {
                failure = errno;
                return FileReadStatus::Unreadable;
            }
            break;
        }
    }
#else
    // Opened without waiting, so that a pipe without a writer cannot block.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failure = errno;
        return FileReadStatus::Unreadable;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        failure = errno;
        return FileReadStatus::Unreadable;
    }
    if (!S_ISREG(info.st_mode))
        return FileReadStatus::NotAFile;
    if (static_cast<std::uint64_t>(info.st_size) > maxSize)
        return FileReadStatus::TooLarge;
    std::string buffer(std::min<std::size_t>(bufferSize, static_cast<std::size_t>(info.st_size) + 1), '\0');
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failure = errno;
            return FileReadStatus::Unreadable;
        }
        if (got == 0)
            break;
        total += static_cast<std::uint64_t>(got);
        if (total > maxSize) // the file grew while it was read
            return FileReadStatus::TooLarge;
        piece(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
#endif
    return FileReadStatus::Read;
}

} // namespace qv
