#include "disc/ImageStream.h"

#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <unistd.h>

namespace qv {
namespace {

// The library reads a file one block at a time; the disk is asked for this much at once.
constexpr std::size_t kReadPiece = 1024 * 1024;
// Marks the streams of qvr among the library's own, for telling files apart by device and inode.
constexpr unsigned int kStreamFsId = 0x71767231;

// The layout of the library's stream object, which its header shows to C only.
struct StreamObject {
    IsoStreamIface* iface;
    int refcount;
    void* data;
};

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

struct CheckedFile {
    std::string path;
    std::string shown;
    struct stat seen {};
    StreamFailure* failure = nullptr;
    int fd = -1;
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    std::size_t begin = 0; // unread part of the buffer: [begin, end)
    std::size_t end = 0;
    std::uint64_t fetched = 0; // bytes taken from the file so far

    int Fail(const char* what)
    {
        failure->Set("\"" + shown + "\" " + what);
        return static_cast<int>(ISO_FILE_READ_ERROR);
    }
    int Changed() { return Fail("hat sich verändert, während das Abbild geschrieben wurde."); }
    int Vanished() { return Fail("ist verschwunden, während das Abbild geschrieben wurde."); }
};

CheckedFile* Data(IsoStream* stream)
{
    return static_cast<CheckedFile*>(reinterpret_cast<StreamObject*>(stream)->data);
}

int Open(IsoStream* stream)
{
    CheckedFile& file = *Data(stream);
    if (file.fd >= 0)
        return static_cast<int>(ISO_FILE_ALREADY_OPENED);
    file.fd = ::open(file.path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (file.fd < 0) {
        if (errno == ENOENT)
            return file.Vanished();
        return file.Fail((std::string("kann nicht gelesen werden: ") + std::strerror(errno)).c_str());
    }
    struct stat now {};
    if (::fstat(file.fd, &now) != 0 || now.st_ino != file.seen.st_ino || now.st_dev != file.seen.st_dev
        || now.st_size != file.seen.st_size || !SameTime(now.st_mtim, file.seen.st_mtim)) {
        ::close(file.fd);
        file.fd = -1;
        return file.Changed();
    }
    const auto size = static_cast<std::uint64_t>(file.seen.st_size);
    if (size > kReadPiece)
        ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size, kReadPiece));
    if (file.capacity < wanted || !file.buffer) {
        file.capacity = std::max<std::size_t>(wanted, 1);
        file.buffer.reset(new (std::nothrow) char[file.capacity]);
        if (!file.buffer) {
            ::close(file.fd);
            file.fd = -1;
            file.capacity = 0;
            return static_cast<int>(ISO_OUT_OF_MEM);
        }
    }
    file.begin = file.end = 0;
    file.fetched = 0;
    return static_cast<int>(ISO_SUCCESS);
}

int Close(IsoStream* stream)
{
    CheckedFile& file = *Data(stream);
    if (file.fd < 0)
        return static_cast<int>(ISO_FILE_NOT_OPENED);
    // Whatever was read, the file must still be the one seen: same size, same time, still there
    // (a file deleted while it is open has no links left).
    struct stat now {};
    const bool readable = ::fstat(file.fd, &now) == 0;
    ::close(file.fd);
    file.fd = -1;
    file.buffer.reset();
    file.capacity = 0;
    if (readable && now.st_nlink == 0)
        return file.Vanished();
    if (!readable || now.st_size != file.seen.st_size || !SameTime(now.st_mtim, file.seen.st_mtim))
        return file.Changed();
    return static_cast<int>(ISO_SUCCESS);
}

off_t GetSize(IsoStream* stream)
{
    return Data(stream)->seen.st_size;
}

int Read(IsoStream* stream, void* target, std::size_t count)
{
    CheckedFile& file = *Data(stream);
    if (file.fd < 0)
        return static_cast<int>(ISO_FILE_NOT_OPENED);
    const auto size = static_cast<std::uint64_t>(file.seen.st_size);
    auto* out = static_cast<char*>(target);
    std::size_t done = 0;
    while (done < count) {
        if (file.begin == file.end) {
            if (file.fetched == size)
                break; // the end as seen; Close checks that nothing came after it
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(file.capacity, size - file.fetched));
            const ssize_t got = ::read(file.fd, file.buffer.get(), want);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return file.Fail((std::string("kann nicht gelesen werden: ") + std::strerror(errno)).c_str());
            }
            if (got == 0)
                return file.Changed(); // shorter than it was
            file.begin = 0;
            file.end = static_cast<std::size_t>(got);
            file.fetched += static_cast<std::uint64_t>(got);
        }
        const std::size_t piece = std::min(count - done, file.end - file.begin);
        std::memcpy(out + done, file.buffer.get() + file.begin, piece);
        file.begin += piece;
        done += piece;
    }
    return static_cast<int>(done);
}

int IsRepeatable(IsoStream*)
{
    return 1;
}

void GetId(IsoStream* stream, unsigned int* fsId, dev_t* devId, ino_t* inoId)
{
    const CheckedFile& file = *Data(stream);
    *fsId = kStreamFsId;
    *devId = file.seen.st_dev;
    *inoId = file.seen.st_ino;
}

void Free(IsoStream* stream)
{
    CheckedFile* file = Data(stream);
    if (file->fd >= 0)
        ::close(file->fd);
    delete file;
}

int UpdateSize(IsoStream*)
{
    return static_cast<int>(ISO_SUCCESS);
}

IsoStreamIface g_checkedFileClass = {1, {'u', 's', 'e', 'r'}, Open, Close, GetSize, Read, IsRepeatable,
                                     GetId, Free, UpdateSize, nullptr, nullptr, nullptr};

} // namespace

void StreamFailure::Set(std::string text)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (text_.empty())
        text_ = std::move(text);
}

std::string StreamFailure::Get() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return text_;
}

iso_stream* NewCheckedFileStream(const std::string& path, const std::string& shown, const struct stat& seen,
                                 StreamFailure& failure)
{
    // The library frees the object itself with free(): it comes from malloc.
    auto* object = static_cast<StreamObject*>(std::malloc(sizeof(StreamObject)));
    if (object == nullptr)
        return nullptr;
    auto* file = new (std::nothrow) CheckedFile;
    if (file == nullptr) {
        std::free(object);
        return nullptr;
    }
    file->path = path;
    file->shown = shown;
    file->seen = seen;
    file->failure = &failure;
    object->iface = &g_checkedFileClass;
    object->refcount = 1;
    object->data = file;
    return reinterpret_cast<iso_stream*>(object);
}

} // namespace qv
