// Download() on Windows: WinHTTP, a part of the system, so the designer ships no network library.
// It keeps the bounds of the libcurl version (Download.cpp): http and https only, at most five
// redirects, the connect, stall and total times, the size bound, pieces of at most 1024 bytes,
// the file created only once the final response's headers have arrived, and an abort from another
// thread that ends a wait at once.
//
// WinHTTP runs asynchronously: each step is started, then this thread waits for its completion,
// for an abort or for the stall time, whichever comes first. A synchronous call could not be
// interrupted: closing its handle from another thread does not end a blocked receive everywhere.
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

// What the status callback reports of the step under way. It lives on the heap until WinHTTP
// says the request handle is gone (HANDLE_CLOSING), since completions may still arrive after the
// waiting thread has given up on a step; the buffer of a read must live as long.
struct Step {
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD status = 0;     // the completion's WINHTTP_CALLBACK_STATUS_...
    DWORD length = 0;     // bytes read
    DWORD error = 0;      // of a REQUEST_ERROR
    char buffer[kPieceSize];

    ~Step() { CloseHandle(done); }
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD length)
{
    auto* step = reinterpret_cast<Step*>(context);
    if (!step)
        return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        delete step;
        return;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        step->error = static_cast<const WINHTTP_ASYNC_RESULT*>(information)->dwError;
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        step->length = length;
        break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        step->length = *static_cast<const DWORD*>(information);
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        break;
    default:
        return; // progress notices of no interest
    }
    step->status = status;
    SetEvent(step->done);
}

struct InternetCloser {
    void operator()(void* handle) const { WinHttpCloseHandle(static_cast<HINTERNET>(handle)); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

DWORD Milliseconds(int seconds)
{
    return seconds > 0 ? DWORD(seconds) * 1000 : 0;
}

} // namespace

// Lets DownloadAbort::abort() wake the transfer's wait while the binding lives.
class DownloadAbortBinding {
public:
    DownloadAbortBinding(DownloadAbort* abort, HANDLE wake) : abort_(abort)
    {
        if (!abort_)
            return;
        const std::lock_guard<std::mutex> lock(abort_->mutex_);
        abort_->multi_ = wake;
    }
    ~DownloadAbortBinding()
    {
        if (!abort_)
            return;
        const std::lock_guard<std::mutex> lock(abort_->mutex_);
        abort_->multi_ = nullptr;
    }
    DownloadAbortBinding(const DownloadAbortBinding&) = delete;
    DownloadAbortBinding& operator=(const DownloadAbortBinding&) = delete;

private:
    DownloadAbort* abort_;
};

void DownloadAbort::abort()
{
    aborted_.store(true);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (multi_)
        SetEvent(static_cast<HANDLE>(multi_));
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
                                 WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    if (!session)
        session.reset(WinHttpOpen(L"Darovi", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
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
    // A redirect may lead from http to https, never back (the system's default policy).
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    const Internet request(WinHttpOpenRequest(connection.get(), L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                              WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request)
        return outcome;
    auto* step = new Step; // freed by the callback when the request handle closes
    const HANDLE wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!step->done || !wake
        || WinHttpSetStatusCallback(request.get(), &OnStatus, WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS
                                                                   | WINHTTP_CALLBACK_FLAG_HANDLES, 0)
               == WINHTTP_INVALID_STATUS_CALLBACK) {
        delete step;
        if (wake)
            CloseHandle(wake);
        return outcome;
    }
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(step);
    WinHttpSetOption(request.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context));

    auto binding = std::make_unique<DownloadAbortBinding>(options.abort, wake);
    const auto start = std::chrono::steady_clock::now();
    // Waits for the step started last: true when it completed as `expected`. The wait ends early
    // on an abort, after the stall time, and at the total time.
    const auto finished = [&](DWORD expected) {
        DWORD wait = stall > 0 ? stall : INFINITE;
        if (options.totalTimeoutSeconds > 0) {
            const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            const long long left = Milliseconds(options.totalTimeoutSeconds) - spent.count();
            if (left <= 0)
                return false;
            wait = std::min<DWORD>(wait, DWORD(left));
        }
        const HANDLE events[2] = {step->done, wake};
        const DWORD which = WaitForMultipleObjects(2, events, FALSE, wait);
        return which == WAIT_OBJECT_0 && step->status == expected && !aborted();
    };

    QFile file(filePath);
    bool complete = false;
    if (WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, context)
        && finished(WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE) && WinHttpReceiveResponse(request.get(), nullptr)
        && finished(WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE)) {
        // The final response's headers are here (redirects were followed): the file is made now.
        outcome.answered = true;
        // A body cut short by a closed connection reads as its end: the announced length tells.
        DWORD announced = 0;
        DWORD size = sizeof(announced);
        const bool hasLength = WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                                   WINHTTP_HEADER_NAME_BY_INDEX, &announced, &size,
                                                   WINHTTP_NO_HEADER_INDEX);
        QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
        if (options.createNew)
            mode |= QIODevice::NewOnly;
        if (!file.open(mode)) {
            outcome.fileError = file.errorString();
        } else {
            outcome.fileCreated = true;
            while (!aborted()) {
                // First what has arrived (a read would wait for a whole piece), then that much.
                if (!WinHttpQueryDataAvailable(request.get(), nullptr)
                    || !finished(WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE))
                    break;
                const DWORD available = step->length;
                if (available == 0) {
                    complete = !hasLength || outcome.bytes == qint64(announced);
                    break;
                }
                if (options.maxBytes >= 0 && outcome.bytes >= options.maxBytes)
                    break; // more than the bound allows: the transfer ends, not complete
                DWORD wanted = std::min(available, kPieceSize);
                if (options.maxBytes >= 0)
                    wanted = DWORD(std::min<qint64>(options.maxBytes - outcome.bytes, wanted));
                if (!WinHttpReadData(request.get(), step->buffer, wanted, nullptr)
                    || !finished(WINHTTP_CALLBACK_STATUS_READ_COMPLETE))
                    break;
                const DWORD read = step->length;
                if (read == 0)
                    break; // the connection ended where data was announced
                if (file.write(step->buffer, read) != qint64(read)) {
                    outcome.fileError = file.errorString();
                    break;
                }
                outcome.bytes += read;
            }
            file.close();
        }
    }
    // Closing the request ends a step still under way; its completion and the closing notice
    // reach the callback, which frees the step. An abort from now on finds no event to set.
    binding.reset();
    CloseHandle(wake);
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
