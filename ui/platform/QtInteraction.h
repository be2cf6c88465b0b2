#pragma once

#include "ui/platform/Interaction.h"

#include <QUrl>

// The production seam: Qt's message boxes and dialogs, and the desktop's "open".
class QtInteraction : public Interaction {
public:
    Answer messageBox(QWidget* parent, const QString& title, const QString& text, Icon icon,
                      Buttons buttons) override;
    void errorBox(QWidget* parent, const QString& text) override;
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString existingFolder(QWidget* parent, const QString& caption) override;
    QColor color(QWidget* parent, const QColor& initial) override;
    bool shellOpen(const QString& target, const QString& workingFolder) override;
    bool showInFolder(const QString& path) override;
    bool startProgram(const QString& program, const QStringList& arguments, const QString& workingFolder,
                      EarlyEnd earlyEnd = {}) override;
};

// The product's filter form "label|patterns|label|patterns" (patterns split by ";") in Qt's form
// "label (p1 p2);;label (p3)".
QString QtFilterFromProductFilter(const QString& productFilter);

// What the shell's "open" does with a target on hosts that are not Windows: start it as a program
// (`program`, absolute) or hand `url` to the desktop. A target with a URL scheme ("http:",
// "mailto:", ...) is always a URL, whatever local file its text might also name; only a path
// without a scheme that names an executable file is a program. A one-letter scheme is a drive.
struct ShellOpenPlan {
    QString program; // empty: open `url`
    QUrl url;
};
ShellOpenPlan PlanShellOpen(const QString& target, const QString& workingFolder);
