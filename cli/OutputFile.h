#pragma once

#include <string>

namespace qv {

// Writes `bytes` to the file `target` without ever replacing what must not be replaced:
//   - a regular file (or a missing one) is written through a temporary file that is created
//     exclusively, under a fresh name, in the target's own folder, and renamed over the target only
//     when complete; an existing target keeps its permissions;
//   - a symbolic link to a file is followed: the file it points to is replaced, the link stays;
//   - an existing target that is not a regular file (a device such as /dev/null, a FIFO) is written
//     in place: it is opened for writing and never replaced or truncated;
//   - an existing file that the user may not write is refused, as an in-place write would be.
// Returns an empty text on success, else the platform's reason; on failure the target is untouched
// (except for a device or FIFO, which may have received part of the bytes) and no temporary file
// is left.
std::string WriteOutputFile(const std::string& target, const std::string& bytes);

} // namespace qv
