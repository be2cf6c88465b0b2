#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qv {

enum class FileReadStatus {
    Read,        // read completely
    Unreadable,  // missing, no permission, or a read error
    NotAFile,    // a folder, device, pipe or socket
    TooLarge,    // larger than the bound
};

// Reads a regular file front to back in pieces of at most `bufferSize` bytes (a smaller file in
// one piece), handing each to `piece`. Nothing but a regular file is read: a pipe without a writer
// is opened without waiting and, like a folder or device, gives NotAFile. A file larger than
// `maxSize`, or one that grows beyond it while it is read, gives TooLarge. `error`, when given,
// receives the errno of a failure to open or read, else 0. On Windows `path` is UTF-8 and is
// opened wide, so any character of a folder name reaches the file system.
FileReadStatus ReadRegularFile(const std::string& path, std::uint64_t maxSize, std::size_t bufferSize,
                               const std::function<void(std::string_view)>& piece, int* error = nullptr);

} // namespace qv
