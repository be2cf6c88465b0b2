#pragma once

#include <QObject>
#include <QString>

namespace qv {

class TUpdateThread;
class UpdateTarget;

// Runs update checks for the main window, one at a time. Create it on the window's thread (it is
// owned by the window, e.g. as a child or a member) with the window as its target:
//   - the start-up decision:  if (ChUpdate ticked) checker.start();   (see UpdateCheckAtStartup)
//   - ChUpdateClick:          checker.boxChanged(ChUpdate->isChecked());
// Each check runs a TUpdateThread; its result reaches the target on this object's thread through
// NotifyUpdateResult, while the worker waits. Destroying the checker (or the application quitting)
// aborts a running check at once, also one waiting on a silent server, and waits for its thread.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    explicit UpdateChecker(UpdateTarget& target, QObject* parent = nullptr);
    ~UpdateChecker() override;

    // Starts a check against UpdateServerAddress() with the list at UpdateListPath(). Returns false
    // and starts nothing while a check is running (the running one reports) or after shutdown().
    bool start();
    // True from start() until the check's thread has ended and checkFinished was emitted.
    bool isRunning() const;

    // The reaction to the box ChUpdate changing state: writes "T" and starts a check when ticked,
    // writes "F" when unticked (a running check goes on).
    void boxChanged(bool ticked);

    // Aborts a running check without a report and waits for its thread; no check starts afterwards.
    // Called by the destructor and when the application is about to quit.
    void shutdown();

signals:
    // A check has ended: its report, if any, has been made.
    void checkFinished();

private:
    void deliver();
    void threadEnded(TUpdateThread* thread);

    UpdateTarget& target_;
    TUpdateThread* thread_ = nullptr;
    bool shutDown_ = false;
};

} // namespace qv
