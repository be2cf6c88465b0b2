#include "disc/IsoImage.h"

#include "config/DiscRules.h"
#include "disc/DiscCheck.h"
#include "disc/FolderLinks.h"
#include "disc/ImageStream.h"
#include "disc/LinuxAutorun.h"

// The image is read from the library's burn source directly; no burning library is involved.
#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <ostream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

namespace fs = std::filesystem;

// Images smaller than this are written before a progress line would be worth reading.
constexpr std::uint64_t kProgressThreshold = 64ULL * 1024 * 1024;
constexpr std::size_t kChunk = 1024 * 1024;
// The ring buffer between the library's writer thread and the file: 2 MiB, whatever the folder's size.
constexpr std::size_t kFifoBlocks = 2 * 1024 * 1024 / 2048;

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
}

// Catches SIGINT, SIGTERM and SIGHUP while it lives, so an interrupted write can remove its
// temporary file; the previous handlers return afterwards. No SA_RESTART: a blocked write returns.
class InterruptGuard {
public:
    InterruptGuard()
    {
        g_interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &action, &previous_[i]);
    }
    ~InterruptGuard()
    {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &previous_[i], nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> previous_{};
};

// The library is set up once per write and torn down with it.
class IsoLibrary {
public:
    IsoLibrary() : ok_(iso_init() >= 0)
    {
        if (!ok_)
            return;
        // Names on the host are UTF-8 whatever the locale says; Joliet needs them decoded right.
        char utf8[] = "UTF-8";
        iso_set_local_charset(utf8, 0);
        // Messages are collected, not printed: qvr reports the reason itself, in German.
        char queue[] = "SORRY", print[] = "NEVER", id[] = "qvr";
        iso_set_msgs_severities(queue, print, id);
        // A source file that cannot be read ends the write instead of leaving a hole of zeros.
        char abort[] = "SORRY";
        iso_set_abort_severity(abort);
    }
    ~IsoLibrary()
    {
        if (ok_)
            iso_finish();
    }
    IsoLibrary(const IsoLibrary&) = delete;
    IsoLibrary& operator=(const IsoLibrary&) = delete;
    bool ok() const { return ok_; }

    // The most severe pending message of the library, for the user's error text.
    static std::string LastMessage()
    {
        std::string text;
        int code = 0, image = 0;
        char message[4096];
        char severity[80];
        char minimum[] = "SORRY";
        while (iso_obtain_msgs(minimum, &code, &image, message, severity) > 0)
            text = message;
        return text;
    }

private:
    bool ok_;
};

struct ImageFree {
    void operator()(IsoImage* image) const { iso_image_unref(image); }
};
struct OptsFree {
    void operator()(IsoWriteOpts* opts) const { iso_write_opts_free(opts); }
};
struct SourceFree {
    void operator()(burn_source* source) const
    {
        source->free_data(source);
        std::free(source);
    }
};

std::string LibraryError(const std::string& what, int code)
{
    std::string text = what + ": " + iso_error_to_msg(code);
    if (const std::string last = IsoLibrary::LastMessage(); !last.empty() && last != iso_error_to_msg(code))
        text += " (" + last + ")";
    return text;
}

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

// Where the image goes while it is written: an open descriptor and the first error seen.
class ImageTarget {
public:
    ImageTarget() = default;
    virtual ~ImageTarget()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ImageTarget(const ImageTarget&) = delete;
    ImageTarget& operator=(const ImageTarget&) = delete;

    bool Ready() const { return fd_ >= 0; }
    int error() const { return error_; }
    // Writes all of `size` bytes; false with errno set on failure or interruption.
    virtual bool Write(const unsigned char* data, std::size_t size) { return WriteAll(fd_, data, size); }
    // Makes the image final once it is complete.
    virtual bool Commit(const fs::path& target) = 0;

protected:
    // Closes the descriptor; a failure (a late write error of some file systems) is kept.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            error_ = errno;
            return false;
        }
        return true;
    }

    int fd_ = -1;
    int error_ = 0;
};


// A device or FIFO named as the target (/dev/null, a pipe to a burning program, a USB stick):
// written in place as `qvr convert -o` writes it, never replaced by a file. A pipe's reader or a
// device receives the bytes as they come; after a failure it may hold part of the image.
class InPlaceTarget final : public ImageTarget {
public:
    explicit InPlaceTarget(const fs::path& target)
    {
        // A reader that goes away gives EPIPE, a failure with a message, not a silent end.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &previousPipe_);
        // Opening a FIFO waits for its reader; an interruption ends the wait.
        fd_ = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0)
            error_ = errno;
    }
    ~InPlaceTarget() override { sigaction(SIGPIPE, &previousPipe_, nullptr); }

    bool Commit(const fs::path&) override
    {
        struct stat info {};
        // A block device holds the image only once it is flushed; pipes and character devices
        // have nothing to flush.
        if (::fstat(fd_, &info) == 0 && S_ISBLK(info.st_mode) && ::fsync(fd_) != 0) {
            error_ = errno;
            return false;
        }
        return Close();
    }

private:
    struct sigaction previousPipe_ {};
};

// A temporary file beside the target, removed unless it was renamed over the target.
class TemporaryFile final : public ImageTarget {
public:
    explicit TemporaryFile(const fs::path& target)
    {
        std::string pattern = target.string() + ".qvr-XXXXXX";
        fd_ = ::mkstemp(pattern.data());
        if (fd_ >= 0)
            path_ = pattern;
        else
            error_ = errno;
    }
    ~TemporaryFile() override
    {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }

    bool Write(const unsigned char* data, std::size_t size) override
    {
        if (!ImageTarget::Write(data, size))
            return false;
        written_ += size;
        StreamOut();
        return true;
    }

    // Makes the file an ordinary one (mkstemp gives 0600), flushes it to the disk and renames it
    // over the target. Errors of a full disk may show only here.
    bool Commit(const fs::path& target) override
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd_, 0666 & ~mask) != 0 || ::fsync(fd_) != 0) {
            error_ = errno;
            return false;
        }
        if (!Close())
            return false;
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            error_ = errno;
            return false;
        }
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
    std::string path_;
    std::uint64_t written_ = 0;
    std::uint64_t started_ = 0; // the image before this offset is on its way to the disk
};

class ProgressLine {
public:
    ProgressLine(std::ostream& out, std::uint64_t total, bool enabled)
        : out_(out), total_(total), enabled_(enabled && total >= kProgressThreshold)
    {
    }
    void Update(std::uint64_t done)
    {
        if (!enabled_)
            return;
        const int percent = static_cast<int>(done * 100 / total_);
        if (percent == shown_)
            return;
        shown_ = percent;
        out_ << "\rAbbild wird geschrieben: " << percent << " % (" << GermanSize(done) << " von "
             << GermanSize(total_) << ")   " << std::flush;
    }
    void Finish()
    {
        if (enabled_ && shown_ >= 0)
            out_ << '\n' << std::flush;
    }

private:
    std::ostream& out_;
    std::uint64_t total_;
    bool enabled_;
    int shown_ = -1;
};

void SetAttributes(IsoNode* node, const struct stat& info)
{
    iso_node_set_permissions(node, info.st_mode & 07777);
    iso_node_set_uid(node, info.st_uid);
    iso_node_set_gid(node, info.st_gid);
    iso_node_set_mtime(node, info.st_mtime);
    iso_node_set_atime(node, info.st_atime);
    iso_node_set_ctime(node, info.st_ctime);
}

// Builds the image's tree from the folder (canonical). Files become checked streams; a link to a
// file or folder inside the folder becomes the content it names, so that every view of the disc
// holds it (Joliet and plain ISO 9660 have no links); a link out of the folder, into nothing or
// into a folder it lies in, pipes, devices and sockets stay off the disc. Folders are read one
// at a time, without recursion.
class TreeBuilder {
public:
    TreeBuilder(IsoImage* image, fs::path root, StreamFailure& failure)
        : image_(image), root_(std::move(root)), failure_(failure)
    {
    }

    // Empty on success, else the German reason.
    std::string Build()
    {
        struct stat info {};
        if (::stat(root_.c_str(), &info) != 0)
            return "Der Ordner " + PathToUtf8(root_) + " ist nicht lesbar: " + std::strerror(errno);
        IsoDir* top = iso_image_get_root(image_);
        SetAttributes(reinterpret_cast<IsoNode*>(top), info);
        pending_.push_back({top, root_, "", {root_}});
        while (!pending_.empty()) {
            Folder folder = std::move(pending_.back());
            pending_.pop_back();
            if (std::string error = AddEntries(folder); !error.empty())
                return error;
        }
        return {};
    }

private:
    struct Folder {
        IsoDir* dir;
        fs::path real;                 // where its entries are read
        std::string shown;             // its path below the root, "/"-separated
        std::vector<fs::path> chain;   // the canonical folders from the root down to it
    };

    std::string AddEntries(const Folder& folder)
    {
        const std::string where = folder.shown.empty() ? std::string(".") : folder.shown;
        DIR* listing = ::opendir(folder.real.c_str());
        if (listing == nullptr)
            return "Der Ordner \"" + where + "\" ist nicht lesbar: " + std::strerror(errno);
        std::unique_ptr<DIR, int (*)(DIR*)> closer(listing, ::closedir);
        const int dirFd = ::dirfd(listing);
        while (true) {
            errno = 0;
            const dirent* entry = ::readdir(listing);
            if (entry == nullptr) {
                if (errno != 0)
                    return "Der Ordner \"" + where + "\" ist nicht lesbar: " + std::strerror(errno);
                return {};
            }
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string shown = folder.shown.empty() ? name : folder.shown + "/" + name;
            struct stat info {};
            if (::fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
                return "\"" + shown + "\" ist nicht lesbar: " + std::strerror(errno);
            fs::path real = folder.real / name;
            if (S_ISLNK(info.st_mode)) {
                const LinkTarget target = ResolveFolderLink(root_, folder.chain, real);
                if (target.kind != LinkKind::File && target.kind != LinkKind::Folder)
                    continue; // never content from outside the folder
                if (::stat(target.resolved.c_str(), &info) != 0)
                    continue; // gone since: nothing to add
                real = target.resolved;
            }
            std::string error;
            if (S_ISDIR(info.st_mode))
                error = AddFolder(folder, name, shown, std::move(real), info);
            else if (S_ISREG(info.st_mode))
                error = AddFile(folder, name, shown, real, info);
            if (!error.empty())
                return error;
        }
    }

    std::string AddFolder(const Folder& parent, const std::string& name, const std::string& shown, fs::path real,
                          const struct stat& info)
    {
        IsoDir* dir = nullptr;
        if (const int rc = iso_image_add_new_dir(image_, parent.dir, name.c_str(), &dir); rc < 0)
            return LibraryError("\"" + shown + "\" kann nicht aufgenommen werden", rc);
        SetAttributes(reinterpret_cast<IsoNode*>(dir), info);
        std::vector<fs::path> chain = parent.chain;
        chain.push_back(real);
        pending_.push_back({dir, std::move(real), shown, std::move(chain)});
        return {};
    }

    std::string AddFile(const Folder& parent, const std::string& name, const std::string& shown,
                        const fs::path& real, const struct stat& info)
    {
        IsoStream* stream = NewCheckedFileStream(real.string(), shown, info, failure_);
        if (stream == nullptr)
            return "\"" + shown + "\": " + std::strerror(ENOMEM);
        IsoFile* file = nullptr;
        if (const int rc = iso_image_add_new_file(image_, parent.dir, name.c_str(), stream, &file); rc < 0) {
            iso_stream_unref(stream);
            return LibraryError("\"" + shown + "\" kann nicht aufgenommen werden", rc);
        }
        SetAttributes(reinterpret_cast<IsoNode*>(file), info);
        return {};
    }

    IsoImage* image_;
    fs::path root_;
    StreamFailure& failure_;
    std::vector<Folder> pending_;
};

// Adds a file from memory to the image's root, with its mode and the current time.
int AddRootFile(IsoImage* image, const IsoRootFile& extra)
{
    // The stream owns the buffer and frees it with free().
    auto* buffer = static_cast<unsigned char*>(std::malloc(std::max<std::size_t>(extra.bytes.size(), 1)));
    if (buffer == nullptr)
        return ISO_OUT_OF_MEM;
    std::memcpy(buffer, extra.bytes.data(), extra.bytes.size());
    IsoStream* stream = nullptr;
    if (const int rc = iso_memory_stream_new(buffer, extra.bytes.size(), &stream); rc < 0) {
        std::free(buffer);
        return rc;
    }
    IsoFile* file = nullptr;
    if (const int rc = iso_image_add_new_file(image, iso_image_get_root(image), extra.name.c_str(), stream, &file);
        rc < 0) {
        iso_stream_unref(stream);
        return rc;
    }
    auto* node = reinterpret_cast<IsoNode*>(file);
    iso_node_set_permissions(node, static_cast<mode_t>(extra.mode));
    const time_t now = ::time(nullptr);
    iso_node_set_mtime(node, now);
    iso_node_set_atime(node, now);
    iso_node_set_ctime(node, now);
    return 0;
}

} // namespace

IsoWriteResult WriteIsoImage(const IsoWriteRequest& request, std::ostream& progress)
{
    IsoWriteResult result;
    const std::string failed = "Das Abbild " + PathToUtf8(request.image) + " kann nicht geschrieben werden";
    IsoLibrary library;
    if (!library.ok()) {
        result.error = failed + ": Die Bibliothek für ISO-Abbilder lässt sich nicht starten.";
        return result;
    }

    // Outlives the image, whose file streams report to it from the library's writer thread.
    StreamFailure fileFailure;
    IsoImage* rawImage = nullptr;
    if (const int rc = iso_image_new(request.label.c_str(), &rawImage); rc < 0) {
        result.error = LibraryError(failed, rc);
        return result;
    }
    std::unique_ptr<IsoImage, ImageFree> image(rawImage);
    iso_image_set_volset_id(image.get(), request.label.c_str());
    if (std::string error = TreeBuilder(image.get(), request.folder, fileFailure).Build(); !error.empty()) {
        result.error = failed + ": " + error;
        return result;
    }
    for (const IsoRootFile& extra : request.rootFiles) {
        if (const int rc = AddRootFile(image.get(), extra); rc < 0) {
            result.error = LibraryError(failed + ": " + extra.name, rc);
            return result;
        }
    }

    IsoWriteOpts* rawOpts = nullptr;
    if (const int rc = iso_write_opts_new(&rawOpts, 0); rc < 0) {
        result.error = LibraryError(failed, rc);
        return result;
    }
    std::unique_ptr<IsoWriteOpts, OptsFree> opts(rawOpts);
    iso_write_opts_set_iso_level(opts.get(), 3);      // files of 4 GiB and more
    iso_write_opts_set_rockridge(opts.get(), 1);
    iso_write_opts_set_joliet(opts.get(), 1);
    iso_write_opts_set_joliet_longer_paths(opts.get(), 1);
    iso_write_opts_set_fifo_size(opts.get(), kFifoBlocks);
    // Every view keeps the file's own date; Windows shows the Joliet one.
    iso_write_opts_set_dir_rec_mtime(opts.get(), 1 | 2 | 4);
    char utf8[] = "UTF-8";
    iso_write_opts_set_output_charset(opts.get(), utf8);

    // Interruptions from here on end the write with the temporary file removed.
    InterruptGuard interrupts;
    std::unique_ptr<ImageTarget> target;
    if (request.inPlace)
        target = std::make_unique<InPlaceTarget>(request.image);
    else
        target = std::make_unique<TemporaryFile>(request.image);
    if (!target->Ready()) {
        result.error = failed + ": " + (g_interrupted ? std::string("abgebrochen.") : std::strerror(target->error()));
        return result;
    }

    burn_source* rawSource = nullptr;
    if (const int rc = iso_image_create_burn_source(image.get(), opts.get(), &rawSource); rc < 0) {
        result.error = LibraryError(failed, rc);
        return result;
    }
    std::unique_ptr<burn_source, SourceFree> source(rawSource);
    const auto total = static_cast<std::uint64_t>(source->get_size(source.get()));
    ProgressLine line(progress, total, request.showProgress);

    // The source's size is exact. A read that asks for more than is left at the end would lose
    // the rest, so each read asks for at most what remains: a large buffer per call keeps the
    // hand-over between the library's writer thread and this one cheap.
    std::vector<unsigned char> buffer(kChunk);
    std::uint64_t done = 0;
    bool interrupted = false;
    while (done < total) {
        if (g_interrupted) {
            interrupted = true;
            break;
        }
        if (!fileFailure.Get().empty())
            break;
        const auto want = static_cast<int>(std::min<std::uint64_t>(buffer.size(), total - done));
        const int got = source->read_xt(source.get(), buffer.data(), want);
        if (got <= 0) {
            if (!fileFailure.Get().empty())
                break;
            const std::string reason = IsoLibrary::LastMessage();
            result.error = failed + ": " + (reason.empty() ? std::string("Lesefehler im Ordner.") : reason);
            break;
        }
        if (!target->Write(buffer.data(), static_cast<std::size_t>(got))) {
            if (g_interrupted)
                interrupted = true;
            else
                result.error = failed + ": " + std::strerror(errno);
            break;
        }
        done += static_cast<std::uint64_t>(got);
        line.Update(done);
    }
    line.Finish();
    // A file that changed is the reason, whatever the library made of the failed read.
    if (const std::string changed = fileFailure.Get(); !changed.empty())
        result.error = failed + ": " + changed;
    else if (interrupted)
        result.error = failed + ": abgebrochen.";
    if (result.error.empty() && done != total)
        result.error = failed + ": Das Abbild ist unvollständig (" + std::to_string(done) + " von "
                       + std::to_string(total) + " Bytes).";
    if (!result.error.empty()) {
        source->cancel(source.get());
        return result; // a temporary file goes with `target`
    }
    if (!target->Commit(request.image)) {
        result.error = failed + ": " + std::strerror(target->error());
        return result;
    }
    result.bytes = done;
    return result;
}

std::string JolietVolumeId(const std::string& label)
{
    return label.substr(0, std::min<std::size_t>(label.size(), 16)); // the label is ASCII
}

std::string DefaultVolumeLabel(const std::string& utf8Caption, const fs::path& folder)
{
    if (std::string label = VolumeLabelFrom(utf8Caption); !label.empty())
        return label;
    std::error_code ec;
    fs::path absolute = fs::absolute(folder, ec).lexically_normal();
    if (absolute.filename().empty())
        absolute = absolute.parent_path();
    if (std::string label = VolumeLabelFrom(PathToUtf8(absolute.filename())); !label.empty())
        return label;
    return "QUORVANE";
}

} // namespace qv
