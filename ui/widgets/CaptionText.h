#pragma once

#include <QChar>
#include <QString>

#include <functional>

namespace qv::ui {

using TextWidth = std::function<int(const QString&)>;

// Shortens a folder path until `width` of it is at most `maxWidth`: the leading folders give way
// to "...<sep>" one by one, then the drive goes ("C:\a\b\c\" -> "C:\...\b\c\" -> "C:\...\c\" ->
// "C:\...\" -> "...\"). `separator` is the host's folder separator.
QString ShortenFolder(const QString& folder, const TextWidth& width, int maxWidth, QChar separator);

// The location text of the caption: "Neues Projekt" for an empty folder, else the shortened
// folder and the target's file name (none for target 2); "*" while the project is changed.
QString CaptionLocation(const QString& folder, int target, bool changed, const TextWidth& width);

// "<titleBase> - [<location>]".
QString CaptionText(const QString& titleBase, const QString& location);

} // namespace qv::ui
