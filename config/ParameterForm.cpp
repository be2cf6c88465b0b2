#include "ParameterForm.h"

#include "Loader.h"
#include "ProfileReader.h"
#include "StarterContract.h"

#include <string>

namespace qv {

ProjectSettings SettingsFromParameters(std::string_view commandLine)
{
    // The tokens become a settings section, so the loader's reading rules hold for both forms.
    std::string section = std::string("[") + starter::kSettingsSection + "]\n";
    std::size_t i = 0;
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (i < commandLine.size()) {
        while (i < commandLine.size() && isBlank(commandLine[i]))
            ++i;
        if (i >= commandLine.size())
            break;
        const std::size_t start = i;
        while (i < commandLine.size() && !isBlank(commandLine[i]) && commandLine[i] != '=')
            ++i;
        const std::string_view key = commandLine.substr(start, i - start);
        if (i >= commandLine.size() || commandLine[i] != '=') {
            continue; // a token without "=": skipped
        }
        ++i;
        std::string value;
        if (i < commandLine.size() && commandLine[i] == '"') {
            const std::size_t close = commandLine.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? commandLine.size() : close;
            value = commandLine.substr(i + 1, end - i - 1);
            i = close == std::string_view::npos ? end : close + 1;
        } else {
            const std::size_t begin = i;
            while (i < commandLine.size() && !isBlank(commandLine[i]))
                ++i;
            value = commandLine.substr(begin, i - begin);
        }
        if (key.size() < 2 || key.front() != '/')
            continue;
        // Quoted again so the section reader keeps blanks at the value's ends.
        section += std::string(key.substr(1)) + "=\"" + value + "\"\n";
    }
    ProfileFile file = ProfileFile::Parse(std::move(section));
    return LoadSettings(file, std::string_view(), ProjectSettings{}).settings;
}

} // namespace qv
