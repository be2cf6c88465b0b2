#include "qt/StarterInteraction.h"

#include "qt/DesktopBrowser.h"
#include "rules/CloseFlow.h"

#include <QDesktopServices>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>

namespace qv::starter {

std::optional<QString> QtStarterInteraction::askPassword(QWidget* parent)
{
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("StarterPasswordDialog"));
    dialog.setWindowTitle(QString::fromUtf8(kPasswordTitle));
    dialog.setLabelText(QString::fromUtf8(kPasswordPrompt));
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
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
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The program that handles web addresses, started with this address: a file's own default
    // program is never asked (a script on the disc would run).
    if (const std::optional<BrowserCommand> command = DesktopBrowserCommand(url))
        return QProcess::startDetached(command->program, command->arguments);
    // Without one, only a web address goes to the desktop, which opens it in its browser.
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        return QDesktopServices::openUrl(url);
    return false;
#else
    // Elsewhere the desktop's handler of a web address is its browser; a file would go to its own
    // default program, so it is not handed over.
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        return QDesktopServices::openUrl(url);
    return false;
#endif
}

bool QtStarterInteraction::startProgram(const QString& program, const QStringList& arguments, const QString& folder)
{
    return QProcess::startDetached(program, arguments, folder);
}

} // namespace qv::starter
