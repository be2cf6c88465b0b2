#include "BatchSettings.h"

#include "Cp1252.h"
#include "ParameterForm.h"
#include "StarterContract.h"

#include <optional>
#include <string_view>

namespace qv {
namespace {

// The parameters after the program on a command line that starts starter.exe (possibly quoted,
// possibly with a folder before it); nullopt when the line starts another program.
std::optional<std::string_view> StarterParameters(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t' || line.front() == '@'))
        line.remove_prefix(1);
    std::size_t end = 0;
    std::string_view program;
    if (!line.empty() && line.front() == '"') {
        end = line.find('"', 1);
        if (end == std::string_view::npos)
            return std::nullopt;
        program = line.substr(1, end - 1);
        ++end;
    } else {
        end = line.find_first_of(" \t");
        if (end == std::string_view::npos)
            end = line.size();
        program = line.substr(0, end);
    }
    const std::string_view name = starter::kExecutable;
    if (program.size() < name.size() || !EqualsIgnoreCase(program.substr(program.size() - name.size()), name))
        return std::nullopt;
    if (program.size() > name.size()) {
        const char before = program[program.size() - name.size() - 1];
        if (before != '\\' && before != '/' && before != ':')
            return std::nullopt;
    }
    return line.substr(end);
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
        const std::optional<std::string_view> parameters = StarterParameters(line);
        if (!parameters)
            continue;
        std::string commandLine;
        for (std::size_t i = 0; i < parameters->size(); ++i) {
            commandLine += (*parameters)[i];
            if ((*parameters)[i] == '%' && i + 1 < parameters->size() && (*parameters)[i + 1] == '%')
                ++i;
        }
        settings = SettingsFromParameters(commandLine);
        return true;
    }
    return false;
}

} // namespace qv
