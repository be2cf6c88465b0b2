// The image writer's host calls on POSIX systems.
#include "disc/ImageHost.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::imagehost {
namespace {

namespace fs = std::filesystem;

Failure FromErrno(int code)
{
    return {ErrorText(code), code == ENOENT};
}

EntryInfo FromStat(const struct stat& st)
{
    EntryInfo info;
    if (S_ISREG(st.st_mode))
        info.type = EntryInfo::Type::File;
    else if (S_ISDIR(st.st_mode))
        info.type = EntryInfo::Type::Folder;
    else if (S_ISLNK(st.st_mode))
        info.type = EntryInfo::Type::Link;
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.mode = st.st_mode & 07777;
    info.uid = st.st_uid;
    info.gid = st.st_gid;
    info.mtime = st.st_mtime;
    info.atime = st.st_atime;
    info.ctime = st.st_ctime;
    info.stamp = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000ULL
                 + static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
    info.device = st.st_dev;
    info.inode = st.st_ino;
    info.links = static_cast<std::uint32_t>(st.st_nlink);
    return info;
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size);

// The image's descriptor and the first error seen.
class DescriptorOutput : public ImageOutput {
public:
    ~DescriptorOutput() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool Write(const unsigned char* data, std::size_t size) override
    {
        if (WriteAll(fd_, data, size))
            return true;
        return Fail(errno);
    }

protected:
    bool Fail(int code)
    {
        if (error_.empty())
            error_ = ErrorText(code);
        return false;
    }
    // Closes the descriptor; a failure (a late write error of some file systems) is kept.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || Fail(errno);
    }
    void Opened(int fd)
    {
        fd_ = fd;
        ready_ = fd >= 0;
        if (!ready_)
            Fail(errno);
    }

    int fd_ = -1;
};

// A device or FIFO named as the target (/dev/null, a pipe to a burning program, a USB stick):
// written in place as `qvr convert -o` writes it, never replaced by a file. A pipe's reader or a
// device receives the bytes as they come; after a failure it may hold part of the image.
class InPlaceOutput final : public DescriptorOutput {
public:
    explicit InPlaceOutput(const fs::path& target)
    {
        // A reader that goes away gives EPIPE, a failure with a message, not a silent end.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &previousPipe_);
        // Opening a FIFO waits for its reader; an interruption ends the wait.
        Opened(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    }
    ~InPlaceOutput() override { sigaction(SIGPIPE, &previousPipe_, nullptr); }

    bool Commit() override
    {
        struct stat info {};
        // A block device holds the image only once it is flushed; pipes and character devices
        // have nothing to flush.
        if (::fstat(fd_, &info) == 0 && S_ISBLK(info.st_mode) && ::fsync(fd_) != 0)
            return Fail(errno);
        return Close();
    }

private:
    struct sigaction previousPipe_ {};
};

// A temporary file beside the target, removed unless it was renamed over the target.
class TemporaryOutput final : public DescriptorOutput {
public:
    explicit TemporaryOutput(const fs::path& target) : target_(target)
    {
        std::string pattern = target.string() + ".qvr-XXXXXX";
        Opened(::mkstemp(pattern.data()));
        if (ready_)
            path_ = pattern;
    }
    ~TemporaryOutput() override
    {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }

    bool Write(const unsigned char* data, std::size_t size) override
    {
        if (!DescriptorOutput::Write(data, size))
            return false;
        written_ += size;
        StreamOut();
        return true;
    }

    // Makes the file an ordinary one (mkstemp gives 0600), flushes it to the disk and renames it
    // over the target. Errors of a full disk may show only here.
    bool Commit() override
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd_, 0666 & ~mask) != 0 || ::fsync(fd_) != 0)
            return Fail(errno);
        if (!Close())
            return false;
        if (::rename(path_.c_str(), target_.c_str()) != 0)
            return Fail(errno);
        path_.clear();
        return true;
    }

private:
    // Hands each finished stretch of the image to the disk while the next one is produced, and
    // drops it from the page cache once it is there: the final flush stays short, and writing a
    // large image neither fills the memory with it nor stalls on a flood of dirty pages.
    void StreamOut()
    {
#ifdef __linux__
        while (written_ - started_ >= kWriteBack) {
            ::sync_file_range(fd_, static_cast<off_t>(started_), kWriteBack, SYNC_FILE_RANGE_WRITE);
            if (started_ >= kWriteBack) {
                const auto previous = static_cast<off_t>(started_ - kWriteBack);
                ::sync_file_range(fd_, previous, kWriteBack,
                                  SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
                ::posix_fadvise(fd_, previous, kWriteBack, POSIX_FADV_DONTNEED);
            }
            started_ += kWriteBack;
        }
#endif
    }

    static constexpr std::uint64_t kWriteBack = 8 * 1024 * 1024;
    fs::path target_;
    std::string path_;
    std::uint64_t written_ = 0;
    std::uint64_t started_ = 0; // the image before this offset is on its way to the disk
};

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
}

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, 3> g_previous{};

bool WriteAll(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR && !g_interrupted)
                continue;
            return false;
        }
        if (written == 0) { // a device that takes nothing would keep the loop going for ever
            errno = EIO;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

std::string ErrorText(int code)
{
    return std::strerror(code);
}

Failure Inspect(const fs::path& path, bool follow, EntryInfo& info)
{
    struct stat st {};
    if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return FromErrno(errno);
    info = FromStat(st);
    return {};
}

Failure ListFolder(const fs::path& folder, std::vector<FolderEntry>& entries)
{
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr)
        return FromErrno(errno);
    const int dirFd = ::dirfd(listing);
    Failure failure;
    while (true) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            if (errno != 0)
                failure = FromErrno(errno);
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            failure = FromErrno(errno);
            failure.text = "\"" + std::string(entry->d_name) + "\": " + failure.text;
            break;
        }
        entries.push_back({entry->d_name, FromStat(st)});
    }
    ::closedir(listing);
    return failure;
}

Failure SourceFile::Open(const fs::path& path, std::uint64_t expectedSize)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return FromErrno(errno);
    if (expectedSize > 1024 * 1024)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    handle_ = fd;
    return {};
}

Failure SourceFile::Info(EntryInfo& info, bool) const
{
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0)
        return FromErrno(errno);
    info = FromStat(st);
    return {};
}

std::int64_t SourceFile::Read(void* buffer, std::size_t size, Failure& failure)
{
    while (true) {
        const ssize_t got = ::read(static_cast<int>(handle_), buffer, size);
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            failure = FromErrno(errno);
            return -1;
        }
    }
}

void SourceFile::Close()
{
    if (handle_ != kNone)
        ::close(static_cast<int>(handle_));
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

// No SA_RESTART: a blocked write returns.
InterruptGuard::InterruptGuard()
{
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &action, &g_previous[i]);
}

InterruptGuard::~InterruptGuard()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
}

bool Interrupted()
{
    return g_interrupted != 0;
}

TargetKind InspectTarget(const fs::path& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0)
        return TargetKind::Missing;
    if (S_ISDIR(st.st_mode))
        return TargetKind::Folder;
    return S_ISREG(st.st_mode) ? TargetKind::File : TargetKind::Special;
}

Failure CheckWritable(const fs::path& file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return FromErrno(errno);
    ::close(fd);
    return {};
}

fs::path LongPathForm(const fs::path& path)
{
    return path;
}

fs::path ResolvedPath(const fs::path& path, std::error_code& ec)
{
    return fs::weakly_canonical(path, ec);
}

} // namespace qv::imagehost
