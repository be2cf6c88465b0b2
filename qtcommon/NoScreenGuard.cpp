#include "qtcommon/NoScreenGuard.h"

#include "cmdline/EarlyOptions.h"
#include "cmdline/ScreenCheck.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qv {
namespace {

QtMessageHandler previousHandler = nullptr;
cmdline::Program guardedProgram = cmdline::Program::Designer;

void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg && message.contains(QLatin1String("platform plugin"))) {
        const std::string text = cmdline::ScreenUnreachable(guardedProgram);
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
        // Qt is half made: no destructor may run.
        std::_Exit(cmdline::kExitUsage);
    }
    if (previousHandler != nullptr)
        previousHandler(type, context, message);
}

} // namespace

NoScreenGuard::NoScreenGuard(cmdline::Program program)
{
    guardedProgram = program;
    previousHandler = qInstallMessageHandler(Handle);
}

NoScreenGuard::~NoScreenGuard()
{
    End();
}

void NoScreenGuard::End()
{
    if (!active_)
        return;
    active_ = false;
    qInstallMessageHandler(previousHandler);
}

} // namespace qv
