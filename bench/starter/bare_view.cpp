// The baseline of the start-up benchmark: a bare QWebEngineView that loads one page (the first
// argument), at 640 x 480, and reports its first paint through the runtime's own probe.

#include "qt/EngineSandbox.h"
#include "qt/FirstPaintReport.h"

#include <QApplication>
#include <QDir>
#include <QUrl>
#include <QWebEngineView>

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0:detect_leaks=0";
}
#endif

int main(int argc, char* argv[])
{
    // The runtime's rule: as root the engine starts without its sandbox.
    qv::starter::AllowEngineAsRoot();
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QUrl url = QUrl::fromUserInput(QString::fromLocal8Bit(argv[1]), QDir::currentPath());
    QWebEngineView window;
    QWebEngineView* view = &window;
    view->resize(640, 480);
    qv::starter::ReportFirstPaint(view);
    view->load(url);
    view->show();
    return app.exec();
}
