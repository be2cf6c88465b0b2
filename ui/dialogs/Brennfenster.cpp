#include "ui/dialogs/Brennfenster.h"

#include "ui/dialogs/FixedDialog.h"
#include "ui/platform/Interaction.h"
#include "ui_Brennfenster.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kProgressSteps = 1000;
// How long a cancelled or abandoned xorriso gets to release the drive before it is killed.
constexpr int kStopWaitMs = 30000;

QStringList Arguments(const std::vector<std::string>& arguments)
{
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    return list;
}

} // namespace

TFBrennen::TFBrennen(Interaction& interaction, qv::ui::BurnTools tools, QWidget* parent)
    : QDialog(parent, qv::ui::kFixedDialogFlags)
    , ui(std::make_unique<Ui::TFBrennen>())
    , interaction_(interaction)
    , tools_(std::move(tools))
{
    ui->setupUi(this);
    qv::ui::SetUpFixedDialog(this, QSize(420, 200));
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(true);
    ui->PBBrennen->setRange(0, kProgressSteps);
    ui->BtBrennAbbrechen->setEnabled(false);
    connect(ui->BtBrennen, &QPushButton::clicked, this, &TFBrennen::BtBrennenClick);
    connect(ui->BtBrennAbbrechen, &QPushButton::clicked, this, &TFBrennen::BtBrennAbbrechenClick);
    connect(ui->BtBrennSchliessen, &QPushButton::clicked, this, &QDialog::close);
}

TFBrennen::~TFBrennen()
{
    CancelAndWait();
}

bool TFBrennen::Busy() const
{
    return phase_ != Phase::Idle;
}

bool TFBrennen::Burning() const
{
    return phase_ == Phase::Burn;
}

QString TFBrennen::DriveShown() const
{
    const int index = ui->CbLaufwerk->currentIndex();
    if (index < 0 || index >= static_cast<int>(drives_.size()))
        return {};
    return QString::fromStdString(drives_[static_cast<std::size_t>(index)].device);
}

void TFBrennen::Open(const QString& image)
{
    if (Busy()) {
        show();
        raise();
        activateWindow();
        return;
    }
    image_ = image;
    ui->LBrennDatei->setText(image);
    ui->PBBrennen->setValue(0);
    ui->LBrennFortschritt->clear();
    if (tools_.windows) {
        if (!QFileInfo(tools_.isoburn).isFile()) {
            hide();
            interaction_.messageBox(parentWidget(), QStringLiteral("Hinweis"),
                                    QString::fromStdString(qv::ui::NoBurnerText(qv::ui::NoBurner::NoIsoburn,
                                                                                image.toStdString())),
                                    Interaction::Icon::Information, Interaction::Buttons::Ok);
            emit burnFinished();
            return;
        }
        OfferDrives(tools_.drives ? *tools_.drives : qv::ui::BurnTools::WindowsDrives());
        return;
    }
    if (!tools_.xorriso.isEmpty() && !tools_.drives) {
        // Searching the drives takes a moment (each one is asked); the window stays usable.
        ui->CbLaufwerk->clear();
        ui->LBrennFortschritt->setText(QStringLiteral("Die Laufwerke werden gesucht …"));
        show();
        raise();
        StartXorriso(Phase::Devices, qv::ui::XorrisoDeviceArguments());
        return;
    }
    OfferDrives(tools_.xorriso.isEmpty() ? std::vector<qv::ui::BurnDrive>{}
                                         : tools_.drives.value_or(std::vector<qv::ui::BurnDrive>{}));
}

void TFBrennen::OfferDrives(const std::vector<qv::ui::BurnDrive>& drives)
{
    drives_ = drives;
    ui->CbLaufwerk->clear();
    if (!drives_.empty()) {
        for (const qv::ui::BurnDrive& drive : drives_) {
            const QString device = QString::fromStdString(drive.device);
            const QString name = QString::fromStdString(drive.name);
            ui->CbLaufwerk->addItem(name == device ? device : QStringLiteral("%1 (%2)").arg(name, device));
        }
        SetBusy(false);
        ui->LBrennFortschritt->setText(QStringLiteral("Lege eine leere Disc ein, wähle das Laufwerk und klicke auf "
                                                      "\"Brennen\"."));
        show();
        raise();
        activateWindow();
        ui->CbLaufwerk->setFocus();
        emit burnFinished();
        return;
    }
    hide();
    const std::string image = image_.toStdString();
    if (tools_.windows) {
        interaction_.messageBox(parentWidget(), QStringLiteral("Hinweis"),
                                QString::fromStdString(qv::ui::NoBurnerText(qv::ui::NoBurner::NoDrive, image)),
                                Interaction::Icon::Information, Interaction::Buttons::Ok);
    } else if (!tools_.brasero.isEmpty() || !tools_.k3b.isEmpty()) {
        // These choose the drive, check the medium and ask before they burn.
        const bool brasero = !tools_.brasero.isEmpty();
        const QString program = brasero ? tools_.brasero : tools_.k3b;
        const QStringList arguments =
            Arguments(brasero ? qv::ui::BraseroArguments(image) : qv::ui::K3bArguments(image));
        if (!interaction_.startProgram(program, arguments, QFileInfo(image_).absolutePath()))
            interaction_.messageBox(parentWidget(), QStringLiteral("Fehler"),
                                    QStringLiteral("%1 konnte nicht gestartet werden.\n\rDas Abbild liegt hier:\n\r%2")
                                        .arg(QFileInfo(program).fileName(), image_),
                                    Interaction::Icon::Warning, Interaction::Buttons::Ok);
    } else {
        interaction_.messageBox(parentWidget(), QStringLiteral("Hinweis"),
                                QString::fromStdString(qv::ui::NoBurnerText(qv::ui::NoBurner::NoProgram, image)),
                                Interaction::Icon::Information, Interaction::Buttons::Ok);
    }
    emit burnFinished();
}

void TFBrennen::SetBusy(bool busy)
{
    ui->CbLaufwerk->setEnabled(!busy);
    ui->BtBrennen->setEnabled(!busy && !drives_.empty());
    ui->BtBrennAbbrechen->setEnabled(busy);
    if (busy)
        ui->BtBrennAbbrechen->setFocus();
}

void TFBrennen::StartXorriso(Phase phase, const std::vector<std::string>& arguments)
{
    phase_ = phase;
    cancelled_ = false;
    output_.clear();
    parsed_ = 0;
    SetBusy(true);
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    // xorriso's own words, whatever the user's language: the parser reads them.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process_->setProcessEnvironment(environment);
    connect(process_, &QProcess::readyRead, this, &TFBrennen::BurnOutput);
    connect(process_, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        XorrisoEnded(exitCode, status == QProcess::CrashExit);
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            XorrisoEnded(-1, true);
    });
    process_->start(tools_.xorriso, Arguments(arguments));
}

void TFBrennen::BurnOutput()
{
    if (!process_)
        return;
    output_ += process_->readAll();
    if (phase_ != Phase::Burn)
        return;
    // Whole lines only; progress lines end with a carriage return.
    const int end = std::max(output_.lastIndexOf('\n'), output_.lastIndexOf('\r'));
    if (end < parsed_)
        return;
    const QByteArray fresh = output_.mid(parsed_, end + 1 - parsed_);
    parsed_ = end + 1;
    std::optional<qv::ui::BurnProgress> last;
    for (const QByteArray& line : fresh.split('\n')) {
        for (const QByteArray& part : line.split('\r')) {
            if (const auto progress = qv::ui::ParseXorrisoProgress(part.toStdString()))
                last = progress;
        }
    }
    if (last && last->totalMb > 0 && !cancelled_) {
        const std::uint64_t done = std::min(last->doneMb, last->totalMb);
        ui->PBBrennen->setValue(static_cast<int>(done * kProgressSteps / last->totalMb));
        ui->LBrennFortschritt->setText(
            QStringLiteral("%1 % – %2 von %3 MB gebrannt").arg(done * 100 / last->totalMb).arg(done).arg(last->totalMb));
    }
}

void TFBrennen::XorrisoEnded(int exitCode, bool crashed)
{
    if (!process_)
        return;
    QProcess* process = process_;
    process_ = nullptr;
    output_ += process->readAll();
    process->disconnect(this);
    process->deleteLater();
    const Phase phase = phase_;
    phase_ = Phase::Idle;
    SetBusy(false);
    if (phase == Phase::Devices)
        DevicesEnded(output_);
    else if (phase == Phase::Medium)
        MediumEnded(crashed || cancelled_ ? QByteArray() : output_);
    else if (phase == Phase::Burn)
        BurnEnded(exitCode, crashed, output_);
}

void TFBrennen::DevicesEnded(const QByteArray& output)
{
    if (cancelled_) {
        ui->LBrennFortschritt->setText(QStringLiteral("Abgebrochen."));
        emit burnFinished();
        return;
    }
    OfferDrives(qv::ui::ParseXorrisoDevices(output.toStdString()));
}

void TFBrennen::Refuse(const QString& text)
{
    ui->LBrennFortschritt->setText(QStringLiteral("Es wurde nichts gebrannt."));
    interaction_.messageBox(this, QStringLiteral("Fehler"), text, Interaction::Icon::Warning, Interaction::Buttons::Ok);
    emit burnFinished();
}

void TFBrennen::BtBrennenClick()
{
    if (Busy() || drives_.empty())
        return;
    const QString drive = DriveShown();
    if (drive.isEmpty()) {
        interaction_.messageBox(this, QStringLiteral("Hinweis"), QStringLiteral("Bitte wähle ein Laufwerk."),
                                Interaction::Icon::Information, Interaction::Buttons::Ok);
        return;
    }
    if (!QFileInfo(image_).isFile()) {
        Refuse(QStringLiteral("Das Abbild \"%1\" gibt es nicht mehr.").arg(image_));
        return;
    }
    if (tools_.windows) {
        // isoburn.exe checks the medium and shows the progress itself.
        if (interaction_.messageBox(this, QStringLiteral("Abbild brennen"),
                                    QStringLiteral("Das Abbild\n\r%1\n\rwird auf die Disc im Laufwerk %2 gebrannt.\n\r"
                                                   "Möchtest du das?")
                                        .arg(image_, drive),
                                    Interaction::Icon::Question, Interaction::Buttons::YesNo)
            != Interaction::Answer::Yes)
            return;
        if (interaction_.startProgram(tools_.isoburn,
                                      Arguments(qv::ui::IsoburnArguments(drive.toStdString(), image_.toStdString())),
                                      QFileInfo(image_).absolutePath()))
            ui->LBrennFortschritt->setText(QStringLiteral("Das Brennprogramm von Windows brennt das Abbild."));
        else
            Refuse(QStringLiteral("isoburn.exe konnte nicht gestartet werden.\n\rDas Abbild liegt hier:\n\r%1").arg(image_));
        emit burnFinished();
        return;
    }
    ui->PBBrennen->setValue(0);
    ui->LBrennFortschritt->setText(QStringLiteral("Die Disc im Laufwerk wird geprüft …"));
    StartXorriso(Phase::Medium, qv::ui::XorrisoMediumArguments(drive.toStdString()));
}

void TFBrennen::MediumEnded(const QByteArray& output)
{
    if (cancelled_) {
        ui->LBrennFortschritt->setText(QStringLiteral("Abgebrochen; es wurde nichts gebrannt."));
        emit burnFinished();
        return;
    }
    const QString drive = DriveShown();
    const qv::ui::BurnMedium medium = qv::ui::ParseXorrisoMedium(output.toStdString());
    if (!medium.present) {
        const std::string failure = qv::ui::XorrisoFailure(output.toStdString());
        Refuse(QStringLiteral("Im Laufwerk %1 liegt keine Disc, die gebrannt werden kann.%2\n\rBitte lege eine leere "
                              "Disc ein.")
                   .arg(drive, failure.empty() ? QString() : QStringLiteral("\n\r") + QString::fromStdString(failure)));
        return;
    }
    if (!medium.blank) {
        Refuse(QStringLiteral("Die Disc im Laufwerk %1 ist nicht leer.\n\rBitte lege eine leere Disc ein.").arg(drive));
        return;
    }
    const auto bytes = static_cast<std::uint64_t>(QFileInfo(image_).size());
    if (qv::ui::SectorsOf(bytes) > medium.freeSectors) {
        Refuse(QString::fromStdString(qv::ui::ImageTooBigText(drive.toStdString(), bytes, medium.freeSectors)));
        return;
    }
    if (interaction_.messageBox(this, QStringLiteral("Abbild brennen"),
                                QStringLiteral("Das Abbild\n\r%1\n\rwird jetzt auf die Disc im Laufwerk %2 gebrannt.\n\r"
                                               "Möchtest du das?")
                                    .arg(image_, drive),
                                Interaction::Icon::Question, Interaction::Buttons::YesNo)
        != Interaction::Answer::Yes) {
        ui->LBrennFortschritt->setText(QStringLiteral("Es wurde nichts gebrannt."));
        emit burnFinished();
        return;
    }
    StartBurn();
}

void TFBrennen::StartBurn()
{
    ui->PBBrennen->setValue(0);
    ui->LBrennFortschritt->setText(QStringLiteral("Die Disc wird gebrannt …"));
    StartXorriso(Phase::Burn, qv::ui::XorrisoBurnArguments(DriveShown().toStdString(), image_.toStdString()));
}

void TFBrennen::BurnEnded(int exitCode, bool crashed, const QByteArray& output)
{
    if (cancelled_) {
        ui->PBBrennen->setValue(0);
        ui->LBrennFortschritt->setText(QStringLiteral("Abgebrochen; die Disc ist vielleicht unbrauchbar."));
    } else if (!crashed && exitCode == 0) {
        ui->PBBrennen->setValue(kProgressSteps);
        ui->LBrennFortschritt->setText(QStringLiteral("Die Disc wurde gebrannt."));
    } else {
        ui->PBBrennen->setValue(0);
        ui->LBrennFortschritt->setText(QStringLiteral("Die Disc wurde nicht gebrannt."));
        const std::string failure = qv::ui::XorrisoFailure(output.toStdString());
        const QString why = !failure.empty() ? QString::fromStdString(failure)
                            : exitCode < 0   ? QStringLiteral("xorriso konnte nicht gestartet werden.")
                                             : QStringLiteral("xorriso endete mit dem Code %1.").arg(exitCode);
        interaction_.messageBox(this, QStringLiteral("Fehler"),
                                QStringLiteral("Das Brennen ist fehlgeschlagen:\n\r%1").arg(why),
                                Interaction::Icon::Warning, Interaction::Buttons::Ok);
    }
    emit burnFinished();
}

void TFBrennen::BtBrennAbbrechenClick()
{
    if (!process_)
        return;
    if (phase_ == Phase::Burn
        && interaction_.messageBox(this, QStringLiteral("Abbild brennen"),
                                   QStringLiteral("Eine Disc, deren Brennen abgebrochen wird, ist danach meist "
                                                  "unbrauchbar.\n\rMöchtest du das Brennen abbrechen?"),
                                   Interaction::Icon::Question, Interaction::Buttons::YesNo)
               != Interaction::Answer::Yes)
        return;
    cancelled_ = true;
    ui->BtBrennAbbrechen->setEnabled(false);
    ui->LBrennFortschritt->setText(QStringLiteral("Wird abgebrochen …"));
    // xorriso ends a burn on SIGTERM in order: it releases the drive before it exits.
    process_->terminate();
}

void TFBrennen::CancelAndWait()
{
    if (!process_)
        return;
    cancelled_ = true;
    QProcess* process = process_;
    process->disconnect(this);
    process->terminate();
    if (!process->waitForFinished(kStopWaitMs)) {
        process->kill();
        process->waitForFinished();
    }
    process_ = nullptr;
    delete process;
    const bool burning = phase_ == Phase::Burn;
    phase_ = Phase::Idle;
    SetBusy(false);
    ui->PBBrennen->setValue(0);
    ui->LBrennFortschritt->setText(burning ? QStringLiteral("Abgebrochen; die Disc ist vielleicht unbrauchbar.")
                                           : QStringLiteral("Abgebrochen."));
}

bool TFBrennen::MayClose()
{
    if (!Busy())
        return true;
    if (phase_ == Phase::Burn
        && interaction_.messageBox(this, QStringLiteral("Abbild brennen"),
                                   QStringLiteral("Die Disc wird noch gebrannt.\n\rMöchtest du das Brennen abbrechen? "
                                                  "Die Disc ist danach meist unbrauchbar."),
                                   Interaction::Icon::Question, Interaction::Buttons::YesNo)
               != Interaction::Answer::Yes)
        return false;
    CancelAndWait();
    emit burnFinished();
    return true;
}

void TFBrennen::closeEvent(QCloseEvent* event)
{
    if (MayClose())
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TFBrennen::reject()
{
    if (MayClose())
        QDialog::reject();
}
