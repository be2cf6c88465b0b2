// Field reactions of the pages and the binding between the controls and the project.
#include "ui/mainform/Unit1.h"

#include "config/ColorText.h"
#include "ui/widgets/ColorSwatch.h"
#include "ui/platform/Interaction.h"
#include "ui/widgets/SingleLineInput.h"
#include "ui/project/TextCodec.h"
#include "ui/mainform/Unit1Controls.h"

#include <QKeyEvent>
#include <QSignalBlocker>

using qv::ui::FromCp1252;
using qv::ui::ToCp1252;

namespace {

const QColor kGrey(128, 128, 128);
// The longest texts of the ten number fields and of the transparency colour.
constexpr int kDigitFieldLimit = 5;
constexpr int kHexFieldLimit = 6;

bool IsHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

// Room for one more typed character under a length limit that replaces the selection.
bool HasRoom(const QLineEdit* field, int limit)
{
    return field->text().size() - field->selectedText().size() + 1 <= limit;
}

} // namespace

void TForm1::SetupFields()
{
    // Edit fields whose change only marks the project changed.
    for (QLineEdit* field :
         {ui->ESpeicherort, ui->EHTMLOrt, ui->ETitel, ui->EIconOrt, ui->EBreite, ui->EHoehe, ui->Eposx, ui->Eposy,
          ui->EminBreite, ui->EminHoehe, ui->ESplashOrt, ui->EExt, ui->EZusatzProgOrt, ui->EExeParam,
          ui->EZusatzProgOrt2, ui->EExeParam2, ui->EBMPOrt, ui->Eskinx, ui->ESkiny, ui->ESkinw, ui->ESkinh, ui->Eminx,
          ui->Eminy, ui->Eminw, ui->Eminh, ui->Eclosex, ui->Eclosey, ui->Eclosew, ui->Ecloseh, ui->EPopupParam,
          ui->EPasswort}) {
        connect(field, &QLineEdit::textChanged, this, &TForm1::doaskonclose);
    }
    for (QCheckBox* box : {ui->Chfade, ui->ChTop, ui->ChScrollbar, ui->Chfadeout, ui->ChAdmin, ui->ChKontext,
                           ui->ChSelect, ui->ChMove}) {
        connect(box, &QCheckBox::toggled, this, &TForm1::doaskonclose);
    }
    connect(ui->ChFullscreen, &QCheckBox::toggled, this, &TForm1::ChFullscreenClick);
    connect(ui->ChVarTitel, &QCheckBox::toggled, this, &TForm1::ChFullscreenClick);
    connect(ui->ChKeyInput, &QCheckBox::toggled, this, &TForm1::ChKeyInputClick);
    connect(ui->ETransparencyColor, &QLineEdit::textChanged, this, &TForm1::ETransparencyColorChange);
    connect(ui->BtColorSearch, &QPushButton::clicked, this, &TForm1::BtColorSearchClick);
    connect(ui->RbnPopup, &QRadioButton::clicked, this, &TForm1::RbnPopupClick);

    // No field's value may hold a line break, and the length limits hold for pasted text too.
    const QList<QLineEdit*> digitFields{ui->EBreite, ui->EHoehe, ui->EminBreite, ui->EminHoehe, ui->Eposx,
                                        ui->Eposy,   ui->Eskinx, ui->ESkiny,     ui->ESkinw,    ui->ESkinh};
    for (QLineEdit* field : findChildren<QLineEdit*>()) {
        const int limit = field == ui->ETransparencyColor ? kHexFieldLimit
                          : digitFields.contains(field)  ? kDigitFieldLimit
                                                         : 0;
        qv::ui::GuardSingleLine(field, limit);
    }

    // Typed-character filters: digits, hexadecimal digits, no blank.
    for (QLineEdit* field : digitFields + QList<QLineEdit*>{ui->ETransparencyColor, ui->EExt})
        field->installEventFilter(this);

    for (int i = 0; i < qv::kBorderStyleCount; ++i) {
        ui->CbStyle->addItem(QString::fromUtf8(qv::BorderStyleItemText(i)));
    }
    ui->CbStyle->setCurrentIndex(1);
    SetBorderPreview(1);
    connect(ui->CbStyle, &QComboBox::activated, this, &TForm1::CbStyleChange);

    ui->SColor->setEmpty();
}

bool TForm1::FilterTypedCharacter(QLineEdit* field, QKeyEvent* event)
{
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        return false;
    const QString typed = event->text();
    if (typed.isEmpty())
        return false;
    const QChar c = typed.at(0);
    const char16_t u = c.unicode();
    if (field == ui->EExt)
        return u == ' ';
    if (u == 0x7F) // Delete edits, it types nothing
        return false;
    if (field == ui->ETransparencyColor) {
        if (u == '\b')
            return false;
        return !(IsHexDigit(c) && HasRoom(field, kHexFieldLimit));
    }
    // The digits-only fields let control characters (editing, clipboard) through.
    if (u < 0x20)
        return false;
    return !(u >= '0' && u <= '9' && HasRoom(field, kDigitFieldLimit));
}

void TForm1::SetLabelsGrey(std::initializer_list<QLabel*> labels, bool grey)
{
    for (QLabel* label : labels) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, grey ? kGrey : QColor(Qt::black));
        label->setPalette(pal);
    }
}

void TForm1::ChFullscreenClick()
{
    const bool full = ui->ChFullscreen->isChecked();
    for (QLineEdit* field : {ui->EBreite, ui->EHoehe, ui->EminBreite, ui->EminHoehe}) {
        if (full)
            field->clear();
        field->setEnabled(!full);
    }
    SetLabelsGrey({ui->Label12, ui->Label13, ui->Label45, ui->Label48, ui->Label36, ui->Label46, ui->Label37,
                   ui->Label47},
                  full);
    doaskonclose();
}

const QPixmap& TForm1::BorderPicture(int index)
{
    QPixmap& picture = ILBorder[static_cast<std::size_t>(index)];
    if (picture.isNull())
        picture = QPixmap(QStringLiteral(":/pictures/border%1.png").arg(index));
    return picture;
}

void TForm1::SetBorderPreview(int index)
{
    if (index < 0 || index >= qv::kBorderStyleCount)
        return;
    ui->IBorder->setProperty("borderImage", index); // which picture is shown, for the tests
    // Until its page is first shown the preview only remembers the style (PreparePage).
    if (!preparedPages_.contains(QLatin1String("optisch")))
        return;
    ui->IBorder->setPixmap(BorderPicture(index));
    ui->IBorder->repaint();
}

void TForm1::CbStyleChange()
{
    SetBorderPreview(ui->CbStyle->currentIndex());
    doaskonclose();
}

void TForm1::ETransparencyColorChange()
{
    if (const auto color = qv::HexToColor(ToCp1252(ui->ETransparencyColor->text())))
        ui->SColor->setColor(QColor(*color & 0xFF, (*color >> 8) & 0xFF, (*color >> 16) & 0xFF));
    else
        ui->SColor->setEmpty();
    doaskonclose();
}

void TForm1::BtColorSearchClick()
{
    const QColor chosen = interaction_->color(this, colorDialogColor_);
    if (!chosen.isValid())
        return;
    colorDialogColor_ = chosen;
    const auto value = static_cast<std::uint32_t>(chosen.red()) | static_cast<std::uint32_t>(chosen.green()) << 8
                       | static_cast<std::uint32_t>(chosen.blue()) << 16;
    ui->ETransparencyColor->setText(QString::fromStdString(qv::ColorToHex(value)));
}

void TForm1::RbnPopupClick()
{
    // Choosing the popup action changes nothing else and does not mark the project.
}

int TForm1::ConfigTarget() const
{
    const_cast<TForm1*>(this)->CompleteStart();
    return ui->TCCode->currentIndex();
}

void TForm1::SetConfigTarget(int target)
{
    CompleteStart();
    const QSignalBlocker blocker(ui->TCCode);
    ui->TCCode->setCurrentIndex(target >= 0 && target <= 2 ? target : 0);
}

void TForm1::ApplySettings(const qv::ProjectSettings& s)
{
    CompleteStart();
    const auto text = [](QLineEdit* field, const std::string& value) { field->setText(FromCp1252(value)); };

    text(ui->ESpeicherort, s.ESpeicherort);
    SetConfigTarget(s.ConfigTarget);
    // The full-screen state goes first: its reaction empties the size fields, which must then
    // receive the project's own values (a change of ChVarTitel re-runs the same reaction).
    ui->ChFullscreen->setChecked(s.ChFullscreen);
    ui->ChVarTitel->setChecked(s.ChVarTitel);

    text(ui->EHTMLOrt, s.EHTMLOrt);
    text(ui->ETitel, s.ETitel);
    text(ui->EIconOrt, s.EIconOrt);
    text(ui->EBreite, s.ChFullscreen ? std::string() : s.EBreite);
    text(ui->EHoehe, s.ChFullscreen ? std::string() : s.EHoehe);
    text(ui->EminBreite, s.ChFullscreen ? std::string() : s.EminBreite);
    text(ui->EminHoehe, s.ChFullscreen ? std::string() : s.EminHoehe);
    text(ui->Eposx, s.Eposx);
    text(ui->Eposy, s.Eposy);
    ui->ChKontext->setChecked(s.ChKontext);
    ui->ChScrollbar->setChecked(s.ChScrollbar);
    ui->ChSelect->setChecked(s.ChSelect);
    ui->Chfade->setChecked(s.Chfade);
    ui->Chfadeout->setChecked(s.Chfadeout);
    ui->ChTop->setChecked(s.ChTop);
    ui->ChMove->setChecked(s.ChMove);
    ui->ChKeyInput->setChecked(s.ChKeyInput);
    if (s.CbStyle >= 0 && s.CbStyle < qv::kBorderStyleCount)
        ui->CbStyle->setCurrentIndex(s.CbStyle);
    SetBorderPreview(ui->CbStyle->currentIndex());
    text(ui->EExt, s.EExt);
    switch (s.newWindowAction) {
    case qv::NewWindowAction::Default: ui->RbnDefault->setChecked(true); break;
    case qv::NewWindowAction::Execute: ui->RbnExecute->setChecked(true); break;
    case qv::NewWindowAction::Ignore: ui->RbnIgnore->setChecked(true); break;
    case qv::NewWindowAction::Popup: ui->RbnPopup->setChecked(true); break;
    }
    text(ui->EPopupParam, s.EPopupParam);
    ui->ChAdmin->setChecked(s.ChAdmin);
    text(ui->EZusatzProgOrt, s.EZusatzProgOrt);
    text(ui->EExeParam, s.EExeParam);
    text(ui->EZusatzProgOrt2, s.EZusatzProgOrt2);
    text(ui->EExeParam2, s.EExeParam2);
    text(ui->EPasswort, s.EPasswort);
    text(ui->EBMPOrt, s.EBMPOrt);
    text(ui->Eskinx, s.Eskinx);
    text(ui->ESkiny, s.ESkiny);
    text(ui->ESkinw, s.ESkinw);
    text(ui->ESkinh, s.ESkinh);
    text(ui->Eminx, s.Eminx);
    text(ui->Eminy, s.Eminy);
    text(ui->Eminw, s.Eminw);
    text(ui->Eminh, s.Eminh);
    text(ui->Eclosex, s.Eclosex);
    text(ui->Eclosey, s.Eclosey);
    text(ui->Eclosew, s.Eclosew);
    text(ui->Ecloseh, s.Ecloseh);
    text(ui->ESplashOrt, s.ESplashOrt);
    text(ui->ETransparencyColor, s.ETransparencyColor);

    QStringList keys;
    for (const std::string& entry : s.LBShortcuts)
        keys << FromCp1252(entry);
    QStringList shown;
    for (int i = 0; i < ui->LBShortcuts->count(); ++i)
        shown << ui->LBShortcuts->item(i)->text();
    if (keys != shown) {
        ui->LBShortcuts->clear();
        ui->LBShortcuts->addItems(keys); // the loader's order, not re-sorted
        doaskonclose();
    }
}

qv::ProjectSettings TForm1::CurrentSettings() const
{
    const_cast<TForm1*>(this)->CompleteStart();
    const auto text = [](const QLineEdit* field) { return ToCp1252(field->text()); };
    qv::ProjectSettings s;
    s.ESpeicherort = text(ui->ESpeicherort);
    s.EHTMLOrt = text(ui->EHTMLOrt);
    s.ETitel = text(ui->ETitel);
    s.ChVarTitel = ui->ChVarTitel->isChecked();
    s.EIconOrt = text(ui->EIconOrt);
    s.EBreite = text(ui->EBreite);
    s.EHoehe = text(ui->EHoehe);
    s.EminBreite = text(ui->EminBreite);
    s.EminHoehe = text(ui->EminHoehe);
    s.Eposx = text(ui->Eposx);
    s.Eposy = text(ui->Eposy);
    s.ChFullscreen = ui->ChFullscreen->isChecked();
    s.CbStyle = ui->CbStyle->currentIndex();
    s.Chfade = ui->Chfade->isChecked();
    s.Chfadeout = ui->Chfadeout->isChecked();
    s.ChTop = ui->ChTop->isChecked();
    s.ChScrollbar = ui->ChScrollbar->isChecked();
    s.ESplashOrt = text(ui->ESplashOrt);
    s.ETransparencyColor = text(ui->ETransparencyColor);
    s.ChKontext = ui->ChKontext->isChecked();
    s.ChSelect = ui->ChSelect->isChecked();
    s.ChMove = ui->ChMove->isChecked();
    s.ChKeyInput = ui->ChKeyInput->isChecked();
    for (int i = 0; i < ui->LBShortcuts->count(); ++i)
        s.LBShortcuts.push_back(ToCp1252(ui->LBShortcuts->item(i)->text()));
    s.EPasswort = text(ui->EPasswort);
    s.EExt = text(ui->EExt);
    s.EZusatzProgOrt = text(ui->EZusatzProgOrt);
    s.EExeParam = text(ui->EExeParam);
    s.EZusatzProgOrt2 = text(ui->EZusatzProgOrt2);
    s.EExeParam2 = text(ui->EExeParam2);
    s.ChAdmin = ui->ChAdmin->isChecked();
    if (ui->RbnExecute->isChecked())
        s.newWindowAction = qv::NewWindowAction::Execute;
    else if (ui->RbnIgnore->isChecked())
        s.newWindowAction = qv::NewWindowAction::Ignore;
    else if (ui->RbnPopup->isChecked())
        s.newWindowAction = qv::NewWindowAction::Popup;
    else
        s.newWindowAction = qv::NewWindowAction::Default;
    s.EPopupParam = text(ui->EPopupParam);
    s.EBMPOrt = text(ui->EBMPOrt);
    s.Eskinx = text(ui->Eskinx);
    s.ESkiny = text(ui->ESkiny);
    s.ESkinw = text(ui->ESkinw);
    s.ESkinh = text(ui->ESkinh);
    s.Eminx = text(ui->Eminx);
    s.Eminy = text(ui->Eminy);
    s.Eminw = text(ui->Eminw);
    s.Eminh = text(ui->Eminh);
    s.Eclosex = text(ui->Eclosex);
    s.Eclosey = text(ui->Eclosey);
    s.Eclosew = text(ui->Eclosew);
    s.Ecloseh = text(ui->Ecloseh);
    s.ConfigTarget = ConfigTarget();
    s.ProjectChanged = ProjectChanged;
    return s;
}
