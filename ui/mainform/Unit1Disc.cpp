// The disc step on the page of the storage folder: "Ordner prüfen" and "Abbild erstellen…". Both
// run in windows of their own (Discfenster, Abbildfenster) on threads of their own; without the
// disc library (a build without libisofs) the two buttons are hidden.
#include "ui/mainform/Unit1.h"

#include "ui/platform/Interaction.h"
#include "ui/project/ProjectFiles.h"
#include "ui/mainform/Unit1Controls.h"

#ifdef QUORVANE_WITH_DISC
#include "ui/dialogs/Abbildfenster.h"
#include "ui/dialogs/Brennfenster.h"
#include "ui/dialogs/Discfenster.h"
#endif

#include <QFileInfo>

void TForm1::SetupDisc()
{
#ifdef QUORVANE_WITH_DISC
    connect(ui->BtPruefen, &QPushButton::clicked, this, &TForm1::BtPruefenClick);
    connect(ui->BtAbbild, &QPushButton::clicked, this, &TForm1::BtAbbildClick);
#else
    for (QWidget* control : {static_cast<QWidget*>(ui->Label68), static_cast<QWidget*>(ui->BtPruefen),
                             static_cast<QWidget*>(ui->BtAbbild)})
        control->hide();
#endif
}

bool TForm1::DiscStepAvailable()
{
#ifdef QUORVANE_WITH_DISC
    return true;
#else
    return false;
#endif
}

bool TForm1::StorageFolderForDisc()
{
    CompleteStart();
    const QString folder = ui->ESpeicherort->text();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return true;
    interaction_->messageBox(this, QStringLiteral("Hinweis"),
                             QStringLiteral("Du musst zuerst einen gültigen Speicherort angeben,\n\r"
                                            "bevor er geprüft oder als Abbild geschrieben werden kann."),
                             Interaction::Icon::Information, Interaction::Buttons::Ok);
    switchcategory(ui->llgrund);
    ui->BtDurchsuchen->setFocus();
    return false;
}

#ifdef QUORVANE_WITH_DISC

TFDisc* TForm1::DiscWindow()
{
    if (!FDisc_) {
        FDisc_ = new TFDisc(*interaction_, qv::ui::ExamplesStarterPath(ProgramFolder), this);
        FDisc_->OnAbbild = [this] { BtAbbildClick(); };
    }
    return FDisc_;
}

TFAbbild* TForm1::AbbildWindow()
{
    if (!FAbbild_)
        FAbbild_ = new TFAbbild(*interaction_, qv::ui::ExamplesStarterPath(ProgramFolder), this);
    return FAbbild_;
}

void TForm1::BtPruefenClick()
{
    if (!StorageFolderForDisc())
        return;
    DiscWindow()->StartCheck(ui->ESpeicherort->text());
}

void TForm1::BtAbbildClick()
{
    if (!StorageFolderForDisc())
        return;
    AbbildWindow()->Open(ui->ESpeicherort->text(), ui->ETitel->text());
}

bool TForm1::DiscWriting() const
{
    return FAbbild_ && FAbbild_->Writing();
}

bool TForm1::DiscBurning() const
{
    return FAbbild_ && FAbbild_->Burning();
}

void TForm1::EndDiscWork()
{
    if (FAbbild_) {
        if (TFBrennen* burn = FAbbild_->BurnDialog()) {
            burn->CancelAndWait();
            burn->hide();
        }
        FAbbild_->CancelAndWait();
        FAbbild_->hide();
    }
    if (FDisc_) {
        FDisc_->CancelCheck();
        FDisc_->hide();
    }
}

#else

void TForm1::BtPruefenClick() {}
void TForm1::BtAbbildClick() {}
bool TForm1::DiscWriting() const
{
    return false;
}
bool TForm1::DiscBurning() const
{
    return false;
}
void TForm1::EndDiscWork() {}

#endif
