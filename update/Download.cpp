#include "update/Download.h"

#include <QFile>

#include "update/CurlLibrary.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace qv {

void DownloadAbort::abort()
{
    aborted_.store(true);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (multi_)
        Curl()->multi_wakeup(static_cast<CURLM*>(multi_));
}

// Lets DownloadAbort::abort() wake the transfer's wait while the binding lives.
class DownloadAbortBinding {
public:
    DownloadAbortBinding(DownloadAbort* abort, CURLM* multi) : abort_(abort)
    {
        if (!abort_)
            return;
        const std::lock_guard<std::mutex> lock(abort_->mutex_);
        abort_->multi_ = multi;
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

namespace {

constexpr long kPieceSize = 1024;
constexpr long kMaxRedirects = 5;
constexpr int kLongestWaitMs = 24 * 60 * 60 * 1000;

struct Transfer {
    Transfer(const QString& path, const DownloadOptions& options) : file(path), options(options) {}

    QFile file;
    const DownloadOptions& options;
    DownloadOutcome outcome;
    long status = 0;          // of the response whose headers are being read
    bool sawLocation = false; // that response names a redirect target
    bool capped = false;

    bool createFile()
    {
        QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
        if (options.createNew)
            mode |= QIODevice::NewOnly;
        outcome.answered = true;
        if (!file.open(mode)) {
            outcome.fileError = file.errorString();
            return false;
        }
        outcome.fileCreated = true;
        return true;
    }
};

bool IsFollowedRedirect(long status, bool sawLocation)
{
    return sawLocation && (status == 301 || status == 302 || status == 303 || status == 307 || status == 308);
}

size_t OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
    if (line.startsWith("HTTP/")) {
        const qsizetype blank = line.indexOf(' ');
        transfer->status = blank < 0 ? 0 : line.mid(blank + 1, 3).toLong();
        transfer->sawLocation = false;
    } else if (line.toLower().startsWith("location:")) {
        transfer->sawLocation = true;
    } else if (line.isEmpty()) {
        // The end of a response's headers. Informational answers and redirects that are followed
        // are not the answer; the body of the final one goes into the file.
        const bool final = transfer->status >= 200 && !IsFollowedRedirect(transfer->status, transfer->sawLocation);
        if (final && !transfer->outcome.answered && !transfer->createFile())
            return 0;
    }
    return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    if (!transfer->outcome.answered && !transfer->createFile())
        return 0;
    if (!transfer->outcome.fileCreated)
        return 0;
    qint64 accepted = qint64(length);
    if (transfer->options.maxBytes >= 0)
        accepted = std::min(accepted, transfer->options.maxBytes - transfer->outcome.bytes);
    if (accepted > 0) {
        const qint64 written = transfer->file.write(data, accepted);
        if (written != accepted) {
            transfer->outcome.fileError = transfer->file.errorString();
            return 0;
        }
        transfer->outcome.bytes += written;
    }
    if (accepted < qint64(length)) {
        // A short count ends the transfer: the bound is reached.
        transfer->capped = true;
        return size_t(accepted);
    }
    return length;
}

struct EasyDeleter {
    const CurlLibrary* curl;
    void operator()(CURL* easy) const { curl->easy_cleanup(easy); }
};
struct MultiDeleter {
    const CurlLibrary* curl;
    void operator()(CURLM* multi) const { curl->multi_cleanup(multi); }
};

} // namespace

DownloadOutcome Download(const QString& url, const QString& filePath, const DownloadOptions& options)
{
    Transfer transfer(filePath, options);
    if (options.abort && options.abort->aborted())
        return transfer.outcome;
    const CurlLibrary* curl = Curl();
    if (!curl)
        return transfer.outcome;

    const std::unique_ptr<CURL, EasyDeleter> easy(curl->easy_init(), EasyDeleter{curl});
    const std::unique_ptr<CURLM, MultiDeleter> multi(curl->multi_init(), MultiDeleter{curl});
    if (!easy || !multi)
        return transfer.outcome;

    const QByteArray address = url.toUtf8();
    CURL* e = easy.get();
    const auto set = curl->easy_setopt;
    set(e, CURLOPT_URL, address.constData());
    set(e, CURLOPT_USERAGENT, "Darovi");
    set(e, CURLOPT_HTTPGET, 1L);
    set(e, CURLOPT_NOSIGNAL, 1L);
    set(e, CURLOPT_BUFFERSIZE, kPieceSize);
    set(e, CURLOPT_FOLLOWLOCATION, 1L);
    set(e, CURLOPT_MAXREDIRS, kMaxRedirects);
    // Only http and https, also for redirects; a library that cannot promise that is not used.
#if LIBCURL_VERSION_NUM >= 0x075500
    const bool restricted = set(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK
                            && set(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
#else
    const bool restricted = set(e, CURLOPT_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS)) == CURLE_OK
                            && set(e, CURLOPT_REDIR_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS)) == CURLE_OK;
#endif
    if (!restricted)
        return transfer.outcome;
    set(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    set(e, CURLOPT_CONNECTTIMEOUT, long(options.connectTimeoutSeconds));
    set(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(e, CURLOPT_LOW_SPEED_TIME, long(options.stallTimeoutSeconds));
    if (options.totalTimeoutSeconds > 0)
        set(e, CURLOPT_TIMEOUT, long(options.totalTimeoutSeconds));
#if LIBCURL_VERSION_NUM >= 0x075700
    // An abandoned name lookup must not hold up the end of the transfer.
    if (curl->versionNumber >= 0x075700)
        set(e, CURLOPT_QUICK_EXIT, 1L);
#endif
    set(e, CURLOPT_HEADERFUNCTION, &OnHeader);
    set(e, CURLOPT_HEADERDATA, &transfer);
    set(e, CURLOPT_WRITEFUNCTION, &OnBody);
    set(e, CURLOPT_WRITEDATA, &transfer);

    CURLcode result = CURLE_FAILED_INIT;
    if (curl->multi_add_handle(multi.get(), e) == CURLM_OK) {
        const DownloadAbortBinding binding(options.abort, multi.get());
        const auto aborted = [&options] { return options.abort && options.abort->aborted(); };
        while (!aborted()) {
            int running = 0;
            if (curl->multi_perform(multi.get(), &running) != CURLM_OK || running == 0)
                break;
            // The wait ends when a socket is ready, when the library's own next timer is due (it
            // keeps the connect, stall and total times), or on an abort; a silent server costs no
            // wake-ups of its own.
            if (curl->multi_poll(multi.get(), nullptr, 0, kLongestWaitMs, nullptr) != CURLM_OK)
                break;
        }
        int pending = 0;
        while (CURLMsg* message = curl->multi_info_read(multi.get(), &pending)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == e)
                result = message->data.result;
        }
        curl->multi_remove_handle(multi.get(), e);
    }
    transfer.outcome.complete = result == CURLE_OK && !transfer.capped && !(options.abort && options.abort->aborted());
    transfer.file.close();
    return transfer.outcome;
}

qint64 DownloadToFile(const QString& url, const QString& filePath)
{
    const DownloadOutcome outcome = Download(url, filePath);
    if (!outcome.fileError.isEmpty())
        throw FileError(outcome.fileError.toStdString());
    return outcome.bytes;
}

} // namespace qv
