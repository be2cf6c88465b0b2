#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// One finding about a storage folder as it would go onto a disc: a German text in UTF-8.
struct DiscProblem {
    enum class Severity { Error, Warning };
    Severity severity = Severity::Error;
    std::string text;
};

struct DiscReport {
    std::vector<DiscProblem> problems; // errors first, then warnings, each in the order found
    std::uint64_t estimatedImageBytes = 0;
    std::uint64_t fileCount = 0;
    std::string caption;               // the first caption the configurations hold (UTF-8), for the label

    std::size_t ErrorCount() const;
    std::size_t WarningCount() const;
};

struct DiscCheckOptions {
    // The reference starter.exe (Beispiele/starter.exe beside qvr); empty when none was found.
    std::filesystem::path referenceStarter;
};

// Checks `folder` (resolved to its canonical path first) as the root of a disc: the configuration
// files, starter.exe, the files the keys name, the start page's links followed through the
// folder's pages and style sheets, the names Joliet cannot hold or Windows cannot open, symbolic
// links (one to a file or folder inside is its content; any other is an error), the folder depth
// and the total size. Returns nullopt, with the reason in `failure`, when the folder itself cannot
// be read.
std::optional<DiscReport> CheckDiscFolder(const std::filesystem::path& folder, const DiscCheckOptions& options,
                                          std::string& failure);

// Prints the problems, one "Fehler: ..." or "Warnung: ..." line each, then the summary lines.
void PrintDiscReport(const DiscReport& report, std::ostream& out);

// Paths as UTF-8 text and back, whatever the host's own encoding of paths.
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(const std::string& utf8);

} // namespace qv
