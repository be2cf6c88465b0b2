#pragma once

#include "config/Loader.h"
#include "config/ProjectSettings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Reader of the parameter form: the inverse of the one command line that BuildConfiguration writes
// for target 2 ("starter.exe /key=value /key=value ...", see QuoteParameter) and of the bytes of
// runme.bat (ConfigFileBytes of that line).
//
// Splitting a line into arguments
//   - Arguments are separated by one or more blanks (character 32 only: the writer quotes a value
//     for a blank and for nothing else of the white space, so a tab belongs to its value).
//   - A double quote switches quoting on or off and is itself dropped; a blank inside quotes
//     belongs to the argument. A quote that is never closed runs to the end of the line.
//   - A backslash is an ordinary character (paths), also before a double quote.
// Parameters
//   - An argument of the form "/key=value" with a non-empty key is a parameter; the key is the
//     text between "/" and the first "=", the value everything after it, taken whole (no trimming,
//     no length limit). Any other argument ("starter.exe", a lone "/flag") is not a parameter and
//     is ignored.
//   - Keys match without regard to letter case; when a key occurs more than once, the first wins
//     (as in a profile file).
// Batch file bytes (runme.bat)
//   - The first line that holds a non-blank character and is not a code-page line is the command
//     (a line ends at LF, a CR before it belongs to the line break); the other lines are not read.
//     A code-page line is "chcp" followed by a blank and anything (letter case ignored, blanks
//     and "@" before it allowed): the writer puts one before a command beyond ASCII.
//   - "%%" stands for one "%"; any other "%" is kept as it is.
//   - Outside quotes "^" takes the next character literally, and an unquoted "&", "|", "<" or ">"
//     ends the command (the command processor would start another one there). The writer quotes
//     every value that holds one of these, so its own lines never meet these rules.
// Bytes are taken as they are (Windows-1252); a NUL byte is an ordinary character.
struct Parameter {
    std::string key;
    std::string value;
};

class ParameterList {
public:
    // Arguments already split (a program's argv after the program name).
    static ParameterList FromArguments(const std::vector<std::string>& arguments);
    // One command line, with or without the program name in front.
    static ParameterList FromLine(std::string_view line);
    // The bytes of a batch file as ConfigFileBytes writes them for target 2.
    static ParameterList FromBatchBytes(std::string_view bytes);

    bool empty() const { return items_.empty(); }
    const std::vector<Parameter>& Items() const { return items_; }
    // The value of the first parameter of that key, or nullopt.
    std::optional<std::string> Find(std::string_view key) const;

private:
    std::vector<Parameter> items_;
};

// The arguments of one command line under the splitting rules above.
std::vector<std::string> SplitParameterLine(std::string_view line);

// Applies parameters as LoadSettings applies a settings section: the 36 keys in reading order,
// absent keys at their defaults. hasSettingsSection is true when there is at least one parameter.
// ESpeicherort is the folder part of `path`; ConfigTarget is 2 (the parameter form).
LoadResult LoadParameters(const ParameterList& parameters, std::string_view path, const ProjectSettings& previous);

// Reads a batch file (runme.bat) and loads its command as LoadParameters does. A file that cannot
// be read gives the result of no parameters at all.
LoadResult LoadBatchFile(const std::string& path, const ProjectSettings& previous);

} // namespace qv
