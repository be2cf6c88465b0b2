#include "update/UpdateList.h"

#include "update/UpdateTarget.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <algorithm>

namespace qv {

QString UpdateListPath()
{
    QString folder = qEnvironmentVariable("TEMP");
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(kUpdateListFileName);
}

QByteArray WithCrLfLineEnds(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 16 + 2);
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        out.append(bytes.constData() + start, end - start);
        out.append("\r\n");
        if (end < size && bytes[end] == '\r' && end + 1 < size && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return out;
}

namespace {

constexpr qsizetype kMaxValueLength = 2047;

// Windows-1252 0x80..0x9F; the five undefined bytes keep their C1 code points.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString FromCp1252(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(QChar(byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte)));
    }
    return text;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArrayView Trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && IsBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && IsBlank(text.back()))
        text.chop(1);
    return text;
}

QByteArrayView Unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// Reads the list line by line in place: no line is copied, so the memory stays that of the list.
// With `anyLineEnd`, CR ends a line as LF does (CR LF is one line end).
UpdateResult Parse(QByteArrayView bytes, bool anyLineEnd)
{
    UpdateResult result;
    bool seen[4] = {false, false, false, false};
    QString* fields[4] = {&result.currentversion, &result.message, &result.messagelink, &result.updatelink};
    static const char* const names[4] = {"currentversion", "message", "messagelink", "updatelink"};

    bool inUpdate = false;
    bool updateSeen = false;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start <= size) {
        qsizetype end = start;
        if (anyLineEnd) {
            while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
                ++end;
        } else {
            end = bytes.indexOf('\n', start);
            if (end < 0)
                end = size;
        }
        const QByteArrayView line = Trimmed(bytes.sliced(start, end - start));
        start = end + 1;
        if (anyLineEnd && end + 1 < size && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++start;
        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const qsizetype close = line.lastIndexOf(']');
            const QByteArrayView name = Trimmed(line.sliced(1, close < 0 ? line.size() - 1 : close - 1));
            const bool isUpdate = name.compare("Update", Qt::CaseInsensitive) == 0;
            inUpdate = isUpdate && !updateSeen;
            updateSeen = updateSeen || isUpdate;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inUpdate || equals < 0)
            continue;
        const QByteArrayView key = Trimmed(line.first(equals));
        for (int i = 0; i < 4; ++i) {
            if (seen[i] || key.compare(names[i], Qt::CaseInsensitive) != 0)
                continue;
            seen[i] = true;
            const QByteArrayView value = Unquoted(Trimmed(line.sliced(equals + 1)));
            *fields[i] = FromCp1252(value.first(std::min(kMaxValueLength, value.size())));
        }
    }
    return result;
}

} // namespace

UpdateResult ParseUpdateList(const QByteArray& bytes)
{
    return Parse(bytes, false);
}

UpdateResult ReadUpdateListFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Parse(file.read(kMaxUpdateListBytes), true);
}

bool IsWebAddress(const QString& link)
{
    const QUrl url(link, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme();
    if (scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) != 0
        && scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) != 0)
        return false;
    // The text itself must begin with the scheme and "//": no leading blanks or other tricks.
    return link.startsWith(scheme + QLatin1String("://"), Qt::CaseInsensitive);
}

void NotifyUpdateResult(const UpdateResult& result, UpdateTarget& target, const QString& ownVersion,
                        const QString& homePage, const std::function<bool()>& stillThere)
{
    if (!result.currentversion.isEmpty() && result.currentversion != ownVersion) {
        const QString link = IsWebAddress(result.updatelink) ? result.updatelink : homePage;
        const bool yes = target.askUpdate(kUpdatePromptTitle, kUpdatePromptText);
        if (stillThere && !stillThere())
            return;
        if (yes)
            target.openAddress(link);
    }
    if (!result.message.isEmpty())
        target.showMessage(result.message, IsWebAddress(result.messagelink) ? result.messagelink : QString());
}

} // namespace qv
