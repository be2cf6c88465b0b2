#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <functional>

// File helpers of the project commands: digests, the atomic write and copy, the folder rules of
// the host and the look-up of a configuration file named on the command line.
namespace qv::ui {

// The MD5 digest (RFC 1321) of a file's whole content as lower-case hexadecimal text. Only a
// regular file (or a link to one) is read: a device or a pipe could block or never end. When the
// file cannot be opened or read, `hex` is empty and `error` holds the reason.
struct FileDigest {
    QString hex;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
FileDigest FileMD5Hex(const QString& path);

// What an atomic write does with a target that is a symbolic link: write the file the link points
// to (the link stays), or replace the link itself with a regular file and never write through it.
enum class LinkHandling { WriteLinkTarget, ReplaceLink };

// Writes `bytes` to `path` through a new temporary file in the same folder (unique name, created
// exclusively) that replaces the target only when every write, the flush to the disk and the
// close have succeeded. An existing file that may not be written, or that is not a regular file
// (folder, device, pipe), is refused, as an in-place write would be. The result keeps the
// permissions of the file it replaces; a new file gets the usual ones, or `permissions` when given.
// Returns the platform's reason on failure, empty text on success; on failure the old file is
// untouched and no temporary file remains.
QString WriteFileAtomically(const QString& path, const QByteArray& bytes,
                            LinkHandling links = LinkHandling::WriteLinkTarget,
                            QFileDevice::Permissions permissions = {});

// Test seam: the steps of WriteFileAtomically where the platform can fail. When a fault is set,
// it runs before each step; a non-zero result is taken as the error number of that step, which
// then fails as the platform would have failed it. An empty function removes the fault.
enum class WriteStep { Create, Write, Sync, Close, Rename };
void SetWriteFault(std::function<int(WriteStep)> fault);

// Copies the regular file `source` over `target` (created when missing) the same way: the target
// is replaced only by a complete copy, a target that may not be written stays as it is, and a
// target that is a link is replaced by a file, never written through. The copy gets the source's
// permissions plus read and write for the owner. False when the copy failed.
bool CopyFileOverwriting(const QString& source, const QString& target);

// Everything up to and including the last folder separator of the host ("\" and ":", and "/" on
// hosts that are not Windows); empty when there is none.
QString FolderOf(const QString& path);

// A folder as the storage folder holds it: unchanged when it ends with the host's separator,
// else with the separator appended.
QString WithTrailingSeparator(const QString& folder);

// The path of Beispiele/starter.exe below the program's folder, in the host's separators.
QString ExamplesStarterPath(const QString& programFolder);

// The Linux runtime, with which the designer shows the demonstration and test-runs a project where
// the Windows starter.exe cannot run ("quorvane-starter --folder <folder>").
inline constexpr const char* kLinuxRuntime = "quorvane-starter";
// Where it is: beside the designer's executable first, then on PATH. When neither has it, the path
// beside the designer (starting it then fails as a missing starter.exe did).
QString LinuxRuntimePath(const QString& programFolder);

// The configuration file named on the command line: an absolute `argument` (drive form, or a
// single leading "/" on hosts that are not Windows) is taken as it is; any other is looked up
// beside the program and, on hosts that are not Windows, then in `currentFolder`. Returns the path
// of the existing file, or empty text when there is none (or no argument).
QString ResolveCommandLineFile(const QString& argument, const QString& programFolder, const QString& currentFolder);

} // namespace qv::ui
