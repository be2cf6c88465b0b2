#pragma once

#include "ConfigSource.h"
#include "RuntimeSettings.h"

#include <QObject>
#include <QPointer>

#include <memory>

#include <QLabel>

namespace qv::starter {

class StarterWindow;

inline constexpr int kSplashMs = 2000;

// One run of the runtime: the splash picture (when configured and readable) for kSplashMs, then
// the main window. The main window is built and starts loading its page at once, behind the
// splash.
class StarterApp : public QObject {
    Q_OBJECT
public:
    explicit StarterApp(LoadedConfiguration configuration, QObject* parent = nullptr);
    ~StarterApp() override;

    void Start();

    const RuntimeSettings& Settings() const { return settings_; }
    StarterWindow* Window() const { return window_.get(); }
    QWidget* Splash() const { return splash_.get(); }

private:
    void ShowMainWindow();

    LoadedConfiguration configuration_;
    RuntimeSettings settings_;
    std::unique_ptr<StarterWindow> window_;
    std::unique_ptr<QLabel> splash_;
};

} // namespace qv::starter
