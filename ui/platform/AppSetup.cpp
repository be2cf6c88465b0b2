#include "ui/platform/AppSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

namespace qv::ui {
namespace {

void AddFirstExisting(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (QFileInfo::exists(path)) {
            QFontDatabase::addApplicationFont(path);
            return;
        }
    }
}

// The folders that may hold Tahoma's files when the font database does not list it.
QStringList TahomaFolders()
{
#ifdef Q_OS_WIN
    // Windows' own font folder; then Wine's, which keeps its fonts outside the Windows folder (its
    // data folder, reached through drive Z:) where Qt's font database does not look.
    QStringList folders{QDir::fromNativeSeparators(qEnvironmentVariable("WINDIR")) + QStringLiteral("/Fonts/")};
    QString wineData = QDir::fromNativeSeparators(qEnvironmentVariable("WINEDATADIR"));
    if (wineData.startsWith(QLatin1String("/??/")))
        wineData.remove(0, 4);
    if (!wineData.isEmpty())
        folders << wineData + QStringLiteral("/fonts/");
    folders << QStringLiteral("Z:/usr/share/wine/fonts/") << QStringLiteral("Z:/usr/share/fonts/truetype/wine/")
            << QStringLiteral("Z:/opt/wine-stable/share/wine/fonts/") << QStringLiteral("Z:/usr/local/share/wine/fonts/");
    return folders;
#else
    return {QStringLiteral("/usr/share/wine/fonts/"), QStringLiteral("/usr/share/fonts/truetype/wine/")};
#endif
}

} // namespace

void LoadFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (!QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        const QStringList folders = TahomaFolders();
        for (const char* file : {"tahoma.ttf", "tahomabd.ttf"}) {
            QStringList paths;
            for (const QString& folder : folders)
                paths << folder + QLatin1String(file);
            AddFirstExisting(paths);
        }
    }
    if (!QFontDatabase::hasFamily(QStringLiteral("Courier New"))
        && !QFontDatabase::hasFamily(QStringLiteral("Liberation Mono"))) {
        AddFirstExisting({QStringLiteral("/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf")});
    }
}

QFont WindowFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    return font;
}

QString MonospaceFamily()
{
    if (QFontDatabase::hasFamily(QStringLiteral("Courier New")))
        return QStringLiteral("Courier New");
    return QStringLiteral("Liberation Mono");
}

bool InstallGermanTranslation()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    // The Windows program carries the file inside itself; elsewhere the system's Qt has it.
    if (!translator->load(QStringLiteral("qtbase_de"), QStringLiteral(":/i18n"))
        && !translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace qv::ui
