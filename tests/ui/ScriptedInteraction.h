#pragma once

#include "ui/platform/Interaction.h"

#include <QColor>
#include <QList>
#include <QQueue>
#include <QString>

// The test seam: records every call and answers it from queues (defaults when a queue is empty:
// Cancel, no file, no folder, no colour, shell success).
class ScriptedInteraction : public Interaction {
public:
    enum class Kind { MessageBox, ErrorBox, OpenFile, SaveFile, Folder, Color, Shell, Start, ShowInFolder };

    struct Call {
        Kind kind;
        QString title;
        QString text;             // message text, shell target
        Icon icon = Icon::Information;
        Buttons buttons = Buttons::Ok;
        QString filter;
        QString fileName;         // proposed name; shell working folder
        QColor initialColor;
        QString initialFolder;    // file dialogs
    };

    QList<Call> calls;
    QList<QStringList> startArguments; // the arguments of each Start call, in order
    QList<Interaction::EarlyEnd> earlyEnds;   // what each Start call was given to hear of an early end
    bool startSucceeds = true;                // what Start calls answer
    bool shellSucceeds = true;                // what Shell calls answer
    QQueue<Answer> answers;
    QQueue<QString> fileNames;
    QQueue<QString> folders;
    QQueue<QColor> colors;

    QList<Call> callsOf(Kind kind) const
    {
        QList<Call> result;
        for (const Call& call : calls) {
            if (call.kind == kind)
                result << call;
        }
        return result;
    }

    Answer messageBox(QWidget*, const QString& title, const QString& text, Icon icon, Buttons buttons) override
    {
        calls << Call{Kind::MessageBox, title, text, icon, buttons, {}, {}, {}, {}};
        return answers.isEmpty() ? Answer::Cancel : answers.dequeue();
    }
    void errorBox(QWidget*, const QString& text) override
    {
        calls << Call{Kind::ErrorBox, {}, text, Icon::Critical, Buttons::Ok, {}, {}, {}, {}};
    }
    QString openFileName(QWidget*, const FileDialogRequest& request) override
    {
        calls << Call{Kind::OpenFile, request.title, {}, {}, {}, request.filter, request.fileName, {},
                      request.initialFolder};
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    QString saveFileName(QWidget*, const FileDialogRequest& request) override
    {
        calls << Call{Kind::SaveFile, request.title, {}, {}, {}, request.filter, request.fileName, {},
                      request.initialFolder};
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    QString existingFolder(QWidget*, const QString& caption) override
    {
        calls << Call{Kind::Folder, caption, {}, {}, {}, {}, {}, {}, {}};
        return folders.isEmpty() ? QString() : folders.dequeue();
    }
    QColor color(QWidget*, const QColor& initial) override
    {
        calls << Call{Kind::Color, {}, {}, {}, {}, {}, {}, initial, {}};
        return colors.isEmpty() ? QColor() : colors.dequeue();
    }
    bool shellOpen(const QString& target, const QString& workingFolder) override
    {
        calls << Call{Kind::Shell, {}, target, {}, {}, {}, workingFolder, {}, {}};
        return shellSucceeds;
    }
    bool showInFolder(const QString& path) override
    {
        calls << Call{Kind::ShowInFolder, {}, path, {}, {}, {}, {}, {}, {}};
        return true;
    }
    bool startProgram(const QString& program, const QStringList& arguments, const QString& workingFolder,
                      EarlyEnd earlyEnd = {}) override
    {
        calls << Call{Kind::Start, {}, program, {}, {}, {}, workingFolder, {}, {}};
        startArguments << arguments;
        earlyEnds << earlyEnd;
        return startSucceeds;
    }
};
