#include "ui/project/ProjectFiles.h"

#include "config/HintRules.h"
#include "config/Paths.h"
#include "config/StarterContract.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qv::ui {
namespace {

bool IsSeparator(QChar c)
{
    return c.unicode() < 0x80 && qv::IsPathSeparator(static_cast<char>(c.unicode()));
}

std::function<int(WriteStep)>& WriteFault()
{
    static std::function<int(WriteStep)> fault;
    return fault;
}

// The error number a test makes the step fail with, 0 to carry the step out.
int InjectedFault(WriteStep step)
{
    return WriteFault() ? WriteFault()(step) : 0;
}

#ifdef Q_OS_WIN

QString WritePlatformFile(const QString& path, const QByteArray& bytes, LinkHandling,
                          QFileDevice::Permissions permissions)
{
    if (QFileInfo::exists(path)) {
        if (!QFileInfo(path).isFile())
            return QStringLiteral("Keine gewöhnliche Datei");
        // Opening for appending writes nothing, but fails where an in-place write would.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
            return probe.errorString();
    }
    if (int error = InjectedFault(WriteStep::Create))
        return qt_error_string(error);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // A buffered write reports a full disk only when flushed, and commit() does not look at that.
    int error = InjectedFault(WriteStep::Write);
    if (!error && (file.write(bytes) != bytes.size() || !file.flush()))
        error = -1;
    if (!error)
        error = InjectedFault(WriteStep::Sync);
    if (!error)
        error = InjectedFault(WriteStep::Close);
    if (error) {
        const QString reason = error > 0 ? qt_error_string(error) : file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (int renameError = InjectedFault(WriteStep::Rename)) {
        file.cancelWriting();
        return qt_error_string(renameError);
    }
    if (!file.commit())
        return file.errorString();
    if (permissions)
        QFile::setPermissions(path, permissions);
    return {};
}

#else

// The path that is really written: a link's target when links are followed.
QString WrittenPath(const QString& path, LinkHandling links)
{
    const QFileInfo info(path);
    if (links == LinkHandling::ReplaceLink || !info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical; // a dangling link: create its target
}

// Why the file at `path` may not be replaced; empty when it may (or does not exist).
QString RefusalToWrite(const QByteArray& path, const struct stat& status)
{
    if (S_ISLNK(status.st_mode))
        return {}; // replaced as a link, nothing is written through it
    if (!S_ISREG(status.st_mode))
        return S_ISDIR(status.st_mode) ? qt_error_string(EISDIR) : QStringLiteral("Keine gewöhnliche Datei");
    // Opening for appending writes nothing, but fails exactly where an in-place write would: a
    // read-only or immutable file.
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return qt_error_string(errno);
    ::close(fd);
    return {};
}

// Creates a new file beside `target` under a name nobody else can have chosen before.
int CreateTemporary(const QByteArray& target, QByteArray& name)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = target.left(slash + 1);
    const QByteArray base = target.mid(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + '.' + base + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

QString WritePlatformFile(const QString& path, const QByteArray& bytes, LinkHandling links,
                          QFileDevice::Permissions permissions)
{
    const QByteArray target = QFile::encodeName(WrittenPath(path, links));
    struct stat old {};
    const bool exists = ::lstat(target.constData(), &old) == 0;
    if (exists) {
        if (QString refusal = RefusalToWrite(target, old); !refusal.isEmpty())
            return refusal;
    }

    QByteArray temporary;
    int error = InjectedFault(WriteStep::Create);
    const int fd = error ? -1 : CreateTemporary(target, temporary);
    if (fd < 0)
        return qt_error_string(error ? error : errno);

    const auto step = [&](WriteStep which, const std::function<bool()>& action) {
        if (error)
            return;
        error = InjectedFault(which);
        if (!error && !action())
            error = errno;
    };
    step(WriteStep::Write, [&] {
        // The replacement keeps the mode of the file it replaces; the umask shaped a new one.
        if (exists && S_ISREG(old.st_mode) && ::fchmod(fd, old.st_mode & 07777) != 0)
            return false;
        return WriteAll(fd, bytes);
    });
    // Some file systems report a full disk or a failed device only here.
    step(WriteStep::Sync, [&] { return ::fsync(fd) == 0 || errno == EINVAL; });
    const bool closed = ::close(fd) == 0;
    const int closeErrno = errno;
    step(WriteStep::Close, [&] {
        errno = closeErrno;
        return closed;
    });
    if (!error && permissions && !QFile::setPermissions(QFile::decodeName(temporary), permissions))
        error = EPERM;
    step(WriteStep::Rename, [&] { return ::rename(temporary.constData(), target.constData()) == 0; });
    if (error) {
        ::unlink(temporary.constData());
        return qt_error_string(error);
    }
    return {};
}

#endif

} // namespace

void SetWriteFault(std::function<int(WriteStep)> fault)
{
    WriteFault() = std::move(fault);
}

FileDigest FileMD5Hex(const QString& path)
{
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        return {QString(), QStringLiteral("Keine gewöhnliche Datei")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QString(), file.errorString()};
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError)
        return {QString(), file.errorString()};
    return {QString::fromLatin1(hash.result().toHex()), QString()};
}

QString WriteFileAtomically(const QString& path, const QByteArray& bytes, LinkHandling links,
                            QFileDevice::Permissions permissions)
{
    return WritePlatformFile(path, bytes, links, permissions);
}

bool CopyFileOverwriting(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isFile())
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    // The starter must stay runnable where it was copied to, and the user's copy stays theirs.
    return WriteFileAtomically(target, bytes, LinkHandling::ReplaceLink,
                               in.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        .isEmpty();
}

QString FolderOf(const QString& path)
{
    for (qsizetype i = path.size(); i > 0; --i) {
        if (IsSeparator(path.at(i - 1)))
            return path.left(i);
    }
    return {};
}

QString WithTrailingSeparator(const QString& folder)
{
    const QChar separator = QLatin1Char(qv::kHostSeparator);
    return folder.endsWith(separator) ? folder : folder + separator;
}

QString ExamplesStarterPath(const QString& programFolder)
{
    return QDir::toNativeSeparators(programFolder + QLatin1Char('/') + QLatin1String(starter::kExamplesFolder)
                                    + QLatin1Char('/') + QLatin1String(starter::kExecutable));
}

QString LinuxRuntimePath(const QString& programFolder)
{
    const QString beside = QDir(programFolder).filePath(QLatin1String(kLinuxRuntime));
    const QFileInfo info(beside);
    if (info.isFile() && info.isExecutable())
        return beside;
    const QString onPath = QStandardPaths::findExecutable(QLatin1String(kLinuxRuntime));
    return onPath.isEmpty() ? beside : onPath;
}

QString ResolveCommandLineFile(const QString& argument, const QString& programFolder, const QString& currentFolder)
{
    if (argument.isEmpty())
        return {};
    if (qv::IsAbsolutePath(argument.toStdString()))
        return QFileInfo(argument).isFile() ? argument : QString();
#ifdef Q_OS_WIN
    Q_UNUSED(currentFolder);
    const QString beside = WithTrailingSeparator(QDir::toNativeSeparators(programFolder)) + argument;
    return QFileInfo(beside).isFile() ? beside : QString();
#else
    // "./" and "../" are resolved here, so that the storage folder and the caption read plainly.
    for (const QString& folder : {programFolder, currentFolder}) {
        const QString path = QDir::cleanPath(WithTrailingSeparator(folder) + argument);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
#endif
}

} // namespace qv::ui
