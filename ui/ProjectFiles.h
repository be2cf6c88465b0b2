#pragma once

#include <QByteArray>
#include <QString>

// File helpers of the project commands: digests, the atomic write and copy, the folder rules of
// the host and the look-up of a configuration file named on the command line.
namespace qv::ui {

// The MD5 digest (RFC 1321) of a file's whole content as lower-case hexadecimal text. When the
// file cannot be opened or read, `hex` is empty and `error` holds the platform's reason.
struct FileDigest {
    QString hex;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
FileDigest FileMD5Hex(const QString& path);

// Writes `bytes` to `path` through a temporary file in the same folder that replaces the target
// only when everything has been written; an existing file that may not be written is refused, as
// an in-place write would be. Returns the platform's reason on failure, empty text on success;
// on failure the old file is untouched.
QString WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Copies `source` over `target` (created when missing) the same way: the target is replaced only
// by a complete copy, and a target that may not be written stays as it is. The copy gets the
// source's permissions plus read and write for the owner. False when the copy failed.
bool CopyFileOverwriting(const QString& source, const QString& target);

// Everything up to and including the last folder separator of the host ("\" and ":", and "/" on
// hosts that are not Windows); empty when there is none.
QString FolderOf(const QString& path);

// A folder as the storage folder holds it: unchanged when it ends with the host's separator,
// else with the separator appended.
QString WithTrailingSeparator(const QString& folder);

// The path of Beispiele/starter.exe below the program's folder, in the host's separators.
QString ExamplesStarterPath(const QString& programFolder);

// The configuration file named on the command line: an absolute `argument` (drive form, or a
// single leading "/" on hosts that are not Windows) is taken as it is; any other is looked up
// beside the program and, on hosts that are not Windows, then in `currentFolder`. Returns the path
// of the existing file, or empty text when there is none (or no argument).
QString ResolveCommandLineFile(const QString& argument, const QString& programFolder, const QString& currentFolder);

} // namespace qv::ui
