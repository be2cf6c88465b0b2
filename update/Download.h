#pragma once

#include <QString>

#include <atomic>
#include <mutex>
#include <stdexcept>

namespace qv {

// Stops a running download from another thread. The download ends at once, also while it waits for
// a name lookup, a connection or a silent server.
class DownloadAbort {
public:
    void abort();
    bool aborted() const { return aborted_.load(); }

private:
    friend class DownloadAbortBinding;
    std::atomic<bool> aborted_{false};
    std::mutex mutex_;
    void* multi_ = nullptr;   // the transfer to wake while one runs
};

// The target file of a download could not be created or written.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DownloadOptions {
    qint64 maxBytes = -1;              // the transfer stops after this many body bytes; -1: no bound
    bool createNew = false;            // the target must not exist yet (no existing file or link is followed)
    DownloadAbort* abort = nullptr;
    int connectTimeoutSeconds = 30;    // for the name lookup and the connection
    int stallTimeoutSeconds = 60;      // a server that sends nothing for this long ends the transfer
    int totalTimeoutSeconds = 0;       // the whole transfer ends after this long; 0: no bound
};

struct DownloadOutcome {
    qint64 bytes = 0;          // body bytes written to the file
    bool answered = false;     // the server sent a response (status line and headers)
    bool fileCreated = false;  // the target file was created (truncated) by this download
    bool complete = false;     // the whole body arrived (not cut by a failure, the bound or an abort)
    QString fileError;         // why the target file could not be created or written; empty when fine
};

// Plain HTTP(S) GET of `url` with the user agent "Darovi" and the proxy settings of the system
// (the usual proxy environment variables), following redirects. The body goes into `filePath` in
// pieces of at most 1024 bytes, each written as it arrives; the status is not looked at. The file is
// created when the response headers have arrived: when no connection can be made, or no response
// comes, the file is not touched. Never throws; blocks the calling thread.
DownloadOutcome Download(const QString& url, const QString& filePath, const DownloadOptions& options = {});

// Download() with no bound on the size that returns the number of body bytes written, 0 when no
// connection could be made. Throws FileError when the target file cannot be created or written.
qint64 DownloadToFile(const QString& url, const QString& filePath);

} // namespace qv
