#include "StarterApp.h"

#include "StarterWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace qv::starter {

StarterApp::StarterApp(LoadedConfiguration configuration, QObject* parent)
    : QObject(parent)
    , configuration_(std::move(configuration))
    , settings_(InterpretSettings(configuration_.loaded.settings, configuration_.folder))
{
    settings_.found = configuration_.kind != SourceKind::None;
}

StarterApp::~StarterApp() = default;

void StarterApp::Start()
{
    window_ = std::make_unique<StarterWindow>(settings_);
    QPixmap picture;
    if (settings_.splash.isEmpty() || !picture.load(settings_.splash) || picture.isNull()) {
        ShowMainWindow();
        return;
    }
    splash_ = std::make_unique<QLabel>();
    splash_->setObjectName(QStringLiteral("Splash"));
    splash_->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // Closing the splash must not end the program before the main window is shown.
    splash_->setAttribute(Qt::WA_QuitOnClose, false);
    splash_->setPixmap(picture);
    splash_->setFixedSize(picture.size());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    splash_->move(screen.center() - QPoint(picture.width() / 2, picture.height() / 2));
    splash_->show();
    QTimer::singleShot(kSplashMs, this, &StarterApp::ShowMainWindow);
}

void StarterApp::ShowMainWindow()
{
    window_->Open();
    if (splash_) {
        splash_->close();
        splash_.reset();
    }
}

} // namespace qv::starter
