#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Rules for the names and sizes of a disc made from the storage folder. Names are UTF-8, as the
// host's file system gives them.

// Joliet holds names of at most 64 UCS-2 characters and refuses "*", "/", ":", ";", "?" and "\".
inline constexpr std::size_t kJolietMaxNameLength = 64;
inline constexpr std::string_view kJolietRefusedCharacters = "*/:;?\\";

// The length of a UTF-8 name in UTF-16 code units (a character beyond the first plane counts
// twice, as Joliet stores it). Each byte of a malformed sequence counts as one character.
std::size_t JolietNameLength(std::string_view utf8Name);

// The characters of `utf8Name` that Joliet refuses, each once, in the order they first appear;
// empty when the name is acceptable.
std::string JolietRefusedIn(std::string_view utf8Name);

// What keeps Windows from opening a file of this name, each a German clause ("Name endet mit
// Punkt oder Leerzeichen"), in a fixed order; empty when Windows opens it. Looks for the characters
// Windows refuses that Joliet lets pass ("<", ">", """, "|" and control characters), a trailing dot
// or blank, the device names (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, also with an
// extension), characters beyond the first Unicode plane and bytes that are not UTF-8 (Joliet turns
// both of the last into "_").
std::vector<std::string> WindowsNameProblems(std::string_view utf8Name);

// A name folded for comparing without regard to letter case: ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic capitals become small letters; everything else is kept byte for byte.
std::string FoldNameCase(std::string_view utf8Name);

// The volume label for a text (UTF-8): capitals, digits and "_" only, as ISO 9660 allows. Small
// letters become capitals, umlauts and "ß" become AE, OE, UE and SS, other accented Latin
// letters lose their accent, every other run of characters becomes one "_"; "_" at either end is
// dropped and the result is cut to 32 characters. Empty when nothing usable is left.
std::string VolumeLabelFrom(std::string_view utf8Text);
inline constexpr std::size_t kVolumeLabelMaxLength = 32;

// The media the summary names, smallest first, with the data capacity of the smaller of their
// recordable kinds (CD 80 min; DVD+R; DVD+R DL), in bytes.
struct DiscMedium {
    const char* name;
    std::uint64_t capacity;
};
std::span<const DiscMedium> DiscMedia();

// The names of the media that hold `bytes`, smallest first.
std::vector<std::string> MediaThatHold(std::uint64_t bytes);

// An ISO 9660 image stores data in blocks of 2048 bytes.
inline constexpr std::uint64_t kDiscBlock = 2048;
inline constexpr std::uint64_t RoundUpToBlock(std::uint64_t bytes)
{
    return (bytes + kDiscBlock - 1) / kDiscBlock * kDiscBlock;
}

// A size for people, in German: "812 Bytes", "1,5 KB", "700,0 MB", "4,38 GB" (1 KB = 1024 bytes,
// as the Windows Explorer counts).
std::string GermanSize(std::uint64_t bytes);

// Where a path of the configuration or a link of a page leads on the disc.
enum class DiscPathKind {
    Inside,   // a path inside the folder: `components` holds its names, root first
    Absolute, // a drive ("C:\\...") or a path from the root of some other medium ("\\x", "/x")
    Outside,  // ".." climbs above the folder's root
    Skipped,  // an address (http:, mailto:, ...), a "//host" link or a link to the page itself
};
struct DiscPath {
    DiscPathKind kind = DiscPathKind::Skipped;
    std::vector<std::string> components;
};

// The length of a URL scheme at the start of `link` ("http" of "http://x"): a letter, then
// letters, digits, "+", "-", ".", up to ":". 0 when there is none; 1 is a drive ("C:\...").
std::size_t SchemeLength(std::string_view link);

// A file path as a key of the configuration holds it (UTF-8), relative to the folder: "\\" and "/"
// separate names, "." and empty names are dropped, ".." goes up. An http(s) address is Skipped.
DiscPath ConfigPathOnDisc(std::string_view utf8Value);

// The target of an href or src of a page that lies in `pageFolder` (names below the root): the
// query and fragment are cut, %XX escapes decoded, "\\" taken as "/". A link that begins with
// "/" starts at the folder's root (the root of the disc). Links with a scheme of two or more
// letters ("http:", "mailto:", "javascript:"), "//host" links and links that are only a fragment
// are Skipped; a one-letter scheme is a drive and, like a "file:" address and a network path
// ("\\\\server\\share"), Absolute.
DiscPath LinkPathOnDisc(const std::vector<std::string>& pageFolder, std::string_view link);

// The names joined by "/".
std::string JoinDiscPath(const std::vector<std::string>& components);

} // namespace qv
