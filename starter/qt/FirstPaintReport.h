#pragma once

// The runtime's first-paint probe, shared with the bare view the start-up benchmark compares it
// with, so that both report the same moment: two animation frames after the load the page has
// been painted; the title carries the news out of the page, "first-paint" goes to standard output
// and the program quits.
#include <QCoreApplication>
#include <QTextStream>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace qv::starter {

inline void ReportFirstPaint(QWebEngineView* view)
{
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

} // namespace qv::starter
