#include "RegularFile.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qv {

FileReadStatus ReadRegularFile(const std::string& path, std::uint64_t maxSize, std::size_t bufferSize,
                               const std::function<void(std::string_view)>& piece, int* error)
{
    int ignored = 0;
    int& failure = error != nullptr ? *error : ignored;
    failure = 0;
    bufferSize = std::max<std::size_t>(bufferSize, 1);
    std::uint64_t total = 0;
#ifdef _WIN32
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec) {
        failure = ec.value();
        return FileReadStatus::Unreadable;
    }
    if (!std::filesystem::is_regular_file(status))
        return FileReadStatus::NotAFile;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        failure = errno;
        return FileReadStatus::Unreadable;
    }
    std::string buffer(bufferSize, '\0');
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        total += got;
        if (total > maxSize)
            return FileReadStatus::TooLarge;
        piece(std::string_view(buffer.data(), got));
    }
    if (in.bad()) {
        failure = errno;
        return FileReadStatus::Unreadable;
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
