#include "ui/dialogs/FixedDialog.h"

#include "ui/widgets/UmlautRoom.h"

#include <QDialog>
#include <QFont>
#include <QPalette>

namespace qv::ui {

void SetUpFixedDialog(QDialog* dialog, const QSize& size)
{
    dialog->setFixedSize(size);
    QFont windowFont(QStringLiteral("Tahoma"));
    windowFont.setPixelSize(11);
    dialog->setFont(windowFont);
    MakeRoomForUmlautDots(dialog);
    QPalette pal = dialog->palette();
    pal.setColor(QPalette::Window, Qt::white);
    dialog->setPalette(pal);
}

} // namespace qv::ui
