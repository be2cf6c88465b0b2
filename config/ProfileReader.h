#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qv {

// Reader of INI-style profile files, in the dialect of the Windows profile API (which starter.exe
// uses on the same files). The file is parsed once; lookups do not scan it again.
//
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
//   - A file that does not exist or cannot be read behaves as a file without any section.
// Bytes are taken as they are (Windows-1252); a NUL byte is an ordinary character.
// A ProfileFile is not meant for use from several threads at once (lookups fill a cache).
class ProfileFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;

    ProfileFile() = default;
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;
    ProfileFile(ProfileFile&&) noexcept = default;
    ProfileFile& operator=(ProfileFile&&) noexcept = default;

    static ProfileFile Parse(std::string bytes);
    // Reads and parses a file; a file that cannot be read gives an empty ProfileFile.
    static ProfileFile Load(const std::string& path);

    // True when the section exists and holds at least one key line.
    bool HasSection(std::string_view section) const;
    // The value of a key, or nullopt when the section or key is absent.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // The value of a key, or `fallback` when absent.
    std::string Read(std::string_view section, std::string_view key, std::string_view fallback) const;

private:
    // A section is indexed by name when the file is parsed; the keys of a section are indexed the
    // first time one of them is looked up, so a large file costs one pass plus the sections read.
    struct Section {
        std::size_t begin = 0;      // byte range of the section's lines in bytes_
        std::size_t end = 0;
        bool hasKeyLine = false;
        mutable bool indexed = false;
        // folded key -> raw value as offset and length in bytes_ (offsets survive a move of the
        // file, views into a short string would not)
        mutable std::unordered_map<std::string, std::pair<std::size_t, std::size_t>> keys;
    };
    const Section* FindSection(std::string_view section) const;
    void IndexKeys(const Section& section) const;

    std::string bytes_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> index_; // folded name -> index into sections_
};

} // namespace qv
