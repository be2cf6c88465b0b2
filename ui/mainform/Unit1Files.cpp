// The file commands (new, open, demonstration, save, close) and the folder and file browsing.
#include "ui/mainform/Unit1.h"

#include "config/ConfigWriter.h"
#include "config/Loader.h"
#include "config/ParameterReader.h"
#include "config/Paths.h"
#include "config/StarterContract.h"
#include "ui/platform/Interaction.h"
#include "ui/project/ProjectFiles.h"
#include "ui/project/TextCodec.h"
#include "ui/mainform/Unit1Controls.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

using qv::ui::FolderOf;

namespace {

#ifndef Q_OS_WIN
// The parameters of a saved runme.bat as the program receives them: one "/key=value" each.
QStringList BatchFileArguments(std::string_view bytes)
{
    QStringList arguments;
    const qv::ParameterList parameters = qv::ParameterList::FromBatchBytes(bytes);
    for (const qv::Parameter& parameter : parameters.Items())
        arguments << QLatin1Char('/') + qv::ui::FromCp1252(parameter.key) + QLatin1Char('=') +
                         qv::ui::FromCp1252(parameter.value);
    return arguments;
}
#endif

const QString kOpenFilter = QStringLiteral("autorun.inf, *.ini|autorun.inf;*.ini");
const QString kAnyFileFilter = QStringLiteral("Datei|*.*");
const QString kIconFilter = QStringLiteral("Icon|*.ico");
const QString kPictureFilter = QStringLiteral("Bitmap, JPEG|*.BMP;*.JPG;*.JPEG");

QString SaveFilter(int target)
{
    switch (target) {
    case 1: return QStringLiteral("autorun.inf|autorun.inf");
    case 2: return QStringLiteral("Batch-Datei|*.bat");
    default: return QStringLiteral("starter.ini|starter.ini");
    }
}

bool FileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// A path as config/'s reader takes it. On Windows the reader opens UTF-8 wide, so any character of
// a user's folder name reaches the file system; the ANSI code page would turn most of them into "?".
std::string ReaderPath(const QString& path)
{
#ifdef Q_OS_WIN
    return path.toUtf8().toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

bool SameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
#ifdef Q_OS_WIN
    return first.absoluteFilePath().compare(second.absoluteFilePath(), Qt::CaseInsensitive) == 0;
#else
    return first.absoluteFilePath() == second.absoluteFilePath();
#endif
}

#ifdef Q_OS_WIN
// Why the shell could not start a program, as far as the path tells it.
QString ShellFailureReason(const QString& target)
{
    // The shell's "open" takes no path of MAX_PATH (260) characters or more.
    if (target.size() >= 260)
        return QStringLiteral("Der Pfad ist mit %1 Zeichen länger, als Windows hier zulässt (259).").arg(target.size());
    return QStringLiteral("Windows hat das Starten abgelehnt.");
}
#endif

// What lies at the place of the project's starter.exe, the link itself judged, not its target.
enum class StarterPlace { Missing, File, Link, Other };

StarterPlace StarterPlaceOf(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return StarterPlace::Link;
    if (!info.exists())
        return StarterPlace::Missing;
    return info.isFile() ? StarterPlace::File : StarterPlace::Other;
}

} // namespace

void TForm1::SetupFiles()
{
    ProgramFolder = QCoreApplication::applicationDirPath();
    connect(ui->BitNeu, &QPushButton::clicked, this, &TForm1::BitNeuClick);
    connect(ui->BitOeffnen, &QPushButton::clicked, this, &TForm1::BitOeffnenClick);
    connect(ui->BitBeispiel, &QPushButton::clicked, this, &TForm1::BitBeispielClick);
}

void TForm1::SetupFileFields()
{
    connect(ui->BitSpeichern, &QPushButton::clicked, this, &TForm1::BitSpeichernClick);
    connect(ui->BitSpeichern2, &QPushButton::clicked, this, &TForm1::BitSpeichern2Click);
    connect(ui->BtDurchsuchen, &QPushButton::clicked, this, &TForm1::BtDurchsuchenClick);
    const struct {
        QPushButton* button;
        QLineEdit* field;
        const QString& filter;
    } browse[] = {
        {ui->BtDurchsuchen2, ui->EHTMLOrt, kAnyFileFilter},       {ui->BtDurchsuchen3, ui->EIconOrt, kIconFilter},
        {ui->BtDurchsuchen4, ui->EZusatzProgOrt, kAnyFileFilter}, {ui->BtnDurchsuchen6, ui->EZusatzProgOrt2, kAnyFileFilter},
        {ui->BtDurchsuchen5, ui->EBMPOrt, kPictureFilter},        {ui->BtDurchsuchen6, ui->ESplashOrt, kPictureFilter},
    };
    for (const auto& entry : browse) {
        connect(entry.button, &QPushButton::clicked, this,
                [this, field = entry.field, filter = entry.filter] { relpfad(field, filter); });
    }
}

void TForm1::BitNeuClick()
{
    CompleteStart();
    OpenDialogFileName.clear();
    SaveDialogFileName.clear();
    SetConfigTarget(0);
    OpenGivenFile = true;
    BitOeffnenClick();
    AskSaveName = true;
}

void TForm1::BitOeffnenClick()
{
    CompleteStart();
    if ((ProjectOpen || ProjectChanged)
        && interaction_->messageBox(this, QStringLiteral("Neues Projekt"),
                                    QStringLiteral("Möchtest du das aktuelle Projekt verwerfen?"),
                                    Interaction::Icon::Question, Interaction::Buttons::YesNo)
               != Interaction::Answer::Yes) {
        OpenGivenFile = false;
        return;
    }
    if (!OpenGivenFile) {
        const QString chosen =
            interaction_->openFileName(this, {QStringLiteral("Öffnen"), kOpenFilter, OpenDialogFileName, {}, true, false});
        if (chosen.isEmpty())
            return;
        OpenDialogFileName = chosen;
        // A file that is gone ends the command quietly; a device, pipe or folder is refused below.
        if (!QFileInfo::exists(chosen))
            return;
    }

    const QString path = OpenDialogFileName;
    qv::LoadResult loaded = qv::LoadConfiguration(path.isEmpty() ? std::string() : ReaderPath(path), CurrentSettings());
    // A file that cannot be read is never taken for an empty project: saving that would replace it.
    const bool unreadable = loaded.status == qv::ProfileFile::Status::Unreadable
                            || (OpenGivenFile && loaded.status == qv::ProfileFile::Status::NotAFile);
    if (!path.isEmpty() && unreadable) {
        const bool given = OpenGivenFile;
        OpenGivenFile = false;
        interaction_->messageBox(this, QStringLiteral("Fehler"),
                                 QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.\n\r%2")
                                     .arg(QDir::toNativeSeparators(path),
                                          given ? QStringLiteral("Es wird ein neues Projekt begonnen.")
                                                : QStringLiteral("Das Projekt wurde nicht geladen.")),
                                 Interaction::Icon::Warning, Interaction::Buttons::Ok);
        if (given) {
            // The file named on the command line: a new project, as a start without it.
            newProjectPending_ = true;
            CompleteStart();
        }
        return;
    }
    if (loaded.status == qv::ProfileFile::Status::TooLarge) {
        interaction_->messageBox(this, QStringLiteral("Fehler"),
                                 QStringLiteral("Die Datei ist größer als 256 MiB und wird nicht als Konfiguration gelesen."),
                                 Interaction::Icon::Warning, Interaction::Buttons::Ok);
        OpenGivenFile = false;
        return;
    }
    // A device, pipe or folder is never read: it holds no settings section.
    if (!OpenGivenFile && !loaded.hasSettingsSection) {
        interaction_->messageBox(this, QStringLiteral("Fehler"),
                                 QStringLiteral("Keine relevanten Daten gefunden. Diese Konfigurationsdatei\n\r"
                                                "wurde wahrscheinlich nicht mit Quorvane erstellt."),
                                 Interaction::Icon::Warning, Interaction::Buttons::Ok);
        return;
    }

    // A file given without settings (another disc's autorun.inf, any .ini) is loaded with every
    // key at its default, but it is not the project's file: the save asks for a name, and asks
    // before it replaces that file.
    const bool foreign = OpenGivenFile && !path.isEmpty() && !loaded.hasSettingsSection;
    ForeignFile = foreign ? path : QString();

    ui->BtWeiter->setEnabled(true);
    AskSaveName = foreign;
    // The loader took the folder from the file name's bytes; the window keeps it as the host wrote it.
    const QString folder = FolderOf(path);
    loaded.settings.ESpeicherort = qv::ui::ToCp1252(folder);
    ApplySettings(loaded.settings);
    if (ui->ESpeicherort->text() != folder)
        ui->ESpeicherort->setText(folder);
    switchcategory(ui->llgrund);
    ProjectChanged = false;
    ProjectOpen = true;
    UpdateCaption(ui->ESpeicherort->text());
    OpenGivenFile = false;
    if (foreign)
        interaction_->messageBox(this, QStringLiteral("Hinweis"),
                                 QStringLiteral("Die Datei \"%1\" enthält keine Einstellungen von Quorvane.\n\r"
                                                "Das Projekt beginnt mit den Grundeinstellungen; beim Speichern "
                                                "wird nach dem Dateinamen gefragt.")
                                     .arg(QDir::toNativeSeparators(path)),
                                 Interaction::Icon::Information, Interaction::Buttons::Ok);
}

void TForm1::StartLinuxRuntime(const QStringList& arguments, const QString& workingFolder)
{
    const QString runtime = qv::ui::LinuxRuntimePath(ProgramFolder);
    const auto error = [window = QPointer<TForm1>(this)](const QString& text) {
        // The window may be gone by the time the runtime ends.
        if (window)
            window->interaction_->messageBox(window, QStringLiteral("Fehler"), text, Interaction::Icon::Warning,
                                             Interaction::Buttons::Ok);
    };
    if (!interaction_->startProgram(runtime, arguments, workingFolder, error))
        error(QStringLiteral("Die Laufzeit \"%1\" lässt sich nicht starten.\n\rSie fehlt neben dem Designer und im "
                             "Suchpfad, oder sie ist nicht ausführbar.")
                  .arg(runtime));
}

void TForm1::BitBeispielClick()
{
#ifdef Q_OS_WIN
    const QString demonstration = qv::ui::ExamplesStarterPath(ProgramFolder);
    QString failure;
    if (!QFileInfo(demonstration).isFile())
        failure = QStringLiteral("Die Demonstration kann nicht gezeigt werden: \"%1\" fehlt.\n\r"
                                 "Der Ordner \"Beispiele\" gehört neben quorvane.exe.")
                      .arg(demonstration);
    else if (!interaction_->shellOpen(demonstration, QString()))
        failure = QStringLiteral("Die Demonstration \"%1\" lässt sich nicht starten.\n\r%2")
                      .arg(demonstration, ShellFailureReason(demonstration));
    if (!failure.isEmpty())
        interaction_->messageBox(this, QStringLiteral("Fehler"), failure, Interaction::Icon::Warning,
                                 Interaction::Buttons::Ok);
#else
    // Beispiele/starter.exe is the Windows runtime: here the Linux runtime shows the same folder.
    const QString examples = QDir(ProgramFolder).filePath(QLatin1String(qv::starter::kExamplesFolder));
    StartLinuxRuntime({QStringLiteral("--folder"), examples}, QString());
#endif
}

void TForm1::BitSpeichernClick()
{
    CompleteStart();
    const int target = ConfigTarget();
    SaveDialogFileName = FolderOf(SaveDialogFileName) + QString::fromLatin1(qv::TargetFileName(target));
    // A name without a folder (no storage folder chosen yet) would mean whatever folder the program
    // happens to run in: the user is asked instead.
    if (AskSaveName || !FileExists(SaveDialogFileName) || FolderOf(SaveDialogFileName).isEmpty()) {
        const QString chosen = interaction_->saveFileName(
            this, {QStringLiteral("Speichern unter"), SaveFilter(target), SaveDialogFileName, {}, false, true});
        if (chosen.isEmpty()) {
            AskSaveName = false;
            return;
        }
        SaveDialogFileName = chosen;
    }

    const QString configFile = SaveDialogFileName;
    // A file that was opened but held no settings is replaced only when the user says so.
    if (SameFile(configFile, ForeignFile) && FileExists(configFile)
        && interaction_->messageBox(this, QStringLiteral("Hinweis"),
                                    QStringLiteral("Die Datei \"%1\" enthält keine Einstellungen von Quorvane; "
                                                   "beim Speichern wird ihr Inhalt ersetzt.\n\r"
                                                   "Möchtest du sie wirklich ersetzen?")
                                        .arg(QDir::toNativeSeparators(configFile)),
                                    Interaction::Icon::Question, Interaction::Buttons::YesNo)
               != Interaction::Answer::Yes) {
        AskSaveName = true;
        return;
    }
    const std::string bytes = qv::ConfigFileBytes(lastBuild_.configText, target);
    const QString writeError =
        qv::ui::WriteFileAtomically(configFile, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!writeError.isEmpty()) {
        interaction_->errorBox(this, QStringLiteral("Datei \"") + configFile
                                         + QStringLiteral("\" kann nicht erstellt werden. ") + writeError);
        return;
    }
    ForeignFile.clear();

    const QString source = qv::ui::ExamplesStarterPath(ProgramFolder);
    const QString starter = FolderOf(configFile) + QString::fromLatin1(qv::starter::kExecutable);
    const auto markSaved = [this, &configFile] {
        ProjectChanged = true;
        ui->ESpeicherort->setText(FolderOf(configFile));
    };
    const auto cannotOpen = [this](const QString& file, const QString& reason) {
        interaction_->errorBox(this, QStringLiteral("Datei %1 kann nicht geöffnet werden. %2").arg(file, reason));
    };
    const auto starterFailed = [this, &markSaved] {
        markSaved();
        interaction_->messageBox(this, QStringLiteral("Fehler"),
                                 QStringLiteral("\"starter.exe\" konnte nicht gespeichert werden!"),
                                 Interaction::Icon::Warning, Interaction::Buttons::Ok);
        AskSaveName = false;
    };

    // Only regular files are digested or copied: a device or a pipe would never end, and a link
    // planted in a received project folder must not lead the copy into someone's files.
    QString sourceDigest;
    const StarterPlace place = StarterPlaceOf(starter);
    if (place == StarterPlace::Other) {
        starterFailed();
        return;
    }
    if (!QFileInfo::exists(source)) {
        // Without the designer's own copy nothing can be placed or compared: that is what is missing.
        markSaved();
        interaction_->messageBox(this, QStringLiteral("Fehler"),
                                 QStringLiteral("\"starter.exe\" konnte nicht gespeichert werden!\n\r"
                                                "Die Vorlage \"%1\" fehlt; der Ordner \"%2\" gehört neben den Designer.")
                                     .arg(source, QLatin1String(qv::starter::kExamplesFolder)),
                                 Interaction::Icon::Warning, Interaction::Buttons::Ok);
        AskSaveName = false;
        return;
    }
    {
        if (!QFileInfo(source).isFile()) {
            starterFailed();
            return;
        }
        const qv::ui::FileDigest digest = qv::ui::FileMD5Hex(source);
        if (!digest.ok()) {
            markSaved();
            cannotOpen(source, digest.error);
            return;
        }
        sourceDigest = digest.hex;
        bool copy = place != StarterPlace::File;
        if (!copy) {
            const qv::ui::FileDigest present = qv::ui::FileMD5Hex(starter);
            if (!present.ok()) {
                markSaved();
                cannotOpen(starter, present.error);
                return;
            }
            copy = present.hex != sourceDigest;
        }
        if (copy && !qv::ui::CopyFileOverwriting(source, starter)) {
            starterFailed();
            return;
        }
    }

    markSaved();
    const qv::ui::FileDigest copied = qv::ui::FileMD5Hex(starter);
    if (!copied.ok()) {
        cannotOpen(starter, copied.error);
        return;
    }
    if (copied.hex != sourceDigest || !FileExists(configFile)) {
        starterFailed();
        return;
    }

    ProjectChanged = false;
    UpdateCaption(ui->ESpeicherort->text());
    if (target == 1)
        SetAsideStaleIni(FolderOf(configFile));
    if (interaction_->messageBox(this, QStringLiteral("Hinweis"),
                                 QStringLiteral("Erfolgreich abgespeichert.\n\rMöchtest du das erstellte Projekt jetzt testen?"),
                                 Interaction::Icon::Question, Interaction::Buttons::YesNo)
        == Interaction::Answer::Yes) {
#ifdef Q_OS_WIN
        const QString program = target == 2 ? configFile : starter;
        if (!interaction_->shellOpen(program, FolderOf(starter)))
            interaction_->messageBox(this, QStringLiteral("Fehler"),
                                     QStringLiteral("Der Test lässt sich nicht starten: \"%1\".\n\r%2")
                                         .arg(program, ShellFailureReason(program)),
                                     Interaction::Icon::Warning, Interaction::Buttons::Ok);
#else
        // The copied starter.exe is the Windows runtime: the Linux runtime runs on the storage
        // folder's configuration instead, for the batch form with the saved line's parameters, as
        // runme.bat would pass them.
        QStringList arguments{QStringLiteral("--folder"), FolderOf(starter)};
        if (target == 2)
            arguments += BatchFileArguments(bytes);
        StartLinuxRuntime(arguments, FolderOf(starter));
#endif
    }
    AskSaveName = false;
}

void TForm1::SetAsideStaleIni(const QString& folder)
{
    // starter.exe reads starter.ini before autorun.inf: one with settings left from earlier would
    // win over the autorun.inf just saved, in the test run and on the disc.
    const QString ini = folder + QLatin1String(qv::starter::kIniFile);
    if (!FileExists(ini) || !qv::LoadConfiguration(ReaderPath(ini), qv::ProjectSettings{}).hasSettingsSection)
        return;
    QString aside = ini + QStringLiteral(".alt");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = ini + QStringLiteral(".alt%1").arg(n);
    const QString question =
        QStringLiteral("Im Speicherort liegt noch eine \"starter.ini\" mit Einstellungen. starter.exe liest sie vor "
                       "der \"autorun.inf\":\n\rder Test und die Disc zeigten die alten Einstellungen.\n\r\n\r"
                       "Möchtest du die alte Datei in \"%1\" umbenennen, damit die \"autorun.inf\" gilt?")
            .arg(QFileInfo(aside).fileName());
    if (interaction_->messageBox(this, QStringLiteral("Hinweis"), question, Interaction::Icon::Question,
                                 Interaction::Buttons::YesNo)
        != Interaction::Answer::Yes)
        return;
    if (!QFile::rename(ini, aside))
        interaction_->messageBox(this, QStringLiteral("Fehler"),
                                 QStringLiteral("\"%1\" kann nicht umbenannt werden; es gelten weiter ihre Einstellungen.")
                                     .arg(QDir::toNativeSeparators(ini)),
                                 Interaction::Icon::Warning, Interaction::Buttons::Ok);
}

void TForm1::BitSpeichern2Click()
{
    CompleteStart();
    AskSaveName = true;
    BitSpeichernClick();
}

void TForm1::BtDurchsuchenClick()
{
    CompleteStart();
    const QString folder =
        interaction_->existingFolder(this, QStringLiteral("Bitte wähle den Speicherort deines Projektes."));
    if (folder.isEmpty())
        return;
    ui->ESpeicherort->setText(qv::ui::WithTrailingSeparator(folder));
}

void TForm1::relpfad(QLineEdit* field, const QString& filter)
{
    CompleteStart();
    const QString storage = ui->ESpeicherort->text();
    if (storage.isEmpty() || !QFileInfo(storage).isDir()) {
        interaction_->messageBox(this, QStringLiteral("Hinweis"),
                                 QStringLiteral("Du musst zuerst einen gültigen Speicherort angeben,\n\r"
                                                "bevor dieser Pfad eingetragen werden kann."),
                                 Interaction::Icon::Information, Interaction::Buttons::Ok);
        switchcategory(ui->llgrund);
        ui->BtDurchsuchen->setFocus();
        return;
    }
    const QString chosen =
        interaction_->openFileName(this, {QStringLiteral("Öffnen"), filter, QString(), storage, false, false});
    if (chosen.isEmpty())
        return;
    const auto relative = qv::RelativeToStorageForStarter(storage.toStdString(), chosen.toStdString());
    if (!relative) {
        interaction_->messageBox(this, QStringLiteral("Hinweis"),
                                 QStringLiteral("Du musst einen Pfad angeben, welcher sich innerhalb des "
                                                "Speicherortes befindet.\n\rAlso ")
                                     + storage + QStringLiteral("..."),
                                 Interaction::Icon::Information, Interaction::Buttons::Ok);
        return;
    }
    // The configuration holds Windows-1252: a character beyond it would be saved as "?", and
    // starter.exe would look for a file that is not there.
    const QString path = QString::fromStdString(*relative);
    if (qv::ui::FromCp1252(qv::ui::ToCp1252(path)) != path) {
        interaction_->messageBox(this, QStringLiteral("Hinweis"),
                                 QStringLiteral("Der Pfad \"%1\" enthält Zeichen, die die Konfiguration nicht "
                                                "speichern kann\n\r(nur Zeichen aus Windows-1252, also z. B. "
                                                "keine griechischen oder kyrillischen Buchstaben).\n\r"
                                                "Bitte benenne die Datei oder den Ordner um.")
                                     .arg(path),
                                 Interaction::Icon::Information, Interaction::Buttons::Ok);
        return;
    }
    field->setText(path);
}

bool TForm1::FormClose()
{
    // An image being written is lost when the program ends: that is asked first.
    if (DiscWriting()
        && interaction_->messageBox(this, QStringLiteral("Beenden"),
                                    QStringLiteral("Das Abbild wird noch geschrieben.\n\rMöchtest du das Schreiben "
                                                   "abbrechen und das Programm beenden?"),
                                    Interaction::Icon::Question, Interaction::Buttons::YesNo)
               != Interaction::Answer::Yes)
        return false;
    if (DiscBurning()
        && interaction_->messageBox(this, QStringLiteral("Beenden"),
                                    QStringLiteral("Eine Disc wird noch gebrannt.\n\rMöchtest du das Brennen abbrechen "
                                                   "und das Programm beenden? Die Disc ist danach meist unbrauchbar."),
                                    Interaction::Icon::Question, Interaction::Buttons::YesNo)
               != Interaction::Answer::Yes)
        return false;
    if (ProjectChanged
        && interaction_->messageBox(this, QStringLiteral("Beenden"),
                                    QStringLiteral("Möchtest du das Programm ohne zu speichern beenden?"),
                                    Interaction::Icon::Question, Interaction::Buttons::YesNo)
               != Interaction::Answer::Yes)
        return false;
    EndDiscWork();
    return true;
}
