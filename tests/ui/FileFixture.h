#pragma once

#include "FormFixture.h"
#include "ui/project/ProjectFiles.h"
#include "ui/project/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>
#include <type_traits>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#endif

// Replaces the answers waiting in one of the seam's queues.
template <class T>
void Script(QQueue<T>& queue, std::initializer_list<std::type_identity_t<T>> items)
{
    queue.clear();
    for (const T& item : items)
        queue.enqueue(item);
}

// Files on disk for the tests of the file commands.
namespace testfiles {

inline void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Restores the current folder when it goes out of scope, however the test ends.
struct CurrentFolderGuard {
    QString previous = QDir::currentPath();
    ~CurrentFolderGuard() { QDir::setCurrent(previous); }
};

inline QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// True when the current user can still create a file in `folder` or write to `file`.
inline bool StillWritable(const QString& path)
{
    if (QFileInfo(path).isDir()) {
        QFile probe(path + QStringLiteral("/.probe"));
        const bool created = probe.open(QIODevice::WriteOnly);
        if (created)
            probe.remove();
        return created;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

#ifdef Q_OS_LINUX
inline bool SetImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}
#endif

// Makes a file or a folder refuse writing for any user while it lives: the write permissions go,
// and where they do not stop the current user (the superuser), the immutable attribute too.
class ReadOnly {
public:
    explicit ReadOnly(const QString& path)
        : path_(path)
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
        ok_ = !StillWritable(path);
#ifdef Q_OS_LINUX
        if (!ok_) {
            immutable_ = SetImmutable(path, true);
            ok_ = immutable_ && !StillWritable(path);
        }
#endif
    }
    ~ReadOnly()
    {
#ifdef Q_OS_LINUX
        if (immutable_)
            SetImmutable(path_, false);
#endif
        QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;

    // False when this file system lets the current user write anyway.
    bool ok() const { return ok_; }

private:
    QString path_;
    bool ok_ = false;
    bool immutable_ = false;
};

#ifdef Q_OS_LINUX
// Keeps any open of a named pipe from blocking for long while it lives: it opens the other end
// of `fifo` now and then, so a reader sees the end at once and a writer gets through. Code that
// wrongly reads such a pipe then ends (and fails its test) instead of hanging the test run.
class PipeReleaser {
public:
    explicit PipeReleaser(const QString& fifo)
        : path_(QFile::encodeName(fifo))
        , thread_([this] {
            while (!stop_) {
                for (int mode : {O_WRONLY, O_RDONLY}) {
                    const int fd = ::open(path_.constData(), mode | O_NONBLOCK | O_CLOEXEC);
                    if (fd >= 0)
                        ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
        })
    {
    }
    ~PipeReleaser()
    {
        stop_ = true;
        thread_.join();
    }
    PipeReleaser(const PipeReleaser&) = delete;
    PipeReleaser& operator=(const PipeReleaser&) = delete;

private:
    QByteArray path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Makes a named pipe (kind 'p') or a character device like the null device (kind 'c') at `path`;
// false where this system does not allow it.
inline bool MakeNode(const QString& path, char kind)
{
    const QByteArray name = QFile::encodeName(path);
    if (kind == 'p')
        return ::mkfifo(name.constData(), 0644) == 0;
    return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

// The kind of what lies at `path`, the link itself judged: 'f' file, 'l' link, 'p' pipe,
// 'c' character device, 'd' folder, '-' nothing.
inline char NodeKind(const QString& path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return '-';
    if (S_ISLNK(status.st_mode))
        return 'l';
    if (S_ISREG(status.st_mode))
        return 'f';
    if (S_ISFIFO(status.st_mode))
        return 'p';
    if (S_ISCHR(status.st_mode))
        return 'c';
    return S_ISDIR(status.st_mode) ? 'd' : '?';
}

// A small file system of its own (tmpfs) that can be filled to the last byte, so that writes fail
// as on a full disk. Mounting needs the right to mount; `why()` says why it is missing.
class SmallDisk {
public:
    explicit SmallDisk(int kib = 256)
    {
        if (!folder_.isValid()) {
            why_ = "no temporary folder";
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0755";
        if (::mount("tmpfs", QFile::encodeName(folder_.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData())
            != 0) {
            why_ = std::string("mounting a small tmpfs is not allowed here: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(folder_.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool ok() const { return mounted_; }
    const std::string& why() const { return why_; }
    // The mounted folder, ending with "/".
    QString path() const { return folder_.path() + QLatin1Char('/'); }

    // Takes all the free space but `leave` bytes with a file of its own.
    void Fill(qint64 leave = 0)
    {
        struct statvfs status {};
        ASSERT_EQ(::statvfs(QFile::encodeName(folder_.path()).constData(), &status), 0);
        const qint64 free = static_cast<qint64>(status.f_bavail) * static_cast<qint64>(status.f_frsize);
        QFile filler(path() + QStringLiteral(".filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Append));
        const QByteArray chunk(4096, 'x');
        for (qint64 left = free - leave; left > 0; left -= chunk.size()) {
            if (filler.write(chunk.left(static_cast<qsizetype>(std::min<qint64>(left, chunk.size())))) < 0)
                break;
        }
        filler.close();
    }
    // The space still free, in bytes.
    qint64 Free() const
    {
        struct statvfs status {};
        ::statvfs(QFile::encodeName(folder_.path()).constData(), &status);
        return static_cast<qint64>(status.f_bavail) * static_cast<qint64>(status.f_frsize);
    }

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
    std::string why_;
};
#endif

// Sets the write seam of the atomic file writes for one scope.
class ScopedWriteFault {
public:
    explicit ScopedWriteFault(std::function<int(qv::ui::WriteStep)> fault) { qv::ui::SetWriteFault(std::move(fault)); }
    ~ScopedWriteFault() { qv::ui::SetWriteFault({}); }
};

} // namespace testfiles

// The window with a scripted seam, a program folder holding Beispiele/starter.exe and
// quorvane-starter, and an empty project folder, all below one temporary folder.
class FilesTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        ASSERT_TRUE(root.isValid());
        programFolder = root.filePath(QStringLiteral("programm"));
        examplesStarter = programFolder + QStringLiteral("/Beispiele/starter.exe");
        testfiles::Write(examplesStarter, kStarterBytes);
        QFile::setPermissions(examplesStarter, QFile::permissions(examplesStarter) | QFileDevice::ExeOwner);
        // The Linux runtime beside the designer, which demonstrates and test-runs off Windows.
        linuxRuntime = programFolder + QStringLiteral("/quorvane-starter");
        testfiles::Write(linuxRuntime, "#!/bin/sh\n");
        QFile::setPermissions(linuxRuntime, QFile::permissions(linuxRuntime) | QFileDevice::ExeOwner);
        form->ProgramFolder = programFolder;
        project = root.filePath(QStringLiteral("projekt")) + QLatin1Char('/');
        QDir().mkpath(project);
        seam.calls.clear();
    }

    // Opens `path` with the open command, answering its dialog.
    void OpenWithDialog(const QString& path)
    {
        seam.fileNames.enqueue(path);
        form->BitOeffnenClick();
    }

    // The text shown on the save page as a file: its lines ended by CR LF, in Windows-1252; for
    // the batch file every "%" doubled.
    QByteArray ShownTextAsFile(bool batchFile = false) const
    {
        QByteArray bytes;
        for (const QString& line : W<QPlainTextEdit>("mcode")->toPlainText().split(QLatin1Char('\n')))
            bytes += QByteArray::fromStdString(qv::ui::ToCp1252(line)) + "\r\n";
        if (batchFile)
            bytes.replace("%", "%%");
        return bytes;
    }

    QLineEdit* Field(const char* name) const { return W<QLineEdit>(name); }

    static inline const QByteArray kStarterBytes = QByteArrayLiteral("#!/bin/sh\n# stand-in starter, version 1\n");

    QTemporaryDir root;
    QString programFolder;
    QString examplesStarter;
    QString linuxRuntime;
    QString project; // ends with "/"
};
