#pragma once

#include "update/UpdateTarget.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

// Processes events of this thread until `done` holds or the generous limit has passed.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Records what the update check asks of the window, in order.
class FakeWindow : public qv::UpdateTarget {
public:
    bool answerYes = false;
    std::function<void()> whilePromptOpen;  // runs inside the modal prompt
    QStringList calls;
    QThread* callThread = nullptr;          // the thread of the last call

    bool askUpdate(const QString& title, const QString& text) override
    {
        callThread = QThread::currentThread();
        calls << QStringLiteral("ask %1|%2").arg(title, text);
        if (whilePromptOpen)
            whilePromptOpen();
        return answerYes;
    }
    void openAddress(const QString& url) override
    {
        callThread = QThread::currentThread();
        calls << QStringLiteral("open %1").arg(url);
    }
    void showMessage(const QString& text, const QString& link) override
    {
        callThread = QThread::currentThread();
        calls << QStringLiteral("message %1|%2").arg(text, link);
    }
};

// Gives each test its own temporary folder (TEMP) and configuration folder (XDG_CONFIG_HOME), so
// tests never share the update list or the preference, even when run in parallel.
class UpdateFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        ASSERT_TRUE(config.isValid());
        qputenv("TEMP", temp.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        qunsetenv("QUORVANE_UPDATE_URL");
    }
    void TearDown() override
    {
        qunsetenv("TEMP");
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("QUORVANE_UPDATE_URL");
    }

    QString listPath() const { return temp.filePath(QStringLiteral("velmorant-qvr-updatelist.ini")); }

    QTemporaryDir temp;
    QTemporaryDir config;
};
