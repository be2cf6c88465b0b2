#include "update/Preference.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

#include <memory>

namespace qv {

namespace {

std::unique_ptr<QSettings> OpenStore()
{
#ifdef _WIN32
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Quorvane"),
                                       QSettings::NativeFormat);
#else
    // Computed on every call, so a changed XDG_CONFIG_HOME takes effect at once.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty())
        return nullptr;
    return std::make_unique<QSettings>(QDir(folder).filePath(QStringLiteral("Quorvane/Quorvane.conf")),
                                       QSettings::IniFormat);
#endif
}

} // namespace

QString RegistryPreference(int mode, const QString& name, const QString& value)
{
    if (mode != 0 && mode != 1)
        return QString();
    const std::unique_ptr<QSettings> store = OpenStore();
    if (!store || store->status() != QSettings::NoError)
        return QString();
    if (mode == 1) {
        store->setValue(name, value);
        store->sync();
        return QString();
    }
    const QVariant stored = store->value(name);
    if (!stored.isValid())
        return QString();
    if (stored.typeId() == QMetaType::QString)
        return stored.toString();
    // A value of another type (a number, a list, binary data) was not written by the designer;
    // it counts as on and is left alone.
    return QStringLiteral("T");
}

bool UpdateCheckAtStartup()
{
    if (ReadPreference(kUpdateCheckPreference).isEmpty())
        WritePreference(kUpdateCheckPreference, QStringLiteral("T"));
    return ReadPreference(kUpdateCheckPreference) != QLatin1String("F");
}

} // namespace qv
