#pragma once

#include "RuntimeSettings.h"
#include "StarterInteraction.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QPropertyAnimation;
class QWebEnginePage;
class QWebEngineView;

namespace qv::starter {

// Window flags of a border style, and whether the style keeps the window at a fixed size.
Qt::WindowFlags WindowFlagsFor(BorderStyle style);
bool IsFixedSize(BorderStyle style);

// The shape of a skinned window: every pixel of the picture except those of the key colour, plus
// the whole page area (the page is never cut).
QRegion SkinShape(const QImage& picture, const QColor& key, const QRect& pageArea);

// The German page shown instead of a start page that is not given, missing or unreadable.
QString MissingStartPageHtml(const QString& startFile, bool settingsFound);

// The key code a blocked-key list compares: keys that share a name (the keypad digits and the
// digits of the main row) count as the lowest of them, as the designer's list names them.
int ComparableKeyCode(int code);

// The runtime's window: the start page in a web view, framed, sized, placed and titled as the
// configuration says; with a skin, the picture as the window with the page in its area. It
// blocks keys, the context menu and selection as configured, lets the page drag it, asks for the
// exit password, and decides where links go (external files, new windows, file: targets).
// A popup is a window of the same kind that never asks for the password.
class StarterWindow : public QWidget {
    Q_OBJECT
public:
    enum class Role { Main, Popup };

    StarterWindow(const RuntimeSettings& settings, StarterInteraction& interaction, Role role = Role::Main,
                  const QUrl& startUrl = QUrl(), QWidget* parent = nullptr);
    ~StarterWindow() override;

    QWebEngineView* View() const { return view_; }
    bool HasSkin() const { return !skin_.isNull(); }
    // The page's rectangle in window coordinates.
    QRect PageArea() const;
    // The local file that could not be shown, or the empty text.
    QString StartPageProblem() const { return problem_; }

    // Shows the window (fading in when configured).
    void Open();

    bool IsDragging() const { return dragging_; }
    // The page's mouse-down fell on a place that drags the window (moveeverywhere).
    void BeginDrag();
    // Whether the page may go to `url` (see the class comment); opens external files itself.
    bool AcceptNavigation(const QUrl& url, int navigationType, bool isMainFrame);
    // A link asked for a new window: acts as exenewwindow says.
    void OpenNewWindowTarget(const QUrl& url);

signals:
    // The start page (or the page that replaces it) has finished loading.
    void startPageLoaded(bool ok);
    // A link asked for a popup window (exenewwindow=3) showing `url`.
    void popupRequested(const QUrl& url);
    // The window has closed for good (after the password and the fade-out).
    void closedForGood();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyFrameAndGeometry();
    void ApplyPageRules();
    void LoadStartPage();
    void RefreshTitle();
    bool IsInsideFolder(const QUrl& url) const;
    bool BlocksKey(QEvent* event) const;
    void WatchSurface();

    RuntimeSettings settings_;
    StarterInteraction& interaction_;
    Role role_;
    QUrl startUrl_;
    QWebEnginePage* page_ = nullptr;
    QPointer<QWidget> surface_;
    bool passwordAccepted_ = false;
    bool askingPassword_ = false;
    bool closedForGood_ = false;
    bool leftDown_ = false;
    bool dragging_ = false;
    QPoint pressGlobal_;
    QPoint windowAtPress_;
    QWebEngineView* view_ = nullptr;
    QPixmap skin_;
    enum class SkinButton { None, Minimize, Close };
    SkinButton SkinButtonAt(const QPoint& pos) const;
    SkinButton pressedButton_ = SkinButton::None;
    QString problem_;
    bool closing_ = false;    // the fade-out has run: the next close is final
    bool destroying_ = false; // the page's pending script answers arrive while it is deleted
    QPointer<QPropertyAnimation> fadeIn_, fadeOut_;
};

} // namespace qv::starter
