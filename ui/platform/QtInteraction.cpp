#include "ui/platform/QtInteraction.h"

#include "config/DiscRules.h"
#include "ui/platform/RuntimeWatch.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>
#include <string>
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

#ifndef Q_OS_WIN
// The folder browser: it starts at the desktop (the home folder where there is none), nothing is
// chosen until the user picks a folder, and it offers no way to make a new one. Qt's own dialog
// would take its starting folder as chosen, so that Return at once would confirm it.
class FolderBrowser : public QFileDialog {
public:
    FolderBrowser(QWidget* parent, const QString& caption)
        : QFileDialog(parent, caption, DesktopFolder())
    {
        setOptions(ShowDirsOnly | ReadOnly | DontUseNativeDialog);
        setFileMode(Directory);
        if (auto* newFolder = findChild<QWidget*>(QStringLiteral("newFolderButton")))
            newFolder->hide();
        // The dialog enables its button on its own whenever it shows a folder: it is kept off
        // until a folder is chosen.
        if (auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
            choose_ = buttons->button(QDialogButtonBox::Open);
        if (choose_) {
            choose_->installEventFilter(this);
            choose_->setEnabled(false);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == choose_ && event->type() == QEvent::EnabledChange && choose_->isEnabled() && !FolderChosen())
            choose_->setEnabled(false);
        return QFileDialog::eventFilter(watched, event);
    }

    void accept() override
    {
        if (!FolderChosen())
            return; // no folder chosen yet
        QFileDialog::accept();
    }

private:
    bool FolderChosen() const
    {
        const auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        return !name || !name->text().trimmed().isEmpty();
    }

    static QString DesktopFolder()
    {
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        return QFileInfo(desktop).isDir() ? desktop : QDir::homePath();
    }

    QPushButton* choose_ = nullptr;
};
#endif

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
#ifdef Q_OS_WIN
    // The system's folder browser: it starts at the desktop, only a folder of the file system can
    // be chosen, and it has no button for a new folder.
    const std::wstring title = caption.toStdWString();
    BROWSEINFOW info{};
    info.hwndOwner = parent ? reinterpret_cast<HWND>(parent->window()->winId()) : nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen)
        return {};
    std::wstring path(32768, L'\0');
    const bool named = SHGetPathFromIDListEx(chosen, path.data(), DWORD(path.size()), GPFIDL_DEFAULT);
    CoTaskMemFree(chosen);
    if (!named)
        return {};
    path.resize(wcslen(path.c_str()));
    return QString::fromStdWString(path);
#else
    FolderBrowser dialog(parent, caption);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
#endif
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
    const ShellOpenPlan plan = PlanShellOpen(target, workingFolder);
    if (!plan.program.isEmpty())
        return QProcess::startDetached(plan.program, {}, workingFolder);
    return QDesktopServices::openUrl(plan.url);
#endif
}

bool QtInteraction::showInFolder(const QString& path)
{
    const QFileInfo info(path);
#ifdef Q_OS_WIN
    // The Explorer opens the folder with the entry selected.
    const QString parameters = QStringLiteral("/select,\"%1\"").arg(QDir::toNativeSeparators(info.absoluteFilePath()));
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", L"explorer.exe",
                                                                reinterpret_cast<LPCWSTR>(parameters.utf16()), nullptr,
                                                                SW_SHOWNORMAL));
    return result > 32;
#else
    // The desktop's file manager selects the entry when it offers the freedesktop.org interface;
    // otherwise the folder is opened as it is.
    const QString dbusSend = QStandardPaths::findExecutable(QStringLiteral("dbus-send"));
    if (!dbusSend.isEmpty()) {
        QProcess call;
        call.start(dbusSend, {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                              QStringLiteral("--reply-timeout=3000"), QStringLiteral("--dest=org.freedesktop.FileManager1"),
                              QStringLiteral("/org/freedesktop/FileManager1"),
                              QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                              QStringLiteral("array:string:") + QUrl::fromLocalFile(info.absoluteFilePath()).toString(),
                              QStringLiteral("string:")});
        if (call.waitForFinished(4000) && call.exitStatus() == QProcess::NormalExit && call.exitCode() == 0)
            return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
#endif
}

namespace {

// A URL scheme of two letters or more, followed by ":"; a single letter is a drive ("C:\..." on
// Windows).
bool HasUrlScheme(const QString& target)
{
    return qv::SchemeLength(target.toStdString()) >= 2;
}

} // namespace

ShellOpenPlan PlanShellOpen(const QString& target, const QString& workingFolder)
{
    // Resolving a URL's text as a relative path would run whatever was planted under it.
    if (HasUrlScheme(target))
        return {QString(), QUrl(target, QUrl::TolerantMode)};
    const QFileInfo info(target);
    if (info.isFile() && info.isExecutable())
        return {info.absoluteFilePath(), QUrl()};
    return {QString(), QUrl::fromUserInput(target, workingFolder, QUrl::AssumeLocalFile)};
}

bool QtInteraction::startProgram(const QString& program, const QStringList& arguments, const QString& workingFolder,
                                 EarlyEnd earlyEnd)
{
#ifdef Q_OS_UNIX
    // Watched for its first seconds: a runtime that dies at once would otherwise leave the user
    // with nothing at all.
    auto failed = [program, earlyEnd = std::move(earlyEnd)](const qv::ui::EarlyFailure& failure) {
        if (earlyEnd)
            earlyEnd(qv::ui::EarlyFailureText(program, failure));
    };
    return qv::ui::RuntimeWatch::Start(program, arguments, workingFolder, std::move(failed)) != nullptr;
#else
    return QProcess::startDetached(program, arguments, workingFolder);
#endif
}
