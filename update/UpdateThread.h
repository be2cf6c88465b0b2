#pragma once

#include "update/Download.h"
#include "update/UpdateList.h"

#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace qv {

// One update check on a thread of its own. The body deletes a stale update list, downloads the
// list from `serverAddress` into `listPath` (at most kMaxUpdateListBytes), reads the section
// "Update" into the four result fields, deletes the list and then hands over: `handOver` is called
// on the worker and must arrange for NotifyUpdateResult to run on the window's thread and for
// releaseHandOver() to follow; the worker waits until then. This happens on every path, also when
// the download failed. The thread touches no widget.
//
// An abort (requestAbort) ends a waiting download and a waiting hand-over at once; an aborted
// check removes its list file and hands nothing over.
class TUpdateThread : public QThread {
    Q_OBJECT
public:
    TUpdateThread(QString serverAddress, QString listPath, std::function<void()> handOver,
                  QObject* parent = nullptr);
    ~TUpdateThread() override;

    // The result, written only by the body before the hand-over.
    QString message;
    QString messagelink;
    QString currentversion;
    QString updatelink;

    UpdateResult result() const { return {message, messagelink, currentversion, updatelink}; }

    // From the window's thread, once NotifyUpdateResult has run: lets the worker end.
    void releaseHandOver();
    // From any thread: ends the check as soon as possible, without a hand-over.
    void requestAbort();
    bool abortRequested() const { return abort_.aborted(); }

protected:
    void run() override;

private:
    void readList();
    void handOver();

    const QString serverAddress_;
    const QString listPath_;
    const std::function<void()> handOver_;
    DownloadAbort abort_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool releasedFlag_ = false;
};

} // namespace qv
