#include "ui/dialogs/Discfenster.h"

#include "ui/discstep/DiscJob.h"
#include "ui/dialogs/FixedDialog.h"
#include "ui/platform/Interaction.h"
#include "ui_Discfenster.h"

#include "disc/DiscCheck.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include <optional>

namespace {

// Problems arriving while the check runs are listed as they come; the list is read this often.
constexpr int kStandIntervalMs = 100;
// The role of a row's file: its path below the storage folder ("/"-separated), empty for the
// folder as a whole; rows without it (the summary) open nothing.
constexpr int kFileRole = Qt::UserRole;
constexpr int kProblemRole = Qt::UserRole + 1;

QString ProblemLine(const qv::DiscProblem& problem)
{
    return QString::fromUtf8(qv::DiscProblemPrefix(problem.severity))
           + QString::fromStdString(problem.text);
}

QString Grouped(std::uint64_t value)
{
    QLocale german(QLocale::German, QLocale::Germany);
    return german.toString(static_cast<qulonglong>(value));
}

} // namespace

struct TFDisc::Outcome {
    std::optional<qv::DiscReport> report;
    std::string failure;
};

TFDisc::TFDisc(Interaction& interaction, QString referenceStarter, QWidget* parent)
    : QDialog(parent, qv::ui::kFixedDialogFlags)
    , ui(std::make_unique<Ui::TFDisc>())
    , interaction_(interaction)
    , referenceStarter_(std::move(referenceStarter))
    , job_(new qv::ui::DiscJob(this))
    , outcome_(std::make_unique<Outcome>())
{
    ui->setupUi(this);
    qv::ui::SetUpFixedDialog(this, QSize(560, 380));
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(true);

    TiStand = new QTimer(this);
    TiStand->setObjectName(QStringLiteral("TiStand"));
    TiStand->setInterval(kStandIntervalMs);
    connect(TiStand, &QTimer::timeout, this, &TFDisc::TiStandTimer);
    connect(job_, &qv::ui::DiscJob::finished, this, &TFDisc::CheckEnded);
    connect(ui->BtKopieren, &QPushButton::clicked, this, &TFDisc::BtKopierenClick);
    connect(ui->BtErneut, &QPushButton::clicked, this, &TFDisc::BtErneutClick);
    connect(ui->BtDiscAbbild, &QPushButton::clicked, this, &TFDisc::BtDiscAbbildClick);
    connect(ui->BtSchliessen, &QPushButton::clicked, this, &QDialog::close);
    connect(ui->LBProbleme, &QListWidget::itemDoubleClicked, this, &TFDisc::LBProblemeDblClick);
}

TFDisc::~TFDisc()
{
    // The job's thread writes into the outcome: it ends before anything here goes.
    job_->CancelAndWait();
}

void TFDisc::StartCheck(const QString& folder)
{
    job_->CancelAndWait();
    folder_ = folder;
    *outcome_ = Outcome{};
    ui->LOrdner->setText(QStringLiteral("Speicherort: ") + QDir::toNativeSeparators(folder));
    ui->LBProbleme->clear();
    ui->LStand->setText(QStringLiteral("Der Ordner wird geprüft …"));
    ui->BtErneut->setEnabled(false);
    qv::DiscCheckOptions options;
    options.referenceStarter = qv::ui::PathOf(referenceStarter_);
    const std::filesystem::path path = qv::ui::PathOf(folder);
    Outcome* outcome = outcome_.get();
    job_->Start([path, options, outcome](qv::ui::DiscJob& job) mutable {
        options.observer = &job;
        outcome->report = qv::CheckDiscFolder(path, options, outcome->failure);
    });
    TiStand->start();
    show();
    raise();
    activateWindow();
}

bool TFDisc::CheckRunning() const
{
    return job_->Running();
}

void TFDisc::CancelCheck()
{
    job_->CancelAndWait();
    TiStand->stop();
    ui->BtErneut->setEnabled(true);
}

void TFDisc::TiStandTimer()
{
    for (const qv::DiscProblem& problem : job_->TakeFound()) {
        auto* item = new QListWidgetItem(ProblemLine(problem), ui->LBProbleme);
        item->setData(kFileRole, QString::fromStdString(problem.file));
        item->setData(kProblemRole, true);
    }
    if (job_->Running()) {
        const std::uint64_t pages = job_->PagesRead();
        QString text = QStringLiteral("Der Ordner wird geprüft … %1 Einträge gelesen").arg(Grouped(job_->EntriesRead()));
        if (pages > 0)
            text += QStringLiteral(", %1 Seiten verfolgt").arg(Grouped(pages));
        ui->LStand->setText(text);
    }
}

void TFDisc::CheckEnded()
{
    TiStand->stop();
    job_->TakeFound();
    ui->LBProbleme->clear();
    ui->BtErneut->setEnabled(true);
    if (!outcome_->report) {
        const QString failure = QString::fromStdString(outcome_->failure);
        ui->LStand->setText(job_->CancelRequested() ? QStringLiteral("Die Prüfung wurde abgebrochen.") : failure);
        if (!job_->CancelRequested())
            new QListWidgetItem(failure, ui->LBProbleme);
        emit checkFinished();
        return;
    }
    // The final list is the report as qvr verify prints it: errors first, then warnings, then
    // the summary.
    const qv::DiscReport& report = *outcome_->report;
    const std::vector<std::string> lines = qv::DiscReportLines(report);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(lines[i]), ui->LBProbleme);
        if (i < report.problems.size()) {
            item->setData(kFileRole, QString::fromStdString(report.problems[i].file));
            item->setData(kProblemRole, true);
            if (report.problems[i].severity == qv::DiscProblem::Severity::Error)
                item->setForeground(QColor(160, 0, 0));
        }
    }
    ui->LStand->setText(report.problems.empty()
                            ? QStringLiteral("Die Prüfung ist abgeschlossen: keine Probleme.")
                            : QStringLiteral("Die Prüfung ist abgeschlossen. Doppelklick auf eine Zeile öffnet den "
                                             "Ordner bei der genannten Datei."));
    emit checkFinished();
}

QStringList TFDisc::Lines() const
{
    QStringList lines;
    for (int i = 0; i < ui->LBProbleme->count(); ++i)
        lines << ui->LBProbleme->item(i)->text();
    return lines;
}

void TFDisc::BtKopierenClick()
{
    // The selected rows, or all of them when none is selected; a line feed after each, as qvr
    // prints them.
    QStringList lines;
    for (int i = 0; i < ui->LBProbleme->count(); ++i) {
        if (ui->LBProbleme->item(i)->isSelected())
            lines << ui->LBProbleme->item(i)->text();
    }
    if (lines.isEmpty())
        lines = Lines();
    if (lines.isEmpty())
        return;
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void TFDisc::BtErneutClick()
{
    if (!folder_.isEmpty())
        StartCheck(folder_);
}

void TFDisc::BtDiscAbbildClick()
{
    if (OnAbbild)
        OnAbbild();
}

void TFDisc::LBProblemeDblClick(QListWidgetItem* item)
{
    if (!item || !item->data(kProblemRole).toBool())
        return;
    const QString file = item->data(kFileRole).toString();
    const QDir root(folder_);
    if (file.isEmpty())
        interaction_.shellOpen(QDir::toNativeSeparators(root.absolutePath()), QString());
    else
        interaction_.showInFolder(QDir::toNativeSeparators(root.absoluteFilePath(file)));
}

void TFDisc::closeEvent(QCloseEvent* event)
{
    CancelCheck();
    QDialog::closeEvent(event);
}
