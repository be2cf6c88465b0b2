#pragma once

#include <string>

namespace qv::cmdline {

// Whether the runtime's browser engine can make shared memory: it creates its files in `folder`
// (/dev/shm on Linux) and aborts with an English line of its own when it cannot. Creates and
// removes one file there. Returns the German message for standard error, ending with "\n", when
// the folder is missing or not writable; an empty text when it is usable (and always off Linux).
std::string MissingSharedMemory(const std::string& folder = "/dev/shm");

} // namespace qv::cmdline
