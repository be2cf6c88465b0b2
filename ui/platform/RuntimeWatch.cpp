#include "ui/platform/RuntimeWatch.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace qv::ui {

namespace {

// What is kept of standard error: enough for the last lines.
constexpr qsizetype kTailBytes = 8192;

} // namespace

QString EarlyFailureText(const QString& program, const EarlyFailure& failure)
{
    const QString name = QFileInfo(program).fileName();
    QString text = failure.signal != 0
                       ? QStringLiteral("Die Laufzeit \"%1\" ist kurz nach dem Start abgestürzt (Signal %2).")
                             .arg(name)
                             .arg(failure.signal)
                       : QStringLiteral("Die Laufzeit \"%1\" hat sich kurz nach dem Start mit dem Fehlercode %2 beendet.")
                             .arg(name)
                             .arg(failure.exitCode);
    if (failure.lastErrorLine.isEmpty())
        text += QStringLiteral("\n\rSie hat keine Fehlermeldung hinterlassen.");
    else
        text += QStringLiteral("\n\rIhre letzte Fehlermeldung:\n\r") + failure.lastErrorLine;
    return text;
}

#ifdef Q_OS_UNIX

RuntimeWatch* RuntimeWatch::Start(const QString& program, const QStringList& arguments, const QString& workingFolder,
                                  Failed failed, int watchMs)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return nullptr;
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // Standard error into the pipe; a session of its own, as a detached start gives it (a Ctrl+C
    // in the designer's terminal does not end the menu); default signals and no blocked ones.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    const QByteArray folder = QFile::encodeName(workingFolder);
    if (!workingFolder.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (error != 0) {
        ::close(fds[0]);
        return nullptr;
    }
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    auto* watch = new RuntimeWatch(pid, fds[0], std::move(failed), watchMs);
    // Deleted with the application at the latest: that closes the pipe and leaves the program running.
    watch->setParent(QCoreApplication::instance());
    return watch;
}

RuntimeWatch::RuntimeWatch(long long pid, int errorPipe, Failed failed, int watchMs)
    : pid_(pid)
    , errorPipe_(errorPipe)
    , failed_(std::move(failed))
    , watchMs_(watchMs)
{
    clock_.start();
    notifier_ = new QSocketNotifier(errorPipe_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &RuntimeWatch::ReadErrors);
    // Ended programs are noticed by asking: often at first, rarely once the watch is over.
    poll_ = new QTimer(this);
    connect(poll_, &QTimer::timeout, this, &RuntimeWatch::Poll);
    poll_->start(100);
}

RuntimeWatch::~RuntimeWatch()
{
    delete notifier_; // before its descriptor is closed
    if (errorPipe_ >= 0)
        ::close(errorPipe_);
}

void RuntimeWatch::ReadErrors()
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(errorPipe_, buffer, sizeof buffer);
        if (got > 0) {
            // Passed on, as the program's standard error was the designer's before.
            [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, buffer, static_cast<size_t>(got));
            errorTail_.append(buffer, got);
            if (errorTail_.size() > kTailBytes)
                errorTail_.remove(0, errorTail_.size() - kTailBytes);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0) {
            // Every writer is gone (the program and whatever it started).
            notifier_->setEnabled(false);
            ::close(errorPipe_);
            errorPipe_ = -1;
        }
        return;
    }
}

void RuntimeWatch::Poll()
{
    int status = 0;
    const pid_t done = ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
    if (done == 0) {
        if (clock_.elapsed() > watchMs_ && poll_->interval() < 1000)
            poll_->setInterval(1000);
        return;
    }
    poll_->stop();
    if (done < 0) { // not ours to reap any more: nothing is known of its end
        emit ended();
        deleteLater();
        return;
    }
    if (errorPipe_ >= 0)
        ReadErrors(); // what it wrote before it ended
    const bool abnormal = WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
    if (abnormal && clock_.elapsed() <= watchMs_ && failed_) {
        EarlyFailure failure;
        failure.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        failure.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
        const QList<QByteArray> lines = errorTail_.split('\n');
        for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
            const QByteArray trimmed = line->trimmed();
            if (!trimmed.isEmpty()) {
                failure.lastErrorLine = QString::fromLocal8Bit(trimmed);
                break;
            }
        }
        failed_(failure);
    }
    emit ended();
    deleteLater();
}

#endif

} // namespace qv::ui
