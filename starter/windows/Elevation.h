#pragma once

namespace qv::starter {

// uac=1. On Windows, when the process runs without administrator rights, starts the same program
// with the same parameters through the system's "runas" verb (the system asks the user) and
// returns true: the caller then ends. False when the process is already elevated, when the user
// declines (the starter goes on without the rights), and always on other hosts, where the key is
// ignored.
bool RestartElevated();

} // namespace qv::starter
