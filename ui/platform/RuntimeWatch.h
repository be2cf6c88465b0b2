#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QSocketNotifier;
class QTimer;

namespace qv::ui {

// How a started program ended abnormally.
struct EarlyFailure {
    int exitCode = 0;      // its exit code, when it exited
    int signal = 0;        // the signal that ended it, else 0
    QString lastErrorLine; // the last non-empty line it wrote to standard error; may be empty
};

// The German message of the designer when the runtime it started (`program`, shown by its file
// name) ended abnormally within its first seconds; lines broken by "\n\r" like every message.
QString EarlyFailureText(const QString& program, const EarlyFailure& failure);

// Starts a program, detached from the designer's session as QProcess::startDetached starts it,
// and watches its first seconds: a program that ends with a signal or an exit code other than 0
// within kWatchMs is reported through `failed`, on this thread. Its standard error passes through
// to the designer's own; the last line is kept for the report. A program that outlives the
// designer goes on running (it is never killed). Unix only. The object deletes itself once the
// program has ended.
#ifdef Q_OS_UNIX
class RuntimeWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kWatchMs = 15000;
    using Failed = std::function<void(const EarlyFailure&)>;

    // Null when the program could not be started. `watchMs`: how long an abnormal end is reported.
    static RuntimeWatch* Start(const QString& program, const QStringList& arguments, const QString& workingFolder,
                               Failed failed, int watchMs = kWatchMs);
    ~RuntimeWatch() override;

signals:
    // The program has ended (after `failed`, if that was called).
    void ended();

private:
    RuntimeWatch(long long pid, int errorPipe, Failed failed, int watchMs);
    void ReadErrors();
    void Poll();

    long long pid_;
    int errorPipe_;
    Failed failed_;
    int watchMs_;
    QByteArray errorTail_;
    QElapsedTimer clock_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* poll_ = nullptr;
};
#endif

} // namespace qv::ui
