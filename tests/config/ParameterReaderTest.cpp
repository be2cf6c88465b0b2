#include "config/ConfigWriter.h"
#include "config/Cp1252.h"
#include "config/ParameterReader.h"
#include "SampleProjects.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace qv {
namespace {

using Arguments = std::vector<std::string>;

std::string ParameterLine(const ProjectSettings& p)
{
    return BuildConfiguration(p, 2).configText.at(0);
}

std::string BatchBytes(const ProjectSettings& p)
{
    return ConfigFileBytes(BuildConfiguration(p, 2).configText, 2);
}

ProjectSettings FromLine(std::string_view line)
{
    return LoadParameters(ParameterList::FromLine(line), "", {}).settings;
}

ProjectSettings FromBatch(std::string_view bytes)
{
    return LoadParameters(ParameterList::FromBatchBytes(bytes), "", {}).settings;
}

TEST(ParameterReader, ReadsBackEverySettingTheWriterWrote)
{
    ProjectSettings original = test::Everything();
    original.ChFullscreen = false; // a full-screen project keeps no window size
    original.ESpeicherort = "C:\\cd\\";
    original.ConfigTarget = 2;
    const std::string path = "C:\\cd\\runme.bat";

    EXPECT_EQ(LoadParameters(ParameterList::FromLine(ParameterLine(original)), path, {}).settings, original);
    EXPECT_EQ(LoadParameters(ParameterList::FromBatchBytes(BatchBytes(original)), path, {}).settings, original);

    ProjectSettings worked = test::WorkedExample();
    worked.ConfigTarget = 2;
    worked.EPopupParam = "/height=320 /width=200 /borderstyle=sizeable /caption=Mein Popup";
    EXPECT_EQ(FromLine(ParameterLine(test::WorkedExample())), worked);
}

// Values that the quoting of the writer has to carry through: each is set as the title (or the
// field named), written as a parameter line and as batch bytes, read back, and written again.
TEST(ParameterReader, RoundTripOfQuotedValues)
{
    struct Case {
        const char* name;
        std::function<void(ProjectSettings&)> set;
        std::function<std::string(const ProjectSettings&)> field;
        std::string expected;
    };
    const auto title = [](std::string v) { return [v](ProjectSettings& p) { p.ETitel = v; }; };
    const auto getTitle = [](const ProjectSettings& p) { return p.ETitel; };
    const Case cases[] = {
        {"blank", title(W("Mein Menü")), getTitle, W("Mein Menü")},
        {"one blank", title(" "), getTitle, " "},
        {"outer blanks", title("  a b  "), getTitle, "  a b  "},
        {"two blanks in a row", title("a  b"), getTitle, "a  b"},
        {"ampersand", title("Tom&Jerry"), getTitle, "Tom&Jerry"},
        {"pipe and redirections", title("a|b<c>d"), getTitle, "a|b<c>d"},
        {"caret", title("2^10"), getTitle, "2^10"},
        {"percent", title("100%"), getTitle, "100%"},
        {"variable look-alike", title("%PATH% %1"), getTitle, "%PATH% %1"},
        {"doubled percent", title("%%"), getTitle, "%%"},
        {"tab is not a blank", title("a\tb"), getTitle, "a\tb"},
        {"quotes are dropped", title(W("Das \"Menü\"")), getTitle, W("Das Menü")},
        {"quote between letters", title("a\"b"), getTitle, "ab"},
        {"slash and equals sign", title("a /width=5"), getTitle, "a /width=5"},
        {"leading slash", title("/x=y"), getTitle, "/x=y"},
        {"folder with blank and trailing backslash", [](ProjectSettings& p) { p.EHTMLOrt = "Mein Web\\"; },
         [](const ProjectSettings& p) { return p.EHTMLOrt; }, "Mein Web\\"},
        {"backslash before blank", [](ProjectSettings& p) { p.EHTMLOrt = "a\\ b\\\\c"; },
         [](const ProjectSettings& p) { return p.EHTMLOrt; }, "a\\ b\\\\c"},
        {"parameters of a program", [](ProjectSettings& p) { p.EExeParam = "-a \"x y\" & del *"; },
         [](const ProjectSettings& p) { return p.EExeParam; }, "-a x y & del *"},
        {"popup parameters", [](ProjectSettings& p) { p.EPopupParam = "/caption=\"Mein Popup\" /width=200"; },
         [](const ProjectSettings& p) { return p.EPopupParam; }, "/caption=Mein Popup /width=200"},
        {"long value", title(std::string(5000, 'x') + " y"), getTitle, std::string(5000, 'x') + " y"},
        {"high bytes", title(W("Grüße ÄÖÜ ß")), getTitle, W("Grüße ÄÖÜ ß")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProjectSettings p;
        c.set(p);
        const std::string line = ParameterLine(p);
        const ProjectSettings fromLine = FromLine(line);
        EXPECT_EQ(c.field(fromLine), c.expected);
        EXPECT_EQ(c.field(FromBatch(BatchBytes(p))), c.expected);
        EXPECT_EQ(ParameterLine(fromLine), line);
    }
}

TEST(ParameterReader, ValueOfQuotesOnlyIsPresentButEmpty)
{
    ProjectSettings p;
    p.ETitel = "\"\"";
    const std::string line = ParameterLine(p);
    ASSERT_EQ(line, "starter.exe /caption= /borderstyle=sizeable");
    const ParameterList list = ParameterList::FromLine(line);
    ASSERT_TRUE(list.Find("caption").has_value());
    EXPECT_EQ(*list.Find("caption"), "");
    ProjectSettings expected;
    expected.ConfigTarget = 2;
    EXPECT_EQ(FromLine(line), expected);
}

TEST(ParameterReader, SplitsALineAtBlanksOutsideQuotes)
{
    struct Case {
        const char* line;
        Arguments expected;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"a b", {"a", "b"}},
        {"  a   b  ", {"a", "b"}},
        {"a\tb", {"a\tb"}},
        {"/caption=\"a b\" /x=1", {"/caption=a b", "/x=1"}},
        {"\"a b\"c d", {"a bc", "d"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"\"", {""}},
        {"/caption= /x", {"/caption=", "/x"}},
        {"/caption=\"never closed", {"/caption=never closed"}},
        {"\"C:\\my dir\\\" /x=1", {"C:\\my dir\\", "/x=1"}},
        {"a\\\"b c\"", {"a\\b c"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitParameterLine(c.line), c.expected) << c.line;
}

TEST(ParameterReader, TakesOnlySlashKeyEqualsValueArguments)
{
    const ParameterList list = ParameterList::FromArguments(
        {"starter.exe", "/width=800", "/flag", "/=5", "caption=x", "/CAPTION=Eins", "/caption=Zwei",
         "/usr/bin/starter.exe", "/popupparam=/width=1 /height=2", "/startfile=a=b"});
    ASSERT_EQ(list.Items().size(), 5u);
    EXPECT_EQ(list.Find("width"), "800");
    EXPECT_EQ(list.Find("Caption"), "Eins"); // any letter case, the first wins
    EXPECT_EQ(list.Find("popupparam"), "/width=1 /height=2");
    EXPECT_EQ(list.Find("startfile"), "a=b");
    EXPECT_FALSE(list.Find("flag").has_value());
    EXPECT_FALSE(list.Find("").has_value());

    EXPECT_FALSE(LoadParameters(ParameterList::FromLine("starter.exe"), "", {}).hasSettingsSection);
    EXPECT_TRUE(LoadParameters(ParameterList::FromLine("/unknown=1"), "", {}).hasSettingsSection);
}

TEST(ParameterReader, ReadsTheBatchFileAsTheCommandProcessorWould)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string caption; // "-" when absent
        std::string width;
    };
    const Case cases[] = {
        {"line with CR LF", "starter.exe /caption=A /width=5\r\n", "A", "5"},
        {"no line break", "starter.exe /caption=A", "A", "-"},
        {"blank lines before", "\r\n   \r\nstarter.exe /caption=A\r\n", "A", "-"},
        {"only the first command", "starter.exe /caption=A\r\nstarter.exe /width=5\r\n", "A", "-"},
        {"doubled percent", "starter.exe /caption=100%%\r\n", "100%", "-"},
        {"three percent", "starter.exe /caption=%%%\r\n", "%%", "-"},
        {"caret escapes", "starter.exe /caption=a^&b /width=5\r\n", "a&b", "5"},
        {"unquoted ampersand ends", "starter.exe /caption=a & del x /width=5\r\n", "a", "-"},
        {"unquoted redirection ends", "starter.exe /width=5 > out.txt /caption=A\r\n", "-", "5"},
        {"quoted ampersand stays", "starter.exe /caption=\"a & b\" /width=5\r\n", "a & b", "5"},
        {"CR inside a line", "starter.exe /caption=a\rb\r\n", "a\rb", "-"},
        {"empty file", "", "-", "-"},
        {"code-page line before", "@chcp 1252 >nul\r\nstarter.exe /caption=K\xF6ln\r\n", "K\xF6ln", "-"},
        {"code-page line in capitals", " @CHCP 850\r\nstarter.exe /width=5\r\n", "-", "5"},
        {"a program named chcpx is a command", "chcpx /caption=A\r\nstarter.exe /width=5\r\n", "A", "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParameterList list = ParameterList::FromBatchBytes(c.bytes);
        EXPECT_EQ(list.Find("caption").value_or("-"), c.caption);
        EXPECT_EQ(list.Find("width").value_or("-"), c.width);
    }
}

TEST(ParameterReader, LoadsABatchFileFromDisk)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "qv-parameter-reader-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "runme.bat").string();

    ProjectSettings p = test::WorkedExample();
    p.ETitel = "50% & mehr";
    {
        std::ofstream out(path, std::ios::binary);
        out << BatchBytes(p);
    }
    const LoadResult loaded = LoadBatchFile(path, {});
    EXPECT_TRUE(loaded.hasSettingsSection);
    EXPECT_EQ(loaded.settings.ETitel, "50% & mehr");
    EXPECT_EQ(loaded.settings.EBreite, "800");
    EXPECT_EQ(loaded.settings.ConfigTarget, 2);
    EXPECT_EQ(loaded.settings.ESpeicherort, folder.string() + "/");

    // A pipe without a writer would block a plain read for ever.
    const std::string pipe = (folder / "rohr.bat").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& unreadable : {(folder / "missing.bat").string(), folder.string(), pipe}) {
        const LoadResult none = LoadBatchFile(unreadable, {});
        EXPECT_FALSE(none.hasSettingsSection) << unreadable;
        EXPECT_EQ(none.settings.EHTMLOrt, "");
        EXPECT_EQ(none.settings.CbStyle, 1);
    }
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace qv
