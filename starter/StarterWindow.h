#pragma once

#include "RuntimeSettings.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QPropertyAnimation;
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

// The runtime's main window: the start page in a web view, framed, sized, placed and titled as
// the configuration says; with a skin, the picture as the window with the page in its area.
class StarterWindow : public QWidget {
    Q_OBJECT
public:
    explicit StarterWindow(const RuntimeSettings& settings, QWidget* parent = nullptr);
    ~StarterWindow() override;

    QWebEngineView* View() const { return view_; }
    bool HasSkin() const { return !skin_.isNull(); }
    // The page's rectangle in window coordinates.
    QRect PageArea() const;
    // The local file that could not be shown, or the empty text.
    QString StartPageProblem() const { return problem_; }

    // Shows the window (fading in when configured).
    void Open();

signals:
    // The start page (or the page that replaces it) has finished loading.
    void startPageLoaded(bool ok);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ApplyFrameAndGeometry();
    void LoadStartPage();
    void RefreshTitle();

    RuntimeSettings settings_;
    QWebEngineView* view_ = nullptr;
    QPixmap skin_;
    QString problem_;
    bool closing_ = false;
    bool destroying_ = false;     // the page's pending script answers arrive while it is deleted        // the fade-out has run: the next close is final
    QPointer<QPropertyAnimation> fadeIn_, fadeOut_;
};

} // namespace qv::starter
