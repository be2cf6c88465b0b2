#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

// A tiny HTTP server on 127.0.0.1 for the tests. It serves one connection at a time: reads the
// request head, records it, then answers as told (or stays silent until the client goes away or the
// server stops). It stops by itself after two minutes at the latest.
class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    quint16 port() const { return port_; }
    QString url(const QString& path = QStringLiteral("/updater/quorvane.php")) const;

    // A complete response with the given status and body (Content-Length set, connection closed).
    void answer(int status, const QByteArray& body);
    // Exactly these bytes, then the connection is closed.
    void answerRaw(const QByteArray& bytes);
    // Reads the request and never answers.
    void staySilent();
    // Sends `head`, then one byte of body every `intervalMs` until the client leaves or the server
    // stops: a server far slower than any stall limit.
    void trickle(const QByteArray& head, int intervalMs);

    int requestCount() const;
    QByteArray lastRequest() const;
    // Waits (generously) until `count` requests have arrived.
    bool waitForRequests(int count, int timeoutMs = 20000) const;
    // Waits (generously) until the client has left `count` connections that the server held open.
    bool waitForClientsGone(int count, int timeoutMs = 20000) const;

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort();

private:
    void serve();
    void handle(qintptr connection);
    bool stopping() const;

    qintptr listener_ = -1;    // sockets: descriptors, or Winsock's SOCKET values
    qintptr wake_[2] = {-1, -1};
    quint16 port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    QByteArray reply_;
    bool silent_ = false;
    int trickleMs_ = 0;
    bool stop_ = false;
    int requests_ = 0;
    int clientsGone_ = 0;
    QByteArray lastRequest_;
};
