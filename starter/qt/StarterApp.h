#pragma once

#include "qt/StarterInteraction.h"
#include "rules/ConfigSource.h"
#include "rules/RuntimeSettings.h"

#include <QObject>

#include <memory>
#include <vector>

#include <QLabel>

namespace qv::starter {

class StarterWindow;

inline constexpr int kSplashMs = 2000;

// One run of the runtime: starts `execute`, shows the splash picture (when configured and
// readable) for kSplashMs, then the main window, which is built and starts loading its page at
// once, behind the splash. Popups open beside it; when the main window has closed for good the
// popups close and `executeonclose` is started.
class StarterApp : public QObject {
    Q_OBJECT
public:
    StarterApp(LoadedConfiguration configuration, StarterInteraction& interaction, QObject* parent = nullptr);
    ~StarterApp() override;

    void Start();

    const RuntimeSettings& Settings() const { return settings_; }
    StarterWindow* Window() const { return window_.get(); }
    QWidget* Splash() const { return splash_.get(); }
    const std::vector<std::unique_ptr<StarterWindow>>& Popups() const { return popups_; }

private:
    void ShowMainWindow();
    void OpenPopup(const QUrl& url);
    void Finish();
    void StartConfiguredProgram(const std::string& program, const std::string& parameters);

    LoadedConfiguration configuration_;
    StarterInteraction& interaction_;
    RuntimeSettings settings_;
    std::vector<std::unique_ptr<StarterWindow>> popups_;
    std::unique_ptr<StarterWindow> window_;
    std::unique_ptr<QLabel> splash_;
};

} // namespace qv::starter
