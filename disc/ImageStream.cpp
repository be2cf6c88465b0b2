#include "disc/ImageStream.h"

#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>


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

// Whether the file is still the one seen: the same identity where the host gives one, size and times.
bool SameFile(const imagehost::EntryInfo& now, const imagehost::EntryInfo& seen)
{
    const bool identity = seen.inode == 0 || (now.inode == seen.inode && now.device == seen.device);
    return identity && now.type == seen.type && now.size == seen.size && now.stamp == seen.stamp
           && now.birth == seen.birth;
}

struct CheckedFile {
    std::filesystem::path path;
    std::string shown;
    imagehost::EntryInfo seen;
    std::uint64_t id = 0; // the identity given to the library where the host gives none
    StreamFailure* failure = nullptr;
    imagehost::SourceFile source;
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    std::size_t begin = 0; // unread part of the buffer: [begin, end)
    std::size_t end = 0;
    std::uint64_t fetched = 0; // bytes taken from the file so far

    int Fail(const std::string& what)
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
    if (file.source.IsOpen())
        return static_cast<int>(ISO_FILE_ALREADY_OPENED);
    if (const imagehost::Failure failure = file.source.Open(file.path, file.seen.size)) {
        if (failure.missing)
            return file.Vanished();
        return file.Fail("kann nicht gelesen werden: " + failure.text);
    }
    // Without an identity seen (Windows' listing gives none) Close tells all that this look-up
    // would: one call less per file where each costs the most.
    imagehost::EntryInfo now;
    if (file.seen.inode != 0 && (file.source.Info(now, false) || !SameFile(now, file.seen))) {
        file.source.Close();
        return file.Changed();
    }
    const std::uint64_t size = file.seen.size;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size, kReadPiece));
    if (file.capacity < wanted || !file.buffer) {
        file.capacity = std::max<std::size_t>(wanted, 1);
        file.buffer.reset(new (std::nothrow) char[file.capacity]);
        if (!file.buffer) {
            file.source.Close();
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
    if (!file.source.IsOpen())
        return static_cast<int>(ISO_FILE_NOT_OPENED);
    // Whatever was read, the file must still be the one seen: same size, same time, still there
    // (a file deleted while it is open has no links left).
    imagehost::EntryInfo now;
    const bool readable = !file.source.Info(now, true);
    file.source.Close();
    file.buffer.reset();
    file.capacity = 0;
    if (readable && now.links == 0)
        return file.Vanished();
    if (!readable || !SameFile(now, file.seen))
        return file.Changed();
    return static_cast<int>(ISO_SUCCESS);
}

off_t GetSize(IsoStream* stream)
{
    return static_cast<off_t>(Data(stream)->seen.size);
}

int Read(IsoStream* stream, void* target, std::size_t count)
{
    CheckedFile& file = *Data(stream);
    if (!file.source.IsOpen())
        return static_cast<int>(ISO_FILE_NOT_OPENED);
    const std::uint64_t size = file.seen.size;
    auto* out = static_cast<char*>(target);
    std::size_t done = 0;
    while (done < count) {
        if (file.begin == file.end) {
            if (file.fetched == size)
                break; // the end as seen; Close checks that nothing came after it
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(file.capacity, size - file.fetched));
            imagehost::Failure failure;
            const std::int64_t got = file.source.Read(file.buffer.get(), want, failure);
            if (got < 0)
                return file.Fail("kann nicht gelesen werden: " + failure.text);
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
    // Streams of the same identity share their content in the image: a file without one gets
    // its own.
    *devId = static_cast<dev_t>(file.seen.inode != 0 ? file.seen.device : 0);
    *inoId = static_cast<ino_t>(file.seen.inode != 0 ? file.seen.inode : file.id);
}

void Free(IsoStream* stream)
{
    delete Data(stream);
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

iso_stream* NewCheckedFileStream(const std::filesystem::path& path, const std::string& shown,
                                 const imagehost::EntryInfo& seen, StreamFailure& failure)
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
    static std::atomic<std::uint64_t> counter{0};
    file->id = ++counter;
    file->failure = &failure;
    object->iface = &g_checkedFileClass;
    object->refcount = 1;
    object->data = file;
    return reinterpret_cast<iso_stream*>(object);
}

} // namespace qv
