#include "QtInteraction.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

namespace {

QMessageBox::Icon ToQtIcon(Interaction::Icon icon)
{
    switch (icon) {
    case Interaction::Icon::Information: return QMessageBox::Information;
    case Interaction::Icon::Warning: return QMessageBox::Warning;
    case Interaction::Icon::Question: return QMessageBox::Question;
    case Interaction::Icon::Critical: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QString InitialPath(const Interaction::FileDialogRequest& request)
{
    if (request.initialFolder.isEmpty())
        return request.fileName;
    if (request.fileName.isEmpty())
        return request.initialFolder;
    return QDir(request.initialFolder).filePath(QFileInfo(request.fileName).fileName());
}

} // namespace

QString QtFilterFromProductFilter(const QString& productFilter)
{
    const QStringList parts = productFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
#ifndef _WIN32
            // "*.*" means every file on Windows; elsewhere it would hide names without a dot.
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
#endif
        }
        entries << parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

Interaction::Answer QtInteraction::messageBox(QWidget* parent, const QString& title, const QString& text,
                                              Icon icon, Buttons buttons)
{
    QMessageBox box(ToQtIcon(icon), title, text, QMessageBox::NoButton, parent);
    if (buttons == Buttons::YesNo)
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    else
        box.setStandardButtons(QMessageBox::Ok);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Ok: return Answer::Ok;
    default: return Answer::Cancel;
    }
}

void QtInteraction::errorBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
    // The text begins with a path as the user chose it: a "<" in it must not turn it into markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString QtInteraction::openFileName(QWidget* parent, const FileDialogRequest& request)
{
    QFileDialog dialog(parent, request.title, InitialPath(request), QtFilterFromProductFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

QString QtInteraction::saveFileName(QWidget* parent, const FileDialogRequest& request)
{
    QFileDialog dialog(parent, request.title, InitialPath(request), QtFilterFromProductFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.fileName.isEmpty())
        dialog.selectFile(QFileInfo(request.fileName).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

QString QtInteraction::existingFolder(QWidget* parent, const QString& caption)
{
    // Read-only: the browser offers no button for making a new folder.
    return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(
        parent, caption, QString(), QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly));
}

QColor QtInteraction::color(QWidget* parent, const QColor& initial)
{
    return QColorDialog::getColor(initial, parent);
}

bool QtInteraction::shellOpen(const QString& target, const QString& workingFolder)
{
#ifdef Q_OS_WIN
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(target.utf16()), nullptr,
                      workingFolder.isEmpty() ? nullptr : reinterpret_cast<LPCWSTR>(workingFolder.utf16()),
                      SW_SHOWNORMAL));
    return result > 32;
#else
    const QFileInfo info(target);
    if (info.isFile() && info.isExecutable())
        return QProcess::startDetached(info.absoluteFilePath(), {}, workingFolder);
    const QUrl url = QUrl::fromUserInput(target, workingFolder, QUrl::AssumeLocalFile);
    return QDesktopServices::openUrl(url);
#endif
}

bool QtInteraction::startProgram(const QString& program, const QStringList& arguments, const QString& workingFolder)
{
    return QProcess::startDetached(program, arguments, workingFolder);
}
