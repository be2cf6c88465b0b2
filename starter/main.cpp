#include "ConfigSource.h"
#include "EarlyOptions.h"
#include "Elevation.h"
#include "FirstPaintReport.h"
#include "NoScreenGuard.h"
#include "StarterApp.h"
#include "StarterWindow.h"

#include <QApplication>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "EngineSanitizerOptions.h"

int main(int argc, char* argv[])
{
    // --help, --version, a wrong option and a missing screen are answered before Qt starts.
    if (const auto exitCode = qv::cmdline::CheckBeforeWindows(qv::cmdline::Program::Runtime, argc, argv))
        return *exitCode;
#ifndef _WIN32
    // The browser engine refuses to start as root with its sandbox on; a disc menu started by root
    // (a test machine, a live system) would otherwise show nothing.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    qv::NoScreenGuard noScreen(qv::cmdline::Program::Runtime);
    QApplication app(argc, argv);
    noScreen.End();
    QApplication::setApplicationName(QStringLiteral("starter"));

#ifdef _WIN32
    // The command line as runme.bat wrote it, split by the parameter reader's own rules (the
    // system's splitting would read a backslash before a closing quote as an escape).
    const QStringList arguments =
        qv::starter::StarterApp::SplitArguments(QString::fromWCharArray(GetCommandLineW())).mid(1);
#else
    const QStringList arguments = app.arguments().mid(1);
#endif
    qv::starter::LoadedConfiguration configuration =
        qv::starter::LoadStarterConfiguration(QCoreApplication::applicationFilePath(), arguments);
    if (configuration.loaded.settings.ChAdmin && qv::starter::RestartElevated())
        return 0;
    qv::starter::QtStarterInteraction interaction;
    qv::starter::StarterApp starter(std::move(configuration), interaction);
    starter.Start();
    if (qEnvironmentVariable("QUORVANE_STARTER_FIRST_PAINT") == QLatin1String("1"))
        qv::starter::ReportFirstPaint(starter.Window()->View()); // for the tests and the benchmark
    return app.exec();
}
