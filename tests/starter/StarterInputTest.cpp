#include "RuntimeFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>

#include <gtest/gtest.h>

namespace qv::starter {
namespace {

using namespace test;

// A page that records its keydown events (key, "+ctrl" when Ctrl was held) in window.keys.
const QByteArray kKeyPage = Page("Tasten", "<p>Tasten</p><script>window.keys = [];"
                                          "document.addEventListener('keydown', function (e) {"
                                          "  if (['Control', 'Shift', 'Alt', 'Meta'].includes(e.key)) return;"
                                          "  window.keys.push(e.key + (e.ctrlKey ? '+ctrl' : '')); });</script>");

QStringList PageKeys(StarterWindow& window)
{
    return Evaluate(window, QStringLiteral("window.keys")).toStringList();
}

QWidget* Surface(StarterWindow& window)
{
    QWidget* proxy = window.View()->focusProxy();
    EXPECT_NE(proxy, nullptr);
    return proxy ? proxy : window.View();
}

TEST(StarterInput, BlockedKeysDoNotReachThePage)
{
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    struct Case {
        const char* name;
        QByteArray keys;
        QStringList expected;
    };
    const Press presses[] = {{Qt::Key_F5, Qt::NoModifier}, {Qt::Key_F6, Qt::NoModifier},
                             {Qt::Key_A, Qt::ControlModifier}, {Qt::Key_A, Qt::NoModifier},
                             {Qt::Key_5, Qt::KeypadModifier}, {Qt::Key_B, Qt::NoModifier}};
    const Case cases[] = {
        {"nothing blocked", "", {"F5", "F6", "a+ctrl", "a", "5", "b"}},
        {"F5, Ctrl+A and 5", "disabledkeylist=116,16449,53\n", {"F6", "a", "b"}},
        {"all input ignored", "keyinput=0\ndisabledkeylist=116\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Runtime runtime("[quorvane]\nstartfile=index.html\n" + c.keys);
        runtime.folder.Write("index.html", kKeyPage);
        StarterWindow& window = runtime.Start();
        window.activateWindow();
        QWidget* surface = Surface(window);
        surface->setFocus();
        for (const Press& press : presses)
            QTest::keyClick(surface, press.key, press.modifiers);
        // The last key of a row that lets keys through arrives last; a row that blocks all waits.
        if (c.expected.isEmpty())
            QTest::qWait(500);
        else
            (void)QTest::qWaitFor([&] { return PageKeys(window).size() >= c.expected.size(); }, 5000);
        EXPECT_EQ(PageKeys(window), c.expected);
    }
}

TEST(StarterInput, NoContextMenuAndNoSelection)
{
    const QByteArray page = Page("Text", "<p id='t' style='font-size:30px'>Markierbarer Text</p>");
    for (const bool blocked : {false, true}) {
        SCOPED_TRACE(blocked);
        Runtime runtime(QByteArray("[quorvane]\nstartfile=index.html\n") +
                        (blocked ? "contextmenu=0\nselecttext=0\n" : ""));
        runtime.folder.Write("index.html", page);
        StarterWindow& window = runtime.Start();

        Evaluate(window, QStringLiteral("document.execCommand('selectAll')"));
        const QString selected = Evaluate(window, QStringLiteral("window.getSelection().toString()")).toString();
        EXPECT_EQ(selected.isEmpty(), blocked) << selected.toStdString();

        Evaluate(window, QStringLiteral("window.getSelection().removeAllRanges()"));
        QWidget* surface = Surface(window);
        surface->setFocus();
        QTest::keyClick(surface, Qt::Key_A, Qt::ControlModifier);
        const bool keySelected = QTest::qWaitFor([&] {
            return !Evaluate(window, QStringLiteral("window.getSelection().toString()")).toString().isEmpty();
        }, 1500);
        EXPECT_EQ(keySelected, !blocked);

        QTest::mouseClick(surface, Qt::RightButton, Qt::NoModifier, QPoint(40, 30));
        const bool shown = QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000);
        EXPECT_EQ(shown, !blocked);
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
}

TEST(StarterInput, TheWindowIsDraggedFromThePageButNotFromALink)
{
    Runtime runtime("[quorvane]\nstartfile=index.html\nwidth=400\nheight=300\nleft=100\ntop=100\nmoveeverywhere=1\n");
    runtime.folder.Write("index.html", Page("Ziehen", "<div style='margin:0;height:100px'>Fläche</div>"
                                                      "<a href='#x' style='display:block;height:100px'>Link</a>"));
    StarterWindow& window = runtime.Start();
    QWidget* surface = Surface(window);
    struct Case {
        const char* name;
        QPoint from;
        bool moves;
    };
    const Case cases[] = {{"plain page", QPoint(50, 40), true}, {"a link", QPoint(30, 150), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QPoint before = window.pos();
        QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, c.from);
        EXPECT_EQ(QTest::qWaitFor([&] { return window.IsDragging(); }, 2000), c.moves);
        QTest::mouseMove(surface, c.from + QPoint(40, 30));
        QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, c.from + QPoint(40, 30));
        EXPECT_EQ(window.pos(), c.moves ? before + QPoint(40, 30) : before);
        EXPECT_FALSE(window.IsDragging());
    }
}

TEST(StarterInput, ExitPasswordAndProgramsAtStartAndEnd)
{
    Runtime runtime("[quorvane]\nstartfile=index.html\nexitpw=geheim\nexecute=tools\\anfang.sh\n"
                    "executeparam=-a \"zwei Worte\" drei\nexecuteonclose=ende.sh\n");
    runtime.folder.Write("index.html", Page("Passwort"));
    StarterWindow& window = runtime.Start();
    ScriptedStarterInteraction& seam = runtime.seam;
    QSignalSpy closed(&window, &StarterWindow::closedForGood);

    ASSERT_EQ(seam.starts.size(), 1);
    EXPECT_EQ(seam.starts[0].program, runtime.folder.File("tools/anfang.sh"));
    EXPECT_EQ(seam.starts[0].arguments, QStringList({"-a", "zwei Worte", "drei"}));
    EXPECT_EQ(seam.starts[0].folder, runtime.folder.Path());

    struct Case {
        const char* name;
        std::optional<QString> answer;
        bool closes;
        int notes;
    };
    const Case cases[] = {
        {"wrong", QStringLiteral("falsch"), false, 1},
        {"cancel", std::nullopt, false, 1},
        {"letter case counts", QStringLiteral("Geheim"), false, 2},
        {"right", QStringLiteral("geheim"), true, 2},
    };
    int questions = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seam.passwords.push_back(c.answer);
        window.close();
        EXPECT_EQ(seam.passwordQuestions, ++questions);
        EXPECT_EQ(window.isVisible(), !c.closes);
        EXPECT_EQ(seam.notes.size(), c.notes);
        EXPECT_EQ(closed.size(), c.closes ? 1 : 0);
        // Nothing is started before the window has closed for good.
        EXPECT_EQ(seam.starts.size(), c.closes ? 2 : 1);
    }
    EXPECT_EQ(seam.notes.value(0), QStringLiteral("Passwort: Das Passwort ist falsch."));
    ASSERT_EQ(seam.starts.size(), 2);
    EXPECT_EQ(seam.starts[1].program, runtime.folder.File("ende.sh"));
    EXPECT_TRUE(seam.starts[1].arguments.isEmpty());
}

TEST(StarterInput, ThePageClosingTheWindowAsksForThePassword)
{
    Runtime runtime("[quorvane]\nstartfile=index.html\nexitpw=geheim\nfadeout=1\n");
    runtime.folder.Write("index.html", Page("Schließen"));
    StarterWindow& window = runtime.Start();
    runtime.seam.passwords = {QStringLiteral("falsch"), QStringLiteral("geheim")};
    Evaluate(window, QStringLiteral("window.close()"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return runtime.seam.passwordQuestions == 1; }, 5000));
    EXPECT_TRUE(window.isVisible());
    Evaluate(window, QStringLiteral("window.close()"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 5000));
    EXPECT_EQ(runtime.seam.passwordQuestions, 2);
}

TEST(StarterInput, ExternalFilesOpenOnTheDesktopAndFileLinksStayInTheFolder)
{
    Runtime runtime("[quorvane]\nstartfile=web\\index.html\nexternal=PDF,zip\n");
    runtime.folder.Write("web/index.html",
                         Page("Links", "<a id='pdf' href='doc.PDF'>PDF</a> <a id='zip' href='../pakete/a.zip'>ZIP</a> "
                                       "<a id='out' href='../../draussen.html'>raus</a> "
                                       "<a id='html' href='seite2.html'>weiter</a>"));
    runtime.folder.Write("web/seite2.html", Page("Zwei"));
    QFile::copy(runtime.folder.File("web/seite2.html"), QDir(runtime.folder.Path()).absoluteFilePath("../draussen.html"));
    StarterWindow& window = runtime.Start();
    const QUrl start = window.View()->url();
    const auto click = [&](const char* id) {
        Evaluate(window, QStringLiteral("document.getElementById('%1').click()").arg(QLatin1String(id)));
        QTest::qWait(500);
    };

    click("pdf");
    click("zip");
    ASSERT_EQ(runtime.seam.defaultOpens.size(), 2);
    EXPECT_EQ(runtime.seam.defaultOpens[0], QUrl::fromLocalFile(runtime.folder.File("web/doc.PDF")));
    EXPECT_EQ(runtime.seam.defaultOpens[1], QUrl::fromLocalFile(runtime.folder.File("pakete/a.zip")));
    EXPECT_EQ(window.View()->url(), start);

    click("out");
    EXPECT_EQ(window.View()->url(), start);

    click("html");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.View()->url().path().endsWith(QLatin1String("seite2.html")); }, 5000));
    EXPECT_EQ(runtime.seam.defaultOpens.size(), 2);
    EXPECT_TRUE(runtime.seam.browserOpens.isEmpty());
    QFile::remove(QDir(runtime.folder.Path()).absoluteFilePath("../draussen.html"));
}

TEST(StarterInput, LinksThatAskForANewWindow)
{
    struct Case {
        const char* name;
        QByteArray keys;
        const char* clicked; // new windows need a user's click
        int browser, desktop;
        bool sameWindow, popup;
    };
    const char* const link = "#neu";
    const Case cases[] = {
        {"not given: the browser", "", link, 1, 0, false, false},
        {"1: the default program", "exenewwindow=1\n", link, 0, 1, false, false},
        {"2: the same window", "exenewwindow=2\n", link, 0, 0, true, false},
        {"2: the same window for window.open", "exenewwindow=2\n", "#auf", 0, 0, true, false},
        {"3: a popup", "exenewwindow=3\npopupparam=/height=320 /width=200 /borderstyle=sizeable /caption=\"Mein Popup\"\n",
         link, 0, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Runtime runtime("[quorvane]\nstartfile=index.html\ncaption=Haupt\nwidth=500\nheight=400\nborderstyle=dialog\n"
                        "skin=rahmen.png\n" + c.keys);
        QImage skin(300, 250, QImage::Format_RGB32);
        skin.fill(Qt::darkRed);
        ASSERT_TRUE(skin.save(runtime.folder.File("rahmen.png")));
        runtime.folder.Write("index.html", Page("Neu", "<a id='neu' href='ziel.html' target='_blank'>neu</a> "
                                                       "<button id='auf' onclick=\"window.open('ziel.html')\">auf</button>"));
        runtime.folder.Write("ziel.html", Page("Ziel"));
        StarterWindow& window = runtime.Start();
        ClickElement(window, QString::fromLatin1(c.clicked));
        const QUrl target = QUrl::fromLocalFile(runtime.folder.File("ziel.html"));
        (void)QTest::qWaitFor([&] {
            return !runtime.seam.browserOpens.isEmpty() || !runtime.seam.defaultOpens.isEmpty() ||
                   window.View()->url() == target || !runtime.App().Popups().empty();
        }, 5000);
        EXPECT_EQ(runtime.seam.browserOpens.size(), c.browser);
        EXPECT_EQ(runtime.seam.defaultOpens.size(), c.desktop);
        if (c.browser) {
            EXPECT_EQ(runtime.seam.browserOpens[0], target);
        }
        if (c.desktop) {
            EXPECT_EQ(runtime.seam.defaultOpens[0], target);
        }
        EXPECT_EQ(window.View()->url() == target, c.sameWindow);
        ASSERT_EQ(runtime.App().Popups().size(), c.popup ? 1u : 0u);
        if (!c.popup)
            continue;
        StarterWindow& popup = *runtime.App().Popups().front();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&popup, kLoadMs));
        EXPECT_EQ(popup.size(), QSize(200, 320));
        EXPECT_EQ(popup.windowTitle(), QStringLiteral("Mein Popup"));
        EXPECT_FALSE(popup.minimumSize() == popup.maximumSize()); // sizeable, not the main's dialog
        EXPECT_FALSE(popup.HasSkin()); // the main window's skin stays its own
        EXPECT_TRUE(QTest::qWaitFor([&] { return popup.View()->url() == target; }, kLoadMs));
        // A popup closes without the password and the main window stays.
        popup.close();
        EXPECT_FALSE(popup.isVisible());
        EXPECT_TRUE(window.isVisible());
    }
}

} // namespace
} // namespace qv::starter

namespace qv::starter {
namespace {

using namespace test;

// The production seam really starts the configured programs: a script leaves a marker, once at
// the start and once at the end, in the configuration's folder.
TEST(StarterInput, ProgramsReallyStartOnceEach)
{
    Runtime runtime("[quorvane]\nstartfile=index.html\nexecute=marke.sh\nexecuteparam=start \"marke 1.txt\"\n"
                    "executeonclose=marke.sh\nexecuteparamonclose=ende \"marke 1.txt\"\n");
    runtime.folder.Write("index.html", Page("Marke"));
    const QString script = runtime.folder.Write("marke.sh", "#!/bin/sh\necho \"$1\" >> \"$2\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QtStarterInteraction desktop;
    StarterApp app(LoadStarterConfiguration(ToUtf8(runtime.folder.File("starter.exe")), {}), desktop);
    app.Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app.Window(), kLoadMs));
    const auto marker = [&] {
        QFile file(runtime.folder.File("marke 1.txt"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return marker() == QLatin1String("start\n"); }, 5000)) << marker().toStdString();
    app.Window()->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return marker() == QLatin1String("start\nende\n"); }, 5000))
        << marker().toStdString();
    QTest::qWait(300);
    EXPECT_EQ(marker(), QStringLiteral("start\nende\n"));
}

} // namespace
} // namespace qv::starter
