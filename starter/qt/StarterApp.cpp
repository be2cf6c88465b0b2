#include "qt/StarterApp.h"

#include "qt/StarterWindow.h"

#include "qt/QtTypes.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace qv::starter {

StarterApp::StarterApp(LoadedConfiguration configuration, StarterInteraction& interaction, QObject* parent)
    : QObject(parent)
    , configuration_(std::move(configuration))
    , interaction_(interaction)
    , settings_(InterpretConfiguration(configuration_))
{
}

StarterApp::~StarterApp() = default;

void StarterApp::StartConfiguredProgram(const std::string& program, const std::string& parameters)
{
    if (program.empty())
        return;
    interaction_.startProgram(ToQString(ResolvePath(settings_.folder, program)),
                              ToQStringList(SplitArguments(parameters)), ToQString(settings_.folder));
}

void StarterApp::Start()
{
    StartConfiguredProgram(settings_.execute, settings_.executeParam);
    window_ = std::make_unique<StarterWindow>(settings_, interaction_);
    connect(window_.get(), &StarterWindow::popupRequested, this, &StarterApp::OpenPopup);
    connect(window_.get(), &StarterWindow::closedForGood, this, &StarterApp::Finish);
    QPixmap picture;
    if (settings_.splash.empty() || !picture.load(ToQString(settings_.splash)) || picture.isNull()) {
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

void StarterApp::OpenPopup(const QUrl& url)
{
    const RuntimeSettings settings = PopupSettings(configuration_, settings_.popupParam);
    auto window = std::make_unique<StarterWindow>(settings, interaction_, StarterWindow::Role::Popup, url);
    connect(window.get(), &StarterWindow::popupRequested, this, &StarterApp::OpenPopup);
    window->Open();
    popups_.push_back(std::move(window));
}

void StarterApp::Finish()
{
    for (const auto& popup : popups_)
        popup->close();
    StartConfiguredProgram(settings_.executeOnClose, settings_.executeParamOnClose);
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
