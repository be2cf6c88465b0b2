#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace qv {

// A file that goes into the image's root from memory, not from the folder.
struct IsoRootFile {
    std::string name;  // UTF-8
    std::string bytes;
    unsigned mode = 0644; // Rock Ridge permissions
};

struct IsoWriteRequest {
    std::filesystem::path folder; // becomes the root of the image; canonical (absolute, no links)
    std::filesystem::path image;  // the file to write
    std::string label;            // the volume label, already in ISO 9660 form
    bool inPlace = false;         // `image` is a device or FIFO: written as it is, not replaced
    bool showProgress = false;    // a progress line on `progress` while writing large images
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
// FIFO (`inPlace`) is written as it is.
IsoWriteResult WriteIsoImage(const IsoWriteRequest& request, std::ostream& progress);

// The volume id of the Joliet view, which Windows shows: Joliet holds 16 characters of the label.
std::string JolietVolumeId(const std::string& label);

// The label when none is given: the caption of the configuration, else the folder's name, each
// mapped by VolumeLabelFrom; "QUORVANE" when neither leaves a character.
std::string DefaultVolumeLabel(const std::string& utf8Caption, const std::filesystem::path& folder);

} // namespace qv
