#include "ui/dialogs/Abbildfenster.h"

#include "ui/discstep/DiscJob.h"
#include "ui/dialogs/Brennfenster.h"
#include "ui/dialogs/FixedDialog.h"
#include "ui/platform/Interaction.h"
#include "ui_Abbildfenster.h"

#include "config/DiscRules.h"
#include "disc/DiscCheck.h"
#include "disc/IsoImage.h"
#include "disc/LinuxAutorun.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

#include <optional>

namespace {

namespace fs = std::filesystem;

constexpr int kProgressSteps = 1000;
// The progress is read from the writer this often: it costs the writer nothing.
constexpr int kFortschrittIntervalMs = 100;
// The errors a refusal names at most; the check window lists them all.
constexpr std::size_t kErrorsShown = 5;

QString Size(std::uint64_t bytes)
{
    return QString::fromStdString(qv::GermanSize(bytes));
}

QString Duration(qint64 seconds)
{
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

struct TFAbbild::Work {
    fs::path folder;     // as given; canonical after the check
    fs::path image;
    std::string shown;   // the image as the user gave it (UTF-8), for the texts
    std::string label;
    bool forLinux = false;
    bool inPlace = false;
    std::string failure; // the folder or the target refused
    std::optional<qv::DiscReport> report;
    qv::LinuxAutorunAddition linuxStart;
    qv::IsoWriteResult written;
};

TFAbbild::TFAbbild(Interaction& interaction, QString referenceStarter, QWidget* parent)
    : QDialog(parent, qv::ui::kFixedDialogFlags)
    , ui(std::make_unique<Ui::TFAbbild>())
    , interaction_(interaction)
    , referenceStarter_(std::move(referenceStarter))
    , job_(new qv::ui::DiscJob(this))
    , work_(std::make_unique<Work>())
{
    ui->setupUi(this);
    burnTools_ = qv::ui::BurnTools::FromSystem();
    qv::ui::SetUpFixedDialog(this, QSize(420, 270));
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(true);
    ui->PBAbbild->setRange(0, kProgressSteps);
    ui->BtAbbildOrdner->hide();
    ui->BtAbbildBrennen->hide();
    ui->BtAbbrechen->setEnabled(false);

    TiFortschritt = new QTimer(this);
    TiFortschritt->setObjectName(QStringLiteral("TiFortschritt"));
    TiFortschritt->setInterval(kFortschrittIntervalMs);
    connect(TiFortschritt, &QTimer::timeout, this, &TFAbbild::TiFortschrittTimer);
    connect(job_, &qv::ui::DiscJob::finished, this, &TFAbbild::JobEnded);
    connect(ui->BtAbbildDatei, &QPushButton::clicked, this, &TFAbbild::BtAbbildDateiClick);
    connect(ui->BtErstellen, &QPushButton::clicked, this, &TFAbbild::BtErstellenClick);
    connect(ui->BtAbbrechen, &QPushButton::clicked, this, &TFAbbild::BtAbbrechenClick);
    connect(ui->BtAbbildOrdner, &QPushButton::clicked, this, &TFAbbild::BtAbbildOrdnerClick);
    connect(ui->BtAbbildBrennen, &QPushButton::clicked, this, &TFAbbild::BtAbbildBrennenClick);
    connect(ui->BtAbbildSchliessen, &QPushButton::clicked, this, &QDialog::close);
    connect(ui->EAbbildDatei, &QLineEdit::textEdited, this, [this] { fileConfirmed_ = false; });
}

TFAbbild::~TFAbbild()
{
    // The job's thread writes into `work_`: it ends (leaving no half image) before that goes.
    job_->CancelAndWait();
}

QString TFAbbild::VolumeLabel(const QString& text)
{
    return QString::fromStdString(qv::VolumeLabelFrom(text.toStdString()));
}

void TFAbbild::Open(const QString& folder, const QString& caption)
{
    if (!Busy() && (folder != folder_ || ui->EAbbildDatei->text().isEmpty())) {
        folder_ = folder;
        const QString label =
            QString::fromStdString(qv::DefaultVolumeLabel(caption.toStdString(), qv::ui::PathOf(folder)));
        ui->EBezeichnung->setText(label);
        // Beside the storage folder, never inside it: the image cannot hold itself.
        const QFileInfo root(QDir(folder).absolutePath());
        const QString beside = root.isRoot() ? QDir::homePath() : root.path();
        ui->EAbbildDatei->setText(
            QDir::toNativeSeparators(QDir(beside).absoluteFilePath(label.toLower() + QStringLiteral(".iso"))));
        fileConfirmed_ = false;
        ui->PBAbbild->setValue(0);
        ui->LFortschritt->clear();
        ui->LErgebnis->clear();
        ui->BtAbbildOrdner->hide();
        ui->BtAbbildBrennen->hide();
    }
    show();
    raise();
    activateWindow();
}

bool TFAbbild::Busy() const
{
    return job_->Running();
}

void TFAbbild::CancelAndWait()
{
    if (!job_->Running())
        return;
    job_->CancelAndWait();
    TiFortschritt->stop();
    phase_ = Phase::Idle;
    SetBusy(false);
    ui->PBAbbild->setValue(0);
    ui->LFortschritt->setText(QStringLiteral("Abgebrochen; es wurde kein Abbild geschrieben."));
}

void TFAbbild::SetBusy(bool busy)
{
    for (QWidget* widget : {static_cast<QWidget*>(ui->EAbbildDatei), static_cast<QWidget*>(ui->BtAbbildDatei),
                            static_cast<QWidget*>(ui->EBezeichnung), static_cast<QWidget*>(ui->ChLinux),
                            static_cast<QWidget*>(ui->BtErstellen)})
        widget->setEnabled(!busy);
    ui->BtAbbrechen->setEnabled(busy);
    if (busy)
        ui->BtAbbrechen->setFocus();
}

void TFAbbild::BtAbbildDateiClick()
{
    const QString chosen = interaction_.saveFileName(
        this, {QStringLiteral("Abbild speichern unter"), QStringLiteral("ISO-Abbild|*.iso"), ui->EAbbildDatei->text(),
               {}, false, true});
    if (chosen.isEmpty())
        return;
    ui->EAbbildDatei->setText(chosen);
    fileConfirmed_ = true; // the dialog asked before replacing it
}

void TFAbbild::BtErstellenClick()
{
    if (Busy())
        return;
    const QString given = ui->EAbbildDatei->text().trimmed();
    if (given.isEmpty()) {
        interaction_.messageBox(this, QStringLiteral("Hinweis"), QStringLiteral("Bitte gib die Datei des Abbilds an."),
                                Interaction::Icon::Information, Interaction::Buttons::Ok);
        ui->EAbbildDatei->setFocus();
        return;
    }
    const QString label = VolumeLabel(ui->EBezeichnung->text());
    if (label.isEmpty()) {
        interaction_.messageBox(this, QStringLiteral("Fehler"),
                                QStringLiteral("Die Bezeichnung %1 enthält kein Zeichen, das ISO 9660 erlaubt.")
                                    .arg(ui->EBezeichnung->text()),
                                Interaction::Icon::Warning, Interaction::Buttons::Ok);
        ui->EBezeichnung->setFocus();
        return;
    }
    // A name without a folder lies beside the storage folder, as proposed.
    const QFileInfo root(QDir(folder_).absolutePath());
    const QString image = QDir::cleanPath(QDir(root.isRoot() ? QDir::homePath() : root.path()).absoluteFilePath(given));
    const QFileInfo existing(image);
    if (!fileConfirmed_ && existing.isFile()
        && interaction_.messageBox(this, QStringLiteral("Abbild erstellen"),
                                   QStringLiteral("Die Datei \"%1\" gibt es schon.\n\rMöchtest du sie ersetzen?")
                                       .arg(QDir::toNativeSeparators(image)),
                                   Interaction::Icon::Question, Interaction::Buttons::YesNo)
               != Interaction::Answer::Yes)
        return;
    image_ = QDir::toNativeSeparators(image);
    imageFolder_ = existing.absolutePath();

    *work_ = Work{};
    work_->folder = qv::ui::PathOf(folder_);
    work_->image = qv::ui::PathOf(image);
    work_->shown = image_.toStdString();
    work_->label = label.toStdString();
    work_->forLinux = ui->ChLinux->isChecked();
    ui->LErgebnis->clear();
    ui->BtAbbildOrdner->hide();
    ui->BtAbbildBrennen->hide();
    ui->PBAbbild->setRange(0, 0); // busy until the size of the image is known
    ui->LFortschritt->setText(QStringLiteral("Der Ordner wird geprüft …"));
    phase_ = Phase::Check;
    SetBusy(true);
    qv::DiscCheckOptions options;
    options.referenceStarter = qv::ui::PathOf(referenceStarter_);
    Work* work = work_.get();
    // The same steps as qvr iso: the folder resolved once, the target checked, the folder checked.
    job_->Start([work, options](qv::ui::DiscJob& job) mutable {
        std::error_code ec;
        const fs::path folder = fs::canonical(work->folder, ec);
        if (ec || !fs::is_directory(folder, ec)) {
            work->failure = "Der Ordner \"" + qv::PathToUtf8(work->folder) + "\" existiert nicht oder ist kein Ordner.";
            return;
        }
        work->folder = folder;
        work->failure = qv::CheckIsoTarget(folder, work->shown, work->image, work->inPlace);
        if (!work->failure.empty())
            return;
        options.observer = &job;
        work->report = qv::CheckDiscFolder(folder, options, work->failure);
        if (work->report && work->forLinux)
            work->linuxStart = qv::PrepareLinuxAutorun(folder, *work->report);
    });
}

void TFAbbild::StartWrite()
{
    phase_ = Phase::Write;
    SetBusy(true);
    ui->PBAbbild->setRange(0, kProgressSteps);
    ui->PBAbbild->setValue(0);
    ui->LFortschritt->setText(QStringLiteral("Das Abbild wird geschrieben …"));
    writeClock_.start();
    Work* work = work_.get();
    job_->Start([work](qv::ui::DiscJob& job) {
        qv::IsoWriteRequest request;
        request.folder = work->folder;
        request.image = work->image;
        request.label = work->label;
        request.inPlace = work->inPlace;
        request.rootFiles = work->linuxStart.files;
        request.observer = &job;
        work->written = qv::WriteIsoImage(request);
    });
    TiFortschritt->start();
}

void TFAbbild::JobEnded()
{
    if (phase_ == Phase::Check)
        CheckEnded();
    else if (phase_ == Phase::Write)
        WriteEnded();
}

void TFAbbild::CheckEnded()
{
    phase_ = Phase::Idle;
    SetBusy(false);
    ui->PBAbbild->setRange(0, kProgressSteps);
    ui->PBAbbild->setValue(0);
    ui->LFortschritt->clear();
    if (job_->CancelRequested()) {
        ui->LFortschritt->setText(QStringLiteral("Abgebrochen; es wurde kein Abbild geschrieben."));
        emit workFinished();
        return;
    }
    if (!work_->report) {
        interaction_.messageBox(this, QStringLiteral("Fehler"), QString::fromStdString(work_->failure),
                                Interaction::Icon::Warning, Interaction::Buttons::Ok);
        emit workFinished();
        return;
    }
    const qv::DiscReport& report = *work_->report;
    if (const std::size_t errors = report.ErrorCount(); errors > 0) {
        QStringList shown;
        for (const qv::DiscProblem& problem : report.problems) {
            if (problem.severity == qv::DiscProblem::Severity::Error && shown.size() < static_cast<int>(kErrorsShown))
                shown << QStringLiteral("Fehler: ") + QString::fromStdString(problem.text);
        }
        if (errors > kErrorsShown)
            shown << QStringLiteral("… und %1 weitere (\"Ordner prüfen\" zeigt alle).").arg(errors - kErrorsShown);
        const QString text = QStringLiteral("Der Ordner hat %1 Fehler; so funktioniert die Disc vielleicht nicht wie "
                                            "gewünscht:\n\r\n\r%2\n\r\n\rMöchtest du das Abbild trotzdem erstellen?")
                                 .arg(errors)
                                 .arg(shown.join(QStringLiteral("\n\r")));
        if (interaction_.messageBox(this, QStringLiteral("Abbild erstellen"), text, Interaction::Icon::Question,
                                    Interaction::Buttons::YesNo)
            != Interaction::Answer::Yes) {
            ui->LFortschritt->setText(QStringLiteral("Es wurde kein Abbild geschrieben: der Ordner hat Fehler."));
            emit workFinished();
            return;
        }
    }
    StartWrite();
}

void TFAbbild::TiFortschrittTimer()
{
    if (phase_ != Phase::Write)
        return;
    const std::uint64_t total = job_->BytesTotal();
    const std::uint64_t done = job_->BytesWritten();
    if (total == 0)
        return;
    ui->PBAbbild->setValue(static_cast<int>(done * kProgressSteps / total));
    QString text = QStringLiteral("%1 % – %2 von %3").arg(done * 100 / total).arg(Size(done), Size(total));
    // The time left from the rate so far, once there is a rate worth the name.
    const qint64 elapsedMs = writeClock_.elapsed();
    if (elapsedMs >= 1000 && done > 0 && done < total) {
        const double left = static_cast<double>(total - done) * static_cast<double>(elapsedMs)
                            / static_cast<double>(done) / 1000.0;
        text += QStringLiteral(" – noch etwa ") + Duration(static_cast<qint64>(left + 0.5));
    }
    ui->LFortschritt->setText(text);
}

void TFAbbild::WriteEnded()
{
    TiFortschritt->stop();
    phase_ = Phase::Idle;
    SetBusy(false);
    const qv::IsoWriteResult& written = work_->written;
    if (!written.error.empty()) {
        ui->PBAbbild->setValue(0);
        if (job_->CancelRequested()) {
            ui->LFortschritt->setText(QStringLiteral("Abgebrochen; es wurde kein Abbild geschrieben."));
        } else {
            ui->LFortschritt->setText(QStringLiteral("Das Abbild wurde nicht geschrieben."));
            interaction_.messageBox(this, QStringLiteral("Fehler"), QString::fromStdString(written.error),
                                    Interaction::Icon::Warning, Interaction::Buttons::Ok);
        }
        emit workFinished();
        return;
    }
    ui->PBAbbild->setValue(kProgressSteps);
    ui->LFortschritt->setText(QStringLiteral("100 % – %1 in %2").arg(Size(written.bytes), Duration(writeClock_.elapsed() / 1000)));
    QStringList lines{QString::fromStdString(qv::IsoWrittenText(work_->shown, written.bytes, work_->label))};
    for (const std::string& line : work_->linuxStart.lines)
        lines << QString::fromStdString(line);
    ui->LErgebnis->setText(lines.join(QLatin1Char('\n')));
    ui->BtAbbildOrdner->setVisible(!work_->inPlace);
    ui->BtAbbildBrennen->show();
    emit workFinished();
}

void TFAbbild::BtAbbrechenClick()
{
    job_->Cancel();
    ui->BtAbbrechen->setEnabled(false);
    ui->LFortschritt->setText(QStringLiteral("Wird abgebrochen …"));
}

void TFAbbild::BtAbbildOrdnerClick()
{
    interaction_.showInFolder(image_);
}

void TFAbbild::BtAbbildBrennenClick()
{
    if (Busy())
        return;
    if (!FBrennen_) {
        FBrennen_ = new TFBrennen(interaction_, burnTools_, this);
        FBrennen_->setObjectName(QStringLiteral("FBrennen"));
    }
    FBrennen_->Open(image_);
}

bool TFAbbild::Burning() const
{
    return FBrennen_ && FBrennen_->Burning();
}

bool TFAbbild::MayClose()
{
    if (!Busy())
        return true;
    if (phase_ == Phase::Write
        && interaction_.messageBox(this, QStringLiteral("Abbild erstellen"),
                                   QStringLiteral("Das Abbild wird noch geschrieben.\n\rMöchtest du das Schreiben "
                                                  "abbrechen?"),
                                   Interaction::Icon::Question, Interaction::Buttons::YesNo)
               != Interaction::Answer::Yes)
        return false;
    CancelAndWait();
    return true;
}

void TFAbbild::closeEvent(QCloseEvent* event)
{
    if (MayClose())
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TFAbbild::reject()
{
    if (MayClose())
        QDialog::reject();
}
