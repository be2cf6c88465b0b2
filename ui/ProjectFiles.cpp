#include "ProjectFiles.h"

#include "HintRules.h"
#include "Paths.h"
#include "StarterContract.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qv::ui {
namespace {

bool IsSeparator(QChar c)
{
    return c.unicode() < 0x80 && qv::IsPathSeparator(static_cast<char>(c.unicode()));
}

// Opening an existing file for appending writes nothing, but fails exactly where an in-place
// write would: a read-only file, a file in use, a folder of that name.
QString RefusalToWrite(const QString& path)
{
    if (!QFileInfo::exists(path))
        return {};
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
        return probe.errorString();
    return {};
}

} // namespace

FileDigest FileMD5Hex(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QString(), file.errorString()};
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError)
        return {QString(), file.errorString()};
    return {QString::fromLatin1(hash.result().toHex()), QString()};
}

QString WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    if (QString refusal = RefusalToWrite(path); !refusal.isEmpty())
        return refusal;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

bool CopyFileOverwriting(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    if (!WriteFileAtomically(target, bytes).isEmpty())
        return false;
    // The starter must stay runnable where it was copied to, and the user's copy stays theirs.
    return QFile::setPermissions(target, in.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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
