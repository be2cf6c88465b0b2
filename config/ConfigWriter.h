#pragma once

#include "config/ProjectSettings.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

using ConfigText = std::vector<std::string>;
using HintList = std::vector<std::string>;

// The outcome of one build: the lines of the configuration, the hints in rule order and the value
// of disabledkeylist. All texts are Windows-1252.
struct BuildResult {
    ConfigText configText;
    HintList hints;
    std::string disabledKeyText;
};

// Runs the hint rules and composes the configuration text of `target` (0 starter.ini,
// 1 autorun.inf, 2 one command line). Never fails; a target outside 0..2 is treated as 0.
BuildResult BuildConfiguration(const ProjectSettings& project, int target);

// Emits settings in line form (targets 0, 1) or parameter form (target 2, one growing line).
class ConfigEmitter {
public:
    explicit ConfigEmitter(int target);
    // key=value, nothing for an empty value. In parameter form: double quotes removed, the result
    // wrapped in double quotes when it holds a blank or one of & | < > ^, appended as " /key=value".
    void AppendSetting(std::string_view key, std::string_view value);
    // A literal line; in parameter form quoted like a value and appended as " /text".
    void AppendLine(std::string_view text);
    ConfigText Take() { return std::move(lines_); }
    const ConfigText& Lines() const { return lines_; }

private:
    int target_;
    ConfigText lines_;
};

// The parameter-form quoting of one value (see ConfigEmitter::AppendSetting).
std::string QuoteParameter(std::string_view value);

// The code-page line of a batch file: the command processor reads the lines after it in
// Windows-1252, the configuration's own encoding, instead of the console's OEM code page.
inline constexpr const char* kBatchCodePageLine = "@chcp 1252 >nul";

// The lines of the file for a target, as the save page shows them. For target 2 a command that
// holds a character beyond ASCII gets kBatchCodePageLine before it, so that "ä" in a password or
// caption reaches starter.exe as "ä"; a plain ASCII command reads the same in every code page and
// stays alone.
ConfigText FileLines(const ConfigText& lines, int target);

// The bytes of the file for a target: FileLines, every line ended by CR LF. For target 2 (the
// batch file) every "%" is doubled, so the command processor passes it on as one "%".
std::string ConfigFileBytes(const ConfigText& lines, int target);

// The file name written for a target: starter.ini, autorun.inf, runme.bat.
const char* TargetFileName(int target);

// The description above the text on the save page (Label31), UTF-8.
const char* TargetDescription(int target);

// "Es ist 1 Hinweis vorhanden!" / "Es sind N Hinweise vorhanden!", UTF-8; empty for 0.
std::string HintCounterText(std::size_t count);

// The hints as one text: "- " before each, one empty line between two, none after the last.
// Lines are separated by "\n". Input and output Windows-1252.
std::string HintWindowText(const HintList& hints);

} // namespace qv
