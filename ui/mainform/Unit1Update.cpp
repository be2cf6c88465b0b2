// The update preference and the background update check. The check runs on a thread of its own;
// its result reaches the window through UpdateTarget, always on the window's thread.
//
// Built with QUORVANE_UPDATE_CHECK=0 (CMake option QUORVANE_UPDATE_CHECK=OFF, a distribution's
// choice) the check is left out: the box is hidden, no preference is read or written, nothing
// is fetched, and the update module's checker is not linked.
#include "ui/mainform/Unit1.h"

#include "ui/platform/Interaction.h"
#include "update/OwnVersion.h"

#include "ui/mainform/Unit1Controls.h"

#ifndef QUORVANE_UPDATE_CHECK
#define QUORVANE_UPDATE_CHECK 1
#endif

#if QUORVANE_UPDATE_CHECK
#include "update/Preference.h"
#include "update/UpdateChecker.h"
#include "update/UpdateTarget.h"

#include <QTimer>

// What the update check may do with the window: ask, open an address, show a message.
class TForm1::UpdateBridge : public qv::UpdateTarget {
public:
    explicit UpdateBridge(TForm1& form)
        : form_(form)
    {
    }

    bool askUpdate(const QString& title, const QString& text) override
    {
        return form_.interaction().messageBox(&form_, title, text, Interaction::Icon::Question,
                                              Interaction::Buttons::YesNo)
            == Interaction::Answer::Yes;
    }

    void openAddress(const QString& url) override { form_.interaction().shellOpen(url, QString()); }

    void showMessage(const QString& text, const QString& link) override { form_.ShowMessage(text, link); }

private:
    TForm1& form_;
};

TForm1::~TForm1()
{
    // The update check reports to the bridge: end it first.
    delete updateChecker_;
    delete updateBridge_;
}

void TForm1::SetupUpdate()
{
    updateBridge_ = new UpdateBridge(*this);
    // The checker also ends a running check by itself when the application is about to quit.
    updateChecker_ = new qv::UpdateChecker(*updateBridge_, this);
    connect(ui->ChUpdate, &QCheckBox::toggled, this, &TForm1::ChUpdateClick);
}

void TForm1::ChUpdateClick()
{
    updateChecker_->boxChanged(ui->ChUpdate->isChecked());
}

bool TForm1::DecideUpdateCheckAtStartup()
{
    if (!qv::UpdateCheckAtStartup())
        ui->ChUpdate->setChecked(false); // runs ChUpdateClick, which writes "F" again
    return ui->ChUpdate->isChecked();
}

void TForm1::StartUpdateCheckAfterShow()
{
    // The decision is made now; the check starts once the window is up, so that the network
    // library it loads costs the window's start nothing.
    if (DecideUpdateCheckAtStartup())
        QTimer::singleShot(0, updateChecker_, [checker = updateChecker_] { checker->start(); });
}

bool TForm1::UpdateCheckRunning() const
{
    return updateChecker_->isRunning();
}

#else

TForm1::~TForm1() = default;

void TForm1::SetupUpdate()
{
    ui->ChUpdate->setChecked(false);
    ui->ChUpdate->setEnabled(false);
    ui->ChUpdate->hide();
}

void TForm1::ChUpdateClick() {}

bool TForm1::DecideUpdateCheckAtStartup()
{
    return false;
}

void TForm1::StartUpdateCheckAfterShow() {}

bool TForm1::UpdateCheckRunning() const
{
    return false;
}

#endif

QString OwnVersionText()
{
    return qv::OwnVersionText();
}
