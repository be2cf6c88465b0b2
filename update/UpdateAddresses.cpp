#include "update/UpdateAddresses.h"

#include <QtGlobal>

namespace qv {

QString UpdateServerAddress()
{
    const QString fromEnvironment = qEnvironmentVariable("QUORVANE_UPDATE_URL");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStringLiteral(QUORVANE_DEFAULT_UPDATE_URL);
}

QString HomePageAddress()
{
    return QStringLiteral(QUORVANE_DEFAULT_HOME_URL);
}

} // namespace qv
