#pragma once

#include "FormFixture.h"
#include "TextCodec.h"

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
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
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

} // namespace testfiles

// The window with a scripted seam, a program folder holding Beispiele/starter.exe and an empty
// project folder, all below one temporary folder.
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
    QString project; // ends with "/"
};
