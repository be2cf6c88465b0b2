// Draws every picture of the designer window with QPainter and writes them, together with the
// resource file that lists them, into the folder given as the only argument.
//
// The output is deterministic: the offscreen platform is forced so that no desktop font or
// screen setting leaks into the text, the resolution stored in the files is fixed, and the
// files are listed in a fixed order.

#include <QColor>
#include <QConicalGradient>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kDotsPerMeter = 3780; // 96 dpi, the resolution the layout is measured in

// The backdrop colours of the main window; the logo and the icon reuse them.
const QColor kRedLight(190, 20, 20);
const QColor kRedDark(120, 0, 0);
const QColor kRedShadow(100, 0, 0);

QString g_family = QStringLiteral("DejaVu Sans");

// Tahoma when the system has it, else the Tahoma-metric file of the wine fonts, else DejaVu Sans.
void chooseFontFamily()
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)) {
        g_family = QStringLiteral("Tahoma");
        return;
    }
    const QStringList folders{QStringLiteral("/usr/share/fonts/truetype/wine/"),
                              QStringLiteral("/usr/share/wine/fonts/")};
    for (const QString &folder : folders) {
        const int id = QFontDatabase::addApplicationFont(folder + QStringLiteral("tahoma.ttf"));
        if (id < 0)
            continue;
        QFontDatabase::addApplicationFont(folder + QStringLiteral("tahomabd.ttf"));
        const QStringList loaded = QFontDatabase::applicationFontFamilies(id);
        if (!loaded.isEmpty()) {
            g_family = loaded.first();
            return;
        }
    }
}

QFont uiFont(int pixelSize, bool bold)
{
    QFont font(g_family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QImage newImage(int width, int height, bool alpha)
{
    QImage image(width, height, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.fill(alpha ? QColor(Qt::transparent) : QColor(Qt::white));
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    return image;
}

// Text with a one-pixel shadow to the lower right, as the window's own labels are drawn.
void drawShadowedText(QPainter &p, QPointF baseline, const QString &text, const QColor &colour,
                      const QColor &shadow)
{
    p.setPen(shadow);
    p.drawText(baseline + QPointF(1, 1), text);
    p.setPen(colour);
    p.drawText(baseline, text);
}

// A silver disc with a hole in the middle; the hole is left unpainted, so whatever lies
// beneath shows through.
void drawDisc(QPainter &p, QPointF centre, qreal radius)
{
    const qreal line = std::max<qreal>(1.0, radius / 28.0);
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    disc.addEllipse(centre, radius * 0.17, radius * 0.17);

    QConicalGradient sheen(centre, 35);
    sheen.setColorAt(0.00, QColor(238, 240, 244));
    sheen.setColorAt(0.12, QColor(196, 204, 220));
    sheen.setColorAt(0.25, QColor(252, 246, 232));
    sheen.setColorAt(0.38, QColor(186, 196, 214));
    sheen.setColorAt(0.50, QColor(238, 240, 244));
    sheen.setColorAt(0.62, QColor(210, 200, 226));
    sheen.setColorAt(0.75, QColor(252, 252, 255));
    sheen.setColorAt(0.88, QColor(194, 208, 222));
    sheen.setColorAt(1.00, QColor(238, 240, 244));
    p.setPen(QPen(QColor(105, 105, 118), line));
    p.setBrush(sheen);
    p.drawPath(disc);

    // The clear clamping ring around the hole and the edge of the data area.
    QPainterPath ring;
    ring.addEllipse(centre, radius * 0.36, radius * 0.36);
    ring.addEllipse(centre, radius * 0.17, radius * 0.17);
    p.setPen(QPen(QColor(150, 150, 162), line * 0.8));
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawPath(ring);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 170), line));
    p.drawEllipse(centre, radius * 0.9, radius * 0.9);
}

// ihbg.jpg: red backdrop of the side menu with the wordmark, white page area, dark message band.
QImage paintBackground()
{
    constexpr int width = 665, height = 465;
    constexpr int menuWidth = 185; // the backdrop ends here; headings start at x = 194
    constexpr int bandTop = 435;   // the message bar unfolds below this line
    QImage image = newImage(width, height, false);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient red(0, 0, 0, bandTop);
    red.setColorAt(0.0, kRedLight);
    red.setColorAt(1.0, kRedDark);
    p.fillRect(0, 0, menuWidth, height, red);

    // Faint rings of a large disc rising from the lower right corner of the backdrop.
    p.save();
    p.setClipRect(0, 0, menuWidth, bandTop);
    p.setBrush(Qt::NoBrush);
    const QPointF ringCentre(menuWidth + 40, bandTop + 30);
    for (int r = 60; r < 520; r += 9) {
        const int alpha = (r / 9) % 3 == 0 ? 16 : 7;
        p.setPen(QPen(QColor(255, 255, 255, alpha), 1.0));
        p.drawEllipse(ringCentre, r, r);
    }
    p.restore();

    // A darker seam on the right edge and a soft shadow falling on the white area.
    p.fillRect(menuWidth - 1, 0, 1, height, QColor(85, 0, 0));
    for (int i = 0; i < 6; ++i) {
        const int grey = 222 + i * 6;
        p.fillRect(menuWidth + i, 0, 1, height, QColor(grey, grey, grey));
    }

    // Thin rules under the heading and above the step buttons frame the pages.
    p.fillRect(194, 51, 452, 1, QColor(226, 226, 226));
    p.fillRect(194, 385, 452, 1, QColor(226, 226, 226));

    // Wordmark in the lower part of the backdrop, well below the last menu link.
    drawDisc(p, QPointF(36, 376), 22);
    p.setFont(uiFont(21, true));
    drawShadowedText(p, QPointF(66, 376), QStringLiteral("Quorvane"), Qt::white, kRedShadow);
    p.setFont(uiFont(11, false));
    drawShadowedText(p, QPointF(67, 392), QStringLiteral("Autostart-Designer"),
                     QColor(255, 214, 214), kRedShadow);

    // The band behind the message bar: dark enough for white bold text with a black shadow.
    QLinearGradient band(0, bandTop, 0, height);
    band.setColorAt(0.0, QColor(64, 4, 4));
    band.setColorAt(1.0, QColor(30, 24, 24));
    p.fillRect(0, bandTop, width, height - bandTop, band);
    p.fillRect(0, bandTop, width, 1, QColor(40, 0, 0));
    return image;
}

// logo.jpg: disc symbol and wordmark for the About page, on white.
QImage paintLogo()
{
    QImage image = newImage(319, 75, false);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A red ring behind the disc ties the symbol to the window's colours.
    QRadialGradient halo(QPointF(40, 37), 35);
    halo.setColorAt(0.0, kRedLight);
    halo.setColorAt(1.0, kRedDark);
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(QPointF(40, 37), 34, 34);
    drawDisc(p, QPointF(40, 37), 28);

    p.setFont(uiFont(40, true));
    p.setPen(QColor(150, 10, 10));
    p.drawText(QPointF(84, 45), QStringLiteral("Quorvane"));
    p.fillRect(86, 52, 222, 2, QColor(190, 20, 20));
    p.setFont(uiFont(12, false));
    p.setPen(QColor(80, 60, 60));
    p.drawText(QPointF(86, 68), QStringLiteral("Autostart-Menüs für CD und DVD"));
    return image;
}

// icon_new.png: a blank page with a green plus.
QImage paintIconNew()
{
    QImage image = newImage(48, 48, true);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath page;
    page.moveTo(9.5, 3.5);
    page.lineTo(29.5, 3.5);
    page.lineTo(38.5, 12.5);
    page.lineTo(38.5, 44.5);
    page.lineTo(9.5, 44.5);
    page.closeSubpath();
    QLinearGradient paper(0, 4, 0, 44);
    paper.setColorAt(0, Qt::white);
    paper.setColorAt(1, QColor(236, 238, 242));
    p.setPen(QPen(QColor(110, 114, 128), 1.2));
    p.setBrush(paper);
    p.drawPath(page);

    QPolygonF fold{QPointF(29.5, 3.5), QPointF(29.5, 12.5), QPointF(38.5, 12.5)};
    p.setBrush(QColor(212, 216, 226));
    p.drawPolygon(fold);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(196, 200, 212));
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(14, 17 + i * 5, i == 3 ? 11 : 19, 2));

    QRadialGradient green(QPointF(32, 31), 12);
    green.setColorAt(0, QColor(90, 200, 90));
    green.setColorAt(1, QColor(30, 140, 50));
    p.setPen(QPen(Qt::white, 1.8));
    p.setBrush(green);
    p.drawEllipse(QPointF(35, 35), 10.5, 10.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(33.5, 29, 3, 12));
    p.drawRect(QRectF(29, 33.5, 12, 3));
    return image;
}

// icon_open.png: an opening folder with a sheet inside.
QImage paintIconOpen()
{
    QImage image = newImage(48, 48, true);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen edge(QColor(160, 108, 16), 1.2);

    QPainterPath back;
    back.moveTo(4.5, 41.5);
    back.lineTo(4.5, 9.5);
    back.lineTo(16.5, 9.5);
    back.lineTo(19.5, 13.5);
    back.lineTo(39.5, 13.5);
    back.lineTo(39.5, 41.5);
    back.closeSubpath();
    p.setPen(edge);
    p.setBrush(QColor(222, 164, 40));
    p.drawPath(back);

    p.setPen(QPen(QColor(150, 150, 160), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9.5, 16.5, 26, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 204, 214));
    for (int i = 0; i < 2; ++i)
        p.drawRect(QRectF(13, 20 + i * 4, 19, 1.6));

    QPainterPath front;
    front.moveTo(11.5, 23.5);
    front.lineTo(46.5, 23.5);
    front.lineTo(39.5, 41.5);
    front.lineTo(4.5, 41.5);
    front.closeSubpath();
    QLinearGradient flap(0, 23, 0, 42);
    flap.setColorAt(0, QColor(255, 222, 110));
    flap.setColorAt(1, QColor(242, 180, 40));
    p.setPen(edge);
    p.setBrush(flap);
    p.drawPath(front);
    return image;
}

// icon_demo.png: a disc with a red play button.
QImage paintIconDemo()
{
    QImage image = newImage(48, 48, true);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawDisc(p, QPointF(22, 22), 20);

    QRadialGradient red(QPointF(33, 32), 12);
    red.setColorAt(0, QColor(230, 60, 60));
    red.setColorAt(1, kRedDark);
    p.setPen(QPen(Qt::white, 1.8));
    p.setBrush(red);
    p.drawEllipse(QPointF(35, 35), 11, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{QPointF(31.5, 29.5), QPointF(41.5, 35), QPointF(31.5, 40.5)});
    return image;
}

// warn.png: yellow triangle with a black exclamation mark, aligned to whole pixels.
QImage paintWarning()
{
    QImage image = newImage(16, 16, true);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient yellow(0, 1, 0, 15);
    yellow.setColorAt(0, QColor(255, 226, 60));
    yellow.setColorAt(1, QColor(245, 180, 0));
    p.setPen(QPen(QColor(130, 90, 0), 1.0));
    p.setBrush(yellow);
    p.drawPolygon(QPolygonF{QPointF(8, 0.8), QPointF(15.4, 14.5), QPointF(0.6, 14.5)});
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(7, 5, 2, 5, Qt::black);
    p.fillRect(7, 11, 2, 2, Qt::black);
    return image;
}

// A dimension line with arrow heads at both ends.
void drawMeasure(QPainter &p, QPointF from, QPointF to, const QColor &colour)
{
    p.setPen(QPen(colour, 1.0));
    p.drawLine(from, to);
    const QPointF dir = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF side(-dir.y(), dir.x());
    constexpr qreal len = 5.0, half = 2.6;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF{from, from + dir * len + side * half, from + dir * len - side * half});
    p.drawPolygon(QPolygonF{to, to - dir * len + side * half, to - dir * len - side * half});
}

// A measure number in a small white circle.
void drawMeasureNumber(QPainter &p, QPointF centre, int number, const QColor &colour)
{
    p.setPen(QPen(colour, 1.2));
    p.setBrush(Qt::white);
    p.drawEllipse(centre, 6.5, 6.5);
    p.setFont(uiFont(10, true));
    p.setPen(colour);
    p.drawText(QRectF(centre.x() - 6.5, centre.y() - 6.5, 13, 13), Qt::AlignCenter,
               QString::number(number));
}

// skizze.png: a skin with its page area and the four measures that place the page.
QImage paintSkinSketch()
{
    QImage image = newImage(194, 134, false);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The skin: straight left and top edges (the measures start there), irregular elsewhere.
    QPainterPath skin;
    skin.addRoundedRect(QRectF(3.5, 5.5, 172, 118), 14, 14);
    QPainterPath bulge;
    bulge.addEllipse(QPointF(176, 64), 15, 30);
    bulge.addEllipse(QPointF(72, 121), 42, 10);
    skin = skin.united(bulge);
    QLinearGradient sand(0, 5, 0, 132);
    sand.setColorAt(0, QColor(252, 210, 130));
    sand.setColorAt(1, QColor(232, 150, 60));
    p.setPen(QPen(QColor(170, 100, 30), 1.2));
    p.setBrush(sand);
    p.drawPath(skin);

    const QRectF page(44.5, 32.5, 108, 74);
    p.setPen(QPen(QColor(120, 120, 130), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(page);

    const QColor ink(150, 10, 10);
    const qreal skinLeft = 3.5, skinTop = 5.5;
    drawMeasure(p, QPointF(skinLeft, 62), QPointF(page.left(), 62), ink);
    drawMeasureNumber(p, QPointF(24, 51), 1, ink);
    drawMeasure(p, QPointF(70, skinTop), QPointF(70, page.top()), ink);
    drawMeasureNumber(p, QPointF(82, 19), 2, ink);
    drawMeasure(p, QPointF(page.left(), 96), QPointF(page.right(), 96), ink);
    drawMeasureNumber(p, QPointF(92, 96), 3, ink);
    drawMeasure(p, QPointF(138, page.top()), QPointF(138, page.bottom()), ink);
    drawMeasureNumber(p, QPointF(138, 64), 4, ink);
    return image;
}

// spenden0.png / spenden1.png: the donation button at rest and under the mouse.
QImage paintDonateButton(bool hover)
{
    QImage image = newImage(98, 26, true);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Under the mouse the face is brighter and lifted by one pixel over a shadow.
    const QRectF face = hover ? QRectF(0.5, 0.5, 97, 24) : QRectF(0.5, 1.5, 97, 24);
    if (hover) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 70, 0, 90));
        p.drawRoundedRect(QRectF(1, 2, 97, 24), 5, 5);
    }
    QLinearGradient gold(0, face.top(), 0, face.bottom());
    gold.setColorAt(0.0, hover ? QColor(255, 244, 190) : QColor(255, 226, 130));
    gold.setColorAt(0.5, hover ? QColor(255, 214, 100) : QColor(250, 192, 60));
    gold.setColorAt(1.0, hover ? QColor(255, 190, 60) : QColor(232, 160, 30));
    p.setPen(QPen(hover ? QColor(200, 130, 20) : QColor(176, 110, 14), 1.0));
    p.setBrush(gold);
    p.drawRoundedRect(face, 5, 5);
    p.setPen(QPen(QColor(255, 255, 255, hover ? 200 : 130), 1.0));
    p.drawLine(QPointF(face.left() + 5, face.top() + 1.5), QPointF(face.right() - 5, face.top() + 1.5));

    // A small heart on the left.
    const qreal cx = 15, top = face.top() + 7.5;
    QPainterPath heart;
    heart.moveTo(cx, top + 11);
    heart.cubicTo(cx - 9, top + 4, cx - 6, top - 3, cx, top + 2);
    heart.cubicTo(cx + 6, top - 3, cx + 9, top + 4, cx, top + 11);
    p.setPen(QPen(QColor(120, 0, 0), 0.8));
    p.setBrush(hover ? QColor(230, 30, 30) : QColor(200, 20, 20));
    p.drawPath(heart);

    p.setFont(uiFont(13, true));
    const QRectF textBox(26, face.top(), 66, face.height());
    p.setPen(QColor(255, 240, 200, 160));
    p.drawText(textBox.translated(0, 1), Qt::AlignCenter, QStringLiteral("Spenden"));
    p.setPen(QColor(90, 40, 0));
    p.drawText(textBox, Qt::AlignCenter, QStringLiteral("Spenden"));
    return image;
}

// Title-bar button with a glyph: 0 minimise, 1 maximise, 2 close.
void drawCaptionButton(QPainter &p, const QRectF &box, int kind)
{
    p.setPen(QPen(QColor(60, 60, 70), 0.8));
    p.setBrush(kind == 2 ? QColor(206, 50, 40) : QColor(226, 228, 234));
    p.drawRoundedRect(box, 1.5, 1.5);
    const QColor glyph = kind == 2 ? QColor(Qt::white) : QColor(30, 30, 40);
    const qreal inset = box.width() * 0.28;
    const QRectF g = box.adjusted(inset, inset, -inset, -inset);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(glyph, box.width() > 8 ? 1.4 : 1.1));
    switch (kind) {
    case 0:
        p.drawLine(QPointF(g.left(), g.bottom()), QPointF(g.right(), g.bottom()));
        break;
    case 1:
        p.drawRect(g);
        break;
    default:
        p.drawLine(g.topLeft(), g.bottomRight());
        p.drawLine(g.topRight(), g.bottomLeft());
        break;
    }
}

// border0.png ... border6.png: a small window drawn with each of the seven border styles.
QImage paintBorderPreview(int style)
{
    struct Look {
        int frame;        // frame width in pixels
        bool sizing;      // thick frame with sizing grip
        int title;        // title bar height, 0 for none
        bool minMax;      // minimise and maximise buttons beside close
        bool icon;        // system-menu icon in the title bar
    };
    static const Look looks[7] = {
        {0, false, 0, false, false},  // none
        {4, true, 13, true, true},    // sizeable
        {3, false, 13, false, false}, // dialog
        {1, false, 13, true, true},   // single
        {1, false, 8, false, false},  // tool
        {4, true, 8, false, false},   // sizetool
        {1, false, 0, false, false},  // minimal
    };
    const Look &look = looks[style];

    QImage image = newImage(150, 45, true);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF window(20, 2, 110, 40);

    // Soft shadow so that every style stands out from the white page.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawRect(window.translated(2, 2));

    if (look.frame > 0) {
        p.setBrush(look.sizing ? QColor(200, 204, 212) : QColor(214, 216, 222));
        p.setPen(QPen(QColor(70, 74, 86), 1.0));
        p.drawRect(window.adjusted(0.5, 0.5, -0.5, -0.5));
        if (look.sizing || look.frame >= 3) {
            // The inner edge of a thick or dialog frame.
            const qreal in = look.frame - 0.5;
            p.setPen(QPen(look.sizing ? QColor(130, 134, 146) : QColor(255, 255, 255), 1.0));
            p.setBrush(Qt::NoBrush);
            p.drawRect(window.adjusted(in, in, -in, -in));
        }
    }
    const QRectF inner = window.adjusted(look.frame, look.frame, -look.frame, -look.frame);

    QRectF client = inner;
    if (look.title > 0) {
        const QRectF bar(inner.left(), inner.top(), inner.width(), look.title);
        QLinearGradient blue(bar.left(), 0, bar.right(), 0);
        blue.setColorAt(0, QColor(30, 60, 140));
        blue.setColorAt(1, QColor(100, 150, 215));
        p.fillRect(bar, blue);
        qreal textLeft = bar.left() + 3;
        if (look.icon) {
            p.setPen(QPen(QColor(120, 0, 0), 0.8));
            p.setBrush(kRedLight);
            p.drawEllipse(QPointF(bar.left() + 6.5, bar.center().y()), 3.5, 3.5);
            textLeft = bar.left() + 12;
        }
        p.setFont(uiFont(look.title >= 12 ? 10 : 7, true));
        p.setPen(Qt::white);
        p.drawText(QRectF(textLeft, bar.top(), 60, bar.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Titel"));
        const qreal size = look.title - 3;
        qreal right = bar.right() - 2;
        drawCaptionButton(p, QRectF(right - size, bar.top() + 1.5, size, size), 2);
        if (look.minMax) {
            right -= size + 3;
            drawCaptionButton(p, QRectF(right - size, bar.top() + 1.5, size, size), 1);
            right -= size + 1;
            drawCaptionButton(p, QRectF(right - size, bar.top() + 1.5, size, size), 0);
        }
        client.setTop(bar.bottom());
    }

    // The client area shows a page: a tinted panel with a few lines of text and a picture.
    p.fillRect(client, QColor(238, 243, 250));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(176, 188, 206));
    const qreal lineTop = client.top() + 4;
    for (int i = 0; i < 3 && lineTop + i * 5 + 2 < client.bottom() - 2; ++i)
        p.drawRect(QRectF(client.left() + 5, lineTop + i * 5, i == 2 ? 34 : 52, 2));
    p.setBrush(QColor(200, 60, 50, 170));
    const qreal picHeight = std::min<qreal>(16, client.height() - 8);
    p.drawRect(QRectF(client.right() - 30, client.top() + 4, 24, picHeight));

    if (look.sizing) {
        // Sizing grip: three diagonal dotted lines in the lower right corner.
        p.setPen(QPen(QColor(110, 114, 126), 1.0));
        const QPointF corner = client.bottomRight() - QPointF(1.5, 1.5);
        for (int i = 1; i <= 3; ++i)
            p.drawLine(corner - QPointF(i * 3, 0), corner - QPointF(0, i * 3));
    }
    return image;
}

// leiste.png: light bar at the bottom of the hints dialog.
QImage paintHintBar()
{
    QImage image = newImage(400, 40, false);
    QPainter p(&image);
    QLinearGradient grey(0, 0, 0, 40);
    grey.setColorAt(0, QColor(246, 246, 248));
    grey.setColorAt(1, QColor(220, 221, 226));
    p.fillRect(0, 0, 400, 40, grey);
    p.fillRect(0, 0, 400, 1, QColor(176, 178, 186));
    p.fillRect(0, 1, 400, 1, Qt::white);
    return image;
}

// A floppy disk drawn on whole pixels in the given rectangle of at least 12 x 12 pixels.
void drawFloppy(QPainter &p, const QRect &r)
{
    p.fillRect(r, QColor(24, 44, 100));
    p.fillRect(r.adjusted(1, 1, -1, -1), QColor(56, 96, 176));
    const int w = r.width(), h = r.height();
    // Metal shutter with its slot at the top.
    const QRect shutter(r.left() + w / 4, r.top() + 1, w / 2, h * 3 / 8);
    p.fillRect(shutter, QColor(206, 210, 220));
    p.fillRect(QRect(shutter.right() - 2, shutter.top() + 1, 2, shutter.height() - 2),
               QColor(60, 66, 80));
    // Paper label at the bottom.
    const QRect label(r.left() + 2, r.top() + h / 2 + 1, w - 4, h - h / 2 - 2);
    p.fillRect(label, Qt::white);
    p.fillRect(QRect(label.left() + 1, label.top() + 2, label.width() - 2, 1), QColor(170, 176, 190));
    if (label.height() > 4)
        p.fillRect(QRect(label.left() + 1, label.top() + 4, label.width() - 2, 1),
                   QColor(170, 176, 190));
}

// save.png: a floppy disk.
QImage paintSave()
{
    QImage image = newImage(16, 16, true);
    QPainter p(&image);
    drawFloppy(p, QRect(1, 1, 14, 14));
    return image;
}

// saveas.png: a smaller floppy disk with a pencil.
QImage paintSaveAs()
{
    QImage image = newImage(16, 16, true);
    QPainter p(&image);
    drawFloppy(p, QRect(0, 0, 12, 12));
    p.setRenderHint(QPainter::Antialiasing);
    // Pencil from the upper right to its tip at the lower left.
    const QPointF tip(8.5, 14.5), end(15.2, 7.8);
    QPen body(QColor(240, 180, 30), 3.2, Qt::SolidLine, Qt::FlatCap);
    p.setPen(QPen(QColor(110, 70, 0), 4.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(tip + QPointF(1.6, -1.6), end);
    p.setPen(body);
    p.drawLine(tip + QPointF(1.9, -1.9), end - QPointF(0.7, -0.7));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 30, 20));
    p.drawPolygon(QPolygonF{tip, tip + QPointF(0.4, -3.0), tip + QPointF(3.0, -0.4)});
    return image;
}

// quorvane.png / quorvane-48.png: red rounded square, a disc and a small menu window.
QImage paintAppIcon(int size)
{
    QImage image = newImage(size, size, true);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    QLinearGradient red(0, 8, 0, 248);
    red.setColorAt(0, QColor(214, 40, 40));
    red.setColorAt(1, kRedDark);
    p.setPen(QPen(QColor(90, 0, 0), 4));
    p.setBrush(red);
    p.drawRoundedRect(QRectF(10, 10, 236, 236), 44, 44);

    drawDisc(p, QPointF(106, 106), 78);

    // The autostart menu: a white window with a red title bar and three menu lines.
    const QRectF card(128, 134, 104, 92);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(card.translated(5, 6), 10, 10);
    p.setPen(QPen(QColor(70, 0, 0), 4));
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, 10, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(kRedLight);
    QPainterPath bar;
    bar.addRoundedRect(QRectF(card.left() + 2, card.top() + 2, card.width() - 4, 22), 8, 8);
    bar.addRect(QRectF(card.left() + 2, card.top() + 14, card.width() - 4, 10));
    p.drawPath(bar.simplified());
    p.setBrush(QColor(150, 150, 160));
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(card.left() + 14, card.top() + 36 + i * 17, i == 2 ? 48 : 74, 9), 4, 4);
    return image;
}

// quorvane.svg: the same icon as a drawing for the hicolor theme's scalable folder, in the
// 256-unit space of paintAppIcon. SVG has no conical gradient: the disc's sheen is 72 wedges of
// the gradient's colours, clipped to the disc.
QString appIconSvg()
{
    const QPointF centre(106, 106);
    const qreal radius = 78, line = std::max<qreal>(1.0, radius / 28.0);
    const QList<QPair<qreal, QColor>> sheen{
        {0.00, QColor(238, 240, 244)}, {0.12, QColor(196, 204, 220)}, {0.25, QColor(252, 246, 232)},
        {0.38, QColor(186, 196, 214)}, {0.50, QColor(238, 240, 244)}, {0.62, QColor(210, 200, 226)},
        {0.75, QColor(252, 252, 255)}, {0.88, QColor(194, 208, 222)}, {1.00, QColor(238, 240, 244)}};
    const auto colourAt = [&](qreal t) {
        for (int i = 1; i < sheen.size(); ++i) {
            if (t <= sheen[i].first) {
                const qreal f = (t - sheen[i - 1].first) / (sheen[i].first - sheen[i - 1].first);
                const QColor a = sheen[i - 1].second, b = sheen[i].second;
                return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * f, a.greenF() + (b.greenF() - a.greenF()) * f,
                                        a.blueF() + (b.blueF() - a.blueF()) * f);
            }
        }
        return sheen.last().second;
    };
    const auto num = [](qreal v) { return QString::number(v, 'f', 2); };
    const auto point = [&](qreal degrees, qreal r) {
        const qreal a = qDegreesToRadians(degrees);
        return num(centre.x() + r * std::cos(a)) + QLatin1Char(',') + num(centre.y() - r * std::sin(a));
    };
    QString wedges;
    constexpr int kWedges = 72;
    for (int i = 0; i < kWedges; ++i) {
        // Counter-clockwise from 35 degrees, as QConicalGradient(centre, 35) runs.
        const qreal from = 35 + 360.0 * i / kWedges, to = 35 + 360.0 * (i + 1) / kWedges + 0.3;
        wedges += QStringLiteral("    <path d=\"M%1 L%2 A%3,%3 0 0 0 %4 Z\" fill=\"%5\"/>\n")
                      .arg(point(0, 0), point(from, radius + 1), num(radius + 1), point(to, radius + 1),
                           colourAt((i + 0.5) / kWedges).name());
    }
    const auto circle = [&](qreal r) {
        return QStringLiteral("M%1,%2 a%3,%3 0 1 0 %4,0 a%3,%3 0 1 0 %5,0 Z")
            .arg(num(centre.x() - r), num(centre.y()), num(r), num(2 * r), num(-2 * r));
    };
    const QString disc = circle(radius) + QLatin1Char(' ') + circle(radius * 0.17);
    const QString ring = circle(radius * 0.36) + QLatin1Char(' ') + circle(radius * 0.17);
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
               "  <defs>\n"
               "    <linearGradient id=\"red\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"8\" x2=\"0\" y2=\"248\">\n"
               "      <stop offset=\"0\" stop-color=\"#d62828\"/>\n"
               "      <stop offset=\"1\" stop-color=\"%1\"/>\n"
               "    </linearGradient>\n"
               "    <clipPath id=\"disc\"><path clip-rule=\"evenodd\" d=\"%2\"/></clipPath>\n"
               "  </defs>\n"
               "  <rect x=\"10\" y=\"10\" width=\"236\" height=\"236\" rx=\"44\" fill=\"url(#red)\" stroke=\"#5a0000\" stroke-width=\"4\"/>\n"
               "  <g clip-path=\"url(#disc)\">\n%3  </g>\n"
               "  <path d=\"%2\" fill=\"none\" stroke=\"#696976\" stroke-width=\"%4\"/>\n"
               "  <path d=\"%5\" fill=\"#ffffff\" fill-opacity=\"0.47\" fill-rule=\"evenodd\" stroke=\"#9696a2\" stroke-width=\"%6\"/>\n"
               "  <circle cx=\"106\" cy=\"106\" r=\"%7\" fill=\"none\" stroke=\"#ffffff\" stroke-opacity=\"0.67\" stroke-width=\"%4\"/>\n"
               "  <rect x=\"133\" y=\"140\" width=\"104\" height=\"92\" rx=\"10\" fill=\"#000000\" fill-opacity=\"0.27\"/>\n"
               "  <rect x=\"128\" y=\"134\" width=\"104\" height=\"92\" rx=\"10\" fill=\"#ffffff\" stroke=\"#460000\" stroke-width=\"4\"/>\n"
               "  <path d=\"M130,158 V144 A8,8 0 0 1 138,136 H222 A8,8 0 0 1 230,144 V158 Z\" fill=\"%8\"/>\n"
               "  <rect x=\"142\" y=\"170\" width=\"74\" height=\"9\" rx=\"4\" fill=\"#9696a0\"/>\n"
               "  <rect x=\"142\" y=\"187\" width=\"74\" height=\"9\" rx=\"4\" fill=\"#9696a0\"/>\n"
               "  <rect x=\"142\" y=\"204\" width=\"48\" height=\"9\" rx=\"4\" fill=\"#9696a0\"/>\n"
               "</svg>\n")
        .arg(kRedDark.name(), disc, wedges, num(line), ring, num(line * 0.8), num(radius * 0.9), kRedLight.name());
}

bool writeText(const QString &text, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    return file.commit();
}

bool writeImage(const QImage &image, const QString &path, const char *format, int quality)
{
    QImageWriter writer(path, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image)) {
        std::fprintf(stderr, "quorvane-paint: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

bool writeResourceFile(const QString &path, const QStringList &names)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/pictures\">\n";
    for (const QString &name : names)
        out << "    <file alias=\"" << name << "\">" << name << "</file>\n";
    out << "</qresource>\n</RCC>\n";
    out.flush();
    return file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    // Always offscreen: runs without a display, and no desktop setting changes the text.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2 && args.size() != 3) {
        std::fprintf(stderr, "usage: quorvane-paint OUTPUT-FOLDER [ICON-FOLDER]\n");
        return 2;
    }
    const QDir out(args.at(1));
    if (!QDir().mkpath(out.absolutePath())) {
        std::fprintf(stderr, "quorvane-paint: cannot create %s\n", qPrintable(out.absolutePath()));
        return 1;
    }
    chooseFontFamily();

    // Built in: shown at the first paint, so the build embeds them decoded (ui/CMakeLists.txt)
    // instead of listing them in the resource file.
    struct Picture {
        QString name;
        QImage image;
        bool builtIn = false;
    };
    std::vector<Picture> pictures{
        {QStringLiteral("ihbg.jpg"), paintBackground(), true},
        {QStringLiteral("logo.jpg"), paintLogo()},
        {QStringLiteral("icon_new.png"), paintIconNew(), true},
        {QStringLiteral("icon_open.png"), paintIconOpen(), true},
        {QStringLiteral("icon_demo.png"), paintIconDemo(), true},
        {QStringLiteral("warn.png"), paintWarning()},
        {QStringLiteral("skizze.png"), paintSkinSketch()},
        {QStringLiteral("spenden0.png"), paintDonateButton(false)},
        {QStringLiteral("spenden1.png"), paintDonateButton(true)},
    };
    for (int style = 0; style < 7; ++style)
        pictures.push_back({QStringLiteral("border%1.png").arg(style), paintBorderPreview(style)});
    pictures.push_back({QStringLiteral("leiste.png"), paintHintBar()});
    pictures.push_back({QStringLiteral("save.png"), paintSave()});
    pictures.push_back({QStringLiteral("saveas.png"), paintSaveAs()});
    pictures.push_back({QStringLiteral("quorvane.png"), paintAppIcon(256)});
    pictures.push_back({QStringLiteral("quorvane-48.png"), paintAppIcon(48), true});

    bool ok = true;
    QStringList names;
    for (const Picture &picture : pictures) {
        const bool jpeg = picture.name.endsWith(QStringLiteral(".jpg"));
        ok = writeImage(picture.image, out.filePath(picture.name), jpeg ? "jpg" : "png",
                        jpeg ? 90 : -1) && ok;
        if (!picture.builtIn)
            names << picture.name;
    }
    if (!writeResourceFile(out.filePath(QStringLiteral("pictures.qrc")), names)) {
        std::fprintf(stderr, "quorvane-paint: cannot write pictures.qrc\n");
        ok = false;
    }
    // The desktop icons: the usual sizes of the hicolor theme and the scalable drawing.
    if (args.size() == 3) {
        const QDir icons(args.at(2));
        QDir().mkpath(icons.absolutePath());
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            ok = writeImage(paintAppIcon(size), icons.filePath(QStringLiteral("quorvane-%1.png").arg(size)), "png", -1) && ok;
        if (!writeText(appIconSvg(), icons.filePath(QStringLiteral("quorvane.svg")))) {
            std::fprintf(stderr, "quorvane-paint: cannot write quorvane.svg\n");
            ok = false;
        }
    }
    std::printf("quorvane-paint: %lld pictures (font %s) in %s\n",
                static_cast<long long>(pictures.size()), qPrintable(g_family),
                qPrintable(out.absolutePath()));
    return ok ? 0 : 1;
}
