#pragma once

#include "disc/ImageHost.h"

#include <filesystem>
#include <mutex>
#include <string>

struct iso_stream;

namespace qv {

// The first failure of the streams of one image, set by the library's writer thread and read by
// the thread that writes the image out: a German text naming the file.
class StreamFailure {
public:
    void Set(std::string text);
    std::string Get() const;

private:
    mutable std::mutex mutex_;
    std::string text_;
};

// A stream of the regular file `path` for the image, holding exactly the `seen` size. Reading
// checks the file against what was seen when the tree was built: a file that is gone, has another
// size, grows, shrinks or is rewritten (another modification time) while the image is written sets
// `failure` (naming it as `shown`) and ends the read with an error, never with a hole of zeros.
// The file is read in large pieces, whatever size the library asks for. Returns a new reference.
iso_stream* NewCheckedFileStream(const std::filesystem::path& path, const std::string& shown,
                                 const imagehost::EntryInfo& seen, StreamFailure& failure);

} // namespace qv
