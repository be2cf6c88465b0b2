#pragma once

#include "qt/QtTypes.h"
#include "qt/StarterApp.h"
#include "qt/StarterWindow.h"
#include "rules/ConfigSource.h"
#include "ScriptedStarterInteraction.h"
#include "TempFolder.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <memory>

namespace qv::starter::test {

constexpr int kLoadMs = 20000;

// Runs a script in the window's page and waits for its result.
inline QVariant Evaluate(StarterWindow& window, const QString& script)
{
    QVariant result;
    bool done = false;
    window.View()->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, kLoadMs)) << script.toStdString();
    return result;
}

inline QString PageText(StarterWindow& window)
{
    return Evaluate(window, QStringLiteral("document.body ? document.body.innerText : ''")).toString();
}

// A project folder with a starter.ini and the files a row needs; the runtime started on it.
class Runtime {
public:
    explicit Runtime(const QByteArray& ini, const QStringList& arguments = {})
    {
        program_ = folder.Write("starter.exe", "");
        if (!ini.isEmpty())
            folder.Write("starter.ini", ini);
        arguments_ = arguments;
    }

    // What Start waits for. A page costs seconds to load here: rows that look only at the window
    // wait for it to be shown.
    enum class Wait { Nothing, Shown, Loaded };

    // Starts the runtime and waits as asked.
    StarterWindow& Start(Wait wait = Wait::Loaded)
    {
        app_ = std::make_unique<StarterApp>(
            LoadStarterConfiguration(ToUtf8(program_), ToUtf8List(arguments_), folderOption), seam);
        app_->Start();
        StarterWindow* window = app_->Window();
        loaded_ = std::make_unique<QSignalSpy>(window, &StarterWindow::startPageLoaded);
        if (wait != Wait::Nothing) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window, kLoadMs));
        }
        if (wait == Wait::Loaded)
            WaitLoaded();
        return *window;
    }

    void WaitLoaded()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !loaded_->isEmpty(); }, kLoadMs));
    }

    StarterApp& App() { return *app_; }

    TempFolder folder;
    ScriptedStarterInteraction seam;
    std::optional<std::string> folderOption; // --folder

private:
    QString program_;
    QStringList arguments_;
    std::unique_ptr<StarterApp> app_;
    std::unique_ptr<QSignalSpy> loaded_;
};

inline QByteArray Page(const char* title, const char* body = "<p>Hallo</p>")
{
    return QByteArray("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>") + title +
           "</title></head><body>" + body + "</body></html>";
}

inline QRect Available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace qv::starter::test
