#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// What the image writer asks of the host, in one place: ImageHostPosix.cpp answers with POSIX
// calls, ImageHostWin32.cpp with Win32 calls (wide paths, "\\?\" for long ones, reparse points as
// links). One of them is built.
namespace qv::imagehost {

// A file or folder as the image takes it.
struct EntryInfo {
    enum class Type { File, Folder, Link, Other };
    Type type = Type::Other;
    std::uint64_t size = 0;
    std::uint32_t mode = 0644;                   // permissions (07777)
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
    std::int64_t mtime = 0;                      // seconds since 1970
    std::int64_t atime = 0;
    std::int64_t ctime = 0;
    std::uint64_t stamp = 0;                     // the modification time in the host's finest unit
    std::uint64_t birth = 0;                     // the creation time where the host keeps one, else 0
    std::uint64_t device = 0;                    // identity; both 0 where the host gives none cheaply
    std::uint64_t inode = 0;
    std::uint32_t links = 1;                     // 0: deleted while open
};

// A failure of a host call: an empty text on success, else the system's reason. `missing` when
// the file is not there.
struct Failure {
    std::string text;
    bool missing = false;
    explicit operator bool() const { return !text.empty(); }
};

// The entry at `path`; a link is followed only with `follow` (and only then is its identity known).
Failure Inspect(const std::filesystem::path& path, bool follow, EntryInfo& info);

struct FolderEntry {
    std::string name; // UTF-8
    EntryInfo info;   // the entry itself, a link not followed
};
// The entries of a folder, without "." and "..".
Failure ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries);

// A file of the folder opened for reading, never through a link.
class SourceFile {
public:
    SourceFile() = default;
    ~SourceFile() { Close(); }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    Failure Open(const std::filesystem::path& path, std::uint64_t expectedSize);
    bool IsOpen() const { return handle_ != kNone; }
    // The open file as it is now; with `stillThere` also whether it was deleted meanwhile
    // (`links` 0 then).
    Failure Info(EntryInfo& info, bool stillThere) const;
    // Up to `size` bytes: the count, 0 at the end, -1 with `failure` set.
    std::int64_t Read(void* buffer, std::size_t size, Failure& failure);
    void Close();

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;
    std::filesystem::path path_;
};

// Where the image goes while it is written.
class ImageOutput {
public:
    virtual ~ImageOutput() = default;
    bool Ready() const { return ready_; }
    // The reason of the first failure.
    const std::string& Error() const { return error_; }
    // Writes all of `size` bytes; false on failure or interruption.
    virtual bool Write(const unsigned char* data, std::size_t size) = 0;
    // Makes the image final once it is complete.
    virtual bool Commit() = 0;

protected:
    bool ready_ = false;
    std::string error_;
};

// A temporary file beside `target`, flushed and moved over it by Commit; removed when the output
// goes without a commit, so a failure leaves no half image and an existing target as it was.
std::unique_ptr<ImageOutput> TemporaryImage(const std::filesystem::path& target);
// A device or FIFO written as it is.
std::unique_ptr<ImageOutput> ImageInPlace(const std::filesystem::path& target);

// Catches the interruptions of a console program (Ctrl+C, the end of the session) while it
// lives, so that a write ends cleanly; the previous handling returns afterwards.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};
// Whether an interruption came while a guard lives.
bool Interrupted();

// What an image target is now.
enum class TargetKind { Missing, Folder, File, Special };
TargetKind InspectTarget(const std::filesystem::path& target);
// Whether an existing file can be written (opened for writing, not replaced).
Failure CheckWritable(const std::filesystem::path& file);
// The path with links resolved as far as it exists, absolute.
std::filesystem::path ResolvedPath(const std::filesystem::path& path, std::error_code& ec);

// `path` in a form the standard library's file calls take at any length: on Windows absolute and
// with "\\?\" once it is long, elsewhere as it is.
std::filesystem::path LongPathForm(const std::filesystem::path& path);

// The reason for the error `code` of the C library (errno), in the system's words.
std::string ErrorText(int code);

} // namespace qv::imagehost
