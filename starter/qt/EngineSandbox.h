#pragma once

// The browser engine refuses to start as root with its sandbox on; a disc menu started by root (a
// test machine, a live system) would otherwise show nothing. Called before the application object.
#include <QByteArray>
#include <QtGlobal>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace qv::starter {

inline void AllowEngineAsRoot()
{
#ifndef _WIN32
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}

} // namespace qv::starter
