#include "qt/DesktopBrowser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace qv::starter {

std::optional<BrowserCommand> CommandFromExecLine(const QString& exec, const QUrl& url)
{
    // Split as the desktop entry rules say: blanks separate, double quotes group, a backslash in
    // quotes escapes the next character.
    QStringList words;
    QString word;
    bool quoted = false, inWord = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
                word += exec.at(++i);
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inWord = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    if (words.isEmpty())
        return std::nullopt;

    const QString address = url.toString(QUrl::FullyEncoded);
    bool placed = false;
    QStringList arguments;
    for (const QString& w : words) {
        if (w == QLatin1String("%u") || w == QLatin1String("%U") || w == QLatin1String("%f") ||
            w == QLatin1String("%F")) {
            if (!placed)
                arguments.push_back(address);
            placed = true;
            continue;
        }
        QString out;
        bool dropped = false;
        for (qsizetype i = 0; i < w.size(); ++i) {
            if (w.at(i) == QLatin1Char('%') && i + 1 < w.size()) {
                const QChar code = w.at(++i);
                if (code == QLatin1Char('%'))
                    out += QLatin1Char('%');
                else if (code == QLatin1Char('u') || code == QLatin1Char('U') || code == QLatin1Char('f') ||
                         code == QLatin1Char('F')) {
                    out += address;
                    placed = true;
                } else {
                    dropped = true; // %i %c %k and the others
                }
            } else {
                out += w.at(i);
            }
        }
        if (!out.isEmpty() || !dropped)
            arguments.push_back(out);
    }
    if (arguments.isEmpty())
        return std::nullopt;
    if (!placed)
        arguments.push_back(address);
    BrowserCommand command;
    command.program = arguments.takeFirst();
    command.arguments = arguments;
    return command;
}

QString ExecLineOf(const QByteArray& desktopFile)
{
    bool inEntry = false;
    for (const QByteArray& raw : desktopFile.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (inEntry && line.startsWith("Exec")) {
            const qsizetype equals = line.indexOf('=');
            if (equals > 0 && line.left(equals).trimmed() == "Exec")
                return QString::fromUtf8(line.mid(equals + 1).trimmed());
        }
    }
    return {};
}

std::optional<BrowserCommand> DesktopBrowserCommand(const QUrl& url)
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/https")});
    if (!query.waitForFinished(5000) || query.exitCode() != 0)
        return std::nullopt;
    const QString desktopName = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (desktopName.isEmpty() || desktopName.contains(QLatin1Char('/')))
        return std::nullopt;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QStringList dirs{home};
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    dirs += system.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        QFile file(dir + QStringLiteral("/applications/") + desktopName);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString exec = ExecLineOf(file.read(1 << 20));
        if (exec.isEmpty())
            continue;
        return CommandFromExecLine(exec, url);
    }
    return std::nullopt;
}

} // namespace qv::starter
