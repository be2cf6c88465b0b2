// The file commands and the folder and file browsing. The handlers are
// connected to their controls here; their bodies come with the issues named in each of them.
#include "Unit1.h"

#include "ui_Unit1.h"

void TForm1::SetupFiles()
{
    connect(ui->BitNeu, &QPushButton::clicked, this, &TForm1::BitNeuClick);
    connect(ui->BitOeffnen, &QPushButton::clicked, this, &TForm1::BitOeffnenClick);
    connect(ui->BitBeispiel, &QPushButton::clicked, this, &TForm1::BitBeispielClick);
    connect(ui->BitSpeichern, &QPushButton::clicked, this, &TForm1::BitSpeichernClick);
    connect(ui->BitSpeichern2, &QPushButton::clicked, this, &TForm1::BitSpeichern2Click);
    connect(ui->BtDurchsuchen, &QPushButton::clicked, this, &TForm1::BtDurchsuchenClick);
    const std::pair<QPushButton*, QLineEdit*> browse[] = {
        {ui->BtDurchsuchen2, ui->EHTMLOrt},  {ui->BtDurchsuchen3, ui->EIconOrt},
        {ui->BtDurchsuchen4, ui->EZusatzProgOrt}, {ui->BtnDurchsuchen6, ui->EZusatzProgOrt2},
        {ui->BtDurchsuchen5, ui->EBMPOrt},   {ui->BtDurchsuchen6, ui->ESplashOrt},
    };
    for (const auto& [button, field] : browse)
        connect(button, &QPushButton::clicked, this, [this, field = field] { BrowseFileClick(field); });
}

void TForm1::BitNeuClick()
{
    // NEXT ISSUE (file commands): the new-project command.
}

void TForm1::BitOeffnenClick()
{
    // NEXT ISSUE (file commands): the open procedure.
}

void TForm1::BitBeispielClick()
{
    // NEXT ISSUE (file commands): the demonstration.
}

void TForm1::BitSpeichernClick()
{
    // NEXT ISSUE (file commands): the save command.
}

void TForm1::BitSpeichern2Click()
{
    // NEXT ISSUE (file commands): save under a new name.
}

void TForm1::BtDurchsuchenClick()
{
    // NEXT ISSUE (storage folder): the folder browser for ESpeicherort.
}

void TForm1::BrowseFileClick(QLineEdit* field)
{
    // NEXT ISSUE (storage folder): choose a file inside the storage folder for `field`.
    Q_UNUSED(field);
}

bool TForm1::FormClose()
{
    // NEXT ISSUE (file commands): ask before closing a changed project.
    return true;
}
