// Download() on Windows: WinHTTP, a part of the system, so the designer ships no network library.
// It keeps the bounds of the libcurl version (Download.cpp): http and https only, at most five
// redirects, the connect, stall and total times, the size bound, pieces of at most 1024 bytes,
// the file created only once the final response's headers have arrived, and an abort from another
// thread that ends a wait at once.
#include "update/Download.h"

#include <QFile>

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

namespace qv {

namespace {

constexpr DWORD kPieceSize = 1024;
constexpr DWORD kMaxRedirects = 5;

struct InternetCloser {
    void operator()(void* handle) const { WinHttpCloseHandle(static_cast<HINTERNET>(handle)); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

DWORD Milliseconds(int seconds)
{
    return seconds > 0 ? DWORD(seconds) * 1000 : 0;
}

} // namespace

// The request handle of the running transfer: closing it from another thread makes WinHTTP's
// pending call return at once with ERROR_WINHTTP_OPERATION_CANCELLED.
class DownloadAbortBinding {
public:
    DownloadAbortBinding(DownloadAbort* abort, HINTERNET request) : abort_(abort)
    {
        if (!abort_)
            return;
        const std::lock_guard<std::mutex> lock(abort_->mutex_);
        abort_->multi_ = request;
    }
    ~DownloadAbortBinding() { release(); }
    DownloadAbortBinding(const DownloadAbortBinding&) = delete;
    DownloadAbortBinding& operator=(const DownloadAbortBinding&) = delete;

    // The handle is closed here unless an abort closed it already; returns true when it was.
    bool release()
    {
        if (!abort_)
            return false;
        const std::lock_guard<std::mutex> lock(abort_->mutex_);
        const bool closedByAbort = abort_->multi_ == nullptr;
        abort_->multi_ = nullptr;
        abort_ = nullptr;
        return closedByAbort;
    }

private:
    DownloadAbort* abort_;
};

void DownloadAbort::abort()
{
    aborted_.store(true);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (multi_) {
        WinHttpCloseHandle(static_cast<HINTERNET>(multi_));
        multi_ = nullptr;
    }
}

DownloadOutcome Download(const QString& url, const QString& filePath, const DownloadOptions& options)
{
    DownloadOutcome outcome;
    const auto aborted = [&options] { return options.abort && options.abort->aborted(); };
    if (aborted())
        return outcome;

    std::wstring address = url.toStdWString();
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = DWORD(-1);
    parts.dwUrlPathLength = DWORD(-1);
    parts.dwExtraInfoLength = DWORD(-1);
    if (!WinHttpCrackUrl(address.c_str(), DWORD(address.size()), 0, &parts))
        return outcome;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return outcome;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
    object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty())
        object = L"/";

    // The system's proxy settings; the automatic kind exists from Windows 8.1 on.
    Internet session(WinHttpOpen(L"Darovi", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        session.reset(WinHttpOpen(L"Darovi", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return outcome;
    const DWORD connect = Milliseconds(options.connectTimeoutSeconds);
    const DWORD stall = Milliseconds(options.stallTimeoutSeconds);
    WinHttpSetTimeouts(session.get(), int(connect), int(connect), int(stall), int(stall));
    DWORD redirects = kMaxRedirects;
    WinHttpSetOption(session.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof(redirects));

    const Internet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection)
        return outcome;
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    HINTERNET request = WinHttpOpenRequest(connection.get(), L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
    if (!request)
        return outcome;
    // A redirect may lead from http to https, never back (the system's default policy).
    DownloadAbortBinding binding(options.abort, request);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.totalTimeoutSeconds);
    // Before each wait: the stall time, shortened so that no wait runs past the total time.
    const auto boundWait = [&]() {
        if (options.totalTimeoutSeconds <= 0)
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        DWORD wait = DWORD(left.count());
        if (stall > 0)
            wait = std::min(wait, stall);
        WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &wait, sizeof(wait));
        WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &wait, sizeof(wait));
        return true;
    };

    QFile file(filePath);
    bool complete = false;
    if (!aborted() && boundWait()
        && WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)
        && boundWait() && WinHttpReceiveResponse(request, nullptr)) {
        // The final response's headers are here (redirects were followed): the file is made now.
        outcome.answered = true;
        QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
        if (options.createNew)
            mode |= QIODevice::NewOnly;
        // A body cut short by a closed connection reads as its end: the announced length tells.
        DWORD announced = 0;
        DWORD size = sizeof(announced);
        const bool hasLength = WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                                   WINHTTP_HEADER_NAME_BY_INDEX, &announced, &size,
                                                   WINHTTP_NO_HEADER_INDEX);
        if (!file.open(mode)) {
            outcome.fileError = file.errorString();
        } else {
            outcome.fileCreated = true;
            char piece[kPieceSize];
            while (!aborted()) {
                DWORD wanted = kPieceSize;
                const bool atBound = options.maxBytes >= 0 && outcome.bytes >= options.maxBytes;
                if (options.maxBytes >= 0)
                    wanted = DWORD(std::clamp<qint64>(options.maxBytes - outcome.bytes, 1, wanted));
                DWORD read = 0;
                if (!boundWait() || !WinHttpReadData(request, piece, wanted, &read))
                    break;
                if (read == 0) {
                    complete = !hasLength || outcome.bytes == qint64(announced);
                    break;
                }
                if (atBound)
                    break; // more than the bound allows: the transfer ends, not complete
                if (file.write(piece, read) != qint64(read)) {
                    outcome.fileError = file.errorString();
                    break;
                }
                outcome.bytes += read;
            }
            file.close();
        }
    }
    if (!binding.release())
        WinHttpCloseHandle(request);
    outcome.complete = complete && !aborted();
    return outcome;
}

qint64 DownloadToFile(const QString& url, const QString& filePath)
{
    const DownloadOutcome outcome = Download(url, filePath);
    if (!outcome.fileError.isEmpty())
        throw FileError(outcome.fileError.toStdString());
    return outcome.bytes;
}

} // namespace qv
