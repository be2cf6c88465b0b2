// The window's first show: the steps that fix its run-time shape and start the project.
#include "ui/mainform/Unit1.h"

#include "ui/project/ProjectFiles.h"
#include "ui/mainform/Unit1Controls.h"

#include <QDir>

void TForm1::FormShow()
{
    if (MakeRepaintComponent)
        MakeRepaintComponent(this);
    // The donation picture in its normal state; decoded here only if its page was already shown.
    if (!ILSpenden[0].isNull())
        ui->ISpenden->setPixmap(ILSpenden[0]);
    // The title base was built from the form's own caption when the window was made, before
    // anything below can change the caption. The digits-only fields filter typed characters
    // since then too (SetupFields), and Qt paints every window double-buffered.
    setFixedSize(ui->ihbg->width(), 435);

    if (!CommandLineArgument.isEmpty()) {
        // A file to open fills every page before the window appears.
        BuildPages();
        const QString path = qv::ui::ResolveCommandLineFile(CommandLineArgument, ProgramFolder, QDir::currentPath());
        if (!path.isEmpty()) {
            OpenDialogFileName = path;
            OpenGivenFile = true;
            BitOeffnenClick();
        }
    } else {
        // A new project on the start page. The start page shows the same whichever project is
        // open, so the window appears at once, as it will look; the pages are made and the new
        // project is set up right after the first paint, or earlier when anything needs them
        // (CompleteStart).
        switchcategory(ui->llstart);
        SetCaption(QString(), 0);
        newProjectPending_ = true;
    }
    StartUpdateCheckAfterShow();
}
