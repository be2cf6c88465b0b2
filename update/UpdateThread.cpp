#include "update/UpdateThread.h"

#include <QFile>
#include <QFileInfo>

namespace qv {

TUpdateThread::TUpdateThread(QString serverAddress, QString listPath, std::function<void()> handOver,
                             QObject* parent)
    : QThread(parent), serverAddress_(std::move(serverAddress)), listPath_(std::move(listPath)),
      handOver_(std::move(handOver))
{
}

TUpdateThread::~TUpdateThread() = default;

void TUpdateThread::releaseHandOver()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    releasedFlag_ = true;
    released_.notify_all();
}

void TUpdateThread::requestAbort()
{
    abort_.abort();
    const std::lock_guard<std::mutex> lock(mutex_);
    released_.notify_all();
}

void TUpdateThread::run()
{
    readList();
    if (!abort_.aborted())
        handOver();
}

void TUpdateThread::readList()
{
    // A stale list (or anything else of that name, a link included) goes first, so that an old list
    // is never read; when it cannot be removed, there is no download.
    const QFileInfo stale(listPath_);
    if (stale.exists() || stale.isSymLink()) {
        QFile::remove(listPath_);
        const QFileInfo again(listPath_);
        if (again.exists() || again.isSymLink())
            return;
    }

    DownloadOptions options;
    options.maxBytes = kMaxUpdateListBytes;
    options.createNew = true;  // in a shared temporary folder, never write through a planted link
    options.abort = &abort_;
    options.totalTimeoutSeconds = kCheckTimeLimitSeconds; // a slow server ends the check like a failed download
    const DownloadOutcome outcome = Download(serverAddress_, listPath_, options);
    // A failure of the file is ignored like any other: only a list this check wrote itself is read,
    // in whatever state it is.
    if (!outcome.fileCreated)
        return;
    if (!abort_.aborted()) {
        const UpdateResult read = ReadUpdateListFile(listPath_);
        currentversion = read.currentversion;
        message = read.message;
        messagelink = read.messagelink;
        updatelink = read.updatelink;
    }
    QFile::remove(listPath_);
}

void TUpdateThread::handOver()
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (abort_.aborted() || !handOver_)
        return;
    handOver_();
    released_.wait(lock, [this] { return releasedFlag_ || abort_.aborted(); });
}

} // namespace qv
