#include "ui/discstep/BurnTools.h"

#include <QDir>
#include <QStandardPaths>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qv::ui {

BurnTools BurnTools::FromSystem()
{
    BurnTools tools;
#ifdef _WIN32
    tools.windows = true;
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    const QString folder = length > 0 && length < MAX_PATH ? QString::fromWCharArray(system, static_cast<int>(length))
                                                            : qEnvironmentVariable("SystemRoot") + QStringLiteral("\\System32");
    tools.isoburn = QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("isoburn.exe")));
#else
    tools.xorriso = QStandardPaths::findExecutable(QStringLiteral("xorriso"));
    tools.brasero = QStandardPaths::findExecutable(QStringLiteral("brasero"));
    tools.k3b = QStandardPaths::findExecutable(QStringLiteral("k3b"));
#endif
    return tools;
}

std::vector<BurnDrive> BurnTools::WindowsDrives()
{
    std::vector<BurnDrive> drives;
#ifdef _WIN32
    const DWORD mask = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if ((mask & (1u << letter)) == 0)
            continue;
        const std::wstring root{static_cast<wchar_t>(L'A' + letter), L':', L'\\'};
        if (GetDriveTypeW(root.c_str()) == DRIVE_CDROM) {
            const std::string drive{static_cast<char>('A' + letter), ':'};
            drives.push_back({drive, drive});
        }
    }
#endif
    return drives;
}

} // namespace qv::ui
