#include "config/Cp1252.h"
#include "config/ProfileReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qv {
namespace {

using namespace std::string_literals;

const std::string kFixtures = QV_FIXTURES;

std::optional<std::string> Value(std::string_view text, std::string_view key, std::string_view section = "s")
{
    return ProfileFile::Parse(std::string(text)).Find(section, key);
}

TEST(ProfileReader, LinesEndAtLineFeedWithOrWithoutCarriageReturn)
{
    EXPECT_EQ(Value("[s]\r\na=1\r\nb=2\r\n", "a"), "1");
    EXPECT_EQ(Value("[s]\r\na=1\r\nb=2\r\n", "b"), "2");
    EXPECT_EQ(Value("[s]\na=1\nb=2", "b"), "2"); // no line break after the last line
}

TEST(ProfileReader, LoneCarriageReturnIsAnOrdinaryCharacter)
{
    EXPECT_EQ(Value("[s]\na=1\rb=2\n", "a"), "1\rb=2");
    EXPECT_EQ(Value("[s]\na=1\rb=2\n", "b"), std::nullopt);
    EXPECT_EQ(Value("[s]\na=1\r\r\n", "a"), "1");
    EXPECT_EQ(Value("[s]\ra=1\n", "a", "s"), std::nullopt); // "[s]\ra=1" is one header line
}

TEST(ProfileReader, WhiteSpaceAroundLinesNamesAndValuesIsIgnored)
{
    const ProfileFile f = ProfileFile::Parse(" \t[ s ]\t\n \v key name \f=  x  y \t\n");
    EXPECT_EQ(f.Find("s", "key name"), "x  y");
}

TEST(ProfileReader, SemicolonAtTheLineStartMakesAComment)
{
    const ProfileFile f = ProfileFile::Parse("[s]\n;a=1\n  ;b=2\nc=1;2\n");
    EXPECT_EQ(f.Find("s", "a"), std::nullopt);
    EXPECT_EQ(f.Find("s", ";a"), std::nullopt);
    EXPECT_EQ(f.Find("s", "b"), std::nullopt);
    EXPECT_EQ(f.Find("s", "c"), "1;2"); // no comments after a value
    EXPECT_FALSE(ProfileFile::Parse("[s]\n;a=1\n").HasSection("s"));
}

TEST(ProfileReader, SectionNameRunsToTheLastClosingBracket)
{
    const struct {
        std::string header;
        std::string name;
    } cases[] = {
        {"[quorvane]", "quorvane"},
        {"[ velmorant starter ]", "velmorant starter"},
        {"[a]b]", "a]b"},
        {"[open", "open"},
        {"[s] trailing", "s"},
        {"[]", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.header + "\nk=v\n", "k", c.name), "v") << c.header;
}

TEST(ProfileReader, NamesMatchWithoutRegardToCase)
{
    const ProfileFile f = ProfileFile::Parse(W("[QuorVane]\nCAPTION=x\n[Menü]\nGröße=1\n"));
    EXPECT_EQ(f.Find("quorvane", "caption"), "x");
    EXPECT_EQ(f.Find("QUORVANE", "Caption"), "x");
    EXPECT_EQ(f.Find(W("MENÜ"), W("GRÖSSE")), std::nullopt);
    EXPECT_EQ(f.Find(W("MENÜ"), W("GRÖßE")), "1");
    EXPECT_EQ(f.Find("quorvane", "caption "), std::nullopt);
}

TEST(ProfileReader, LinesBeforeTheFirstHeaderAreNeverRead)
{
    const ProfileFile f = ProfileFile::Parse("a=1\n[s]\nb=2\n");
    EXPECT_EQ(f.Find("", "a"), std::nullopt);
    EXPECT_EQ(f.Find("s", "a"), std::nullopt);
    EXPECT_EQ(f.Find("s", "b"), "2");
}

TEST(ProfileReader, FirstSectionOfANameWins)
{
    const ProfileFile f = ProfileFile::Parse("[s]\na=1\n[t]\nx=1\n[S]\na=2\nb=3\n");
    EXPECT_EQ(f.Find("s", "a"), "1");
    EXPECT_EQ(f.Find("s", "b"), std::nullopt);
    EXPECT_EQ(f.Find("t", "x"), "1");

    // A first section without keys keeps the name: the later one is still ignored.
    const ProfileFile empty = ProfileFile::Parse("[s]\n[t]\nx=1\n[s]\na=1\n");
    EXPECT_FALSE(empty.HasSection("s"));
    EXPECT_EQ(empty.Find("s", "a"), std::nullopt);
}

TEST(ProfileReader, KeyLineSplitsAtTheFirstEqualsSign)
{
    const ProfileFile f = ProfileFile::Parse("[s]\na=b=c\nnoequals\nd = \ne=\n");
    EXPECT_EQ(f.Find("s", "a"), "b=c");
    EXPECT_EQ(f.Find("s", "noequals"), std::nullopt);
    EXPECT_EQ(f.Find("s", "d"), "");
    EXPECT_EQ(f.Find("s", "e"), "");
    EXPECT_FALSE(ProfileFile::Parse("[s]\nnoequals\n").HasSection("s"));
}

TEST(ProfileReader, FirstKeyOfANameWins)
{
    EXPECT_EQ(Value("[s]\na=1\nA=2\n", "a"), "1");
    EXPECT_EQ(Value("[s]\na=\na=2\n", "a"), "");
}

TEST(ProfileReader, OneMatchingPairOfQuotesIsRemoved)
{
    const struct {
        std::string raw;
        std::string value;
    } cases[] = {
        {"\"x\"", "x"},
        {"'x'", "x"},
        {"  \" x \"  ", " x "},
        {"\"\"", ""},
        {"''", ""},
        {"\"\"x\"\"", "\"x\""},
        {"\"x'", "\"x'"},
        {"'x\"", "'x\""},
        {"\"", "\""},
        {"'", "'"},
        {"\"x", "\"x"},
        {"x\"", "x\""},
        {"a \"b\"", "a \"b\""},
        {"\"a\" b", "\"a\" b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value("[s]\nk=" + c.raw + "\n", "k"), c.value) << c.raw;
}

TEST(ProfileReader, ValuesAreCutTo2047Characters)
{
    const std::string exact(2047, 'a');
    const std::string longer = std::string(2047, 'b') + "tail";
    EXPECT_EQ(Value("[s]\nk=" + exact + "\n", "k"), exact);
    EXPECT_EQ(Value("[s]\nk=" + longer + "\n", "k"), std::string(2047, 'b'));
    // The quotes go first, then the cut.
    EXPECT_EQ(Value("[s]\nk=\"" + exact + "\"\n", "k"), exact);
    EXPECT_EQ(Value("[s]\nk=\"" + longer + "\"\n", "k"), std::string(2047, 'b'));
}

TEST(ProfileReader, AbsentKeysYieldTheDefaultPresentEmptyOnesTheEmptyText)
{
    const ProfileFile f = ProfileFile::Parse("[s]\na=\n[empty]\n");
    EXPECT_TRUE(f.HasSection("s"));
    EXPECT_FALSE(f.HasSection("empty"));
    EXPECT_FALSE(f.HasSection("missing"));
    EXPECT_EQ(f.Read("s", "a", "def"), "");
    EXPECT_EQ(f.Read("s", "b", "def"), "def");
    EXPECT_EQ(f.Read("empty", "a", "def"), "def");
    EXPECT_EQ(f.Read("missing", "a", "def"), "def");
}

TEST(ProfileReader, NulIsAnOrdinaryCharacter)
{
    const ProfileFile f = ProfileFile::Parse("[s]\na=x\0y\nb=2\n"s);
    EXPECT_EQ(f.Find("s", "a"), "x\0y"s);
    EXPECT_EQ(f.Find("s", "b"), "2");
}

TEST(ProfileReader, LoadsFileBytesUnchanged)
{
    // Windows-1252, CR LF line ends, a comment, blanks around "=", a quoted value.
    const ProfileFile f = ProfileFile::Load(kFixtures + "/reader/cp1252-crlf.ini");
    EXPECT_TRUE(f.HasSection("quorvane"));
    EXPECT_EQ(f.Find("quorvane", "caption"), "Mein Men\xFC");
    EXPECT_EQ(f.Find("quorvane", "startfile"), "web\\index.html");
    EXPECT_EQ(f.Find("quorvane", "popupparam"), "/caption=\"Mein Popup\"");
    EXPECT_EQ(f.Find("quorvane", "exitpw"), "");
}

TEST(ProfileReader, UnreadableFileHasNoSection)
{
    for (const std::string& path : {kFixtures + "/reader/does-not-exist.ini", kFixtures + "/reader", std::string()}) {
        const ProfileFile f = ProfileFile::Load(path);
        EXPECT_FALSE(f.HasSection("quorvane")) << path;
        EXPECT_EQ(f.Read("quorvane", "caption", "def"), "def") << path;
    }
}

// A file that was already looked up keeps its values when it is moved, short files included.
TEST(ProfileReader, MovedFileKeepsItsValues)
{
    for (const std::string& text : {std::string("[s]\nk=v\n"), "[s]\nk=" + std::string(100, 'v') + "\n"}) {
        auto first = std::make_unique<ProfileFile>(ProfileFile::Parse(text));
        const std::string before = first->Read("s", "k", "absent");
        ProfileFile second = std::move(*first);
        first.reset();
        EXPECT_EQ(second.Read("s", "k", "absent"), before);
        ProfileFile third;
        third = std::move(second);
        EXPECT_EQ(third.Read("s", "k", "absent"), before);
    }
}

// A temporary file with the given bytes, removed with the object.
class TempFile {
public:
    explicit TempFile(const std::string& bytes)
    {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path()
                / ("profile-reader-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".ini");
        std::ofstream out(path_, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~TempFile() { std::filesystem::remove(path_); }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// The same text parsed whole, parsed keeping only `keep`, and read from a file through buffers
// of several sizes (so that lines, marks and characters are cut at every place).
std::vector<ProfileFile> EveryWay(const std::string& text, const ProfileFile::Keep& keep)
{
    std::vector<ProfileFile> files;
    files.push_back(ProfileFile::Parse(text));
    files.push_back(ProfileFile::Parse(std::string_view(text), keep));
    const TempFile file(text);
    for (const std::size_t buffer : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, ProfileFile::kReadBuffer})
        files.push_back(ProfileFile::Load(file.path(), keep, {buffer}));
    return files;
}

std::string Utf16(std::u16string_view text, bool littleEndian)
{
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
        const char lo = static_cast<char>(unit & 0xFF);
        const char hi = static_cast<char>(unit >> 8);
        bytes += littleEndian ? std::string{lo, hi} : std::string{hi, lo};
    }
    return bytes;
}

TEST(ProfileReader, ByteOrderMarkDecodesTheFileToWindows1252)
{
    const struct {
        const char* name;
        std::string bytes;
        std::optional<std::string> caption;
    } cases[] = {
        {"UTF-8", "\xEF\xBB\xBF[s]\ncaption=M\xC3\xBCnchen\n", "M\xFCnchen"},
        {"UTF-8 euro and a character outside", "\xEF\xBB\xBF[s]\r\ncaption=\xE2\x82\xAC \xCE\xA9\r\n", "\x80 ?"},
        {"UTF-8 malformed", "\xEF\xBB\xBF[s]\ncaption=a\xFF\xC3z\n", "a??z"},
        {"UTF-8 cut at the end", "\xEF\xBB\xBF[s]\ncaption=a\xE2\x82", "a??"},
        {"UTF-16 LE", Utf16(u"[s]\r\ncaption=M\u00FCnchen \u20AC\r\n", true), "M\xFCnchen \x80"},
        {"UTF-16 BE", Utf16(u"[s]\r\ncaption=M\u00FCnchen \u20AC\r\n", false), "M\xFCnchen \x80"},
        {"UTF-16 names fold", Utf16(u"[S]\nCAPTION=\u00E4\n", true), "\xE4"},
        {"UTF-16 outside Windows-1252", Utf16(u"[s]\ncaption=\u03A9\U0001F600x\n", true), "??x"},
        {"UTF-16 lone surrogates", Utf16(u"[s]\ncaption=a", true) + "\x00\xD8"s + Utf16(u"b", true).substr(2) + "\x00\xDC"s, "a?b?"},
        {"UTF-16 odd last byte", Utf16(u"[s]\ncaption=a", true) + "b", "a?"},
        {"no mark keeps the bytes", "[s]\ncaption=M\xC3\xBCnchen\n", "M\xC3\xBCnchen"},
        {"half a mark is text", "\xEF\xBB[s]\ncaption=x\n", std::nullopt},
        {"a mark later in the file is text", "[s]\ncaption=\xEF\xBB\xBFx\n", "\xEF\xBB\xBFx"},
        {"mark alone", "\xEF\xBB\xBF", std::nullopt},
    };
    for (const auto& c : cases) {
        for (const ProfileFile& f : EveryWay(c.bytes, {{"s"}, {"caption"}}))
            EXPECT_EQ(f.Find("s", "caption"), c.caption) << c.name;
    }
}

// Lines longer than what is stored of them, and lines cut by the reading buffer, read as whole
// lines do.
TEST(ProfileReader, LongLinesReadAsWholeLines)
{
    const std::string blanks(3000, ' ');
    const std::string longValue(3000, 'v');
    const struct {
        const char* name;
        std::string text;
        std::optional<std::string> value; // of s/k
    } cases[] = {
        {"blanks before the closing bracket", "[s" + blanks + "]\nk=1\n", "1"},
        {"blanks before the name", "[" + blanks + "s]\nk=1\n", "1"},
        {"text after the closing bracket", "[s]" + blanks + "junk\nk=1\n", "1"},
        {"no closing bracket, blanks", "[s" + blanks + "\nk=1\n", "1"},
        {"no closing bracket, text far away", "[s" + blanks + "x\nk=1\n", std::nullopt},
        {"text far away before the bracket", "[s" + blanks + "x]\nk=1\n", std::nullopt},
        {"two brackets far away", "[s" + blanks + "]]\nk=1\n", std::nullopt},
        {"bracket far away, text after it", "[s" + blanks + "]x\nk=1\n", "1"},
        {"blanks before the equals sign", "[s]\nk" + blanks + "=1\n", "1"},
        {"text far away before the equals sign", "[s]\nk" + blanks + "x=1\n", std::nullopt},
        {"long value", "[s]\nk=" + longValue + "\n", std::string(2047, 'v')},
        {"long quoted value", "[s]\nk=\"" + longValue + "\"" + blanks + "\n", std::string(2047, 'v')},
        {"long value, quote only in front", "[s]\nk=\"" + longValue + "\n", "\"" + std::string(2046, 'v')},
        {"short value, long blanks", "[s]\nk=" + blanks + "'x'" + blanks + "\r\n", "x"},
        {"value far after its quote", "[s]\nk='x" + blanks + "y'\n", "x" + blanks.substr(0, 2046)},
        {"long comment", "[s]\n;" + longValue + "\nk=1\n", "1"},
        {"long line without section", longValue + "\n[s]\nk=1\n", "1"},
        {"long other section", "[t]\nk=" + longValue + "\n[s]\nk=1\n", "1"},
        {"later section of the name", "[s" + blanks + "]\nj=1\n[s]\nk=2\n", std::nullopt},
        {"first key of the name wins", "[s]\nk" + blanks + "=1\nK=2\n", "1"},
    };
    for (const auto& c : cases) {
        for (const ProfileFile& f : EveryWay(c.text, {{"s"}, {"k"}}))
            EXPECT_EQ(f.Find("s", "k"), c.value) << c.name;
    }
}

// Outside the kept sections the reader looks only for headers: "[" counts only first on its line.
TEST(ProfileReader, HeadersStandFirstOnTheirLine)
{
    const struct {
        std::string text;
        std::optional<std::string> value; // of s/k
    } cases[] = {
        {"x[s]\nk=1\n", std::nullopt},
        {";[s]\nk=1\n", std::nullopt},
        {"[t]\nv=[s]\nk=1\n", std::nullopt},
        {"[t]\nv=x[\n[s]\nk=1\n", "1"},
        {"a=[s]\n[s]\nk=1\n", "1"},
        {" \t\v\f[s]\nk=1\n", "1"},
        {"\r[s]\nk=1", "1"},
        {"[t]\n" + std::string(100, 'x') + "[s]\nk=1\n", std::nullopt},
        {"[t]\n" + std::string(100, ' ') + "[s]\nk=1\n", "1"},
        {"[t][s]\nk=1\n", std::nullopt},
        {"[s]\nk=1\n[t]\n[s]\nk=2\n", "1"},
    };
    for (const auto& c : cases) {
        for (const ProfileFile& f : EveryWay(c.text, {{"s"}, {"k"}}))
            EXPECT_EQ(f.Find("s", "k"), c.value) << c.text;
    }
}

TEST(ProfileReader, KeepsOnlyTheNamedSectionsAndKeys)
{
    const std::string text = "[s]\nk=1\nj=2\n[t]\nk=3\n[S]\nk=4\n[u]\nnokey\n";
    const ProfileFile f = ProfileFile::Parse(std::string_view(text), {{"S", "U"}, {"K"}});
    EXPECT_EQ(f.Find("s", "k"), "1");
    EXPECT_EQ(f.Find("s", "j"), std::nullopt);
    EXPECT_EQ(f.Find("t", "k"), std::nullopt);
    EXPECT_TRUE(f.HasSection("s"));
    EXPECT_FALSE(f.HasSection("t"));
    EXPECT_FALSE(f.HasSection("u"));
    // A section whose key lines are all left out still counts as present.
    EXPECT_TRUE(ProfileFile::Parse(std::string_view("[s]\nj=2\n"), {{"s"}, {"k"}}).HasSection("s"));
}

#ifndef _WIN32
TEST(ProfileReader, OnlyRegularFilesUpToTheBoundAreRead)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("profile-reader-kinds-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string fifo = (folder / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Sparse files: nothing is written but their size.
    const std::string largest = (folder / "largest.ini").string();
    const std::string larger = (folder / "larger.ini").string();
    for (const auto& [path, size] : {std::pair{largest, ProfileFile::kMaxFileSize}, std::pair{larger, ProfileFile::kMaxFileSize + 1}}) {
        std::ofstream(path, std::ios::binary) << "[s]\nk=1\n";
        std::filesystem::resize_file(path, size);
    }
    const struct {
        std::string path;
        ProfileFile::Status status;
    } cases[] = {
        {largest, ProfileFile::Status::Read},
        {larger, ProfileFile::Status::TooLarge},
        {"/dev/zero", ProfileFile::Status::NotAFile},
        {fifo, ProfileFile::Status::NotAFile},
        {folder.string(), ProfileFile::Status::NotAFile},
        {(folder / "missing.ini").string(), ProfileFile::Status::Unreadable},
    };
    for (const auto& c : cases) {
        const ProfileFile f = ProfileFile::Load(c.path, {{"s"}, {"k"}});
        EXPECT_EQ(f.status(), c.status) << c.path;
        EXPECT_EQ(f.HasSection("s"), c.status == ProfileFile::Status::Read) << c.path;
    }
    std::filesystem::remove_all(folder);
}

// One of the process's memory figures from /proc/self/status, in KiB; -1 when it cannot be read.
long StatusKiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

// Reading the largest file read keeps memory bounded by what is kept, not by the file's size:
// a line as long as the file inside a kept section, or outside one, adds a few MB at most.
TEST(ProfileReader, LargestFilesReadInBoundedMemory)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("profile-reader-memory-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const struct {
        const char* name;
        std::string head; // then NUL bytes up to the size bound: one line to the end
        std::string value; // of s/k
    } cases[] = {
        {"the value of a kept key", "[s]\r\nk=", std::string(2047, '\0')},
        {"a key left out", "[s]\r\nk=1\r\nj=", "1"},
        {"outside the kept sections", "[s]\r\nk=1\r\n[t]\r\nj=", "1"},
    };
    for (const auto& c : cases) {
        const std::string path = (folder / "large.ini").string();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.head;
        std::filesystem::resize_file(path, ProfileFile::kMaxFileSize);
        // Resets the peak to the present size, so the peak below is the reading's own.
        if (!std::ofstream("/proc/self/clear_refs") || !(std::ofstream("/proc/self/clear_refs") << "5"))
            GTEST_SKIP() << "the peak memory of the process cannot be reset here";
        const long before = StatusKiB("VmRSS");
        const ProfileFile f = ProfileFile::Load(path, {{"s"}, {"k"}});
        const long peak = StatusKiB("VmHWM");
        ASSERT_GT(before, 0);
        EXPECT_EQ(f.status(), ProfileFile::Status::Read) << c.name;
        EXPECT_EQ(f.Find("s", "k"), c.value) << c.name;
        EXPECT_LT(peak - before, 32 * 1024) << c.name << ": " << (peak - before) << " KiB for 256 MiB";
    }
    std::filesystem::remove_all(folder);
}
#endif

} // namespace
} // namespace qv
