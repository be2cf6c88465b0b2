#include "qt/StarterTranslations.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace qv::starter {

void UseGermanLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

bool InstallGermanTranslations(QCoreApplication& app)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool all = true;
    for (const char* name : {"qtbase_de", "qtwebengine_de"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(name), folder)) {
            QCoreApplication::installTranslator(translator);
        } else {
            delete translator;
            all = false;
        }
    }
    return all;
}

} // namespace qv::starter
