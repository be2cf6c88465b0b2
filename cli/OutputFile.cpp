#include "cli/OutputFile.h"

#include "disc/DiscCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string Reason(int code)
{
    return std::strerror(code);
}

// A name beside `target` that nobody can have planted in advance: random, and the caller creates
// it exclusively (a file or link of that name makes the creation fail rather than be followed).
fs::path TemporaryNameBeside(const fs::path& target, std::mt19937_64& random)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string suffix;
    std::uint64_t bits = random();
    for (int i = 0; i < 12; ++i, bits >>= 4)
        suffix.push_back(kDigits[bits & 0xF]);
    fs::path name(".");
    name += target.filename().native(); // native: every character of the name, on every host
    name += ".qvr-" + suffix;
    return target.parent_path() / name;
}

#ifndef _WIN32

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) { // a device that takes nothing would keep the loop going for ever
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A device or FIFO: opened as it is, no file created, nothing truncated or renamed.
std::string WriteInPlace(const std::string& target, const std::string& bytes)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Reason(errno);
    const bool written = WriteAll(fd, bytes);
    const int code = errno;
    if (::close(fd) != 0 && written)
        return Reason(errno);
    return written ? std::string() : Reason(code);
}

#endif

} // namespace

#ifndef _WIN32

std::string WriteOutputFile(const std::string& target, const std::string& bytes)
{
    fs::path finalPath(target);
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode))
        return Reason(EISDIR);
    if (exists && !S_ISREG(info.st_mode))
        return WriteInPlace(target, bytes);
    if (exists) {
        // The file a link points to is the one replaced; the link itself stays.
        std::error_code ec;
        const fs::path resolved = fs::canonical(finalPath, ec);
        if (ec)
            return ec.message();
        finalPath = resolved;
        // Opening for appending writes nothing but fails exactly where an in-place write would.
        const int probe = ::open(finalPath.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
        if (probe < 0)
            return Reason(errno);
        ::close(probe);
    }
    if (finalPath.filename().empty())
        return Reason(EISDIR);
    if (finalPath.parent_path().empty())
        finalPath = fs::path(".") / finalPath;

    std::mt19937_64 random(std::random_device{}());
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TemporaryNameBeside(finalPath, random);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return Reason(errno);
    }
    if (fd < 0)
        return Reason(EEXIST);

    const auto fail = [&](int code) {
        ::close(fd);
        ::unlink(temp.c_str());
        return Reason(code);
    };
    if (exists && ::fchmod(fd, info.st_mode & 07777) != 0)
        return fail(errno);
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temp.c_str());
        return Reason(code);
    }
    if (::rename(temp.c_str(), finalPath.c_str()) != 0) {
        const int code = errno;
        ::unlink(temp.c_str());
        return Reason(code);
    }
    return {};
}

#else

std::string WriteOutputFile(const std::string& target, const std::string& bytes)
{
    // The name is UTF-8 (from the wide command line); the wide calls keep every character of it.
    const fs::path finalPath = PathFromUtf8(target);
    std::error_code ec;
    const fs::file_status status = fs::status(finalPath, ec);
    const bool exists = fs::exists(status);
    if (exists && fs::is_directory(status))
        return Reason(EISDIR);
    if (exists && !fs::is_regular_file(status)) {
        // A device such as NUL: written as it is.
        std::FILE* out = ::_wfopen(finalPath.c_str(), L"wb");
        if (!out)
            return Reason(errno);
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        const int code = errno;
        if (std::fclose(out) != 0 && written)
            return Reason(errno);
        return written ? std::string() : Reason(code);
    }
    if (exists) {
        std::FILE* probe = ::_wfopen(finalPath.c_str(), L"ab");
        if (!probe)
            return Reason(errno);
        std::fclose(probe);
    }
    std::mt19937_64 random(std::random_device{}());
    fs::path temp;
    std::FILE* out = nullptr;
    for (int attempt = 0; attempt < 100 && !out; ++attempt) {
        temp = TemporaryNameBeside(finalPath.parent_path().empty() ? fs::path(".") / finalPath : finalPath, random);
        out = ::_wfopen(temp.c_str(), L"wbx"); // created exclusively
        if (!out && errno != EEXIST)
            return Reason(errno);
    }
    if (!out)
        return Reason(EEXIST);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && std::fflush(out) == 0;
    const int code = errno;
    if (std::fclose(out) != 0 || !written) {
        fs::remove(temp, ec);
        return Reason(written ? errno : code);
    }
    fs::rename(temp, finalPath, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return ec.message();
    }
    return {};
}

#endif

} // namespace qv
