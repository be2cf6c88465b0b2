// The file commands (new, open, demonstration, save, close) and the folder and file browsing.
#include "ui/Unit1.h"

#include "config/ConfigWriter.h"
#include "config/Loader.h"
#include "config/ParameterReader.h"
#include "config/Paths.h"
#include "config/StarterContract.h"
#include "ui/Interaction.h"
#include "ui/ProjectFiles.h"
#include "ui/TextCodec.h"
#include "ui/Unit1Controls.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    qv::LoadResult loaded =
        qv::LoadConfiguration(path.isEmpty() ? std::string() : QFile::encodeName(path).toStdString(), CurrentSettings());
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

    ui->BtWeiter->setEnabled(true);
    AskSaveName = false;
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
}

void TForm1::BitBeispielClick()
{
#ifdef Q_OS_WIN
    interaction_->shellOpen(qv::ui::ExamplesStarterPath(ProgramFolder), QString());
#else
    // Beispiele/starter.exe is the Windows runtime: here the Linux runtime shows the same folder.
    const QString examples = QDir(ProgramFolder).filePath(QLatin1String(qv::starter::kExamplesFolder));
    interaction_->startProgram(qv::ui::LinuxRuntimePath(ProgramFolder), {QStringLiteral("--folder"), examples},
                               QString());
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
    const std::string bytes = qv::ConfigFileBytes(lastBuild_.configText, target);
    const QString writeError =
        qv::ui::WriteFileAtomically(configFile, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!writeError.isEmpty()) {
        interaction_->errorBox(this, QStringLiteral("Datei \"") + configFile
                                         + QStringLiteral("\" kann nicht erstellt werden. ") + writeError);
        return;
    }

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
    if (QFileInfo::exists(source)) {
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
    } else if (place == StarterPlace::Link) {
        starterFailed();
        return;
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
    if (interaction_->messageBox(this, QStringLiteral("Hinweis"),
                                 QStringLiteral("Erfolgreich abgespeichert.\n\rMöchtest du das erstellte Projekt jetzt testen?"),
                                 Interaction::Icon::Question, Interaction::Buttons::YesNo)
        == Interaction::Answer::Yes) {
#ifdef Q_OS_WIN
        interaction_->shellOpen(target == 2 ? configFile : starter, FolderOf(starter));
#else
        // The copied starter.exe is the Windows runtime: the Linux runtime runs on the storage
        // folder's configuration instead, for the batch form with the saved line's parameters, as
        // runme.bat would pass them.
        QStringList arguments{QStringLiteral("--folder"), FolderOf(starter)};
        if (target == 2)
            arguments += BatchFileArguments(bytes);
        interaction_->startProgram(qv::ui::LinuxRuntimePath(ProgramFolder), arguments, FolderOf(starter));
#endif
    }
    AskSaveName = false;
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
    field->setText(QString::fromStdString(*relative));
}

bool TForm1::FormClose()
{
    if (!ProjectChanged)
        return true;
    return interaction_->messageBox(this, QStringLiteral("Beenden"),
                                    QStringLiteral("Möchtest du das Programm ohne zu speichern beenden?"),
                                    Interaction::Icon::Question, Interaction::Buttons::YesNo)
           == Interaction::Answer::Yes;
}
