// The disabled-key controls: the capture field, the sorted key list and its lock.
#include "ui/mainform/Unit1.h"

#include "config/KeyNames.h"
#include "ui/project/TextCodec.h"
#include "ui/mainform/Unit1Controls.h"

#include <QCollator>
#include <QLocale>

using qv::ui::FromCp1252;

void TForm1::SetupKeys()
{
    // A read-only field on white whose selection stays visible without the focus.
    QPalette pal = ui->EKeyInput->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    ui->EKeyInput->setPalette(pal);
    ui->EKeyInput->installEventFilter(this);
    ui->LBShortcuts->installEventFilter(this);
    ui->LBShortcuts->setSelectionMode(QAbstractItemView::SingleSelection);

    connect(ui->BtAddShortcut, &QPushButton::clicked, this, &TForm1::BtAddShortcutClick);
    connect(ui->BtRemoveShortCut, &QPushButton::clicked, this, &TForm1::BtRemoveShortCutClick);
}

void TForm1::EKeyInputKeyDown(std::uint8_t virtualKey)
{
    // The key alone: Shift, Ctrl and Alt are keys of their own here, never prefixes.
    ui->EKeyInput->setText(FromCp1252(qv::KeyCodeToText(virtualKey)));
}

void TForm1::EKeyInputKeyUp()
{
    ui->EKeyInput->setFocus();
    ui->EKeyInput->deselect();
}

void TForm1::InsertShortcutSorted(const QString& text)
{
    // Alphabetical as in German, letter case ignored: "Ä" after "A", "ß" as "ss".
    static const QCollator collator = [] {
        QCollator german(QLocale(QLocale::German, QLocale::Germany));
        german.setCaseSensitivity(Qt::CaseInsensitive);
        return german;
    }();
    int row = 0;
    while (row < ui->LBShortcuts->count() && collator.compare(ui->LBShortcuts->item(row)->text(), text) <= 0)
        ++row;
    ui->LBShortcuts->insertItem(row, text);
}

void TForm1::BtAddShortcutClick()
{
    const QString text = ui->EKeyInput->text();
    bool present = false;
    for (int i = 0; i < ui->LBShortcuts->count() && !present; ++i)
        present = ui->LBShortcuts->item(i)->text() == text;
    if (!present && !text.isEmpty()) {
        InsertShortcutSorted(text);
        doaskonclose();
    }
    ui->EKeyInput->clear();
    ui->EKeyInput->setFocus();
    ui->EKeyInput->deselect();
    ui->LBShortcuts->scrollToBottom();
}

void TForm1::BtRemoveShortCutClick()
{
    const QList<QListWidgetItem*> selected = ui->LBShortcuts->selectedItems();
    const int row = selected.isEmpty() ? -1 : ui->LBShortcuts->row(selected.constFirst());
    if (row >= 0) {
        delete ui->LBShortcuts->takeItem(row);
        if (row < ui->LBShortcuts->count()) {
            ui->LBShortcuts->setCurrentRow(row);
        } else {
            ui->LBShortcuts->clearSelection();
            ui->LBShortcuts->setCurrentRow(-1);
        }
    }
    doaskonclose();
}

void TForm1::ChKeyInputClick()
{
    const bool locked = ui->ChKeyInput->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{ui->EKeyInput, ui->LBShortcuts, ui->BtAddShortcut,
                                                            ui->BtRemoveShortCut})
        control->setEnabled(!locked);
    SetLabelsGrey({ui->Label64}, locked);
    doaskonclose();
}
