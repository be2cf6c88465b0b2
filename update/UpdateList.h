#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace qv {

class UpdateTarget;

// The answer of the update server, as read from the update list.
struct UpdateResult {
    QString message;         // one line for the message bar; empty: no message
    QString messagelink;     // opened by a click on the message; empty: not clickable
    QString currentversion;  // the newest version; empty: no prompt
    QString updatelink;      // opened on Yes; empty: the home page

    bool operator==(const UpdateResult&) const = default;
};

// The update list stops being received after this many bytes; what arrived is read.
inline constexpr qint64 kMaxUpdateListBytes = 1024 * 1024;

// One check ends after this long at the latest, however slowly the server keeps sending.
inline constexpr int kCheckTimeLimitSeconds = 60;

// The file name of the update list in the temporary folder.
inline const QString kUpdateListFileName = QStringLiteral("velmorant-qvr-updatelist.ini");

// Where a check keeps the update list: the folder named by the environment variable TEMP, or the
// system's temporary folder when TEMP is not set or empty, with kUpdateListFileName.
QString UpdateListPath();

// The lines of `bytes` each ended by CR LF, the last one included. A line ends at CR, LF or CR LF;
// a line break at the very end starts no further line, so empty input stays empty.
QByteArray WithCrLfLineEnds(const QByteArray& bytes);

// Reads the section "Update" of an update list in Windows-1252, in the dialect of the Windows
// profile reader:
//   - a line ends at LF; blanks, tabs, CR, VT and FF at its ends are ignored; ";" starts a comment;
//   - "[name]" opens a section; names of sections and keys match without regard to letter case;
//     the first section called "Update" is read, later ones are ignored;
//   - "key=value": both sides trimmed, the first line of a key wins, one enclosing pair of double or
//     single quotes is removed, the value is cut to 2047 bytes;
//   - lines without "=" and keys outside the section are ignored; missing keys read as empty text.
UpdateResult ParseUpdateList(const QByteArray& bytes);

// Reads the update list that a check downloaded to `path` (at most kMaxUpdateListBytes of it), its
// line ends taken as CR, LF or CR LF alike; a file that cannot be read gives an empty result.
UpdateResult ReadUpdateListFile(const QString& path);

// True for an absolute http:// or https:// address with a host. Only such addresses from the
// update list are handed to the shell: the list comes unauthenticated over plain HTTP.
bool IsWebAddress(const QString& link);

// The prompt of a new version.
inline const QString kUpdatePromptTitle = QStringLiteral("Update");
inline const QString kUpdatePromptText =
    QStringLiteral("Eine neue Version von Quorvane ist verfügbar.\n\rMöchtest du sie jetzt herunterladen?");

// Reports a check's result to the window, on the window's thread:
//   1. when currentversion is not empty and differs from `ownVersion` (exact text comparison), asks
//      the update prompt; on Yes opens updatelink, or `homePage` when updatelink is not a web
//      address (empty included);
//   2. then, when message is not empty, shows it with messagelink as its link; a messagelink that
//      is not a web address gives a plain message. A messagelink without a message does nothing.
// `stillThere` is asked after the modal prompt: when it answers false (the window went away while
// the prompt was open), nothing further is done.
void NotifyUpdateResult(const UpdateResult& result, UpdateTarget& target, const QString& ownVersion,
                        const QString& homePage, const std::function<bool()>& stillThere = {});

} // namespace qv
