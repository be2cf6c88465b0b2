#include "ui/widgets/CaptionText.h"

#include "config/Paths.h"

namespace qv::ui {

QString ShortenFolder(const QString& folder, const TextWidth& width, int maxWidth, QChar separator)
{
    QString drive;
    QString dir;
    if (folder.size() >= 2 && folder.at(1) == QLatin1Char(':'))
        drive = folder.left(2);
    dir = folder.mid(drive.size());
    const int lastSep = dir.lastIndexOf(separator);
    const QString file = dir.mid(lastSep + 1); // empty for a folder that ends with a separator
    dir = dir.left(lastSep + 1);

    const QString ellipsis = QStringLiteral("...") + separator;
    const QString cutMark = separator + ellipsis;
    while ((!dir.isEmpty() || !drive.isEmpty()) && width(drive + dir + file) > maxWidth) {
        if (dir == cutMark) {
            drive.clear();
            dir = ellipsis;
        } else if (dir.isEmpty()) {
            drive.clear();
        } else if (dir == QString(separator)) {
            dir.clear();
        } else {
            QString lead;
            if (dir.startsWith(separator)) {
                lead = separator;
                dir.remove(0, 1);
            }
            if (dir.startsWith(QLatin1Char('.')))
                dir.remove(0, 4); // the "...<sep>" of an earlier cut
            const int first = dir.indexOf(separator);
            dir = first >= 0 ? ellipsis + dir.mid(first + 1) : QString();
            dir = lead + dir;
        }
    }
    return drive + dir + file;
}

QString CaptionLocation(const QString& folder, int target, bool changed, const TextWidth& width)
{
    QString location;
    if (folder.isEmpty()) {
        location = QStringLiteral("Neues Projekt");
    } else {
        location = ShortenFolder(folder, width, 150, QLatin1Char(kHostSeparator));
        if (target == 0)
            location += QStringLiteral("starter.ini");
        else if (target == 1)
            location += QStringLiteral("autorun.inf");
    }
    if (changed)
        location += QLatin1Char('*');
    return location;
}

QString CaptionText(const QString& titleBase, const QString& location)
{
    return titleBase + QStringLiteral(" - [") + location + QLatin1Char(']');
}

} // namespace qv::ui
