#pragma once

#include "config/RegularFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

// Reader of INI-style profile files, in the dialect of the Windows profile API (which starter.exe
// uses on the same files). The file is read once, front to back; lookups do not scan it again.
//
// Encoding
//   - A file that begins with a byte-order mark (UTF-8 EF BB BF, UTF-16 LE FF FE, UTF-16 BE FE FF)
//     is decoded without the mark and mapped to Windows-1252; a character Windows-1252 cannot
//     hold, a malformed sequence and a lone surrogate become "?".
//   - Any other file is taken byte by byte (Windows-1252); a NUL byte is an ordinary character.
// Lines
//   - A line ends at LF; a CR before the LF belongs to the line break. Other CRs are ordinary
//     characters and trimmed like blanks at the line's ends.
//   - Leading and trailing white space (blank, tab, CR, vertical tab, form feed) of a line is
//     ignored.
//   - A line whose first character is ";" is a comment.
// Sections
//   - A line whose first character is "[" is a section header. The name runs from after "[" to
//     the last "]" of the line (to the line's end when there is none), white space trimmed.
//   - Names match without regard to letter case (Windows-1252 letters folded).
//   - Lines before the first header belong to no section and are never read.
//   - When a name occurs in several headers, the first section of that name is the one read; later
//     sections of the same name are ignored with all their lines.
// Keys
//   - Any other line that holds "=" is a key line: the name is the text before the first "=",
//     the value the text after it, both with white space trimmed. A line without "=" is no key.
//   - Within a section the first key of a name wins.
//   - A value enclosed in one matching pair of double quotes or single quotes loses that pair
//     (one pair only; a lone quote character is kept).
//   - A value is then cut to its first 2047 characters.
// Lookups
//   - A section counts as present only when at least one key line belongs to it.
//   - A key that is absent yields the caller's default; a key present with nothing after "="
//     yields the empty text.
//   - A file that does not exist or cannot be read behaves as a file without any section; so does
//     anything that is not a regular file (a folder, device or pipe is never read) and a file
//     larger than kMaxFileSize.
// Only what is kept is stored: a reader given the sections (and keys) it needs keeps those and
// nothing else, so its memory does not depend on the size of the file.
class ProfileFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;
    // Far above any real configuration; a larger file is refused, not read.
    static constexpr std::uint64_t kMaxFileSize = std::uint64_t{256} << 20;

    // Read also for a file parsed from memory.
    using Status = FileReadStatus;

    // What a reader keeps: the named sections (all when empty) and, within them, the named keys
    // (all when empty). Names match as lookups do, without regard to letter case.
    struct Keep {
        std::vector<std::string> sections;
        std::vector<std::string> keys;
    };

    ProfileFile() = default;
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;
    ProfileFile(ProfileFile&&) noexcept = default;
    ProfileFile& operator=(ProfileFile&&) noexcept = default;

    // Parses the bytes of a whole file, keeping everything.
    static ProfileFile Parse(std::string bytes);
    static ProfileFile Parse(std::string_view bytes, const Keep& keep);
    static constexpr std::size_t kReadBuffer = std::size_t{64} << 10;
    struct ReadOptions {
        std::size_t bufferSize = kReadBuffer; // a smaller file gets a buffer of its size
        std::uint64_t maxFileSize = kMaxFileSize;
    };
    // Reads a file in one pass through a bounded buffer; what cannot be read gives an empty
    // ProfileFile whose status says why.
    static ProfileFile Load(const std::string& path, const Keep& keep = {});
    static ProfileFile Load(const std::string& path, const Keep& keep, const ReadOptions& options);

    Status status() const { return status_; }

    // True when the section exists and holds at least one key line.
    bool HasSection(std::string_view section) const;
    // The value of a key, or nullopt when the section or key is absent (or was not kept).
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // The value of a key, or `fallback` when absent.
    std::string Read(std::string_view section, std::string_view key, std::string_view fallback) const;

private:
    friend class ProfileScanner;

    struct Section {
        bool hasKeyLine = false;
        std::unordered_map<std::string, std::string> keys; // folded name -> value as read
    };

    std::unordered_map<std::string, Section> sections_; // folded name -> first section of that name
    Status status_ = Status::Read;
};

} // namespace qv
