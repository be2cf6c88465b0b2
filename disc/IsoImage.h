#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qv {

// A file that goes into the image's root from memory, not from the folder.
struct IsoRootFile {
    std::string name;  // UTF-8
    std::string bytes;
    unsigned mode = 0644; // Rock Ridge permissions
};

// What a running write tells, so that qvr can print a progress line and a window can fill a bar,
// and how it is cancelled. Called on the writing thread; each call must return quickly.
class IsoWriteObserver {
public:
    virtual ~IsoWriteObserver() = default;
    // The bytes of the image written so far, of `total` (the image's exact size), after each piece.
    virtual void Written(std::uint64_t done, std::uint64_t total) = 0;
    // Asked before each piece: true ends the write as an interruption does (no half image, an
    // existing target untouched).
    virtual bool WriteCancelled() = 0;
};

struct IsoWriteRequest {
    std::filesystem::path folder; // becomes the root of the image; canonical (absolute, no links)
    std::filesystem::path image;  // the file to write
    std::string label;            // the volume label, already in ISO 9660 form
    bool inPlace = false;         // `image` is a device or FIFO: written as it is, not replaced
    IsoWriteObserver* observer = nullptr; // none: the write runs silently to its end
    std::vector<IsoRootFile> rootFiles; // added to the root; a name the folder holds is an error
};

// The outcome of a write: empty `error` on success, else a German text naming the reason.
struct IsoWriteResult {
    std::string error;
    std::uint64_t bytes = 0;
};

// Writes an ISO 9660 image with Joliet and Rock Ridge of the folder's content: permissions and
// dates kept in every view; a link to a file or folder inside the folder stored as the content it
// names, other links and special files left out. A file that changes or vanishes while it is read
// fails the write, naming the file. The image goes to a temporary file beside the target and is
// renamed over it only when complete; on any failure, an interruption by SIGINT, SIGTERM or SIGHUP
// included, the temporary file is removed and an existing target stays as it was. A device or
// FIFO (`inPlace`) is written as it is. A write cancelled by the observer ends the same way, with
// the error "...: abgebrochen.".
IsoWriteResult WriteIsoImage(const IsoWriteRequest& request);

// Checks where an image of the canonical `folder` may go and resolves `image` for the write: a
// folder is refused; an existing regular file must be writable (a link to one: the file it names
// is replaced, the link stays); an existing device or FIFO is written in place (`inPlace`); the
// image may not lie inside the folder. `shown` is the image as the user gave it, for the texts.
// Returns an empty text, or the German reason for refusing.
std::string CheckIsoTarget(const std::filesystem::path& folder, const std::string& shown,
                           std::filesystem::path& image, bool& inPlace);

// The line that reports a written image: "Abbild geschrieben: IMAGE (SIZE, Bezeichnung LABEL)",
// with the Joliet form of the label when it differs.
std::string IsoWrittenText(const std::string& shownImage, std::uint64_t bytes, const std::string& label);

// The volume id of the Joliet view, which Windows shows: Joliet holds 16 characters of the label.
std::string JolietVolumeId(const std::string& label);

// The label when none is given: the caption of the configuration, else the folder's name, each
// mapped by VolumeLabelFrom; "QUORVANE" when neither leaves a character.
std::string DefaultVolumeLabel(const std::string& utf8Caption, const std::filesystem::path& folder);

} // namespace qv
