#include "qt/StarterWindow.h"

#include "qt/QtTypes.h"
#include "qtcommon/KeyCapture.h"
#include "rules/KeyRule.h"
#include "rules/Messages.h"
#include "rules/ScreenBounds.h"

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
#include <QMenu>
#include <QWindow>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#if __has_include(<xcb/xcb.h>) && defined(QUORVANE_STARTER_XCB)
#define QV_STARTER_XCB 1
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

#include <utility>

namespace qv::starter {
namespace {

constexpr int kFadeSteps = 20;
constexpr int kFadeStepMs = 15; // 20 steps: 0.3 s
// How long a fade-in waits for the start page before it runs anyway: the engine's start-up keeps
// the window's thread busy, and a fade that ran meanwhile would jump.
constexpr int kFadeInWaitMs = 4000;
constexpr const char* kDragMessage = "qv-move-start";
constexpr const char* kCloseMessage = "qv-close-window";

// A page's window.close() is honoured by the engine only while the window has shown one page; after
// a navigation it is ignored. The page's close therefore tells the window through a console
// message, and the window closes as it closes for any other reason (through the password).
const char* const kCloseScript = R"(
window.close = function () { console.log('qv-close-window'); };
)";

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

// A script in the page's own world, before the page's scripts run, on the main frame only.
void AddPageWorldScript(QWebEnginePage* page, const QString& name, const char* source)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(QString::fromUtf8(source));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    page->scripts().insert(script);
}

std::string AddressOf(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded).toStdString();
}

// Every request a page makes passes the link rule: files outside the folder tree, files for a
// page from the web, and schemes that are no web addresses are blocked. The main frame's own
// navigations are the navigation rule's (acceptNavigationRequest).
class RequestGuard : public QWebEngineUrlRequestInterceptor {
public:
    RequestGuard(const RuntimeSettings& settings, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent)
        , rule_(settings)
    {
    }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            return;
        if (!rule_.AllowsRequest(AddressOf(info.requestUrl())))
            info.block(true);
    }

private:
    const LinkRule rule_;
};

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
        else if (message == QLatin1String(kCloseMessage))
            window_->PageAsksToClose();
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

bool IsHandingElsewhere(int webAction)
{
    switch (static_cast<QWebEnginePage::WebAction>(webAction)) {
    case QWebEnginePage::OpenLinkInThisWindow:
    case QWebEnginePage::OpenLinkInNewWindow:
    case QWebEnginePage::OpenLinkInNewTab:
    case QWebEnginePage::OpenLinkInNewBackgroundTab:
    case QWebEnginePage::DownloadLinkToDisk:
    case QWebEnginePage::DownloadImageToDisk:
    case QWebEnginePage::DownloadMediaToDisk:
    case QWebEnginePage::InspectElement:
    case QWebEnginePage::SavePage:
    case QWebEnginePage::ViewSource:
        return true;
    default:
        return false;
    }
}

StarterWindow::StarterWindow(const RuntimeSettings& settings, StarterInteraction& interaction, Role role,
                             const QUrl& startUrl, QWidget* parent)
    : QWidget(parent)
    , settings_(settings)
    , links_(settings)
    , closeFlow_(role == Role::Main ? settings.exitPassword : std::string(), settings.fadeOut)
    , interaction_(interaction)
    , role_(role)
    , startUrl_(startUrl)
{
    setObjectName(role == Role::Main ? QStringLiteral("StarterWindow") : QStringLiteral("StarterPopup"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    view_ = new QWebEngineView(this);
    view_->setObjectName(QStringLiteral("StarterView"));
    page_ = new StarterPage(this);
    page_->setUrlRequestInterceptor(new RequestGuard(settings_, page_));
    view_->setPage(page_);
    connect(page_, &QWebEnginePage::windowCloseRequested, this, &StarterWindow::PageAsksToClose,
            Qt::QueuedConnection);
    ApplyPageRules();
    view_->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, !settings_.hideScrollBars);
    // The engine hands an address of a scheme it does not load to the desktop only after a user's
    // click, and only when acceptNavigationRequest lets it: the link rule refuses all but mailto,
    // which it hands over itself. (Disallowing such schemes here would hide mailto from the rule.)
    view_->settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowUnknownUrlSchemesFromUserInteraction);

    if (!settings_.skin.empty()) {
        QPixmap picture;
        if (picture.load(ToQString(settings_.skin)) && !picture.isNull())
            skin_ = picture;
    }
    const QString icon = ToQString(settings_.icon);
    if (!icon.isEmpty() && QFileInfo(icon).isFile()) {
        const QIcon windowIcon(icon);
        if (!windowIcon.availableSizes().isEmpty())
            setWindowIcon(windowIcon);
    }
    setWindowTitle(ToQString(settings_.caption));
    if (settings_.varCaption) {
        connect(view_, &QWebEngineView::titleChanged, this, &StarterWindow::RefreshTitle);
        connect(view_, &QWebEngineView::loadFinished, this, &StarterWindow::RefreshTitle);
    }
    connect(view_, &QWebEngineView::loadFinished, this, &StarterWindow::startPageLoaded);

    fadeTimer_.setInterval(kFadeStepMs);
    fadeTimer_.setTimerType(Qt::PreciseTimer);
    connect(&fadeTimer_, &QTimer::timeout, this, &StarterWindow::StepFade);

    ApplyFrameAndGeometry();
    LoadStartPage();
}

StarterWindow::~StarterWindow()
{
    destroying_ = true;
    fadeTimer_.stop();
    delete view_;
    delete page_;
}

void StarterWindow::ApplyPageRules()
{
    AddPageWorldScript(page_, QStringLiteral("qv-close"), kCloseScript);
    if (settings_.noContextMenu) {
        view_->setContextMenuPolicy(Qt::NoContextMenu);
    } else {
        view_->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view_, &QWidget::customContextMenuRequested, this, &StarterWindow::ShowContextMenu);
    }
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

void StarterWindow::ShowContextMenu(const QPoint& pos)
{
    QMenu* menu = view_->createStandardContextMenu();
    menu->setObjectName(QStringLiteral("StarterContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QAction* action : menu->actions()) {
        for (int webAction = 0; webAction < QWebEnginePage::WebActionCount; ++webAction) {
            if (IsHandingElsewhere(webAction) &&
                page_->action(static_cast<QWebEnginePage::WebAction>(webAction)) == action) {
                menu->removeAction(action);
                break;
            }
        }
    }
    // Separators left at the ends or doubled by the removals go too.
    QAction* previous = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() && (!previous || previous->isSeparator()))
            menu->removeAction(action);
        else
            previous = action;
    }
    if (previous && previous->isSeparator())
        menu->removeAction(previous);
    if (menu->actions().isEmpty()) {
        delete menu;
        return;
    }
    menu->popup(view_->mapToGlobal(pos));
}

void StarterWindow::WatchSurface()
{
    QWidget* surface = view_->focusProxy();
    if (!surface || surface == surface_)
        return;
    surface_ = surface;
    surface_->installEventFilter(this);
}

bool StarterWindow::BlocksKeyEvent(QEvent* event) const
{
    return BlocksKey(settings_, keys::KeyCodeOf(*static_cast<QKeyEvent*>(event)));
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
        return BlocksKeyEvent(event);
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

bool StarterWindow::AcceptNavigation(const QUrl& url, int navigationType, bool)
{
    const auto type = static_cast<QWebEnginePage::NavigationType>(navigationType);
    // The runtime's own loads (start page, popup address) are typed; everything else comes from a page.
    const NavigationOrigin origin =
        type == QWebEnginePage::NavigationTypeTyped ? NavigationOrigin::Runtime : NavigationOrigin::Page;
    switch (links_.Navigation(AddressOf(url), origin, type == QWebEnginePage::NavigationTypeLinkClicked)) {
    case LinkAction::Load:
        return true;
    case LinkAction::OpenOnDesktop:
        interaction_.openWithDefaultProgram(url);
        return false;
    case LinkAction::Refuse:
        return false;
    }
    return false;
}

void StarterWindow::OpenNewWindowTarget(const QUrl& url)
{
    switch (links_.NewWindow(AddressOf(url))) {
    case NewWindowStep::Refuse:
        break;
    case NewWindowStep::OpenInBrowser:
        interaction_.openInBrowser(url);
        break;
    case NewWindowStep::OpenWithDefaultProgram:
        interaction_.openWithDefaultProgram(url);
        break;
    case NewWindowStep::LoadHere:
        view_->load(url);
        break;
    case NewWindowStep::Popup:
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
    const Rect available{screen.x(), screen.y(), screen.width(), screen.height()};
    QSize size;
    if (HasSkin()) {
        size = skin_.size();
        setFixedSize(size);
        QRect area = ToQRect(settings_.skinPos.value_or(Rect{})).intersected(QRect(QPoint(0, 0), size));
        if (area.isEmpty())
            area = QRect(QPoint(0, 0), size);
        view_->setGeometry(area);
        if (settings_.transparencyColor)
            setMask(SkinShape(skin_.toImage(), ToQColor(*settings_.transparencyColor), area));
    } else {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        if (settings_.maximized) {
            setGeometry(screen);
            return;
        }
        // No window is larger than the screen's available area, its minimum size neither.
        const Size minimum = FitSize(available, {settings_.minWidth.value_or(0), settings_.minHeight.value_or(0)});
        setMinimumSize(minimum.width, minimum.height);
        const Size wanted = FitSize(available, {std::max(settings_.width.value_or(kDefaultWidth), minimum.width),
                                                std::max(settings_.height.value_or(kDefaultHeight), minimum.height)});
        size = QSize(wanted.width, wanted.height);
        resize(size);
        if (IsFixedSize(settings_.borderStyle))
            setFixedSize(size);
    }
    const Rect placed = PlaceWindow(available, {size.width(), size.height()}, settings_.left, settings_.top);
    move(placed.x, placed.y);
}

// With the frame known (after the window manager framed the window), the frame is kept on the
// screen too: the title bar is never above or beside the available area.
void StarterWindow::KeepOnScreen(bool moved)
{
    if (placed_ || !isVisible() || settings_.maximized)
        return;
    // Kept once the window manager has framed the window (its frame is larger than its client area),
    // or at the first move after showing it.
    placed_ = frameGeometry() != geometry() || moved;
    const QRect screen = ScreenFor(this)->availableGeometry();
    const QRect frame = frameGeometry();
    const Rect kept = KeepInside({screen.x(), screen.y(), screen.width(), screen.height()},
                                 {frame.x(), frame.y(), frame.width(), frame.height()});
    if (kept.x != frame.x() || kept.y != frame.y())
        move(kept.x, kept.y);
}

void StarterWindow::ApplyMinimalFrame()
{
#ifdef QV_STARTER_XCB
    // Qt asks the window manager for no decorations at all when a window has no title; the minimal
    // style wants the window manager's border without the title: the Motif hints say exactly that.
    if (HasSkin() || settings_.borderStyle != BorderStyle::Minimal)
        return;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    const char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr);
    if (!atom)
        return;
    constexpr std::uint32_t kDecorationsFlag = 1u << 1;
    constexpr std::uint32_t kFunctionsFlag = 1u << 0;
    constexpr std::uint32_t kFunctionAll = 1u << 0;
    constexpr std::uint32_t kDecorBorder = 1u << 1;
    // The border alone: window managers read a resize handle or a title beside it as "all decorations".
    const std::uint32_t hints[5] = {kDecorationsFlag | kFunctionsFlag, kFunctionAll, kDecorBorder, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(winId()), atom->atom, atom->atom,
                        32, 5, hints);
    xcb_flush(connection);
    free(atom);
#endif
}

void StarterWindow::LoadStartPage()
{
    if (startUrl_.isValid()) {
        view_->load(startUrl_);
        return;
    }
    const std::string& start = settings_.startFile;
    if (IsWebAddress(start)) {
        view_->load(QUrl(ToQString(start)));
        return;
    }
    const QString path = ToQString(ResolvePath(settings_.folder, start));
    QFile file(path);
    if (!start.empty() && QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly)) {
        file.close();
        view_->load(QUrl::fromLocalFile(path));
        return;
    }
    problem_ = start.empty() ? QString() : path;
    view_->setHtml(ToQString(MissingStartPageHtml(start, settings_.found, settings_.iniName)));
}

void StarterWindow::RefreshTitle()
{
    // The view's own title falls back to the address for a page without one: ask the document.
    // The page answers before it is deleted, and it is deleted before this window (destructor).
    view_->page()->runJavaScript(QStringLiteral("document.title"), [this](const QVariant& title) {
        if (destroying_)
            return;
        const QString text = title.toString().trimmed();
        setWindowTitle(text.isEmpty() ? ToQString(settings_.caption) : text);
    });
}

void StarterWindow::Open()
{
    if (settings_.fadeIn)
        setWindowOpacity(0.0);
    winId(); // the native window exists: the frame hints go with its first map
    ApplyMinimalFrame();
    if (settings_.maximized && !HasSkin())
        showMaximized();
    else
        show();
    KeepOnScreen(false);
    if (windowHandle()) {
        // The frame's size is known once the window manager has framed the window.
        connect(windowHandle(), &QWindow::xChanged, this, [this] { KeepOnScreen(true); }, Qt::SingleShotConnection);
    }
    if (settings_.fadeIn) {
        // The fade runs once the page has loaded (the engine no longer keeps the thread busy), or
        // after kFadeInWaitMs at the latest.
        fadeInPending_ = true;
        connect(view_, &QWebEngineView::loadFinished, this, [this] {
            if (fadeInPending_)
                StartFade(true);
        }, Qt::SingleShotConnection);
        QTimer::singleShot(kFadeInWaitMs, this, [this] {
            if (fadeInPending_)
                StartFade(true);
        });
    }
}

void StarterWindow::StartFade(bool in)
{
    fadeInPending_ = false;
    fadingIn_ = in;
    fadeFrom_ = windowOpacity();
    fadeStep_ = 0;
    fadeTimer_.start();
}

void StarterWindow::StepFade()
{
    const double progress = static_cast<double>(++fadeStep_) / kFadeSteps;
    const double opacity = fadingIn_ ? fadeFrom_ + (1.0 - fadeFrom_) * progress : fadeFrom_ * (1.0 - progress);
    setWindowOpacity(opacity);
#ifdef QV_STARTER_XCB
    // Sent at once: queued, the steps would reach the display together when the thread next waits.
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>(); x11 && x11->connection())
        xcb_flush(x11->connection());
#endif
    if (fadeStep_ < kFadeSteps)
        return;
    fadeTimer_.stop();
    if (!fadingIn_ && closeFlow_.FadeOutFinished() == CloseFlow::Step::Close)
        close();
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
    if (settings_.closeButton && settings_.closeButton->Contains(pos.x(), pos.y()))
        return SkinButton::Close;
    if (settings_.minButton && settings_.minButton->Contains(pos.x(), pos.y()))
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

void StarterWindow::PageAsksToClose()
{
    if (!destroying_)
        close();
}

void StarterWindow::closeEvent(QCloseEvent* event)
{
    // A window that is not shown (the program ends) closes at once.
    if (!isVisible() || closeFlow_.IsClosed()) {
        event->accept();
        if (!closedForGood_) {
            closedForGood_ = true;
            emit closedForGood();
        }
        return;
    }
    event->ignore();
    CloseFlow::Step step = closeFlow_.Request();
    if (step == CloseFlow::Step::AskPassword) {
        const std::optional<QString> answer = interaction_.askPassword(this);
        step = closeFlow_.Answer(answer ? std::optional<std::string>(ToUtf8(*answer)) : std::nullopt);
    }
    switch (step) {
    case CloseFlow::Step::ShowWrongNote:
        interaction_.showNote(this, QString::fromUtf8(kPasswordTitle), QString::fromUtf8(kWrongPassword));
        return;
    case CloseFlow::Step::StartFadeOut:
        StartFade(false);
        return;
    case CloseFlow::Step::Close:
        event->accept();
        if (!closedForGood_) {
            closedForGood_ = true;
            emit closedForGood();
        }
        return;
    case CloseFlow::Step::AskPassword:
    case CloseFlow::Step::Stay:
        return;
    }
}

} // namespace qv::starter
