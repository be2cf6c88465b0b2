#include "Cp1252.h"
#include "ProfileReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

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

} // namespace
} // namespace qv
