#include "disc/IsoImage.h"

#include "config/DiscRules.h"
#include "disc/DiscCheck.h"
#include "disc/FolderLinks.h"
#include "disc/ImageHost.h"
#include "disc/ImageStream.h"
#include "disc/LinuxAutorun.h"

// The image is read from the library's burn source directly; no burning library is involved.
#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <ostream>

namespace qv {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = 1024 * 1024;
// The ring buffer between the library's writer thread and the file: 2 MiB, whatever the folder's size.
constexpr std::size_t kFifoBlocks = 2 * 1024 * 1024 / 2048;

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

using imagehost::EntryInfo;

void SetAttributes(IsoNode* node, const EntryInfo& info)
{
    iso_node_set_permissions(node, static_cast<mode_t>(info.mode));
    iso_node_set_uid(node, static_cast<uid_t>(info.uid));
    iso_node_set_gid(node, static_cast<gid_t>(info.gid));
    iso_node_set_mtime(node, static_cast<time_t>(info.mtime));
    iso_node_set_atime(node, static_cast<time_t>(info.atime));
    iso_node_set_ctime(node, static_cast<time_t>(info.ctime));
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
        EntryInfo info;
        if (const imagehost::Failure failure = imagehost::Inspect(root_, true, info))
            return "Der Ordner " + PathToUtf8(root_) + " ist nicht lesbar: " + failure.text;
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
        std::vector<imagehost::FolderEntry> entries;
        if (const imagehost::Failure failure = imagehost::ListFolder(folder.real, entries))
            return "Der Ordner \"" + where + "\" ist nicht lesbar: " + failure.text;
        // The library keeps a folder's entries in a list sorted by name and walks it from the
        // smallest name for every entry added: added in falling order, each new entry is the
        // smallest and the walk ends at once. In the order of the listing a flat folder of many
        // files would cost time with the square of their number.
        std::sort(entries.begin(), entries.end(), [](const imagehost::FolderEntry& a, const imagehost::FolderEntry& b) {
            return std::strcmp(a.name.c_str(), b.name.c_str()) > 0;
        });
        for (imagehost::FolderEntry& entry : entries) {
            const std::string& name = entry.name;
            const std::string shown = folder.shown.empty() ? name : folder.shown + "/" + name;
            EntryInfo& info = entry.info;
            fs::path real = folder.real / PathFromUtf8(name);
            if (info.type == EntryInfo::Type::Link) {
                const LinkTarget target = ResolveFolderLink(root_, folder.chain, real);
                if (target.kind != LinkKind::File && target.kind != LinkKind::Folder)
                    continue; // never content from outside the folder
                if (imagehost::Inspect(target.resolved, true, info))
                    continue; // gone since: nothing to add
                real = target.resolved;
            }
            std::string error;
            if (info.type == EntryInfo::Type::Folder)
                error = AddFolder(folder, name, shown, std::move(real), info);
            else if (info.type == EntryInfo::Type::File)
                error = AddFile(folder, name, shown, real, info);
            if (!error.empty())
                return error;
        }
        return {};
    }

    std::string AddFolder(const Folder& parent, const std::string& name, const std::string& shown, fs::path real,
                          const EntryInfo& info)
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
                        const fs::path& real, const EntryInfo& info)
    {
        IsoStream* stream = NewCheckedFileStream(real, shown, info, failure_);
        if (stream == nullptr)
            return "\"" + shown + "\": " + imagehost::ErrorText(ENOMEM);
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

IsoWriteResult WriteIsoImage(const IsoWriteRequest& request)
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
    imagehost::InterruptGuard interrupts;
    std::unique_ptr<imagehost::ImageOutput> target =
        request.inPlace ? imagehost::ImageInPlace(request.image) : imagehost::TemporaryImage(request.image);
    if (!target->Ready()) {
        result.error = failed + ": " + (imagehost::Interrupted() ? std::string("abgebrochen.") : target->Error());
        return result;
    }

    burn_source* rawSource = nullptr;
    if (const int rc = iso_image_create_burn_source(image.get(), opts.get(), &rawSource); rc < 0) {
        result.error = LibraryError(failed, rc);
        return result;
    }
    std::unique_ptr<burn_source, SourceFree> source(rawSource);
    const auto total = static_cast<std::uint64_t>(source->get_size(source.get()));
    IsoWriteObserver* const observer = request.observer;

    // The source's size is exact. A read that asks for more than is left at the end would lose
    // the rest, so each read asks for at most what remains: a large buffer per call keeps the
    // hand-over between the library's writer thread and this one cheap.
    std::vector<unsigned char> buffer(kChunk);
    std::uint64_t done = 0;
    bool interrupted = false;
    while (done < total) {
        if (imagehost::Interrupted() || (observer != nullptr && observer->WriteCancelled())) {
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
            if (imagehost::Interrupted())
                interrupted = true;
            else
                result.error = failed + ": " + target->Error();
            break;
        }
        done += static_cast<std::uint64_t>(got);
        if (observer != nullptr)
            observer->Written(done, total);
    }
    // The library's writer thread closes the last file after it handed over the file's last
    // bytes, and only then checks it: the image is complete once the thread has ended.
    if (result.error.empty() && !interrupted && done == total) {
        while (iso_image_generator_is_running(image.get()) > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
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
    if (!target->Commit()) {
        result.error = failed + ": " + target->Error();
        return result;
    }
    result.bytes = done;
    return result;
}

std::string CheckIsoTarget(const fs::path& folder, const std::string& shown, fs::path& image, bool& inPlace)
{
    std::error_code ec;
    inPlace = false;
    const imagehost::TargetKind kind = imagehost::InspectTarget(image);
    if (kind == imagehost::TargetKind::Folder)
        return "Das Ziel " + shown + " ist ein Ordner.";
    inPlace = kind == imagehost::TargetKind::Special;
    if (kind == imagehost::TargetKind::File) {
        // A link to an image: the file it names is replaced, the link stays.
        image = imagehost::ResolvedPath(image, ec);
        // An existing image that cannot be written in place is refused, not replaced by the rename.
        if (ec)
            return "Das Abbild " + shown + " kann nicht geschrieben werden: " + ec.message();
        if (const imagehost::Failure failure = imagehost::CheckWritable(image))
            return "Das Abbild " + shown + " kann nicht geschrieben werden: " + failure.text;
    }
    if (!inPlace && IsWithin(imagehost::ResolvedPath(image, ec), folder))
        return "Das Abbild darf nicht im Ordner liegen, aus dem es entsteht: " + shown;
    return {};
}

std::string IsoWrittenText(const std::string& shownImage, std::uint64_t bytes, const std::string& label)
{
    std::string text = "Abbild geschrieben: " + shownImage + " (" + GermanSize(bytes) + ", Bezeichnung " + label;
    if (const std::string joliet = JolietVolumeId(label); joliet != label)
        text += ", unter Windows " + joliet;
    return text + ")";
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
