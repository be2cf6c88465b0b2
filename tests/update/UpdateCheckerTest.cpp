#include "TestHttpServer.h"
#include "update/Preference.h"
#include "update/UpdateChecker.h"
#include "update/UpdateList.h"
#include "UpdateTestSupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <iostream>

namespace {

const QString kAsk = QStringLiteral("ask Update|") + qv::kUpdatePromptText;
const QString kHome = QStringLiteral(UPDATE_DEFAULT_HOME_URL);

class Checker : public UpdateFolders {
protected:
    void SetUp() override
    {
        UpdateFolders::SetUp();
        qputenv("QUORVANE_UPDATE_URL", server.url().toUtf8());
    }

    // Runs one check to its end and returns what the window was asked to do.
    QStringList check()
    {
        window.calls.clear();
        EXPECT_TRUE(checker.start());
        EXPECT_TRUE(WaitUntil([&] { return !checker.isRunning(); }));
        return window.calls;
    }

    void writeStaleList()
    {
        QFile stale(listPath());
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("[Update]\r\ncurrentversion=0.9\r\nmessage=alt\r\n");
    }

    TestHttpServer server;
    FakeWindow window;
    qv::UpdateChecker checker{window};
};

TEST_F(Checker, ReportsTheListOnTheWindowThread)
{
    server.answer(200, "[Update]\r\ncurrentversion=2.2.0.0\r\nmessage=Neue Beispiele\r\n"
                       "messagelink=http://news.example/\r\nupdatelink=http://dl.example/\r\n");
    window.answerYes = true;
    QElapsedTimer clock;
    clock.start();
    const QStringList calls = check();
    std::cout << "[ measure  ] one check against the local server took " << clock.elapsed() << " ms\n";
    EXPECT_EQ(calls, (QStringList{kAsk, "open http://dl.example/", "message Neue Beispiele|http://news.example/"}));
    EXPECT_EQ(window.callThread, QThread::currentThread());
    EXPECT_FALSE(QFile::exists(listPath())) << "the list is deleted after the check";
    const QByteArray request = server.lastRequest();
    EXPECT_TRUE(request.startsWith("GET /updater/quorvane.php HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_TRUE(request.contains("\r\nUser-Agent: Darovi\r\n")) << request.toStdString();
}

TEST_F(Checker, ReportsOnlyWhatTheAnswerHolds)
{
    const struct {
        const char* name;
        int status;
        QByteArray body;
        QStringList calls;
    } cases[] = {
        {"equal version", 200, "[Update]\ncurrentversion=2.1.0.0\n", {}},
        {"other version", 200, "[Update]\ncurrentversion=2.1\n", {kAsk}},
        {"older version", 200, "[Update]\ncurrentversion=1.0.0.0\n", {kAsk}},
        {"version with a word", 200, "[Update]\ncurrentversion=2.1.0.0 beta\n", {kAsk}},
        {"message without link", 200, "[Update]\nmessage=Hallo\n", {"message Hallo|"}},
        {"only a message link", 200, "[Update]\nmessagelink=http://news.example/\n", {}},
        {"program as message link", 200, "[Update]\nmessage=Klick\nmessagelink=/usr/bin/xterm\n", {"message Klick|"}},
        {"error status without the section", 404, "<html><body>Not found</body></html>", {}},
        {"error status with the section", 503, "[Update]\nmessage=Wartung\n", {"message Wartung|"}},
        {"empty body", 200, "", {}},
        {"CR line ends", 200, "[Update]\rmessage=cr\rcurrentversion=2.1.0.0\r", {"message cr|"}},
        {"LF line ends", 200, "[Update]\nmessage=lf\ncurrentversion=2.1.0.0", {"message lf|"}},
        {"CR LF line ends", 200, "[Update]\r\nmessage=crlf\r\ncurrentversion=2.1.0.0\r\n", {"message crlf|"}},
    };
    for (const auto& c : cases) {
        server.answer(c.status, c.body);
        EXPECT_EQ(check(), c.calls) << c.name;
        EXPECT_FALSE(QFile::exists(listPath())) << c.name;
    }
}

TEST_F(Checker, YesWithoutAUsableLinkOpensTheHomePage)
{
    window.answerYes = true;
    for (const QByteArray& link : {QByteArray(), QByteArray("file:///etc/passwd"), QByteArray("C:\\evil.exe")}) {
        server.answer(200, "[Update]\ncurrentversion=9.0\nupdatelink=" + link + "\n");
        EXPECT_EQ(check(), (QStringList{kAsk, "open " + kHome})) << link.toStdString();
    }
}

TEST_F(Checker, ReadsTheFirstMebibyteOfALongerList)
{
    const QByteArray head = "[Update]\r\nmessage=gross\r\n";
    const QByteArray filler = ";" + QByteArray(1024 * 1024 - head.size() - 3, 'x') + "\r\n";
    ASSERT_EQ(head.size() + filler.size(), qv::kMaxUpdateListBytes);
    // Only a key beyond the first mebibyte would ask for an update.
    server.answer(200, head + filler + "currentversion=9.9\r\n" + QByteArray(2 * 1024 * 1024, ';'));
    EXPECT_EQ(check(), QStringList{"message gross|"});
    EXPECT_FALSE(QFile::exists(listPath()));
}

TEST_F(Checker, AStaleListIsNeverRead)
{
    // The download fails: nothing may come of the old list, and it is gone afterwards.
    writeStaleList();
    qputenv("QUORVANE_UPDATE_URL",
            QStringLiteral("http://127.0.0.1:%1/updater/quorvane.php").arg(TestHttpServer::closedPort()).toUtf8());
    EXPECT_EQ(check(), QStringList{});
    EXPECT_FALSE(QFile::exists(listPath()));

    // The download works: the new list replaces the old one.
    writeStaleList();
    qputenv("QUORVANE_UPDATE_URL", server.url().toUtf8());
    server.answer(200, "[Update]\nmessage=neu\n");
    EXPECT_EQ(check(), QStringList{"message neu|"});
}

TEST_F(Checker, AListThatCannotBeRemovedStopsTheCheck)
{
    // A folder of the list's name cannot be removed as a file.
    ASSERT_TRUE(QDir(temp.path()).mkpath(qv::kUpdateListFileName + "/inside"));
    server.answer(200, "[Update]\nmessage=neu\n");
    EXPECT_EQ(check(), QStringList{});
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(Checker, ALinkPlantedAtTheListPathIsRemovedNotFollowed)
{
    // A link to a file that does not exist yet: written through, it would create the file.
    const QString victim = temp.filePath("victim.txt");
    ASSERT_TRUE(QFile::link(victim, listPath()));
    server.answer(200, "[Update]\nmessage=neu\n");
    EXPECT_EQ(check(), QStringList{"message neu|"});
    EXPECT_FALSE(QFile::exists(victim));
    EXPECT_FALSE(QFileInfo(listPath()).isSymLink());
}

TEST_F(Checker, RunsOneCheckAtATimeAndTheWorkerWaitsForThePrompt)
{
    server.answer(200, "[Update]\ncurrentversion=3.0\nmessage=Hallo\n");
    bool startedDuringPrompt = true;
    bool runningDuringPrompt = false;
    window.whilePromptOpen = [&] {
        // A modal prompt runs an event loop of its own while it is open.
        QEventLoop modal;
        QTimer::singleShot(300, &modal, &QEventLoop::quit);
        modal.exec();
        runningDuringPrompt = checker.isRunning();
        startedDuringPrompt = checker.start();
    };
    EXPECT_EQ(check(), (QStringList{kAsk, "message Hallo|"}));
    EXPECT_TRUE(runningDuringPrompt);
    EXPECT_FALSE(startedDuringPrompt);
    EXPECT_EQ(server.requestCount(), 1);

    // Once the check has ended, the next one may start.
    EXPECT_EQ(check(), (QStringList{kAsk, "message Hallo|"}));
    EXPECT_EQ(server.requestCount(), 2);
}

TEST_F(Checker, EndingTheCheckerDuringThePromptStopsTheReport)
{
    server.answer(200, "[Update]\ncurrentversion=3.0\nupdatelink=http://dl.example/\nmessage=Hallo\n");
    window.answerYes = true;
    for (const bool destroy : {false, true}) {
        auto other = std::make_unique<qv::UpdateChecker>(window);
        window.calls.clear();
        window.whilePromptOpen = [&] {
            if (destroy)
                other.reset();
            else
                other->shutdown();
        };
        ASSERT_TRUE(other->start());
        EXPECT_TRUE(WaitUntil([&] { return !window.calls.isEmpty(); }));
        EXPECT_EQ(window.calls, QStringList{kAsk}) << destroy;
        EXPECT_EQ(other == nullptr, destroy);
        if (other) {
            EXPECT_FALSE(other->isRunning());
            EXPECT_FALSE(other->start());
        }
    }
    window.whilePromptOpen = nullptr;
}

TEST_F(Checker, ASecondStartWhileTheServerIsSilentIsRefused)
{
    server.staySilent();
    ASSERT_TRUE(checker.start());
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_FALSE(checker.start());
    EXPECT_TRUE(checker.isRunning());
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(Checker, TheBoxWritesThePreferenceAndTickingStartsACheck)
{
    server.answer(200, "[Update]\nmessage=da\n");
    checker.boxChanged(false);
    EXPECT_EQ(qv::ReadPreference("updatecheck"), "F");
    EXPECT_FALSE(checker.isRunning());
    EXPECT_FALSE(qv::UpdateCheckAtStartup());

    checker.boxChanged(true);
    EXPECT_EQ(qv::ReadPreference("updatecheck"), "T");
    EXPECT_TRUE(checker.isRunning());
    EXPECT_TRUE(WaitUntil([&] { return !checker.isRunning(); }));
    EXPECT_EQ(window.calls, QStringList{"message da|"});
    EXPECT_TRUE(qv::UpdateCheckAtStartup());
}

TEST_F(Checker, UntickingLetsARunningCheckReport)
{
    server.staySilent();
    ASSERT_TRUE(checker.start());
    ASSERT_TRUE(server.waitForRequests(1));
    checker.boxChanged(false);
    EXPECT_TRUE(checker.isRunning());
    EXPECT_EQ(qv::ReadPreference("updatecheck"), "F");
}

TEST_F(Checker, TheWindowThreadStaysResponsiveWhileTheServerIsSilent)
{
    server.staySilent();
    ASSERT_TRUE(checker.start());
    QElapsedTimer sinceTick;
    qint64 longestPause = 0;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (ticks++ > 0)
            longestPause = std::max(longestPause, sinceTick.elapsed());
        sinceTick.restart();
    });
    sinceTick.start();
    timer.start();
    ASSERT_TRUE(server.waitForRequests(1));
    WaitUntil([&] { return ticks >= 200; });
    std::cout << "[ measure  ] longest pause of the event loop during a silent check: " << longestPause
              << " ms over " << ticks << " ticks\n";
    EXPECT_GE(ticks, 200);
    EXPECT_TRUE(checker.isRunning());
    EXPECT_EQ(window.calls, QStringList{});
}

TEST_F(Checker, DestroyingTheCheckerEndsASilentCheckWithoutReport)
{
    server.staySilent();
    auto other = std::make_unique<qv::UpdateChecker>(window);
    ASSERT_TRUE(other->start());
    ASSERT_TRUE(server.waitForRequests(1));
    QElapsedTimer clock;
    clock.start();
    other.reset();
    std::cout << "[ measure  ] checker destroyed " << clock.elapsed() << " ms after the request\n";
    EXPECT_TRUE(server.waitForClientsGone(1)) << "the transfer goes on";
    QCoreApplication::processEvents();
    EXPECT_EQ(window.calls, QStringList{});
    EXPECT_FALSE(QFile::exists(listPath()));
}

TEST_F(Checker, DestroyingTheCheckerWhileTheHandOverIsQueued)
{
    // The worker has queued its report, but the window thread never got to it.
    server.answer(200, "[Update]\nmessage=zu spaet\n");
    auto other = std::make_unique<qv::UpdateChecker>(window);
    ASSERT_TRUE(other->start());
    ASSERT_TRUE(server.waitForRequests(1));
    QThread::msleep(200);
    other.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.calls, QStringList{});
}

TEST_F(Checker, ClosingTheProgramDuringASilentCheckEndsTheProcessCleanly)
{
    server.staySilent();
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUORVANE_UPDATE_URL", server.url());
    environment.insert("TEMP", temp.path());
    // The probe's leak check stays on: a thread or transfer left behind at exit shows up. Only the
    // TLS library's per-thread state, which it frees at its own exit, is not counted.
    const QString suppressions = temp.filePath("lsan.supp");
    QFile file(suppressions);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("leak:libcrypto.so\n");
    file.close();
    environment.insert("ASAN_OPTIONS", "detect_leaks=1");
    environment.insert("LSAN_OPTIONS", "print_suppressions=0:suppressions=" + suppressions);
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(UPDATE_EXIT_PROBE), {});
    ASSERT_TRUE(probe.waitForStarted(20000));
    ASSERT_TRUE(server.waitForRequests(1));
    QElapsedTimer clock;
    clock.start();
    probe.write("quit\n");
    probe.closeWriteChannel();
    ASSERT_TRUE(probe.waitForFinished(20000)) << "the process hangs";
    std::cout << "[ measure  ] the process ended " << clock.elapsed() << " ms after the quit\n";
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0);
    EXPECT_EQ(probe.readAllStandardOutput().trimmed(), "started");
    EXPECT_EQ(probe.readAllStandardError(), "");
    EXPECT_FALSE(QFile::exists(listPath()));
}

} // namespace
