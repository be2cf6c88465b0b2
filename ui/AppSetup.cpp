#include "ui/AppSetup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

namespace qv::ui {
namespace {

void AddFirstExisting(std::initializer_list<const char*> paths)
{
    for (const char* path : paths) {
        if (QFileInfo::exists(QString::fromLatin1(path))) {
            QFontDatabase::addApplicationFont(QString::fromLatin1(path));
            return;
        }
    }
}

} // namespace

void LoadFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (!QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        AddFirstExisting({"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/fonts/truetype/wine/tahoma.ttf"});
        AddFirstExisting({"/usr/share/wine/fonts/tahomabd.ttf", "/usr/share/fonts/truetype/wine/tahomabd.ttf"});
    }
    if (!QFontDatabase::hasFamily(QStringLiteral("Courier New"))
        && !QFontDatabase::hasFamily(QStringLiteral("Liberation Mono"))) {
        AddFirstExisting({"/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf"});
    }
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
