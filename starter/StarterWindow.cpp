#include "StarterWindow.h"

#include "KeyCapture.h"
#include "KeyNames.h"

#include <QBitmap>
#include <QDir>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

namespace qv::starter {
namespace {

constexpr int kFadeMs = 300;
constexpr const char* kDragMessage = "qv-move-start";

// Pages may not select text (selecttext=0): nothing outside input fields is selectable, and a
// selection never starts, also not by select-all.
const char* const kNoSelectionScript = R"(
(function () {
  var style = document.createElement('style');
  style.textContent = '*{-webkit-user-select:none!important;user-select:none!important}' +
    'input,textarea,[contenteditable]{-webkit-user-select:text!important;user-select:text!important}';
  (document.head || document.documentElement).appendChild(style);
  document.addEventListener('selectstart', function (e) {
    var t = e.target && e.target.nodeType === 3 ? e.target.parentElement : e.target;
    if (!(t && t.closest && t.closest('input,textarea,[contenteditable]'))) e.preventDefault();
  }, true);
})();
)";

// The window follows the mouse from any point of the page that is not a link, button or field
// (moveeverywhere=1): the page tells the window through a console message.
const char* const kDragScript = R"(
document.addEventListener('mousedown', function (e) {
  if (e.button !== 0) return;
  var t = e.target && e.target.nodeType === 3 ? e.target.parentElement : e.target;
  if (t && t.closest && t.closest('a,button,input,select,textarea,label,option,summary,[contenteditable],[onclick]'))
    return;
  e.preventDefault();
  console.log('qv-move-start');
}, true);
)";

void AddScript(QWebEnginePage* page, const QString& name, const char* source)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(QString::fromUtf8(source));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    page->scripts().insert(script);
}

// Catches the address of a link that asked for a new window; the window decides what happens.
class NewWindowCatcher : public QWebEnginePage {
public:
    NewWindowCatcher(StarterWindow* window, QWebEngineProfile* profile)
        : QWebEnginePage(profile, window)
        , window_(window)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        if (!done_) {
            done_ = true;
            window_->OpenNewWindowTarget(url);
            deleteLater();
        }
        return false;
    }

private:
    StarterWindow* window_;
    bool done_ = false;
};

class StarterPage : public QWebEnginePage {
public:
    explicit StarterPage(StarterWindow* window)
        : QWebEnginePage(window)
        , window_(window)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        return window_->AcceptNavigation(url, type, isMainFrame);
    }

    QWebEnginePage* createWindow(WebWindowType) override { return new NewWindowCatcher(window_, profile()); }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&) override
    {
        if (message == QLatin1String(kDragMessage))
            window_->BeginDrag();
    }

private:
    StarterWindow* window_;
};

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

int ComparableKeyCode(int code)
{
    const std::string name = KeyCodeToText(static_cast<KeyCode>(code));
    const KeyCode canonical = name.empty() ? 0 : TextToKeyCode(name);
    return canonical != 0 ? canonical : code;
}

StarterWindow::StarterWindow(const RuntimeSettings& settings, StarterInteraction& interaction, Role role,
                             const QUrl& startUrl, QWidget* parent)
    : QWidget(parent)
    , settings_(settings)
    , interaction_(interaction)
    , role_(role)
    , startUrl_(startUrl)
{
    setObjectName(role == Role::Main ? QStringLiteral("StarterWindow") : QStringLiteral("StarterPopup"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    view_ = new QWebEngineView(this);
    view_->setObjectName(QStringLiteral("StarterView"));
    page_ = new StarterPage(this);
    view_->setPage(page_);
    connect(page_, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
    ApplyPageRules();
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
    delete page_;
}

void StarterWindow::ApplyPageRules()
{
    if (settings_.noContextMenu)
        view_->setContextMenuPolicy(Qt::NoContextMenu);
    if (settings_.noSelectText)
        AddScript(page_, QStringLiteral("qv-no-selection"), kNoSelectionScript);
    if (settings_.moveEverywhere)
        AddScript(page_, QStringLiteral("qv-drag"), kDragScript);
    if (settings_.ignoreKeys || !settings_.disabledKeys.empty() || settings_.moveEverywhere) {
        // The view creates the page's surface when a page is loaded; watch each one it makes.
        connect(view_, &QWebEngineView::loadStarted, this, &StarterWindow::WatchSurface);
        connect(view_, &QWebEngineView::loadFinished, this, &StarterWindow::WatchSurface);
    }
}

void StarterWindow::WatchSurface()
{
    QWidget* surface = view_->focusProxy();
    if (!surface || surface == surface_)
        return;
    surface_ = surface;
    surface_->installEventFilter(this);
}

bool StarterWindow::BlocksKey(QEvent* event) const
{
    if (settings_.ignoreKeys)
        return true;
    const int code = keys::KeyCodeOf(*static_cast<QKeyEvent*>(event));
    if (code == 0)
        return false;
    const int comparable = ComparableKeyCode(code);
    for (const int blocked : settings_.disabledKeys) {
        if (ComparableKeyCode(blocked) == comparable)
            return true;
    }
    return false;
}

bool StarterWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Only the page's surface (the view's focus proxy) is watched; nothing is asked of the object,
    // whose class lives inside the browser engine.
    if (watched != surface_)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        return BlocksKey(event);
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            leftDown_ = true;
            dragging_ = false;
            pressGlobal_ = mouse->globalPosition().toPoint();
            windowAtPress_ = pos();
        }
        return false;
    }
    case QEvent::MouseMove:
        if (dragging_ && leftDown_)
            move(windowAtPress_ + (static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - pressGlobal_));
        return false;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            leftDown_ = false;
            dragging_ = false;
        }
        return false;
    default:
        return false;
    }
}

void StarterWindow::BeginDrag()
{
    if (settings_.moveEverywhere && leftDown_)
        dragging_ = true;
}

bool StarterWindow::IsInsideFolder(const QUrl& url) const
{
    const QString folder = QFileInfo(settings_.folder).canonicalFilePath();
    if (folder.isEmpty())
        return false;
    const QFileInfo target(url.toLocalFile());
    QString path = target.canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(target.absoluteFilePath());
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool StarterWindow::AcceptNavigation(const QUrl& url, int navigationType, bool)
{
    const auto type = static_cast<QWebEnginePage::NavigationType>(navigationType);
    // The runtime's own loads (start page, popup address) are typed; everything else comes from
    // a page and stays inside the configuration's folder tree.
    const bool fromPage = type != QWebEnginePage::NavigationTypeTyped;
    if (url.isLocalFile() && fromPage && !IsInsideFolder(url))
        return false;
    if (type == QWebEnginePage::NavigationTypeLinkClicked && !settings_.external.isEmpty()) {
        const QString suffix = QFileInfo(url.path()).suffix().toLower();
        if (!suffix.isEmpty() && settings_.external.contains(suffix)) {
            interaction_.openWithDefaultProgram(url);
            return false;
        }
    }
    return true;
}

void StarterWindow::OpenNewWindowTarget(const QUrl& url)
{
    if (url.isLocalFile() && !IsInsideFolder(url))
        return;
    switch (settings_.newWindowAction) {
    case NewWindowAction::Default:
        interaction_.openInBrowser(url);
        break;
    case NewWindowAction::Execute:
        interaction_.openWithDefaultProgram(url);
        break;
    case NewWindowAction::Ignore:
        view_->load(url);
        break;
    case NewWindowAction::Popup:
        emit popupRequested(url);
        break;
    }
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
    if (startUrl_.isValid()) {
        view_->load(startUrl_);
        return;
    }
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

StarterWindow::SkinButton StarterWindow::SkinButtonAt(const QPoint& pos) const
{
    if (!HasSkin())
        return SkinButton::None;
    if (settings_.closeButton && settings_.closeButton->contains(pos))
        return SkinButton::Close;
    if (settings_.minButton && settings_.minButton->contains(pos))
        return SkinButton::Minimize;
    return SkinButton::None;
}

// A skinned window has no title bar: its picture carries the minimise and close buttons, which act
// like buttons, on the release of a press that began on them.
void StarterWindow::mousePressEvent(QMouseEvent* event)
{
    pressedButton_ = event->button() == Qt::LeftButton ? SkinButtonAt(event->position().toPoint()) : SkinButton::None;
    QWidget::mousePressEvent(event);
}

void StarterWindow::mouseReleaseEvent(QMouseEvent* event)
{
    const SkinButton pressed = std::exchange(pressedButton_, SkinButton::None);
    if (event->button() == Qt::LeftButton && pressed != SkinButton::None &&
        SkinButtonAt(event->position().toPoint()) == pressed) {
        if (pressed == SkinButton::Close)
            close();
        else
            showMinimized();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void StarterWindow::closeEvent(QCloseEvent* event)
{
    if (role_ == Role::Main && !settings_.exitPassword.isEmpty() && !passwordAccepted_ && isVisible()) {
        event->ignore();
        if (askingPassword_)
            return;
        askingPassword_ = true;
        const std::optional<QString> answer = interaction_.askPassword(this);
        askingPassword_ = false;
        if (!answer)
            return;
        if (*answer != settings_.exitPassword) {
            interaction_.showNote(this, QStringLiteral("Passwort"), QStringLiteral("Das Passwort ist falsch."));
            return;
        }
        passwordAccepted_ = true;
        event->accept();
    }
    if (!settings_.fadeOut || closing_ || !isVisible()) {
        event->accept();
        if (!closedForGood_) {
            closedForGood_ = true;
            emit closedForGood();
        }
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
