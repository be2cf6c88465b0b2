// The save page: the configuration text, its description and the hint counter; the hints window.
#include "ui/mainform/Unit1.h"

#include "ui/project/TextCodec.h"
#include "ui/mainform/Unit1Controls.h"
#include "ui/dialogs/Warnfenster.h"

#include <QFontMetrics>
#include <QScrollBar>

using qv::ui::FromCp1252;

void TForm1::SetupSavePage()
{
    // The configuration text's monospace font is set when the page is first shown (PreparePage).
    hintCounterRight_ = ui->lwarn->geometry().right();
    connect(ui->TCCode, &QTabWidget::currentChanged, this, &TForm1::TCCodeChange);
}

void TForm1::TCCodeChange()
{
    RefreshSavePage();
}

void TForm1::RefreshSavePage()
{
    CompleteStart();
    const int target = ConfigTarget();
    lastBuild_ = qv::BuildConfiguration(CurrentSettings(), target);

    ui->Label31->setText(QString::fromUtf8(qv::TargetDescription(target)));
    QStringList lines;
    // The file's lines as they are saved, the batch file's code-page line included.
    for (const std::string& line : qv::FileLines(lastBuild_.configText, target))
        lines << FromCp1252(line);
    ui->mcode->setLineWrapMode(target == 2 ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    ui->mcode->setPlainText(lines.join(QLatin1Char('\n')));
    ui->mcode->moveCursor(QTextCursor::Start);
    ui->mcode->verticalScrollBar()->setValue(0);
    ui->mcode->horizontalScrollBar()->setValue(0);

    const std::size_t count = lastBuild_.hints.size();
    ui->lwarn->setText(QString::fromStdString(qv::HintCounterText(count)));
    PlaceHintCounter();
    ui->lwarn->setVisible(count > 0);
    ui->Iwarn->setVisible(count > 0);
    HintsWindow()->SetHintText(FromCp1252(qv::HintWindowText(lastBuild_.hints)));

    // The build ends by proposing the storage folder for the next save.
    SaveDialogFileName = ui->ESpeicherort->text() + QStringLiteral("starter.ini");
}

void TForm1::PlaceHintCounter()
{
    // Right-aligned: the right edge stays, the icon keeps 4 pixels to the left of the text.
    const int width = QFontMetrics(ui->lwarn->font()).horizontalAdvance(ui->lwarn->text());
    QRect r = ui->lwarn->geometry();
    r.setLeft(hintCounterRight_ - width + 1);
    ui->lwarn->setGeometry(r);
    ui->Iwarn->move(r.left() - 20, ui->Iwarn->y());
}

void TForm1::lwarnClick()
{
    if (lastBuild_.hints.empty())
        return;
    HintsWindow()->ShowCentredOn(this);
}
