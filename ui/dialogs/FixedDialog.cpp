#include "ui/dialogs/FixedDialog.h"

#include "ui/platform/AppSetup.h"
#include "ui/widgets/UmlautRoom.h"

#include <QDialog>
#include <QPalette>

namespace qv::ui {

void SetUpFixedDialog(QDialog* dialog, const QSize& size)
{
    dialog->setFixedSize(size);
    dialog->setFont(WindowFont());
    MakeRoomForUmlautDots(dialog);
    QPalette pal = dialog->palette();
    pal.setColor(QPalette::Window, Qt::white);
    dialog->setPalette(pal);
}

} // namespace qv::ui
