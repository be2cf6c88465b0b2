#include "TestHttpServer.h"

#include <chrono>
#include <stdexcept>

#ifdef _WIN32
// Winsock: the same calls under other names; the wake-up is a datagram between two loopback
// sockets, since WSAPoll cannot wait on a pipe.
#include <winsock2.h>
#include <ws2tcpip.h>
using socklen_t = int;

constexpr int MSG_NOSIGNAL = 0;
constexpr int SHUT_WR = SD_SEND;
constexpr int SOCK_CLOEXEC = 0;
#define poll WSAPoll
#define close closesocket
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
struct WinsockSession {
    WinsockSession()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

qintptr accept4(qintptr listener, sockaddr* address, socklen_t* length, int)
{
    return qintptr(accept(SOCKET(listener), address, length));
}

// A pair of connected loopback datagram sockets: a byte sent on [1] makes [0] readable.
int WakePair(qintptr pair[2])
{
    for (int i = 0; i < 2; ++i)
        pair[i] = qintptr(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(SOCKET(pair[0]), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || getsockname(SOCKET(pair[0]), reinterpret_cast<sockaddr*>(&address), &length) != 0
        || connect(SOCKET(pair[1]), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return -1;
    return 0;
}

ssize_t write(qintptr socket, const void* data, int size)
{
    return send(SOCKET(socket), static_cast<const char*>(data), size, 0);
}
#else
int WakePair(qintptr pair[2])
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    pair[0] = fds[0];
    pair[1] = fds[1];
    return 0;
}
#endif

constexpr auto kLifetime = std::chrono::minutes(2);

sockaddr_in Loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

quint16 BoundPort(qintptr fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

} // namespace

TestHttpServer::TestHttpServer()
{
#ifdef _WIN32
    static const WinsockSession winsock;
#endif
    listener_ = qintptr(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
    const sockaddr_in address = Loopback(0);
    if (listener_ < 0 || bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || listen(listener_, 8) != 0 || WakePair(wake_) != 0)
        throw std::runtime_error("test server cannot listen on 127.0.0.1");
    port_ = BoundPort(listener_);
    answer(200, QByteArray());
    thread_ = std::thread([this] { serve(); });
}

TestHttpServer::~TestHttpServer()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    const char byte = 0;
    (void)!write(wake_[1], &byte, 1);
    thread_.join();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

QString TestHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

void TestHttpServer::answer(int status, const QByteArray& body)
{
    answerRaw("HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Type: text/plain\r\nContent-Length: "
              + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
}

void TestHttpServer::answerRaw(const QByteArray& bytes)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    reply_ = bytes;
    silent_ = false;
    trickleMs_ = 0;
}

void TestHttpServer::staySilent()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    silent_ = true;
    trickleMs_ = 0;
}

void TestHttpServer::trickle(const QByteArray& head, int intervalMs)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    reply_ = head;
    silent_ = false;
    trickleMs_ = intervalMs;
}

int TestHttpServer::requestCount() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

QByteArray TestHttpServer::lastRequest() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastRequest_;
}

bool TestHttpServer::waitForRequests(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return requests_ >= count; });
}

bool TestHttpServer::waitForClientsGone(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return clientsGone_ >= count; });
}

quint16 TestHttpServer::closedPort()
{
    const qintptr fd = qintptr(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = Loopback(0);
    bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const quint16 port = BoundPort(fd);
    close(fd);
    return port;
}

bool TestHttpServer::stopping() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return stop_;
}

void TestHttpServer::serve()
{
    const auto end = std::chrono::steady_clock::now() + kLifetime;
    while (!stopping() && std::chrono::steady_clock::now() < end) {
        pollfd fds[2] = {{decltype(pollfd::fd)(listener_), POLLIN, 0}, {decltype(pollfd::fd)(wake_[0]), POLLIN, 0}};
        if (poll(fds, 2, 1000) <= 0 || !(fds[0].revents & POLLIN))
            continue;
        const qintptr connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        handle(connection);
        close(connection);
    }
}

void TestHttpServer::handle(qintptr connection)
{
    QByteArray request;
    while (!request.contains("\r\n\r\n") && request.size() < 65536) {
        pollfd fds[2] = {{decltype(pollfd::fd)(connection), POLLIN, 0}, {decltype(pollfd::fd)(wake_[0]), POLLIN, 0}};
        if (poll(fds, 2, 5000) <= 0 || (fds[1].revents & POLLIN))
            return;
        char buffer[4096];
        const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, got);
    }
    QByteArray reply;
    bool silent = false;
    int trickleMs = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++requests_;
        lastRequest_ = request;
        reply = reply_;
        silent = silent_;
        trickleMs = trickleMs_;
    }
    changed_.notify_all();

    if (silent) {
        // Hold the connection open, sending nothing, until the client leaves or the server stops.
        while (!stopping()) {
            pollfd fds[2] = {{decltype(pollfd::fd)(connection), POLLIN, 0}, {decltype(pollfd::fd)(wake_[0]), POLLIN, 0}};
            if (poll(fds, 2, 1000) < 0 || (fds[1].revents & POLLIN))
                return;
            char buffer[256];
            if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && recv(connection, buffer, sizeof buffer, 0) <= 0) {
                {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    ++clientsGone_;
                }
                changed_.notify_all();
                return;
            }
        }
        return;
    }
    qsizetype sent = 0;
    while (sent < reply.size()) {
        const ssize_t put = send(connection, reply.constData() + sent, int(reply.size() - sent), MSG_NOSIGNAL);
        if (put <= 0)
            return;  // the client has gone, e.g. after enough of a large body
        sent += put;
    }
    while (trickleMs > 0 && !stopping()) {
        pollfd fds[2] = {{decltype(pollfd::fd)(connection), POLLIN, 0}, {decltype(pollfd::fd)(wake_[0]), POLLIN, 0}};
        if (poll(fds, 2, trickleMs) < 0 || (fds[1].revents & POLLIN))
            return;
        char buffer[256];
        const bool gone = (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && recv(connection, buffer, sizeof buffer, 0) <= 0;
        if (gone || send(connection, "x", 1, MSG_NOSIGNAL) != 1) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                ++clientsGone_;
            }
            changed_.notify_all();
            return;
        }
    }
    shutdown(connection, SHUT_WR);
    // Let the client read to the end before the socket closes.
    char buffer[256];
    pollfd fds[1] = {{decltype(pollfd::fd)(connection), POLLIN, 0}};
    while (poll(fds, 1, 2000) > 0 && recv(connection, buffer, sizeof buffer, 0) > 0) {
    }
}
