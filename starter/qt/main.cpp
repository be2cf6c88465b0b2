#include "cmdline/EarlyOptions.h"
#include "cmdline/SharedMemoryCheck.h"
#include "qt/EngineSandbox.h"
#include "qt/FirstPaintReport.h"
#include "qt/QtTypes.h"
#include "qt/StarterApp.h"
#include "qt/StarterTranslations.h"
#include "qt/StarterWindow.h"
#include "qtcommon/NoScreenGuard.h"
#include "rules/ConfigSource.h"
#include "windows/Elevation.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

#include "qt/EngineSanitizerOptions.h"

int main(int argc, char* argv[])
{
    // --help, --version, a wrong option and a missing screen are answered before Qt starts.
    if (const auto exitCode = qv::cmdline::CheckBeforeWindows(qv::cmdline::Program::Runtime, argc, argv))
        return *exitCode;
    // Without shared memory the engine aborts with a line of its own: say in German what is missing.
    if (const std::string missing = qv::cmdline::MissingSharedMemory(); !missing.empty()) {
        std::fputs(missing.c_str(), stderr);
        return qv::cmdline::kExitUsage;
    }
    qv::starter::AllowEngineAsRoot();
    qv::starter::UseGermanLocale();
    qv::NoScreenGuard noScreen(qv::cmdline::Program::Runtime);
    QApplication app(argc, argv);
    noScreen.End();
    QApplication::setApplicationName(QStringLiteral("starter"));
    qv::starter::InstallGermanTranslations(app);

#ifdef _WIN32
    // The command line as runme.bat wrote it, split by the parameter reader's own rules (the
    // system's splitting would read a backslash before a closing quote as an escape).
    std::vector<std::string> arguments =
        qv::starter::SplitArguments(QString::fromWCharArray(GetCommandLineW()).toStdString());
    if (!arguments.empty())
        arguments.erase(arguments.begin());
#else
    const std::vector<std::string> arguments = qv::starter::ToUtf8List(app.arguments().mid(1));
#endif
    const qv::starter::LaunchOptions options = qv::starter::ParseLaunchOptions(arguments);
    if (options.folderMissing) {
        QTextStream(stderr) << QStringLiteral("Nach „--folder“ fehlt der Ordner.") << Qt::endl;
        return 2;
    }
    qv::starter::LoadedConfiguration configuration = qv::starter::LoadStarterConfiguration(
        QCoreApplication::applicationFilePath().toStdString(), options.arguments, options.folder);
    if (configuration.loaded.settings.ChAdmin && !options.elevatedRestart && qv::starter::RestartElevated())
        return 0;
    qv::starter::QtStarterInteraction interaction;
    qv::starter::StarterApp starter(std::move(configuration), interaction);
    starter.Start();
    if (qEnvironmentVariable("QUORVANE_STARTER_FIRST_PAINT") == QLatin1String("1"))
        qv::starter::ReportFirstPaint(starter.Window()->View()); // for the tests and the benchmark
    return app.exec();
}
