#pragma once

#include "disc/DiscCheck.h"
#include "disc/IsoImage.h"

#include <QObject>

#include <atomic>
#include <filesystem>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class QString;

namespace qv::ui {

// A path of the window (a QString) for the disc library and back: the file name's own bytes on
// POSIX hosts, UTF-16 on Windows.
std::filesystem::path PathOf(const QString& path);
QString QStringOf(const std::filesystem::path& path);

// One piece of the disc step (a folder check, an image write) on a thread of its own. The thread
// touches no widget: the disc library reports to this object as its observer, which keeps the
// problems under a lock and the progress in atomics; the window reads them on its own thread when
// it likes (a timer), so a fast writer never floods the window's event queue. The end is handed
// over with a queued call: `finished` is emitted on this object's thread after the thread has
// been joined, so whatever the work wrote is visible there.
class DiscJob : public QObject, public qv::DiscCheckObserver, public qv::IsoWriteObserver {
    Q_OBJECT
public:
    explicit DiscJob(QObject* parent = nullptr);
    // Cancels a running job and waits for its thread.
    ~DiscJob() override;

    // Runs `work` on a new thread; false (and nothing started) while a job runs. `work` passes
    // this object to the library as its observer.
    bool Start(std::function<void(DiscJob& job)> work);
    // True from Start until `finished` has been emitted.
    bool Running() const { return running_; }
    // Asks the check or the write to end at its next step (a write then leaves no image).
    void Cancel() { cancel_ = true; }
    bool CancelRequested() const { return cancel_; }
    // Cancels, waits for the thread and drops the pending `finished`; for a window that closes.
    void CancelAndWait();

    // Problems found since the last call, in the order found.
    std::vector<qv::DiscProblem> TakeFound();
    std::uint64_t EntriesRead() const { return entries_; }
    std::uint64_t PagesRead() const { return pages_; }
    std::uint64_t BytesWritten() const { return written_; }
    std::uint64_t BytesTotal() const { return total_; }

    // The observer: called on the job's thread.
    void ProblemFound(const qv::DiscProblem& problem) override;
    void CheckProgress(std::uint64_t entriesRead, std::uint64_t pagesRead) override;
    bool CheckCancelled() override { return cancel_; }
    void Written(std::uint64_t done, std::uint64_t total) override;
    bool WriteCancelled() override { return cancel_; }

signals:
    void finished();

private:
    void Ended();

    std::thread thread_;
    bool running_ = false;
    std::atomic<bool> cancel_{false};
    std::atomic<std::uint64_t> entries_{0};
    std::atomic<std::uint64_t> pages_{0};
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> total_{0};
    std::mutex mutex_;
    std::vector<qv::DiscProblem> found_;
    unsigned generation_ = 0; // a `finished` of an abandoned run is dropped
};

} // namespace qv::ui
