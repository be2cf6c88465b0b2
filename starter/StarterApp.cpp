#include "StarterApp.h"

#include "StarterWindow.h"

#include "ParameterReader.h"

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
    , settings_(InterpretSettings(configuration_.loaded.settings, configuration_.folder))
{
    settings_.found = configuration_.kind != SourceKind::None;
}

StarterApp::~StarterApp() = default;

QStringList StarterApp::SplitArguments(const QString& parameters)
{
    QStringList arguments;
    for (const std::string& argument : SplitParameterLine(ToConfigText(parameters)))
        arguments.push_back(FromConfigText(argument));
    return arguments;
}

void StarterApp::StartConfiguredProgram(const QString& program, const QString& parameters)
{
    if (program.isEmpty())
        return;
    interaction_.startProgram(ResolvePath(settings_.folder, program), SplitArguments(parameters), settings_.folder);
}

void StarterApp::Start()
{
    StartConfiguredProgram(settings_.execute, settings_.executeParam);
    window_ = std::make_unique<StarterWindow>(settings_, interaction_);
    connect(window_.get(), &StarterWindow::popupRequested, this, &StarterApp::OpenPopup);
    connect(window_.get(), &StarterWindow::closedForGood, this, &StarterApp::Finish);
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

void StarterApp::OpenPopup(const QUrl& url)
{
    const LoadedConfiguration popup = OverlayParameters(configuration_, settings_.popupParam);
    RuntimeSettings settings = InterpretSettings(popup.loaded.settings, popup.folder);
    // A popup shows a page; the password, the programs and the splash belong to the main window.
    settings.exitPassword.clear();
    settings.execute.clear();
    settings.executeOnClose.clear();
    settings.splash.clear();
    // The main window's skin is its own picture: a popup takes a skin only from its own parameters.
    const ParameterList own = ParameterList::FromLine(ToConfigText(settings_.popupParam));
    if (!own.Find("skin")) {
        settings.skin.clear();
        settings.skinPos.reset();
        settings.minButton.reset();
        settings.closeButton.reset();
        settings.transparencyColor.reset();
    }
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
