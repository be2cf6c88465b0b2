#include "ui/dialogs/Warnfenster.h"

#include "ui/dialogs/FixedDialog.h"
#include "ui_Warnfenster.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

TFWarn::TFWarn(QWidget* parent)
    : QDialog(parent, qv::ui::kFixedDialogFlags)
    , ui(std::make_unique<Ui::TFWarn>())
{
    ui->setupUi(this);
    qv::ui::SetUpFixedDialog(this, QSize(400, 380));
    connect(ui->BtOK, &QPushButton::clicked, this, &QDialog::accept);
}

TFWarn::~TFWarn() = default;

void TFWarn::SetHintText(const QString& text)
{
    ui->mfehler->setPlainText(text);
}

QString TFWarn::HintText() const
{
    return ui->mfehler->toPlainText();
}

void TFWarn::ShowCentredOn(QWidget* owner)
{
    if (owner) {
        // move() places the frame: centre the frame, whose size is known only after the first
        // show; until then the owner's frame margins stand in for this window's.
        QSize frame = frameGeometry().size();
        if (frame == size())
            frame += owner->frameGeometry().size() - owner->size();
        move(owner->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
    ui->mfehler->moveCursor(QTextCursor::Start);
    ui->mfehler->verticalScrollBar()->setValue(0);
    exec();
}
