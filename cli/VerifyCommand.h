#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace qv {

// Beispiele/starter.exe beside the running program or in the installed lib/quorvane/ folder;
// empty when neither exists.
std::filesystem::path FindReferenceStarter();

// qvr verify FOLDER [--linux]: exit 0 clean, 1 problems, 2 usage or unreadable folder.
int RunVerify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qv
