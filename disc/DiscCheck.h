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
    // A note says what the check could not decide; it counts neither as error nor as warning.
    enum class Severity { Error, Warning, Note };
    Severity severity = Severity::Error;
    std::string text;
    // The entry of the folder the problem lies in ("/"-separated below the root, UTF-8): the
    // configuration, the page, the file or folder named; empty for the folder as a whole.
    std::string file;
};

struct DiscReport {
    std::vector<DiscProblem> problems; // errors first, then warnings and notes, each in the order found
    std::uint64_t estimatedImageBytes = 0;
    std::uint64_t fileCount = 0;
    std::string caption;               // the first caption the configurations hold (UTF-8), for the label
    std::string windowsStart;          // how the disc starts on Windows, one German sentence

    std::size_t ErrorCount() const;
    std::size_t WarningCount() const;
    std::size_t NoteCount() const;
};

// What a running check tells, so that a window can list problems as they come and show that it
// works. Called on the checking thread; each call must return quickly.
class DiscCheckObserver {
public:
    virtual ~DiscCheckObserver() = default;
    // A problem as it is found; the report lists them again, errors first.
    virtual void ProblemFound(const DiscProblem& problem) = 0;
    // The entries of the folder read so far and the pages and style sheets whose links were followed.
    virtual void CheckProgress(std::uint64_t entriesRead, std::uint64_t pagesRead) = 0;
    // Asked between folders and pages: true ends the check (CheckDiscFolder then fails).
    virtual bool CheckCancelled() = 0;
};

struct DiscCheckOptions {
    // The reference starter.exe (Beispiele/starter.exe beside qvr); empty when none was found.
    std::filesystem::path referenceStarter;
    DiscCheckObserver* observer = nullptr; // none: the check runs silently to its end
    // Whether the pages, scripts, style sheets and pictures the start page reaches are checked
    // against the Windows runtime's engine (Internet Explorer 11 mode).
    bool engineCheck = true;
};

// Checks `folder` (resolved to its canonical path first) as the root of a disc: the configuration
// files, starter.exe, the files the keys name, the start page's links followed through the
// folder's pages and style sheets, what of them the Windows runtime's engine cannot show or run,
// the names Joliet cannot hold or Windows cannot open, symbolic
// links (one to a file or folder inside is its content; any other is an error), the folder depth
// and the total size. Returns nullopt, with the reason in `failure`, when the folder itself cannot
// be read or the observer cancelled the check.
std::optional<DiscReport> CheckDiscFolder(const std::filesystem::path& folder, const DiscCheckOptions& options,
                                          std::string& failure);

// "Fehler: ", "Warnung: " or "Hinweis: ", as a problem's line starts.
const char* DiscProblemPrefix(DiscProblem::Severity severity);

// The lines of the report without their line feeds: one "Fehler: ...", "Warnung: ..." or
// "Hinweis: ..." line per problem, in the report's order, then the summary lines and, last, how the
// disc starts on Windows.
std::vector<std::string> DiscReportLines(const DiscReport& report);

// Prints DiscReportLines, each ended by a line feed.
void PrintDiscReport(const DiscReport& report, std::ostream& out);

// Paths as UTF-8 text and back, whatever the host's own encoding of paths.
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(const std::string& utf8);

} // namespace qv
