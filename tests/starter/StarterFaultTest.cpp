// What a page may do, and what the window does after a navigation, in the real window: the page
// closing the window, schemes handed to the desktop, files read by a page, the desktop's browser,
// German dialogs and menus, windows kept on the screen, an even fade.
#include "qt/DesktopBrowser.h"
#include "qt/QtTypes.h"
#include "RuntimeFixture.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace qv::starter {
namespace {

using namespace test;

QWidget* Surface(StarterWindow& window)
{
    QWidget* proxy = window.View()->focusProxy();
    return proxy ? proxy : window.View();
}

// Clicks the element as a user does: a real mouse click in the middle of its box.
void ClickElement(StarterWindow& window, const QString& selector)
{
    // The selector as a script's string: the text of a one-item JSON array without its brackets.
    const QString literal =
        QString::fromUtf8(QJsonDocument(QJsonArray{selector}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
    const QString box = Evaluate(window, QStringLiteral("(function(){var r=document.querySelector(%1)"
                                                        ".getBoundingClientRect();"
                                                        "return JSON.stringify({x:r.left+r.width/2,y:r.top+r.height/2});})()")
                                             .arg(literal))
                            .toString();
    const QJsonObject point = QJsonDocument::fromJson(box.toUtf8()).object();
    ASSERT_FALSE(point.isEmpty()) << selector.toStdString();
    QTest::mouseClick(Surface(window), Qt::LeftButton, Qt::NoModifier,
                      QPoint(qRound(point.value("x").toDouble()), qRound(point.value("y").toDouble())));
}

bool WaitForPage(StarterWindow& window, const QString& fileName)
{
    return QTest::qWaitFor([&] {
        return window.View()->url().path().endsWith(fileName) &&
               Evaluate(window, QStringLiteral("document.readyState")).toString() == QLatin1String("complete");
    }, kLoadMs);
}

// window.close() closes the window also after the page has navigated, through the password.
TEST(StarterFaults, ThePageClosesTheWindowAfterANavigation)
{
    Runtime runtime("[quorvane]\nstartfile=index.html\nexitpw=geheim\n");
    const char* closer = "<a id='weiter' href='zwei.html'>weiter</a> "
                         "<button id='zu' onclick='window.close()'>Beenden</button>";
    runtime.folder.Write("index.html", Page("Eins", closer));
    runtime.folder.Write("zwei.html", Page("Zwei", "<a id='zurueck' href='index.html'>zurück</a>"));
    StarterWindow& window = runtime.Start();
    QSignalSpy closed(&window, &StarterWindow::closedForGood);
    ClickElement(window, QStringLiteral("#weiter"));
    ASSERT_TRUE(WaitForPage(window, QStringLiteral("zwei.html")));
    ClickElement(window, QStringLiteral("#zurueck"));
    ASSERT_TRUE(WaitForPage(window, QStringLiteral("index.html")));
    runtime.seam.passwords = {QStringLiteral("geheim")};
    ClickElement(window, QStringLiteral("#zu"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !closed.isEmpty(); }, 5000));
    EXPECT_EQ(runtime.seam.passwordQuestions, 1);
    EXPECT_FALSE(window.isVisible());
}

// The demonstration as a user meets it: "Was der Starter kann", back to the menu, "Beenden";
// and the close button drawn into its frame closes it too.
TEST(StarterFaults, TheDemonstrationCloses)
{
    for (const bool byFrame : {false, true}) {
        SCOPED_TRACE(byFrame ? "the frame's close button" : "Beenden after a visit");
        Runtime runtime("");
        const QString demo = runtime.folder.File("demo");
        ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(QUORVANE_EXAMPLES_DIR), demo}), 0);
        runtime.folderOption = ToUtf8(demo);
        StarterWindow& window = runtime.Start();
        QSignalSpy closed(&window, &StarterWindow::closedForGood);
        ASSERT_TRUE(window.HasSkin());
        if (byFrame) {
            // The close area is where the picture shows the button, and it is part of the window's shape.
            const QPoint button(600, 36);
            EXPECT_TRUE(window.mask().isEmpty() || window.mask().contains(button));
            QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, button);
        } else {
            ClickElement(window, QStringLiteral("a[href='seite2.html']"));
            ASSERT_TRUE(WaitForPage(window, QStringLiteral("seite2.html")));
            ClickElement(window, QStringLiteral("a[href='index.html']"));
            ASSERT_TRUE(WaitForPage(window, QStringLiteral("index.html")));
            ClickElement(window, QStringLiteral("a[onclick]"));
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !closed.isEmpty(); }, 5000));
        EXPECT_FALSE(window.isVisible());
    }
}

// Records what reaches the desktop's URL handlers for the schemes of the rows below.
class SchemeRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

// Only http, https and mailto go to the desktop; a page's other schemes are refused and not loaded.
TEST(StarterFaults, OtherSchemesNeverReachTheDesktop)
{
    SchemeRecorder recorder;
    for (const char* scheme : {"quorvtest", "smb", "mailto"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "open");
    struct Case {
        const char* name;
        const char* body;
        bool mail;
    };
    const Case cases[] = {
        {"a link", "<a id='x' href='quorvtest://starte/programm'>x</a>", false},
        {"an smb link", "<a id='x' href='smb://server/freigabe'>x</a>", false},
        {"location.href", "<button id='x' onclick=\"location.href='quorvtest://starte'\">x</button>", false},
        {"window.open", "<button id='x' onclick=\"window.open('quorvtest://starte')\">x</button>", false},
        {"a new window link", "<a id='x' target='_blank' href='quorvtest://starte'>x</a>", false},
        {"mailto", "<a id='x' href='mailto:info@example.org'>x</a>", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Runtime runtime("[quorvane]\nstartfile=index.html\n");
        runtime.folder.Write("index.html", Page("Schemata", c.body));
        StarterWindow& window = runtime.Start();
        const QUrl start = window.View()->url();
        ClickElement(window, QStringLiteral("#x"));
        (void)QTest::qWaitFor([&] { return !recorder.opened.isEmpty() || !runtime.seam.defaultOpens.isEmpty(); }, 1500);
        EXPECT_TRUE(recorder.opened.isEmpty()) << recorder.opened.value(0).toString().toStdString();
        EXPECT_TRUE(runtime.seam.browserOpens.isEmpty());
        EXPECT_EQ(runtime.seam.defaultOpens.size(), c.mail ? 1 : 0);
        if (c.mail) {
            EXPECT_EQ(runtime.seam.defaultOpens.value(0), QUrl(QStringLiteral("mailto:info@example.org")));
        }
        EXPECT_EQ(window.View()->url(), start);
        recorder.opened.clear();
    }
    for (const char* scheme : {"quorvtest", "smb", "mailto"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

// Every request of a page passes the folder rule: fetch, XHR, pictures and frames.
TEST(StarterFaults, APageReadsOnlyItsFolder)
{
    TempFolder outside;
    const QString secret = outside.Write("geheim.txt", "GEHEIM");
    Runtime runtime("[quorvane]\nstartfile=web\\index.html\n");
    runtime.folder.Write("web/index.html", Page("Dateien"));
    runtime.folder.Write("daten.txt", "DATEN");
    StarterWindow& window = runtime.Start();
    const QString secretUrl = QUrl::fromLocalFile(secret).toString(QUrl::FullyEncoded);
    const QString insideUrl = QUrl::fromLocalFile(runtime.folder.File("daten.txt")).toString(QUrl::FullyEncoded);
    const QString sneaky = QUrl::fromLocalFile(runtime.folder.Path()).toString(QUrl::FullyEncoded) +
                           QStringLiteral("web/..%2F..%2F") + QFileInfo(QFileInfo(secret).absolutePath()).fileName() +
                           QStringLiteral("/geheim.txt");
    struct Case {
        const char* name;
        QString script; // sets document.title to the result
        QString expected;
    };
    const QString fetchScript = QStringLiteral(
        "fetch('%1').then(r => r.text()).then(t => document.title = t, () => document.title = 'gesperrt')");
    const QString xhrScript = QStringLiteral(
        "(function(){var x=new XMLHttpRequest();x.onload=function(){document.title=x.responseText};"
        "x.onerror=function(){document.title='gesperrt'};x.open('GET','%1');x.send();})()");
    const QString imageScript = QStringLiteral(
        "(function(){var i=new Image();i.onload=function(){document.title='geladen'};"
        "i.onerror=function(){document.title='gesperrt'};i.src='%1';})()");
    const Case cases[] = {
        {"fetch outside", fetchScript.arg(secretUrl), QStringLiteral("gesperrt")},
        {"fetch with escapes", fetchScript.arg(sneaky), QStringLiteral("gesperrt")},
        {"fetch /etc", fetchScript.arg(QStringLiteral("file:///etc/hostname")), QStringLiteral("gesperrt")},
        {"XHR outside", xhrScript.arg(secretUrl), QStringLiteral("gesperrt")},
        {"picture outside", imageScript.arg(secretUrl), QStringLiteral("gesperrt")},
        {"fetch inside", fetchScript.arg(insideUrl), QStringLiteral("DATEN")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Evaluate(window, QStringLiteral("document.title = 'warte'"));
        Evaluate(window, c.script);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Evaluate(window, QStringLiteral("document.title")).toString() != "warte"; },
                                    5000));
        EXPECT_EQ(Evaluate(window, QStringLiteral("document.title")).toString(), c.expected);
    }
    // A frame from outside the folder stays empty.
    Evaluate(window, QStringLiteral("var f=document.createElement('iframe');f.id='rahmen';f.src='%1';"
                                    "document.body.appendChild(f);").arg(secretUrl));
    QTest::qWait(1500);
    const QVariant frameText = Evaluate(window, QStringLiteral(
        "(function(){try{var d=document.getElementById('rahmen').contentDocument;"
        "return d && d.body ? d.body.innerText : ''}catch(e){return 'fremd'}})()"));
    EXPECT_FALSE(frameText.toString().contains(QLatin1String("GEHEIM"))) << frameText.toString().toStdString();
}

// Links into a new window go to the desktop's browser, the https handler, started with the address:
// never to a file's default program.
TEST(StarterFaults, TheBrowserIsTheHttpsHandler)
{
    struct Row {
        const char* exec;
        QStringList command; // program and arguments; "URL" stands for the address
    };
    const Row rows[] = {
        {"firefox %u", {"firefox", "URL"}},
        {"/usr/bin/browser --new-window %U", {"/usr/bin/browser", "--new-window", "URL"}},
        {"\"/opt/mein browser/run\" %f --x", {"/opt/mein browser/run", "URL", "--x"}},
        {"browser", {"browser", "URL"}},
        {"browser %i --name=%c %%u", {"browser", "--name=", "%u", "URL"}},
    };
    const QUrl url(QStringLiteral("file:///disc/prog.sh"));
    for (const Row& row : rows) {
        const auto command = CommandFromExecLine(QString::fromLatin1(row.exec), url);
        ASSERT_TRUE(command.has_value()) << row.exec;
        QStringList got = QStringList{command->program} + command->arguments;
        got.replaceInStrings(url.toString(), QStringLiteral("URL"));
        EXPECT_EQ(got, row.command) << row.exec;
    }
    EXPECT_EQ(ExecLineOf("[Desktop Action neu]\nExec=falsch\n[Desktop Entry]\nName=B\nExec=richtig %u\n"),
              QStringLiteral("richtig %u"));

    // The production seam: a desktop whose https handler records its arguments.
    TempFolder desktop;
    const QString marker = desktop.File("aufruf.txt");
    const QString browser = desktop.Write("bin/browser.sh", QByteArray("#!/bin/sh\necho \"$@\" > '") +
                                                                marker.toUtf8() + "'\n");
    QFile::setPermissions(browser, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString query = desktop.Write("bin/xdg-mime", "#!/bin/sh\necho prüfbrowser.desktop\n");
    QFile::setPermissions(query, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    desktop.Write("share/applications/prüfbrowser.desktop",
                  QByteArray("[Desktop Entry]\nType=Application\nName=Prüf\nExec=") + browser.toUtf8() + " %u\n");
    const QByteArray path = qgetenv("PATH");
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    qputenv("PATH", desktop.File("bin").toUtf8() + ":" + path);
    qputenv("XDG_DATA_HOME", desktop.File("share").toUtf8());
    QtStarterInteraction seam;
    const QUrl script = QUrl::fromLocalFile(desktop.Write("prog.sh", "#!/bin/sh\n"));
    const bool started = seam.openInBrowser(script);
    qputenv("PATH", path);
    if (data.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", data);
    EXPECT_TRUE(started);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker) && QFileInfo(marker).size() > 0; }, 10000));
    QFile record(marker);
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(record.readAll()).trimmed(), script.toString(QUrl::FullyEncoded));
}

// The password dialog and the page's context menu speak German; the menu offers nothing that hands
// the page elsewhere.
TEST(StarterFaults, DialogsAndMenusAreGerman)
{
    QStringList buttons;
    QTimer::singleShot(500, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QInputDialog*>(top);
            if (!dialog || !dialog->isVisible())
                continue;
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                buttons.push_back(button->text().remove(QLatin1Char('&')));
            dialog->reject();
        }
    });
    QtStarterInteraction seam;
    EXPECT_EQ(seam.askPassword(nullptr), std::nullopt);
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"Abbrechen", "OK"}));

    Runtime runtime("[quorvane]\nstartfile=index.html\n");
    runtime.folder.Write("index.html", Page("Menü", "<p style='font-size:30px'>Text</p><a id='l' href='zwei.html'>Link</a>"));
    StarterWindow& window = runtime.Start();
    for (const QString& selector : {QStringLiteral("p"), QStringLiteral("#l")}) {
        SCOPED_TRACE(selector.toStdString());
        const QJsonObject box = QJsonDocument::fromJson(
            Evaluate(window, QStringLiteral("(function(){var r=document.querySelector('%1').getBoundingClientRect();"
                                            "return JSON.stringify({x:r.left+5,y:r.top+5});})()").arg(selector))
                .toString().toUtf8()).object();
        const QPoint at(box.value("x").toInt(), box.value("y").toInt());
        QTest::mouseClick(Surface(window), Qt::RightButton, Qt::NoModifier, at);
        ASSERT_TRUE(QTest::qWaitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }, 3000));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList texts;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                texts.push_back(action->text().remove(QLatin1Char('&')));
        }
        menu->close();
        EXPECT_FALSE(texts.isEmpty());
        for (const char* english : {"Back", "Forward", "Reload", "Copy", "View page source", "Save page",
                                    "Open link in new window", "Open link in new tab", "Save link"}) {
            EXPECT_FALSE(texts.contains(QString::fromLatin1(english))) << english;
        }
        for (QWebEnginePage::WebAction action : {QWebEnginePage::ViewSource, QWebEnginePage::SavePage,
                                                 QWebEnginePage::OpenLinkInNewWindow, QWebEnginePage::OpenLinkInNewTab,
                                                 QWebEnginePage::DownloadLinkToDisk, QWebEnginePage::InspectElement}) {
            EXPECT_FALSE(menu->actions().contains(window.View()->page()->action(action))) << action;
        }
        const bool german = texts.contains(QStringLiteral("Zurück")) || texts.contains(QStringLiteral("Neu laden")) ||
                            texts.contains(QStringLiteral("Kopieren")) || texts.contains(QStringLiteral("Link-Adresse kopieren")) ||
                            texts.contains(QStringLiteral("Linkadresse kopieren"));
        EXPECT_TRUE(german) << texts.join(QLatin1String(" | ")).toStdString();
    }
}

// No window starts larger than the screen's available area or outside it.
TEST(StarterFaults, WindowsStartOnTheScreen)
{
    const QRect screen = Available();
    struct Case {
        const char* name;
        QByteArray keys;
    };
    const Case cases[] = {
        {"a minimum width wider than the screen", "minwidth=5000\n"},
        {"far off and huge", "left=16384\ntop=-16384\nwidth=16384\nheight=16384\n"},
        {"above the screen", "left=100\ntop=-500\nwidth=300\nheight=200\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Runtime runtime("[quorvane]\nstartfile=index.html\n" + c.keys);
        runtime.folder.Write("index.html", Page("Seite"));
        StarterWindow& window = runtime.Start(Runtime::Wait::Shown);
        EXPECT_TRUE(screen.contains(window.frameGeometry()))
            << window.frameGeometry().x() << "," << window.frameGeometry().y() << " " << window.frameGeometry().width()
            << "x" << window.frameGeometry().height();
    }
}

// The fade's steps reach the display one by one, not as a jump: another client watching the
// window's opacity sees the steps of the fade-in and of the fade-out.
TEST(StarterFaults, TheFadesAreEven)
{
    // A page that keeps drawing, as a menu with an animation does: the window's thread stays busy.
    Runtime runtime("[quorvane]\nstartfile=index.html\nfadein=1\nfadeout=1\nleft=10\ntop=10\n");
    runtime.folder.Write("index.html", Page("Blende", "<style>@keyframes d{to{transform:rotate(360deg)}}"
                                                      "div{width:300px;height:300px;background:linear-gradient(red,blue);"
                                                      "animation:d 1s linear infinite}</style><div></div>"));
    StarterWindow& window = runtime.Start(Runtime::Wait::Nothing);
    QProcess spy;
    QList<bool> steps[2]; // fade-in, fade-out: whether each reported opacity lies between 0 and 1
    int phase = 0;
    QObject::connect(&spy, &QProcess::readyReadStandardOutput, [&] {
        while (spy.canReadLine()) {
            const QByteArray line = spy.readLine();
            const qsizetype equals = line.indexOf('=');
            if (equals < 0)
                continue;
            const qulonglong value = line.mid(equals + 1).trimmed().toULongLong();
            steps[phase].push_back(value > 0 && value < 0xFFFFFFFFull);
        }
    });
    spy.start(QStringLiteral("xprop"), {QStringLiteral("-spy"), QStringLiteral("-id"),
                                        QString::number(window.winId()), QStringLiteral("_NET_WM_WINDOW_OPACITY")});
    ASSERT_TRUE(spy.waitForStarted(5000));
    runtime.WaitLoaded();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.windowOpacity() == 1.0; }, 5000));
    QTest::qWait(300);
    phase = 1;
    window.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 5000));
    QTest::qWait(300);
    spy.kill();
    spy.waitForFinished();
    for (int fade : {0, 1}) {
        SCOPED_TRACE(fade == 0 ? "fade-in" : "fade-out");
        int between = 0;
        for (const bool step : steps[fade])
            between += step ? 1 : 0;
        // Before, a busy window's fade reached the display as one or two jumps; now each of its
        // steps does.
        EXPECT_GE(between, 15);
    }
}

} // namespace
} // namespace qv::starter

#include "StarterFaultTest.moc"
