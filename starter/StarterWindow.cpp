#include "StarterWindow.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace qv::starter {
namespace {

constexpr int kFadeMs = 300;

QScreen* ScreenFor(const QWidget* widget)
{
    if (QScreen* screen = widget->screen())
        return screen;
    return QGuiApplication::primaryScreen();
}

} // namespace

Qt::WindowFlags WindowFlagsFor(BorderStyle style)
{
    const Qt::WindowFlags custom = Qt::Window | Qt::CustomizeWindowHint;
    switch (style) {
    case BorderStyle::None:
        return Qt::Window | Qt::FramelessWindowHint;
    case BorderStyle::Sizeable:
        return Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
               Qt::WindowCloseButtonHint;
    case BorderStyle::Dialog:
        return custom | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    case BorderStyle::Single:
        return custom | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
               Qt::WindowCloseButtonHint;
    case BorderStyle::Tool:
    case BorderStyle::SizeTool:
        return Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    case BorderStyle::Minimal:
        // A frame without a title bar: customised decorations with no title hint.
        return custom;
    }
    return Qt::Window;
}

bool IsFixedSize(BorderStyle style)
{
    return style == BorderStyle::Dialog || style == BorderStyle::Single || style == BorderStyle::Tool;
}

QRegion SkinShape(const QImage& picture, const QColor& key, const QRect& pageArea)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const QImage mask = rgb.createMaskFromColor(key.rgb(), Qt::MaskOutColor);
    // As a bitmap region this mask covers the key colour; the shape is the rest of the picture.
    return QRegion(rgb.rect()).subtracted(QRegion(QBitmap::fromImage(mask))).united(pageArea);
}

QString MissingStartPageHtml(const QString& startFile, bool settingsFound)
{
    QString text;
    if (!settingsFound) {
        text = QStringLiteral("<h1>Keine Einstellungen gefunden</h1>"
                              "<p>Der Starter hat weder Parameter noch eine Datei „starter.ini“ oder "
                              "„autorun.inf“ mit Einstellungen gefunden.</p>");
    } else if (startFile.isEmpty()) {
        text = QStringLiteral("<h1>Keine Startseite eingetragen</h1>"
                              "<p>In den Einstellungen ist keine Startseite („startfile“) angegeben.</p>");
    } else {
        text = QStringLiteral("<h1>Startseite nicht gefunden</h1>"
                              "<p>Die Startseite „%1“ wurde nicht gefunden oder kann nicht gelesen werden.</p>"
                              "<p>Bitte prüfe den Pfad in den Einstellungen („startfile“).</p>")
                   .arg(startFile.toHtmlEscaped());
    }
    return QStringLiteral("<!DOCTYPE html><html lang=\"de\"><head><meta charset=\"utf-8\">"
                          "<title>Starter</title></head>"
                          "<body style=\"font-family:sans-serif;margin:2em;color:#222\">%1</body></html>")
        .arg(text);
}

StarterWindow::StarterWindow(const RuntimeSettings& settings, QWidget* parent)
    : QWidget(parent)
    , settings_(settings)
{
    setObjectName(QStringLiteral("StarterWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    view_ = new QWebEngineView(this);
    view_->setObjectName(QStringLiteral("StarterView"));
    view_->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, !settings_.hideScrollBars);

    if (!settings_.skin.isEmpty()) {
        QPixmap picture;
        if (picture.load(settings_.skin) && !picture.isNull())
            skin_ = picture;
    }
    if (!settings_.icon.isEmpty() && QFileInfo(settings_.icon).isFile()) {
        const QIcon icon(settings_.icon);
        if (!icon.availableSizes().isEmpty())
            setWindowIcon(icon);
    }
    setWindowTitle(settings_.caption);
    if (settings_.varCaption) {
        connect(view_, &QWebEngineView::titleChanged, this, &StarterWindow::RefreshTitle);
        connect(view_, &QWebEngineView::loadFinished, this, &StarterWindow::RefreshTitle);
    }
    connect(view_, &QWebEngineView::loadFinished, this, &StarterWindow::startPageLoaded);

    ApplyFrameAndGeometry();
    LoadStartPage();
}

StarterWindow::~StarterWindow()
{
    destroying_ = true;
    delete view_;
}

QRect StarterWindow::PageArea() const
{
    return view_->geometry();
}

void StarterWindow::ApplyFrameAndGeometry()
{
    Qt::WindowFlags flags = HasSkin() ? (Qt::Window | Qt::FramelessWindowHint) : WindowFlagsFor(settings_.borderStyle);
    if (settings_.onTop)
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);

    const QRect screen = ScreenFor(this)->availableGeometry();
    QSize size;
    if (HasSkin()) {
        size = skin_.size();
        setFixedSize(size);
        QRect area = settings_.skinPos.value_or(QRect()).intersected(QRect(QPoint(0, 0), size));
        if (area.isEmpty())
            area = QRect(QPoint(0, 0), size);
        view_->setGeometry(area);
        if (settings_.transparencyColor)
            setMask(SkinShape(skin_.toImage(), *settings_.transparencyColor, area));
    } else {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        setMinimumSize(settings_.minWidth.value_or(0), settings_.minHeight.value_or(0));
        if (settings_.maximized) {
            setGeometry(screen);
            return;
        }
        size = QSize(settings_.width.value_or(kDefaultWidth), settings_.height.value_or(kDefaultHeight))
                   .expandedTo(minimumSize());
        resize(size);
        if (IsFixedSize(settings_.borderStyle))
            setFixedSize(size);
    }
    const int x = settings_.left.value_or(screen.x() + (screen.width() - size.width()) / 2);
    const int y = settings_.top.value_or(screen.y() + (screen.height() - size.height()) / 2);
    move(x, y);
}

void StarterWindow::LoadStartPage()
{
    const QString& start = settings_.startFile;
    if (IsWebAddress(start)) {
        view_->load(QUrl(start));
        return;
    }
    const QString path = ResolvePath(settings_.folder, start);
    QFile file(path);
    if (!start.isEmpty() && QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly)) {
        file.close();
        view_->load(QUrl::fromLocalFile(path));
        return;
    }
    problem_ = start.isEmpty() ? QString() : path;
    view_->setHtml(MissingStartPageHtml(start, settings_.found));
}

void StarterWindow::RefreshTitle()
{
    // The view's own title falls back to the address for a page without one: ask the document.
    // The page answers before it is deleted, and it is deleted before this window (destructor).
    view_->page()->runJavaScript(QStringLiteral("document.title"), [this](const QVariant& title) {
        if (destroying_)
            return;
        const QString text = title.toString().trimmed();
        setWindowTitle(text.isEmpty() ? settings_.caption : text);
    });
}

void StarterWindow::Open()
{
    if (settings_.fadeIn) {
        setWindowOpacity(0.0);
        fadeIn_ = new QPropertyAnimation(this, "windowOpacity", this);
        fadeIn_->setDuration(kFadeMs);
        fadeIn_->setStartValue(0.0);
        fadeIn_->setEndValue(1.0);
    }
    if (settings_.maximized && !HasSkin())
        showMaximized();
    else
        show();
    if (fadeIn_)
        fadeIn_->start(QAbstractAnimation::DeleteWhenStopped);
}

void StarterWindow::paintEvent(QPaintEvent* event)
{
    if (HasSkin()) {
        QPainter painter(this);
        painter.drawPixmap(0, 0, skin_);
    }
    QWidget::paintEvent(event);
}

void StarterWindow::closeEvent(QCloseEvent* event)
{
    if (!settings_.fadeOut || closing_ || !isVisible()) {
        event->accept();
        return;
    }
    event->ignore();
    if (fadeOut_)
        return; // already fading out
    if (fadeIn_)
        fadeIn_->stop();
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fadeOut_ = fade;
    fade->setDuration(kFadeMs);
    fade->setStartValue(windowOpacity());
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, this, [this] {
        closing_ = true;
        close();
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace qv::starter
