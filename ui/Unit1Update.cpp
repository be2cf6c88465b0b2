// The update preference and the background update check.
#include "Unit1.h"

#include "ui_Unit1.h"

void TForm1::SetupUpdate()
{
    connect(ui->ChUpdate, &QCheckBox::clicked, this, &TForm1::ChUpdateClick);
}

void TForm1::ChUpdateClick()
{
    // Comes with the update check: store the preference and start a check when ticked.
}

void TForm1::StartUpdateCheckAtStartup()
{
    // Comes with the update check: read the preference and start a check when it allows.
}
