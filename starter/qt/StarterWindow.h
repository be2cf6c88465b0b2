#pragma once

#include "qt/StarterInteraction.h"
#include "rules/CloseFlow.h"
#include "rules/LinkRule.h"
#include "rules/RuntimeSettings.h"

#include <QTimer>

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QWebEnginePage;
class QWebEngineView;

namespace qv::starter {

// Window flags of a border style, and whether the style keeps the window at a fixed size.
Qt::WindowFlags WindowFlagsFor(BorderStyle style);
bool IsFixedSize(BorderStyle style);

// The shape of a skinned window: every pixel of the picture except those of the key colour, plus
// the whole page area (the page is never cut).
QRegion SkinShape(const QImage& picture, const QColor& key, const QRect& pageArea);

// The context menu's entries that would hand the page elsewhere (another window, a file, its
// source) are left out of the menu a page may show.
bool IsHandingElsewhere(int webAction);

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
    // Whether the page may go to `url` (see the class comment); opens external files and mailto
    // addresses on the desktop itself.
    bool AcceptNavigation(const QUrl& url, int navigationType, bool isMainFrame);
    // The page asked to close the window (window.close()): closes it as any close does.
    void PageAsksToClose();
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
    void ApplyMinimalFrame();
    void KeepOnScreen(bool moved);
    void StartFade(bool in);
    void StepFade();
    void ShowContextMenu(const QPoint& pos);
    void ApplyPageRules();
    void LoadStartPage();
    void RefreshTitle();
    bool BlocksKeyEvent(QEvent* event) const;
    void WatchSurface();

    RuntimeSettings settings_;
    LinkRule links_;
    CloseFlow closeFlow_;
    StarterInteraction& interaction_;
    Role role_;
    QUrl startUrl_;
    QWebEnginePage* page_ = nullptr;
    QPointer<QWidget> surface_;
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
    bool destroying_ = false; // the page's pending script answers arrive while it is deleted
    bool placed_ = false;     // kept on the screen once its frame was known
    // The fade: a fixed number of steps of a timer, each sent to the display at once, so that every
    // step is seen even while the page keeps the thread busy (the fade then takes longer).
    QTimer fadeTimer_;
    int fadeStep_ = 0;
    bool fadingIn_ = false;
    bool fadeInPending_ = false;
    double fadeFrom_ = 0.0;
};

} // namespace qv::starter
