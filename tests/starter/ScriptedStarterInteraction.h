#pragma once

#include "qt/StarterInteraction.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <optional>

// Answers the runtime's dialogs from a script and records every open and start.
class ScriptedStarterInteraction : public qv::starter::StarterInteraction {
public:
    struct Start {
        QString program;
        QStringList arguments;
        QString folder;
    };

    std::deque<std::optional<QString>> passwords; // answers in order; none left: cancel
    int passwordQuestions = 0;
    QStringList notes;
    QList<QUrl> defaultOpens;
    QList<QUrl> browserOpens;
    QList<Start> starts;

    std::optional<QString> askPassword(QWidget*) override
    {
        ++passwordQuestions;
        if (passwords.empty())
            return std::nullopt;
        std::optional<QString> answer = passwords.front();
        passwords.pop_front();
        return answer;
    }
    void showNote(QWidget*, const QString& title, const QString& text) override { notes.push_back(title + ": " + text); }
    bool openWithDefaultProgram(const QUrl& url) override
    {
        defaultOpens.push_back(url);
        return true;
    }
    bool openInBrowser(const QUrl& url) override
    {
        browserOpens.push_back(url);
        return true;
    }
    bool startProgram(const QString& program, const QStringList& arguments, const QString& folder) override
    {
        starts.push_back({program, arguments, folder});
        return true;
    }
};
