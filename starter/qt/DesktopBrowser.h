#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace qv::starter {

// The desktop's web browser on Linux desktops: the program that handles https addresses
// (x-scheme-handler/https, asked of xdg-mime), started with the address itself. Never the default
// program of a file: a script on the disc would run.

struct BrowserCommand {
    QString program;
    QStringList arguments;
};

// The command of a desktop entry's Exec line for `url`: %u %U %f %F become the address (one
// argument), the other field codes are dropped, "%%" is a "%"; without a field code the address is
// appended. Quoting as the desktop entry rules say. nullopt for an empty line.
std::optional<BrowserCommand> CommandFromExecLine(const QString& exec, const QUrl& url);

// The Exec line of the [Desktop Entry] of a desktop file's text; empty when there is none.
QString ExecLineOf(const QByteArray& desktopFile);

// The browser's command for `url`: the desktop file xdg-mime names for https, looked up in
// $XDG_DATA_HOME and $XDG_DATA_DIRS (applications/). nullopt when there is none.
std::optional<BrowserCommand> DesktopBrowserCommand(const QUrl& url);

} // namespace qv::starter
