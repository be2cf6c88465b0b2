#include "config/Cp1252.h"
#include "qt/StarterApp.h"
#include "qt/StarterWindow.h"
#include "rules/ConfigSource.h"
#include "RuntimeFixture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <memory>

namespace qv::starter {
namespace {

using namespace test;

// Size, minimum size and place of the window for the size and position keys.
TEST(StarterWindow, GeometryFromTheSizeAndPositionKeys)
{
    const QRect screen = Available();
    struct Case {
        const char* name;
        QByteArray keys;
        QRect expected;     // client geometry
        QSize minimum;
    };
    const auto centred = [&](int w, int h) {
        return QRect(screen.x() + (screen.width() - w) / 2, screen.y() + (screen.height() - h) / 2, w, h);
    };
    const Case cases[] = {
        {"size and place", "width=640\nheight=480\nleft=10\ntop=20\n", QRect(10, 20, 640, 480), QSize(0, 0)},
        {"centred without a place", "width=500\nheight=300\n", centred(500, 300), QSize(0, 0)},
        {"one coordinate given", "width=500\nheight=300\nleft=7\n", QRect(7, centred(500, 300).y(), 500, 300),
         QSize(0, 0)},
        {"defaults for no numbers", "width=breit\nheight=\nleft=x\n", centred(800, 600), QSize(0, 0)},
        {"minimum size", "width=300\nheight=200\nminwidth=400\nminheight=250\nleft=0\ntop=0\n",
         QRect(0, 0, 400, 250), QSize(400, 250)},
        {"maximized fills the screen", "width=300\nheight=200\nmaximized=1\n", screen, QSize(0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Runtime runtime("[quorvane]\nstartfile=index.html\n" + c.keys);
        runtime.folder.Write("index.html", Page("Seite"));
        StarterWindow& window = runtime.Start(Runtime::Wait::Shown);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.geometry() == c.expected; }, 2000))
            << window.geometry().x() << "," << window.geometry().y() << " " << window.width() << "x"
            << window.height();
        EXPECT_EQ(window.minimumSize(), c.minimum);
        EXPECT_EQ(window.View()->geometry(), QRect(QPoint(0, 0), c.expected.size()));
        EXPECT_EQ(window.StartPageProblem(), QString());
    }
}

TEST(StarterWindow, EachBorderStyleHasItsFlags)
{
    struct Case {
        const char* value;
        Qt::WindowType type;
        Qt::WindowFlags present;
        Qt::WindowFlags absent;
        bool fixed;
    };
    const Qt::WindowFlags minMax = Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
    const Case cases[] = {
        {"none", Qt::Window, Qt::FramelessWindowHint, Qt::WindowTitleHint, false},
        {"sizeable", Qt::Window, Qt::WindowTitleHint | minMax, Qt::FramelessWindowHint, false},
        {"dialog", Qt::Window, Qt::WindowTitleHint | Qt::WindowCloseButtonHint, minMax | Qt::FramelessWindowHint, true},
        {"single", Qt::Window, Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint,
         Qt::WindowMaximizeButtonHint | Qt::FramelessWindowHint, true},
        {"tool", Qt::Tool, Qt::WindowTitleHint, minMax | Qt::FramelessWindowHint, true},
        {"sizetool", Qt::Tool, Qt::WindowTitleHint, minMax | Qt::FramelessWindowHint, false},
        {"minimal", Qt::Window, Qt::CustomizeWindowHint, Qt::WindowTitleHint | Qt::FramelessWindowHint, false},
        {"Dialog", Qt::Window, Qt::WindowTitleHint | minMax, Qt::FramelessWindowHint, false},
        {"gibtesnicht", Qt::Window, Qt::WindowTitleHint | minMax, Qt::FramelessWindowHint, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        Runtime runtime(QByteArray("[quorvane]\nwidth=300\nheight=200\nontop=1\nborderstyle=") + c.value + "\n");
        StarterWindow& window = runtime.Start(Runtime::Wait::Shown);
        const Qt::WindowFlags flags = window.windowFlags();
        EXPECT_EQ(window.windowType(), c.type);
        EXPECT_EQ(flags & c.present, c.present);
        EXPECT_EQ(flags & c.absent, Qt::WindowFlags());
        EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(window.minimumSize() == window.maximumSize(), c.fixed);
        EXPECT_EQ(window.size(), QSize(300, 200));
    }
}

TEST(StarterWindow, TitleFromTheCaptionOrThePage)
{
    struct Case {
        const char* name;
        QByteArray keys;
        QByteArray page;
        QString title;
    };
    const Case cases[] = {
        {"caption", "caption=Mein Menü\n", Page("Seitentitel"), QStringLiteral("Mein Menü")},
        {"page title", "caption=Mein Menü\nvarcaption=1\n", Page("Seitentitel"), QStringLiteral("Seitentitel")},
        {"page without title", "caption=Mein Menü\nvarcaption=1\n", "<html><body>ohne</body></html>",
         QStringLiteral("Mein Menü")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Runtime runtime("[quorvane]\nstartfile=index.html\n" + QByteArray::fromStdString(qv::Utf8ToCp1252(c.keys.toStdString())));
        runtime.folder.Write("index.html", c.page);
        StarterWindow& window = runtime.Start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.windowTitle() == c.title; }, 5000))
            << window.windowTitle().toStdString();
    }

    // The title follows a page that changes its own title.
    Runtime runtime("[quorvane]\nstartfile=index.html\ncaption=Menü\nvarcaption=1\n");
    runtime.folder.Write("index.html", Page("Eins"));
    StarterWindow& window = runtime.Start();
    Evaluate(window, QStringLiteral("document.title = 'Zwei'"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.windowTitle() == QLatin1String("Zwei"); }, 5000));
}

// A skin picture of 200 x 100: magenta (the key colour) everywhere except a blue frame band
// at the top, and a magenta spot inside the page area.
QImage SkinPicture()
{
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    QPainter painter(&image);
    painter.fillRect(0, 0, 200, 20, QColor(0, 0, 200));
    painter.fillRect(20, 30, 160, 60, QColor(255, 255, 255));
    painter.fillRect(50, 50, 4, 4, QColor(255, 0, 255));
    return image;
}

TEST(StarterWindow, SkinWindowWithPageAreaAndColourKey)
{
    struct Case {
        const char* name;
        QByteArray keys;
        QRect pageArea;
        bool masked;
        bool lookAtTheScreen;
    };
    const Case cases[] = {
        {"page area and colour key", "skinpos=20,30,160,60\ntransparencycolor=FF00FF\n", QRect(20, 30, 160, 60), true,
         true},
        {"no valid skinpos", "skinpos=20,30,160\ntransparencycolor=FF00FF\n", QRect(0, 0, 200, 100), true, false},
        {"skinpos beyond the picture is cut", "skinpos=20,30,500,500\n", QRect(20, 30, 180, 70), false, false},
        {"invalid colour", "skinpos=20,30,160,60\ntransparencycolor=XYZ\n", QRect(20, 30, 160, 60), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Runtime runtime("[quorvane]\nstartfile=index.html\nwidth=900\nheight=700\nborderstyle=sizeable\nleft=40\ntop=50\n"
                        "skin=bilder\\rahmen.png\n" + c.keys);
        runtime.folder.Write("index.html", Page("Seite", "<body style='background:#0c0'></body>"));
        QDir().mkpath(runtime.folder.File("bilder"));
        ASSERT_TRUE(SkinPicture().save(runtime.folder.File("bilder/rahmen.png")));
        StarterWindow& window = runtime.Start(Runtime::Wait::Shown);
        ASSERT_TRUE(window.HasSkin());
        EXPECT_EQ(window.size(), QSize(200, 100));
        EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(window.PageArea(), c.pageArea);
        const QRegion mask = window.mask();
        EXPECT_EQ(!mask.isEmpty(), c.masked);
        if (!c.masked)
            continue;
        EXPECT_TRUE(mask.contains(QPoint(5, 5)));      // frame band
        EXPECT_EQ(mask.contains(QPoint(5, 50)), c.pageArea.contains(QPoint(5, 50))); // key colour
        EXPECT_EQ(mask.contains(QPoint(199, 99)), c.pageArea.contains(QPoint(199, 99)));
        // The key colour inside the page area does not cut the page.
        EXPECT_TRUE(mask.contains(QPoint(51, 51)));
        if (!c.lookAtTheScreen)
            continue;

        // On the screen: the cut-out shows what is below (the black root window), the frame band
        // the skin's blue.
        QTest::qWait(300);
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_EQ(QColor(screen.pixel(40 + 5, 50 + 5)), QColor(0, 0, 200));
        EXPECT_NE(QColor(screen.pixel(40 + 5, 50 + 50)), QColor(255, 0, 255));
    }
}

// The skin's minimise and close buttons act on a click that begins and ends on them.
TEST(StarterWindow, SkinButtonsMinimiseAndClose)
{
    Runtime runtime("[quorvane]\nstartfile=index.html\nskin=rahmen.png\nskinpos=20,30,160,60\n"
                    "minbuttonpos=150,2,16,16\nclosebuttonpos=175,2,16,16\n");
    runtime.folder.Write("index.html", Page("Seite"));
    ASSERT_TRUE(SkinPicture().save(runtime.folder.File("rahmen.png")));
    StarterWindow& window = runtime.Start(Runtime::Wait::Shown);
    ASSERT_TRUE(window.HasSkin());
    QSignalSpy closed(&window, &StarterWindow::closedForGood);

    // Pressed on the close button, released beside it: nothing happens. Elsewhere on the skin too.
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(180, 8));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(100, 8));
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(5, 50));
    QTest::qWait(50);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(closed.isEmpty());

    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(155, 8));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isMinimized(); }, 2000));
    EXPECT_TRUE(closed.isEmpty());

    window.showNormal();
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(180, 8));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !closed.isEmpty(); }, 2000));
}

TEST(StarterWindow, MissingSkinOrIconIsIgnored)
{
    Runtime runtime("[quorvane]\nstartfile=index.html\nwidth=300\nheight=200\nskin=fehlt.png\nicon=fehlt.ico\n"
                    "transparencycolor=FF00FF\n");
    runtime.folder.Write("index.html", Page("Seite"));
    StarterWindow& window = runtime.Start(Runtime::Wait::Shown);
    EXPECT_FALSE(window.HasSkin());
    EXPECT_EQ(window.size(), QSize(300, 200));
    EXPECT_TRUE(window.mask().isEmpty()); // a colour key without a skin does nothing
    EXPECT_TRUE(window.windowIcon().availableSizes().isEmpty());

    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    Runtime withIcon("[quorvane]\nstartfile=index.html\nicon=bilder\\disc.ico\n");
    withIcon.folder.Write("index.html", Page("Seite"));
    QDir().mkpath(withIcon.folder.File("bilder"));
    ASSERT_TRUE(icon.save(withIcon.folder.File("bilder/disc.ico"), "ICO"));
    EXPECT_FALSE(withIcon.Start(Runtime::Wait::Shown).windowIcon().availableSizes().isEmpty());
}

TEST(StarterWindow, ScrollBarsCanBeHidden)
{
    const QByteArray tall = Page("lang", "<div style='width:3000px;height:3000px'>groß</div>");
    // The width the page loses to a vertical scroll bar.
    const QString scrollBarWidth = QStringLiteral("window.innerWidth - document.documentElement.clientWidth");
    for (const bool hidden : {false, true}) {
        SCOPED_TRACE(hidden);
        Runtime runtime(QByteArray("[quorvane]\nstartfile=index.html\nwidth=400\nheight=300\n") +
                        (hidden ? "scrollbar=0\n" : ""));
        runtime.folder.Write("index.html", tall);
        StarterWindow& window = runtime.Start();
        const int width = Evaluate(window, scrollBarWidth).toInt();
        if (hidden)
            EXPECT_EQ(width, 0);
        else
            EXPECT_GT(width, 0);
    }
}

TEST(StarterWindow, MissingStartPageShowsAGermanPageNamingIt)
{
    struct Case {
        const char* name;
        QByteArray ini;
        QString expectedText;
    };
    const Case cases[] = {
        {"missing file", "[quorvane]\nstartfile=web\\fehlt.html\n", QStringLiteral("web\\fehlt.html")},
        {"a folder", "[quorvane]\nstartfile=web\n", QStringLiteral("nicht gefunden")},
        {"no start page", "[quorvane]\ncaption=x\n", QStringLiteral("Keine Startseite")},
        {"no settings", "", QStringLiteral("Keine Einstellungen")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Runtime runtime(c.ini);
        QDir().mkpath(runtime.folder.File("web"));
        StarterWindow& window = runtime.Start();
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(PageText(window).contains(c.expectedText)) << PageText(window).toStdString();
    }
}

TEST(StarterWindow, SplashFirstThenTheMainWindow)
{
    Runtime runtime("[quorvane]\nstartfile=index.html\nsplash=splash.png\nwidth=300\nheight=200\n");
    runtime.folder.Write("index.html", Page("Seite"));
    QImage splash(120, 80, QImage::Format_RGB32);
    splash.fill(QColor(0, 128, 0));
    ASSERT_TRUE(splash.save(runtime.folder.File("splash.png")));

    StarterWindow& window = runtime.Start(Runtime::Wait::Nothing);
    QWidget* shown = runtime.App().Splash();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(shown));
    EXPECT_EQ(shown->size(), QSize(120, 80));
    EXPECT_LE((shown->geometry().center() - Available().center()).manhattanLength(), 2);
    EXPECT_TRUE(shown->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(window.isVisible());
    QTest::qWait(kSplashMs / 2);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, kSplashMs));
    EXPECT_EQ(runtime.App().Splash(), nullptr);
    runtime.WaitLoaded();

    // A splash picture that cannot be read shows the main window at once.
    Runtime broken("[quorvane]\nstartfile=index.html\nsplash=splash.png\n");
    broken.folder.Write("index.html", Page("Seite"));
    broken.folder.Write("splash.png", "kein Bild");
    StarterWindow& direct = broken.Start(Runtime::Wait::Nothing);
    EXPECT_EQ(broken.App().Splash(), nullptr);
    EXPECT_TRUE(direct.isVisible());
    broken.WaitLoaded();
}

TEST(StarterWindow, FadesInAndOut)
{
    Runtime runtime("[quorvane]\nstartfile=index.html\nfadein=1\nfadeout=1\n");
    runtime.folder.Write("index.html", Page("Seite"));
    StarterWindow& window = runtime.Start(Runtime::Wait::Shown);
    // The fade-in waits for the page, then runs.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.windowOpacity() == 1.0; }, kLoadMs));
    window.close();
    // Still visible while it fades out, then closed.
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible() && window.windowOpacity() < 1.0; }, 1000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 2000));
    EXPECT_LT(window.windowOpacity(), 0.01);
}

} // namespace
} // namespace qv::starter
