#include "TestHttpServer.h"
#include "update/Download.h"
#include "UpdateTestSupport.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <future>

namespace {

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class Download : public UpdateFolders {
protected:
    QString target() const { return temp.filePath(QStringLiteral("target.bin")); }
    TestHttpServer server;
};

TEST_F(Download, WritesTheBodyWhateverTheStatus)
{
    QByteArray big(300 * 1024 + 7, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 31 % 251);
    const struct {
        int status;
        QByteArray body;
    } cases[] = {
        {200, "[Update]\r\ncurrentversion=3.0\r\n"},
        {404, "<html>Not Found</html>"},
        {500, "[Update]\nmessage=trotzdem\n"},
        {200, ""},
        {200, big},
    };
    for (const auto& c : cases) {
        server.answer(c.status, c.body);
        EXPECT_EQ(qv::DownloadToFile(server.url(), target()), c.body.size()) << c.status;
        EXPECT_EQ(Contents(target()), c.body) << c.status;
    }
}

TEST_F(Download, SendsAPlainGetWithTheProductsUserAgent)
{
    server.answer(200, "x");
    qv::DownloadToFile(server.url(), target());
    const QByteArray request = server.lastRequest();
    EXPECT_TRUE(request.startsWith("GET /updater/quorvane.php HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_TRUE(request.contains("\r\nUser-Agent: Darovi\r\n")) << request.toStdString();
    EXPECT_FALSE(request.contains("Cookie")) << request.toStdString();
}

TEST_F(Download, GoesThroughTheProxyOfTheEnvironment)
{
#ifdef _WIN32
    GTEST_SKIP() << "WinHTTP takes the proxy from the system's settings, not from the environment";
#endif
    TestHttpServer proxy;
    proxy.answer(200, "via proxy");
    qputenv("http_proxy", proxy.url(QString()).toLocal8Bit());
    const qint64 bytes = qv::DownloadToFile("http://update.quorvane.example/updater/quorvane.php", target());
    qunsetenv("http_proxy");
    EXPECT_EQ(bytes, 9);
    EXPECT_TRUE(proxy.lastRequest().startsWith("GET http://update.quorvane.example/updater/quorvane.php HTTP/1.1\r\n"))
        << proxy.lastRequest().toStdString();
}

TEST_F(Download, FollowsARedirect)
{
    TestHttpServer second;
    second.answer(200, "moved here");
    server.answerRaw("HTTP/1.1 302 Found\r\nLocation: " + second.url("/new").toUtf8()
                     + "\r\nContent-Length: 5\r\nConnection: close\r\n\r\nfirst");
    EXPECT_EQ(qv::DownloadToFile(server.url(), target()), 10);
    EXPECT_EQ(Contents(target()), "moved here");
}

TEST_F(Download, LeavesTheFileAloneWhenNoAnswerComes)
{
    const QStringList addresses = {
        QStringLiteral("http://127.0.0.1:%1/updater/quorvane.php").arg(TestHttpServer::closedPort()),
        QStringLiteral("http://127.0.0.1:99999/no-such-port"),
        QStringLiteral("ftp://127.0.0.1:%1/x").arg(server.port()),
    };
    for (const QString& address : addresses) {
        QFile old(target());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("old contents");
        old.close();
        EXPECT_EQ(qv::DownloadToFile(address, target()), 0) << address.toStdString();
        EXPECT_EQ(Contents(target()), "old contents") << address.toStdString();
    }
    server.answerRaw("this is no HTTP\r\n\r\n");
    EXPECT_EQ(qv::DownloadToFile(server.url(), target()), 0);
    EXPECT_EQ(Contents(target()), "old contents");
}

TEST_F(Download, KeepsWhatArrivedBeforeTheConnectionBroke)
{
    server.answerRaw("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n[Update]\r\nmessage=halb");
    const qv::DownloadOutcome outcome = qv::Download(server.url(), target());
    EXPECT_TRUE(outcome.answered);
    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(outcome.bytes, 22);
    EXPECT_EQ(Contents(target()), "[Update]\r\nmessage=halb");
}

TEST_F(Download, StopsAtTheBound)
{
    const qint64 bound = 1024 * 1024;
    for (const qint64 size : {bound - 1, bound, bound + 1, 3 * bound}) {
        server.answer(200, QByteArray(size, 'a'));
        qv::DownloadOptions options;
        options.maxBytes = bound;
        const qv::DownloadOutcome outcome = qv::Download(server.url(), target(), options);
        EXPECT_EQ(outcome.bytes, std::min(size, bound)) << size;
        EXPECT_EQ(outcome.complete, size <= bound) << size;
        EXPECT_EQ(QFile(target()).size(), std::min(size, bound)) << size;
    }
}

TEST_F(Download, RaisesWhenTheFileCannotBeCreated)
{
    server.answer(200, "body");
    EXPECT_THROW(qv::DownloadToFile(server.url(), temp.filePath("missing/folder/file")), qv::FileError);
    // A new file is demanded and something is already there.
    QFile existing(target());
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    qv::DownloadOptions options;
    options.createNew = true;
    const qv::DownloadOutcome outcome = qv::Download(server.url(), target(), options);
    EXPECT_FALSE(outcome.fileCreated);
    EXPECT_FALSE(outcome.fileError.isEmpty());
    EXPECT_EQ(Contents(target()), "");
}

TEST_F(Download, AnAbortEndsTheWaitForASilentServer)
{
    server.staySilent();
    qv::DownloadAbort abort;
    qv::DownloadOptions options;
    options.abort = &abort;
    auto running = std::async(std::launch::async, [&] { return qv::Download(server.url(), target(), options); });
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(running.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout) << "the server is silent";
    QElapsedTimer clock;
    clock.start();
    abort.abort();
    ASSERT_EQ(running.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    std::cout << "[ measure  ] download ended " << clock.elapsed() << " ms after the abort\n";
    const qv::DownloadOutcome outcome = running.get();
    EXPECT_FALSE(outcome.answered);
    EXPECT_FALSE(QFile::exists(target()));

    // An abort requested before the start downloads nothing.
    server.answer(200, "x");
    EXPECT_FALSE(qv::Download(server.url(), target(), options).answered);
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(Download, ASilentServerEndsTheTransferAfterTheStallTime)
{
    server.staySilent();
    qv::DownloadOptions options;
    options.stallTimeoutSeconds = 1;
    const qv::DownloadOutcome outcome = qv::Download(server.url(), target(), options);
    EXPECT_FALSE(outcome.answered);
    EXPECT_FALSE(QFile::exists(target()));
}

// A server that sends a byte now and then never stalls, yet the transfer ends at its total time.
TEST_F(Download, ASlowServerEndsTheTransferAfterTheTotalTime)
{
    server.trickle("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n", 200);
    qv::DownloadOptions options;
    options.totalTimeoutSeconds = 2;
    auto running = std::async(std::launch::async, [&] { return qv::Download(server.url(), target(), options); });
    // Far beyond the total time, far before the server would give up by itself.
    ASSERT_EQ(running.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "the transfer goes on";
    const qv::DownloadOutcome outcome = running.get();
    EXPECT_TRUE(outcome.answered);
    EXPECT_GT(outcome.bytes, 0);
    EXPECT_FALSE(outcome.complete);
    EXPECT_TRUE(server.waitForClientsGone(1));
}

} // namespace
