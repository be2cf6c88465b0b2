#include "update/UpdateChecker.h"

#include "update/OwnVersion.h"
#include "update/Preference.h"
#include "update/UpdateAddresses.h"
#include "update/UpdateList.h"
#include "update/UpdateThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QPointer>

namespace qv {

namespace {
// After an abort the worker ends at once; this only bounds a pathological wait (a stuck disk).
constexpr int kShutdownWaitMs = 5000;
} // namespace

UpdateChecker::UpdateChecker(UpdateTarget& target, QObject* parent) : QObject(parent), target_(target)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &UpdateChecker::shutdown);
}

UpdateChecker::~UpdateChecker()
{
    shutdown();
}

bool UpdateChecker::isRunning() const
{
    return thread_ != nullptr;
}

bool UpdateChecker::start()
{
    if (thread_ || shutDown_)
        return false;
    // The worker queues the hand-over to this object's thread. The checker outlives the worker
    // (shutdown() aborts and joins it), and a queued call still pending is dropped with the checker.
    auto handOver = [this] { QMetaObject::invokeMethod(this, [this] { deliver(); }, Qt::QueuedConnection); };
    auto* thread = new TUpdateThread(UpdateServerAddress(), UpdateListPath(), handOver);
    thread_ = thread;
    connect(thread, &QThread::finished, this, [this, thread] { threadEnded(thread); }, Qt::QueuedConnection);
    thread->start();
    return true;
}

void UpdateChecker::deliver()
{
    TUpdateThread* thread = thread_;
    if (!thread || shutDown_)
        return;
    QPointer<UpdateChecker> self(this);
    // A copy: the prompt is modal and the window might go away while it is open.
    const UpdateResult result = thread->result();
    NotifyUpdateResult(result, target_, OwnVersionText(), HomePageAddress(), [self] { return self && !self->shutDown_; });
    if (self && thread == thread_)
        thread->releaseHandOver();
}

void UpdateChecker::threadEnded(TUpdateThread* thread)
{
    if (thread != thread_)
        return;
    thread->wait();
    delete thread;
    thread_ = nullptr;
    emit checkFinished();
}

void UpdateChecker::boxChanged(bool ticked)
{
    WritePreference(kUpdateCheckPreference, ticked ? QStringLiteral("T") : QStringLiteral("F"));
    if (ticked)
        start();
}

void UpdateChecker::shutdown()
{
    shutDown_ = true;
    TUpdateThread* thread = thread_;
    if (!thread)
        return;
    thread_ = nullptr;
    thread->requestAbort();
    // A thread still blocked outside the network (a stuck file system) is left to the process
    // rather than destroyed while running; it references nothing of the checker any more.
    if (thread->wait(QDeadlineTimer(kShutdownWaitMs)))
        delete thread;
}

} // namespace qv
