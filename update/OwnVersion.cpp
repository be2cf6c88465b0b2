#include "update/OwnVersion.h"

#include <QStringList>

#ifdef _WIN32
#include <windows.h>
#include <winver.h>
#include <iterator>
#include <vector>
#endif

namespace qv {

QString VersionTextFromWords(quint32 mostSignificant, quint32 leastSignificant)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(mostSignificant >> 16)
        .arg(mostSignificant & 0xFFFFu)
        .arg(leastSignificant >> 16)
        .arg(leastSignificant & 0xFFFFu);
}

namespace {

const QString kUnreadable = QStringLiteral("0.0.0.0");

#ifdef _WIN32
QString VersionFromResource()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    if (length == 0 || length >= std::size(path))
        return kUnreadable;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return kUnreadable;
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data()))
        return kUnreadable;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) || !info
        || infoLength < sizeof(VS_FIXEDFILEINFO))
        return kUnreadable;
    return VersionTextFromWords(info->dwFileVersionMS, info->dwFileVersionLS);
}
#else
// The build's version, normalised the way the resource words would give it.
QString VersionFromBuild()
{
    const QStringList parts = QStringLiteral(QUORVANE_VERSION).split(QLatin1Char('.'));
    if (parts.isEmpty() || parts.size() > 4)
        return kUnreadable;
    quint32 numbers[4] = {0, 0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok);
        if (!ok || value > 0xFFFFu)
            return kUnreadable;
        numbers[i] = value;
    }
    return VersionTextFromWords(numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]);
}
#endif

} // namespace

QString OwnVersionText()
{
#ifdef _WIN32
    return VersionFromResource();
#else
    return VersionFromBuild();
#endif
}

} // namespace qv
