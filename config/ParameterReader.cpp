#include "config/ParameterReader.h"

#include "config/Cp1252.h"
#include "config/ProfileReader.h"
#include "config/RegularFile.h"

namespace qv {
namespace {

// "/key=value" with a non-empty key, else nullopt.
std::optional<Parameter> AsParameter(std::string_view argument)
{
    if (argument.size() < 3 || argument.front() != '/')
        return std::nullopt;
    const std::size_t eq = argument.find('=');
    if (eq == std::string_view::npos || eq == 1)
        return std::nullopt;
    return Parameter{std::string(argument.substr(1, eq - 1)), std::string(argument.substr(eq + 1))};
}

// "chcp 1252 >nul" and the like: changes the console's code page, starts no program.
bool IsCodePageLine(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '@'))
        line.remove_prefix(1);
    return line.size() > 4 && EqualsIgnoreCase(line.substr(0, 4), "chcp") && (line[4] == ' ' || line[4] == '\t');
}

// The first line of the batch file that holds something other than blanks and is no code-page
// line, "%%" undone.
std::string BatchCommandLine(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        bytes = lf == std::string_view::npos ? std::string_view() : bytes.substr(lf + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find_first_not_of(' ') == std::string_view::npos || IsCodePageLine(line))
            continue;
        std::string out;
        out.reserve(line.size());
        for (std::size_t i = 0; i < line.size(); ++i) {
            out.push_back(line[i]);
            if (line[i] == '%' && i + 1 < line.size() && line[i + 1] == '%')
                ++i;
        }
        return out;
    }
    return {};
}

// The command processor's reading of one command: carets outside quotes escape the next
// character, an unquoted & | < > ends the command. Quotes are kept for the argument split.
std::string CommandProcessorText(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted) {
            if (c == '&' || c == '|' || c == '<' || c == '>')
                break;
            if (c == '^') {
                if (i + 1 < line.size()) {
                    // A quote after a caret is a literal quote character; the writer never puts
                    // one into a value, so dropping it keeps the split unambiguous.
                    if (line[i + 1] != '"')
                        out.push_back(line[i + 1]);
                    ++i;
                }
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

} // namespace

std::vector<std::string> SplitParameterLine(std::string_view line)
{
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (c == ' ' && !quoted) {
            if (inArgument)
                arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            current.push_back(c);
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(std::move(current));
    return arguments;
}

ParameterList ParameterList::FromArguments(const std::vector<std::string>& arguments)
{
    ParameterList list;
    for (const std::string& argument : arguments) {
        if (auto parameter = AsParameter(argument))
            list.items_.push_back(std::move(*parameter));
    }
    return list;
}

ParameterList ParameterList::FromLine(std::string_view line)
{
    return FromArguments(SplitParameterLine(line));
}

ParameterList ParameterList::FromBatchBytes(std::string_view bytes)
{
    return FromLine(CommandProcessorText(BatchCommandLine(bytes)));
}

std::optional<std::string> ParameterList::Find(std::string_view key) const
{
    for (const Parameter& parameter : items_) {
        if (EqualsIgnoreCase(parameter.key, key))
            return parameter.value;
    }
    return std::nullopt;
}

LoadResult LoadParameters(const ParameterList& parameters, std::string_view path, const ProjectSettings& previous)
{
    LoadResult result = LoadSettingsFrom([&](std::string_view key) { return parameters.Find(key); },
                                         !parameters.empty(), path, previous);
    result.settings.ConfigTarget = 2;
    return result;
}

LoadResult LoadBatchFile(const std::string& path, const ProjectSettings& previous)
{
    // Only a regular file within the profile reader's bound is read; anything else counts as no
    // parameters, like a profile file that cannot be read.
    std::string bytes;
    if (ReadRegularFile(path, ProfileFile::kMaxFileSize, ProfileFile::kReadBuffer,
                        [&bytes](std::string_view piece) { bytes += piece; })
        != FileReadStatus::Read)
        bytes.clear();
    return LoadParameters(ParameterList::FromBatchBytes(bytes), path, previous);
}

} // namespace qv
