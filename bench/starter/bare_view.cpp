// The baseline of the start-up benchmark: a bare QWebEngineView that loads one page (the first
// argument), at 640 x 480, and reports its first paint the same way the runtime does
// (QUORVANE_STARTER_FIRST_PAINT=1): two animation frames after the load, "first-paint" on stdout.

#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0:detect_leaks=0";
}
#endif

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QUrl url = QUrl::fromUserInput(QString::fromLocal8Bit(argv[1]), QDir::currentPath());
    QWebEngineView window;
    QWebEngineView* view = &window;
    view->resize(640, 480);
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
    view->load(url);
    view->show();
    return app.exec();
}
