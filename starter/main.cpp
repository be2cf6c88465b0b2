#include "ConfigSource.h"
#include "Elevation.h"
#include "StarterApp.h"
#include "StarterWindow.h"

#include <QApplication>
#include <QTextStream>
#include <QWebEnginePage>
#include <QWebEngineView>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "EngineSanitizerOptions.h"

namespace {

// QUORVANE_STARTER_FIRST_PAINT=1: print "first-paint" once the start page has been painted, then
// quit. The benchmark measures start-up with it; the bare view of bench/ does the same.
void ReportFirstPaint(qv::starter::StarterWindow* window)
{
    // Two animation frames after the load the page has been painted; the title carries the news
    // out of the page.
    QWebEngineView* view = window->View();
    QObject::connect(view, &QWebEngineView::loadFinished, view, [view] {
        view->page()->runJavaScript(QStringLiteral(
            "requestAnimationFrame(() => requestAnimationFrame(() => { document.title = 'qv-first-paint'; }))"));
    });
    QObject::connect(view, &QWebEngineView::titleChanged, view, [](const QString& title) {
        if (title != QLatin1String("qv-first-paint"))
            return;
        QTextStream(stdout) << "first-paint" << Qt::endl;
        QCoreApplication::quit();
    });
}

} // namespace

int main(int argc, char* argv[])
{
#ifndef _WIN32
    // The browser engine refuses to start as root with its sandbox on; a disc menu started by root
    // (a test machine, a live system) would otherwise show nothing.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    QApplication app(argc, argv);
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
        ReportFirstPaint(starter.Window());
    return app.exec();
}
