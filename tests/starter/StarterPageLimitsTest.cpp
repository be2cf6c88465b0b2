// What a hostile page gets from the runtime: downloads only under the folder rule (and only where
// the user says), new windows only on a click and only a few, no hidden pages left behind, and
// script dialogs titled in German.
#include "RuntimeFixture.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include <algorithm>

#include <gtest/gtest.h>

namespace qv::starter {
namespace {

using namespace test;

QString FileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A download link to a file outside the folder never reaches the engine's download (which would
// read the file); one inside asks where to save it and saves it there, or nothing on cancel.
TEST(StarterPageLimits, DownloadsFollowTheFolderRule)
{
    TempFolder outside;
    const QString secret = outside.Write("geheim.txt", "GEHEIM");
    const QString secretUrl = QUrl::fromLocalFile(secret).toString(QUrl::FullyEncoded);
    Runtime runtime("[quorvane]\nstartfile=index.html\n");
    runtime.folder.Write("daten.txt", "DATEN");
    runtime.folder.Write("index.html",
                         Page("Laden", QByteArray("<a id='raus' href='" + secretUrl.toUtf8() + "' download>raus</a> "
                                                  "<a id='alt' href='" + secretUrl.toUtf8() + "'>alt</a> "
                                                  "<a id='rein' href='daten.txt' download='kopie.txt'>rein</a>")
                                      .constData()));
    StarterWindow& window = runtime.Start();
    QList<QUrl> requested; // every download the engine began for this page
    QObject guard;
    QObject::connect(window.View()->page()->profile(), &QWebEngineProfile::downloadRequested, &guard,
                     [&](QWebEngineDownloadRequest* download) { requested.push_back(download->url()); });

    ClickElement(window, QStringLiteral("#raus"));
    Evaluate(window, QStringLiteral("document.getElementById('raus').click()"));
    QTest::qWait(1500);
    EXPECT_TRUE(requested.isEmpty()) << requested.value(0).toString().toStdString();
    EXPECT_TRUE(runtime.seam.saveQuestions.isEmpty());

    // Inside the folder: the user is asked, the file lands where the user said.
    TempFolder target;
    const QString saved = target.File("gespeichert.txt");
    runtime.seam.saveNames = {saved};
    ClickElement(window, QStringLiteral("#rein"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !runtime.seam.saveQuestions.isEmpty(); }, 5000));
    EXPECT_TRUE(runtime.seam.saveQuestions[0].endsWith(QLatin1String("/kopie.txt")))
        << runtime.seam.saveQuestions[0].toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return FileText(saved) == QLatin1String("DATEN"); }, 5000));

    // Cancelled: nothing is saved.
    ClickElement(window, QStringLiteral("#rein"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return runtime.seam.saveQuestions.size() == 2; }, 5000));
    QTest::qWait(500);
    EXPECT_EQ(QDir(target.Path()).entryList(QDir::Files), QStringList{QStringLiteral("gespeichert.txt")});
    // The link to the outside file without "download" is refused as any navigation out of the folder.
    ClickElement(window, QStringLiteral("#alt"));
    QTest::qWait(500);
    EXPECT_EQ(requested.size(), 2) << requested.value(2).toString().toStdString();
    EXPECT_EQ(window.View()->url().fileName(), QStringLiteral("index.html"));
}

// window.open without a click does nothing; a click opens one window, however many the page asks
// for; popups are at most a few and a closed one is freed; window.open('') leaves no hidden page.
TEST(StarterPageLimits, NewWindowsNeedAClickAndStayFew)
{
    const char* body = "<script>for (var i = 0; i < 50; i++) window.open('ziel.html');</script>"
                       "<button id='viele' style='font-size:30px' onclick=\"for (var i = 0; i < 1000; i++) "
                       "window.open('ziel.html')\">viele</button> "
                       "<button id='leer' style='font-size:30px' onclick=\"window.open('')\">leer</button> "
                       "<button id='einige' style='font-size:30px' onclick=\"for (var i = 0; i < 20; i++) "
                       "window.open('ziel.html')\">einige</button>";
    {
        SCOPED_TRACE("the browser");
        Runtime runtime("[quorvane]\nstartfile=index.html\n");
        runtime.folder.Write("index.html", Page("Fenster", body));
        runtime.folder.Write("ziel.html", Page("Ziel"));
        StarterWindow& window = runtime.Start();
        QTest::qWait(1000);
        EXPECT_EQ(runtime.seam.browserOpens.size(), 0);
        ClickElement(window, QStringLiteral("#viele"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !runtime.seam.browserOpens.isEmpty(); }, 5000));
        QTest::qWait(1000);
        EXPECT_EQ(runtime.seam.browserOpens.size(), 1);
        ClickElement(window, QStringLiteral("#leer"));
        QTest::qWait(1000);
        EXPECT_EQ(runtime.seam.browserOpens.size(), 1);
        EXPECT_EQ(window.findChildren<QWebEnginePage*>().size(), 1); // the window's own page alone
    }
    {
        SCOPED_TRACE("popups");
        Runtime runtime("[quorvane]\nstartfile=index.html\nexenewwindow=3\npopupparam=/width=200 /height=150\n");
        runtime.folder.Write("index.html", Page("Fenster", body));
        runtime.folder.Write("ziel.html", Page("Ziel"));
        StarterWindow& window = runtime.Start();
        QTest::qWait(1000);
        EXPECT_EQ(runtime.App().Popups().size(), 0u);
        // Each window.open the engine refuses is a round trip to this thread, which is busy with
        // the popups here: twenty per click keep the page answering.
        for (std::size_t click = 0; click < 5; ++click) {
            ClickElement(window, QStringLiteral("#einige"));
            const std::size_t expected = std::min(click + 1, kMaxPopups);
            EXPECT_TRUE(QTest::qWaitFor([&] { return runtime.App().Popups().size() == expected; }, 5000)) << click;
            QTest::qWait(300);
        }
        ASSERT_EQ(runtime.App().Popups().size(), kMaxPopups);
        QPointer<StarterWindow> first = runtime.App().Popups().front().get();
        first->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 5000));
        EXPECT_EQ(runtime.App().Popups().size(), kMaxPopups - 1);
    }
}

// alert, confirm and prompt as the user sees them: the real dialogs, with the engine's German
// titles and German buttons; their answers reach the page.
TEST(StarterPageLimits, ScriptDialogsAreGerman)
{
    TempFolder folder;
    folder.Write("starter.exe", "");
    folder.Write("starter.ini", "[quorvane]\nstartfile=index.html\n");
    folder.Write("index.html", Page("Dialoge"));
    QtStarterInteraction desktop;
    StarterApp app(LoadStarterConfiguration(ToUtf8(folder.File("starter.exe")), {}), desktop);
    app.Start();
    StarterWindow& window = *app.Window();
    QSignalSpy loaded(&window, &StarterWindow::startPageLoaded);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, kLoadMs));

    QStringList seen; // "title | buttons" of each dialog, answered with OK
    QTimer answer;
    answer.setInterval(100);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        QStringList buttons;
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            buttons.push_back(button->text().remove(QLatin1Char('&')));
        buttons.sort();
        seen.push_back(dialog->windowTitle() + " | " + buttons.join(QLatin1Char(',')));
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            box->button(QMessageBox::Ok)->click();
        else
            dialog->accept();
    });
    answer.start();
    const QString result = Evaluate(window, QStringLiteral("alert('Hallo'); String(confirm('Sicher?')) + '|' + "
                                                           "prompt('Name?', 'Anna')")).toString();
    answer.stop();
    EXPECT_EQ(result, QStringLiteral("true|Anna"));
    const QString page = window.View()->url().toString();
    EXPECT_EQ(seen, QStringList({"Javascript-Warnung - " + page + " | OK",
                                 "Javascript-Bestätigung - " + page + " | Abbrechen,OK",
                                 "Javascript-Abfrage - " + page + " | Abbrechen,OK"}));
    window.close();
}

} // namespace
} // namespace qv::starter
