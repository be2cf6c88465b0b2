#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qv {

// qvr iso FOLDER -o IMAGE.iso [--label NAME] [--force] [--linux]: exit 0 written, 1 refused (the folder has
// errors and --force was not given), 2 failure or usage error.
int RunIso(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The lines of the usage text about `iso`, as this build has it (with or without the image writer).
const char* IsoUsage();

} // namespace qv
