#include "StarterInteraction.h"

#include <QDesktopServices>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>

namespace qv::starter {

std::optional<QString> QtStarterInteraction::askPassword(QWidget* parent)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, QStringLiteral("Passwort"),
                                               QStringLiteral("Bitte gib das Passwort zum Beenden ein:"),
                                               QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void QtStarterInteraction::showNote(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent, title, text);
}

bool QtStarterInteraction::openWithDefaultProgram(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool QtStarterInteraction::openInBrowser(const QUrl& url)
{
    // The desktop's handler of web addresses is its browser.
    return QDesktopServices::openUrl(url);
}

bool QtStarterInteraction::startProgram(const QString& program, const QStringList& arguments, const QString& folder)
{
    return QProcess::startDetached(program, arguments, folder);
}

} // namespace qv::starter
