#include "update/OwnVersion.h"
#include "update/UpdateList.h"
#include "UpdateTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <iostream>

#include <gtest/gtest.h>

using qv::UpdateResult;

namespace {

struct ParseCase {
    const char* name;
    QByteArray list;
    UpdateResult expected;  // message, messagelink, currentversion, updatelink
};

TEST(UpdateList, ReadsTheUpdateSectionInTheProfileDialect)
{
    const QByteArray longValue(3000, 'x');
    static const char garbage[] = "\x00\xff\x10garbage[[]]==\n<html>";
    const ParseCase cases[] = {
        {"all four keys",
         "[Update]\r\ncurrentversion=2.2.0.0\r\nmessage=Hallo\r\nmessagelink=http://a.example/m\r\n"
         "updatelink=https://a.example/u\r\n",
         {"Hallo", "http://a.example/m", "2.2.0.0", "https://a.example/u"}},
        {"names of section and keys ignore case",
         "[uPDATE]\nCURRENTVERSION=3\nMessage=m\n", {"m", "", "3", ""}},
        {"blanks around names and values",
         "  [ Update ]  \n\t message \t=  zwei Worte  \r\n", {"zwei Worte", "", "", ""}},
        {"one pair of quotes removed", "[Update]\nmessage=\"\"quoted\"\"\nupdatelink='http://q.example/'\n",
         {"\"quoted\"", "", "", "http://q.example/"}},
        {"a lone quote stays", "[Update]\nmessage=\"open\n", {"\"open", "", "", ""}},
        {"first key wins", "[Update]\nmessage=first\nmessage=second\n", {"first", "", "", ""}},
        {"first section wins",
         "[Update]\nmessage=one\n[Other]\nmessage=other\n[update]\nmessage=two\ncurrentversion=9\n",
         {"one", "", "", ""}},
        {"keys outside the section, comments and lines without =",
         "message=before\n[Update]\n;message=comment\nmessage\ncurrentversion = 1.0\n",
         {"", "", "1.0", ""}},
        {"an empty value", "[Update]\nmessage=\n", {"", "", "", ""}},
        {"no section", "currentversion=5\n", {}},
        {"garbage", QByteArray(garbage, sizeof garbage - 1), {}},
        {"an empty list", "", {}},
        {"Windows-1252 text", "[Update]\nmessage=Gr\xfc\xdf" "e \x80 \x84x\x93\n",
         {QString::fromUtf8("Grüße € „x“"), "", "", ""}},
    };
    for (const ParseCase& c : cases)
        EXPECT_EQ(qv::ParseUpdateList(c.list), c.expected) << c.name;

    const UpdateResult cut = qv::ParseUpdateList("[Update]\nmessage=" + longValue + "\n");
    EXPECT_EQ(cut.message, QString(2047, QLatin1Char('x')));
}

TEST(UpdateList, EndsEveryLineWithCrLf)
{
    const struct {
        QByteArray in;
        QByteArray out;
    } cases[] = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\n", "a\r\n"},
        {"a\rb\nc\r\nd", "a\r\nb\r\nc\r\nd\r\n"},
        {"a\n\nb\r\r\n", "a\r\n\r\nb\r\n\r\n"},
        {"\n\r", "\r\n\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qv::WithCrLfLineEnds(c.in), c.out) << c.in.toStdString();
}

TEST(UpdateList, ListsWithAnyLineEndReadAlike)
{
    const UpdateResult expected{"Neu", "", "2.5", ""};
    for (const QByteArray& list : {QByteArray("[Update]\rcurrentversion=2.5\rmessage=Neu\r"),
                                   QByteArray("[Update]\ncurrentversion=2.5\nmessage=Neu"),
                                   QByteArray("[Update]\r\ncurrentversion=2.5\r\nmessage=Neu\r\n")})
        EXPECT_EQ(qv::ParseUpdateList(qv::WithCrLfLineEnds(list)), expected) << list.toStdString();
}

// A downloaded list is read from its file with any line end, as the same text with CR LF parses.
TEST(UpdateList, ReadsTheDownloadedFileWithAnyLineEnd)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString path = temp.filePath(QStringLiteral("list.ini"));
    const QByteArray lists[] = {
        "[Update]\rcurrentversion=2.5\rmessage=Neu\r",
        "[Update]\ncurrentversion=2.5\nmessage=Neu",
        "[Update]\r\ncurrentversion=2.5\r\nmessage=Neu\r\n",
        "\r\n\r[ Update ]\r\r\n message = \"a b\" \r\n;message=c\rmessagelink='x'\n[Update]\nupdatelink=y\n",
        "[Update]\nmessage=" + QByteArray(3000, 'm') + "\r\nupdatelink=\t\v\f\r\n",
        "[Update]\nmessage=a\0b\n",
        "",
    };
    for (const QByteArray& list : lists) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(list);
        file.close();
        EXPECT_EQ(qv::ReadUpdateListFile(path), qv::ParseUpdateList(qv::WithCrLfLineEnds(list))) << list.toStdString();
    }
    EXPECT_EQ(qv::ReadUpdateListFile(temp.filePath(QStringLiteral("missing.ini"))), UpdateResult{});
}

// Reading a list of the largest size costs a small multiple of its size, whatever it holds.
TEST(UpdateList, ReadingAFullListStaysWithinAFewMebibytes)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString path = temp.filePath(QStringLiteral("list.ini"));
    const qsizetype size = qv::kMaxUpdateListBytes;
    const QByteArray head = "[Update]\nmessage=da\n";
    const struct {
        const char* name;
        QByteArray list;
    } cases[] = {
        {"line feeds", head + QByteArray(size - head.size(), '\n')},
        {"carriage returns", head + QByteArray(size - head.size(), '\r')},
        {"empty keys", head + QByteArray("=\n").repeated((size - head.size()) / 2)},
        {"sections", head + QByteArray("[]\n").repeated((size - head.size()) / 3)},
    };
    for (const auto& c : cases) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.list);
        file.close();
        QProcess probe;
        probe.start(QStringLiteral(UPDATE_LIST_PROBE), {path});
        ASSERT_TRUE(probe.waitForFinished(60000)) << c.name;
        const QList<QByteArray> out = probe.readAllStandardOutput().trimmed().split(' ');
        ASSERT_EQ(out.size(), 2) << c.name;
        EXPECT_EQ(out[1], "da") << c.name;
        const long growthKiB = out[0].toLong();
        std::cout << "[ measure  ] " << c.name << ": peak grew by " << growthKiB << " KiB\n";
        EXPECT_LT(growthKiB, 8 * 1024) << c.name;
    }
}

TEST(UpdateList, AcceptsOnlyWebAddressesForTheShell)
{
    const struct {
        const char* link;
        bool web;
    } cases[] = {
        {"http://www.example.com/download", true},
        {"https://example.com", true},
        {"HTTPS://EXAMPLE.COM/x?y=1#z", true},
        {"", false},
        {"http://", false},
        {"http:///etc/passwd", false},
        {"file:///etc/passwd", false},
        {"/usr/bin/xterm", false},
        {"C:\\Windows\\System32\\calc.exe", false},
        {"calc.exe", false},
        {"ftp://example.com/file", false},
        {"javascript:alert(1)", false},
        {"mailto:someone@example.com", false},
        {" http://example.com", false},
        {"http:example.com", false},
        {"www.example.com", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qv::IsWebAddress(QString::fromUtf8(c.link)), c.web) << c.link;
}

TEST(UpdateList, PathIsTheTemporaryFolderOrTheSystemOne)
{
    const QTemporaryDir folder;
    qputenv("TEMP", folder.path().toLocal8Bit());
    EXPECT_EQ(qv::UpdateListPath(), folder.path() + "/velmorant-qvr-updatelist.ini");
    qputenv("TEMP", (folder.path() + "/").toLocal8Bit());
    EXPECT_EQ(qv::UpdateListPath(), folder.path() + "/velmorant-qvr-updatelist.ini");
    for (const bool empty : {true, false}) {
        if (empty)
            qputenv("TEMP", QByteArray());
        else
            qunsetenv("TEMP");
        EXPECT_EQ(qv::UpdateListPath(), QDir(QDir::tempPath()).filePath("velmorant-qvr-updatelist.ini"));
        EXPECT_FALSE(qv::UpdateListPath().startsWith("/velmorant")) << "never the root of a drive";
    }
}

TEST(OwnVersion, JoinsTheFourHalvesOfTheFileVersion)
{
    EXPECT_EQ(qv::VersionTextFromWords(0x00020001, 0x00000000), "2.1.0.0");
    EXPECT_EQ(qv::VersionTextFromWords(0xFFFF000A, 0x00070010), "65535.10.7.16");
    EXPECT_EQ(qv::VersionTextFromWords(0, 0), "0.0.0.0");
    EXPECT_EQ(qv::OwnVersionText(), "2.1.0.0");
}

// NotifyUpdateResult, driven with a recorded window.
class Notify : public ::testing::Test {
protected:
    QStringList notify(const UpdateResult& result, bool yes = false)
    {
        window.answerYes = yes;
        qv::NotifyUpdateResult(result, window, QStringLiteral("2.1.0.0"), kHome);
        return window.calls;
    }

    const QString kHome = QStringLiteral("https://home.example/");
    const QString kAsk = QStringLiteral("ask Update|") + qv::kUpdatePromptText;
    FakeWindow window;
};

TEST_F(Notify, PromptsForEveryVersionTextOtherThanItsOwn)
{
    EXPECT_EQ(qv::kUpdatePromptText,
              QString::fromUtf8("Eine neue Version von Quorvane ist verfügbar.\n\rMöchtest du sie jetzt herunterladen?"));
    const struct {
        const char* version;
        bool prompt;
    } cases[] = {
        {"2.1.0.0", false}, {"", false},      {"2.1", true},         {"1.0.0.0", true},
        {"2.1.0.0 beta", true}, {"2.1.0.1", true}, {"02.1.0.0", true},
    };
    for (const auto& c : cases) {
        window.calls.clear();
        const QStringList calls = notify({"", "", QString::fromUtf8(c.version), "http://dl.example/"});
        EXPECT_EQ(calls, c.prompt ? QStringList{kAsk} : QStringList{}) << c.version;
    }
}

TEST_F(Notify, YesOpensTheUpdateLinkOrTheHomePage)
{
    const struct {
        const char* updatelink;
        bool yes;
        QStringList opens;
    } cases[] = {
        {"https://dl.example/new", true, {"open https://dl.example/new"}},
        {"https://dl.example/new", false, {}},
        {"", true, {"open https://home.example/"}},
        {"file:///usr/bin/xterm", true, {"open https://home.example/"}},
        {"/bin/sh", true, {"open https://home.example/"}},
    };
    for (const auto& c : cases) {
        window.calls.clear();
        const QStringList calls = notify({"", "", "3.0", QString::fromUtf8(c.updatelink)}, c.yes);
        EXPECT_EQ(calls, QStringList{kAsk} + c.opens) << c.updatelink << " " << c.yes;
    }
}

TEST_F(Notify, ShowsTheMessageAfterThePromptWithOnlyAWebLink)
{
    const struct {
        UpdateResult result;
        bool yes;
        QStringList calls;
    } cases[] = {
        {{"Neu!", "http://news.example/", "3.0", "http://dl.example/"}, true,
         {"ask", "open http://dl.example/", "message Neu!|http://news.example/"}},
        {{"Neu!", "http://news.example/", "3.0", ""}, false, {"ask", "message Neu!|http://news.example/"}},
        {{"Nur Text", "", "2.1.0.0", ""}, false, {"message Nur Text|"}},
        {{"Vorsicht", "file:///etc/passwd", "", ""}, false, {"message Vorsicht|"}},
        {{"Vorsicht", "xterm", "", ""}, false, {"message Vorsicht|"}},
        {{"", "http://news.example/", "", ""}, false, {}},
        {{}, true, {}},
    };
    for (const auto& c : cases) {
        window.calls.clear();
        QStringList calls = notify(c.result, c.yes);
        if (!calls.isEmpty() && calls.front() == kAsk)
            calls.front() = QStringLiteral("ask");
        EXPECT_EQ(calls, c.calls) << c.result.message.toStdString();
    }
}

TEST_F(Notify, StopsWhenTheWindowWentAwayDuringThePrompt)
{
    window.answerYes = true;
    qv::NotifyUpdateResult({"Neu", "", "3.0", "http://dl.example/"}, window, "2.1.0.0", kHome, [] { return false; });
    EXPECT_EQ(window.calls, QStringList{kAsk});
}

} // namespace
