#include "config/BatchSettings.h"

#include "config/Cp1252.h"
#include "config/ParameterReader.h"
#include "config/StarterContract.h"

#include <string_view>

namespace qv {
namespace {

// True for a command line that starts starter.exe (possibly quoted, possibly with a folder
// before it).
bool CallsStarter(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t' || line.front() == '@'))
        line.remove_prefix(1);
    std::string_view program;
    if (!line.empty() && line.front() == '"') {
        const std::size_t end = line.find('"', 1);
        if (end == std::string_view::npos)
            return false;
        program = line.substr(1, end - 1);
    } else {
        program = line.substr(0, line.find_first_of(" \t"));
    }
    const std::string_view name = starter::kExecutable;
    if (program.size() < name.size() || !EqualsIgnoreCase(program.substr(program.size() - name.size()), name))
        return false;
    if (program.size() > name.size()) {
        const char before = program[program.size() - name.size() - 1];
        return before == '\\' || before == '/' || before == ':';
    }
    return true;
}

} // namespace

bool ReadBatchSettings(const std::string& bytes, ProjectSettings& settings)
{
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string_view line(bytes.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        start = end + 1;
        if (!CallsStarter(line))
            continue;
        // The line alone, as the batch file holds it: the reader undoes the "%%" itself.
        settings = LoadParameters(ParameterList::FromBatchBytes(line), std::string_view(), ProjectSettings{}).settings;
        return true;
    }
    return false;
}

} // namespace qv
