#include "ui/mainform/Unit1.h"

#include "qtcommon/KeyCapture.h"
#include "ui/platform/AppSetup.h"
#include "ui/pictures/BuiltInPictures.h"
#include "ui/widgets/CaptionText.h"
#include "ui/mainform/Links.h"
#include "ui/platform/QtInteraction.h"
#include "ui/widgets/UmlautRoom.h"
#include "ui/mainform/Unit1Controls.h"
#include "ui/dialogs/Warnfenster.h"
#include "ui/widgets/WrapCheckBox.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#ifndef QUORVANE_VERSION
#define QUORVANE_VERSION "0.0.0.0"
#endif

static void InitPictures()
{
    // The pictures live in a static library: make sure its resources are registered.
    Q_INIT_RESOURCE(pictures);
}

namespace {

struct PageInfo {
    const char* key;
    const char* next;     // nullptr: "Weiter >>" disabled, NextPage kept
    const char* previous; // nullptr: "<< Zurück" disabled, PreviousPage kept
};

// The side menu in its order; the step order is the chain of next/previous.
constexpr std::array<PageInfo, 10> kPages = {{
    {"start", "grund", nullptr},
    {"grund", "fenster", "start"},
    {"fenster", "optisch", "grund"},
    {"optisch", "input", "fenster"},
    {"input", "zusatz", "optisch"},
    {"zusatz", "neufenster", "input"},
    {"neufenster", "skin", "zusatz"},
    {"skin", "speichern", "neufenster"},
    {"speichern", nullptr, "skin"},
    {"ueber", nullptr, nullptr},
}};

const QPoint kPagePlace(194, 57);
const QPoint kHiddenPlace(-512, -512);
constexpr int kClientWidth = 665;
constexpr int kClientHeight = 435;
constexpr int kUnfoldedHeight = 465;

void SetTextColor(QWidget* widget, const QColor& color)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, color);
    widget->setPalette(pal);
}

} // namespace

TForm1::TForm1(Interaction* interaction, QWidget* parent)
    : QWidget(parent)
    , ui(std::make_unique<TForm1Controls>())
    , interaction_(interaction)
{
    InitPictures();
    if (!interaction_) {
        ownInteraction_ = std::make_unique<QtInteraction>();
        interaction_ = ownInteraction_.get();
    }
    ui->Ui::TForm1::setupUi(this);
    SetupFrame();
    SetupFiles();
    SetupUpdate();
    SetupLabelsAndButtons();
    // The first paint of the background starts the rest once the window is on the screen.
    ui->ihbg->installEventFilter(this);
}

void TForm1::BuildPages()
{
    if (pagesBuilt_)
        return;
    pagesBuilt_ = true;
    ui->setupPages();
    SetupPageLinks();
    SetupFields();
    SetupKeys();
    SetupSavePage();
    SetupFileFields();
    SetupDisc();
    SetupLabelsAndButtons();
}

void TForm1::SetupLabelsAndButtons()
{
    // Capital umlauts at the top edge of a label or a list row keep their dots (labels already
    // given the room are left alone). Enter presses the focused button, as Space does.
    qv::ui::MakeRoomForUmlautDots(this);
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(true);
}

void TForm1::CompleteStart()
{
    BuildPages();
    if (!newProjectPending_)
        return;
    newProjectPending_ = false;
    BitNeuClick();
    switchcategory(ui->llstart);
    OpenGivenFile = false;
    ProjectOpen = false;
    AskSaveName = true;
    ProjectChanged = false;
}

TFWarn* TForm1::HintsWindow()
{
    if (!FWarn_)
        FWarn_ = new TFWarn(this);
    return FWarn_;
}


void TForm1::SetupFrame()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    const QFont windowFont = qv::ui::WindowFont();
    setFont(windowFont);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    titleBase_ = windowTitle() + QStringLiteral(" v") + OwnVersionText();

    // The pictures of the first paint come decoded with the program.
    ui->ihbg->setPicture(qv::ui::BuiltInPicture(QLatin1StringView("ihbg")));
    ui->Ineu->setPixmap(qv::ui::BuiltInPixmap(QLatin1StringView("icon_new")));
    ui->Ioeffnen->setPixmap(qv::ui::BuiltInPixmap(QLatin1StringView("icon_open")));
    ui->Ibeispiel->setPixmap(qv::ui::BuiltInPixmap(QLatin1StringView("icon_demo")));
    setWindowIcon(QIcon(qv::ui::BuiltInPixmap(QLatin1StringView("quorvane-48"))));

    QFont heading = windowFont;
    heading.setPixelSize(24);
    ui->LCaption->setFont(heading);

    for (const PageInfo& page : kPages) {
        const QString key = QString::fromLatin1(page.key);
        QLabel* link = PageLink(key);
        QLabel* shadow = findChild<QLabel*>(QStringLiteral("ll") + key + QLatin1Char('S'));
        SetTextColor(link, Qt::white);
        SetTextColor(shadow, QColor(100, 0, 0));
        shadow->setAttribute(Qt::WA_TransparentForMouseEvents);
        link->setMouseTracking(true);
        link->installEventFilter(this);
        SetLinkStyle(link, page.key == kPages[0].key, false);
        QWidget* panel = findChild<QWidget*>(QStringLiteral("p") + key);
        panel->move(kHiddenPlace);
        panel->setEnabled(false);
        panel->hide();
    }
    // As created: "Startseite" current in menu and heading, its page in place, both steps off.
    SetLinkStyle(ui->llstart, true, false);
    ui->pstart->move(kPagePlace);
    ui->pstart->setEnabled(true);
    ui->pstart->show();
    currentKey_ = QStringLiteral("start");

    for (QLabel* link : {ui->Lneu, ui->Loeffnen, ui->Lbeispiel}) {
        link->setMouseTracking(true);
        link->installEventFilter(this);
    }

    QFont messageFont = windowFont;
    messageFont.setPixelSize(13);
    messageFont.setBold(true);
    ui->LMessage->setFont(messageFont);
    ui->LMessageS->setFont(messageFont);
    SetTextColor(ui->LMessage, Qt::white);
    SetTextColor(ui->LMessageS, Qt::black);
    ui->LMessage->installEventFilter(this);
    TiAufklappen = new QTimer(this);
    TiAufklappen->setObjectName(QStringLiteral("TiAufklappen"));
    TiAufklappen->setInterval(20);
    connect(TiAufklappen, &QTimer::timeout, this, &TForm1::TiAufklappenTimer);

    PreparePage(currentKey_);

    connect(ui->BtWeiter, &QPushButton::clicked, this, &TForm1::BtWeiterClick);
    connect(ui->BtZurueck, &QPushButton::clicked, this, &TForm1::BtZurueckClick);
}

void TForm1::SetupPageLinks()
{
    for (QLabel* link : {ui->lwarn, ui->LLink1, ui->LLink2}) {
        link->setMouseTracking(true);
        link->installEventFilter(this);
    }
    ui->ISpenden->setMouseTracking(true);
    ui->ISpenden->installEventFilter(this);
}

void TForm1::PreparePage(const QString& key)
{
    if (preparedPages_.contains(key))
        return;
    preparedPages_ << key;
    // The pictures of the pages not shown at start, as the form would have set them.
    static const struct {
        const char* page;
        const char* widget;
        const char* picture;
    } kPagePictures[] = {
        {"skin", "ISkizze", ":/pictures/skizze.png"},
        {"speichern", "Iwarn", ":/pictures/warn.png"},
        {"speichern", "BitSpeichern", ":/pictures/save.png"},
        {"speichern", "BitSpeichern2", ":/pictures/saveas.png"},
        {"ueber", "ILogo", ":/pictures/logo.jpg"},
    };
    for (const auto& picture : kPagePictures) {
        if (key != QLatin1String(picture.page))
            continue;
        QWidget* widget = findChild<QWidget*>(QString::fromLatin1(picture.widget));
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setPixmap(QPixmap(QString::fromLatin1(picture.picture)));
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QIcon icon;
            icon.addFile(QString::fromLatin1(picture.picture), QSize(), QIcon::Normal, QIcon::Off);
            button->setIcon(icon);
        }
    }
    if (key == QLatin1String("optisch"))
        SetBorderPreview(ui->IBorder->property("borderImage").toInt());
    if (key == QLatin1String("ueber"))
        ui->ISpenden->setPixmap(SpendenPicture(0));
    if (key == QLatin1String("speichern")) {
        QFont mono(qv::ui::MonospaceFamily());
        mono.setPixelSize(11);
        mono.setStyleHint(QFont::TypeWriter);
        ui->mcode->setFont(mono);
    }
    FitSingleLineTexts(findChild<QWidget*>(QStringLiteral("p") + key));
    FitWrappedTexts(findChild<QWidget*>(QStringLiteral("p") + key));
}

const QPixmap& TForm1::SpendenPicture(int index)
{
    QPixmap& picture = ILSpenden[static_cast<std::size_t>(index)];
    if (picture.isNull())
        picture = QPixmap(QStringLiteral(":/pictures/spenden%1.png").arg(index));
    return picture;
}

void TForm1::FitSingleLineTexts(QWidget* page)
{
    // One-line labels size themselves to their text, keeping the aligned edge; check boxes and
    // radio buttons grow when their caption would be cut. The boxes of the layout are measured in
    // Tahoma, and a substitute font may be a few pixels wider.
    for (QLabel* label : page->findChildren<QLabel*>()) {
        if (label->wordWrap() || label->text().isEmpty())
            continue;
        const int wanted = label->fontMetrics().horizontalAdvance(label->text());
        if (wanted <= label->width())
            continue;
        QRect r = label->geometry();
        if (label->alignment() & Qt::AlignRight)
            r.setLeft(r.right() - wanted + 1);
        else
            r.setWidth(wanted);
        label->setGeometry(r);
    }
    for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
        if (!qobject_cast<QCheckBox*>(button) && !qobject_cast<QRadioButton*>(button))
            continue;
        if (qobject_cast<WrapCheckBox*>(button))
            continue;
        const int wanted = button->sizeHint().width();
        if (wanted <= button->width())
            continue;
        QRect r = button->geometry();
        r.setWidth(std::min(wanted, page->width() - button->x()));
        // A box at the page's right edge grows to the left, where that place is free.
        if (r.width() < wanted) {
            QRect left = r;
            left.setLeft(std::max(0, r.right() + 1 - wanted));
            if (IsFreeFor(button, left))
                r = left;
        }
        button->setGeometry(r);
    }
}

bool TForm1::IsFreeFor(const QWidget* widget, const QRect& place)
{
    for (const QObject* object : widget->parentWidget()->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(object);
        if (sibling && sibling != widget && !sibling->isWindow() && sibling->geometry().intersects(place))
            return false;
    }
    return true;
}

void TForm1::FitWrappedTexts(QWidget* page)
{
    // Wrapped texts grow downwards when their lines need more height than the layout gives them
    // (a substitute or differently hinted Tahoma runs wider and wraps once more), as far as the
    // place below is free.
    const auto grow = [page](QWidget* widget, int textWidth, const QString& text, int margins) {
        const int flags = Qt::AlignLeft | Qt::TextWordWrap;
        // The line boxes are cheap to measure and end below the letters: most texts stop here.
        const QRect lines = widget->fontMetrics().boundingRect(QRect(0, 0, textWidth, QWIDGETSIZE_MAX), flags, text);
        if (lines.height() + margins <= widget->height())
            return;
        const int needed = qv::ui::InkHeight(widget->font(), textWidth, flags, text) + margins;
        if (needed <= widget->height())
            return;
        QRect r = widget->geometry();
        r.setHeight(std::min(needed, page->height() - r.y()));
        while (r.height() > widget->height() && !IsFreeFor(widget, r.adjusted(0, widget->height(), 0, 0)))
            r.setHeight(r.height() - 1);
        widget->setGeometry(r);
    };
    for (QLabel* label : page->findChildren<QLabel*>()) {
        const bool rich = label->textFormat() == Qt::RichText
                          || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
        if (!label->wordWrap() || label->text().isEmpty() || rich)
            continue;
        const QMargins margins = label->contentsMargins();
        grow(label, label->contentsRect().width(), label->text(), margins.top() + margins.bottom());
    }
    for (WrapCheckBox* box : page->findChildren<WrapCheckBox*>())
        grow(box, box->TextRect().width(), box->text(), 0);
}

QLabel* TForm1::PageLink(const QString& key) const
{
    return findChild<QLabel*>(QStringLiteral("ll") + key);
}

void TForm1::SetLinkStyle(QLabel* link, bool bold, bool underline)
{
    // Only a change of style restyles and resizes; the first call sizes the link to its text.
    static const char* const kSized = "linkStyleSized";
    if (link->property(kSized).toBool() && link->font().bold() == bold && link->font().underline() == underline)
        return;
    link->setProperty(kSized, true);
    QLabel* shadow = findChild<QLabel*>(link->objectName() + QLatin1Char('S'));
    for (QLabel* label : {link, shadow}) {
        QFont f = label->font();
        f.setBold(bold);
        f.setUnderline(underline);
        label->setFont(f);
    }
    // The shadow holds the same text in the same font: it takes the link's size.
    link->adjustSize();
    shadow->resize(link->size());
}

void TForm1::ShowPanel(const QString& key)
{
    QWidget* panel = findChild<QWidget*>(QStringLiteral("p") + key);
    panel->move(kPagePlace);
    panel->setEnabled(true);
    panel->show();
}

void TForm1::switchcategory(QLabel* link)
{
    // The start page lives in the frame; every other page needs the pages built.
    if (link != ui->llstart)
        CompleteStart();
    for (const PageInfo& page : kPages) {
        const QString key = QString::fromLatin1(page.key);
        SetLinkStyle(PageLink(key), false, false);
        QWidget* panel = findChild<QWidget*>(QStringLiteral("p") + key);
        panel->move(kHiddenPlace);
        panel->setEnabled(false);
        panel->hide();
    }
    ui->BtWeiter->setEnabled(true);
    ui->BtZurueck->setEnabled(true);
    ui->LCaption->setText(link->text());
    SetLinkStyle(link, true, false);

    const QString key = link->objectName().mid(2);
    currentKey_ = key;
    for (const PageInfo& page : kPages) {
        if (key != QLatin1String(page.key))
            continue;
        PreparePage(key);
        if (key == QLatin1String("speichern"))
            RefreshSavePage();
        ShowPanel(key);
        if (page.next)
            nextPage_ = PageLink(QString::fromLatin1(page.next));
        else
            ui->BtWeiter->setEnabled(false);
        if (page.previous)
            previousPage_ = PageLink(QString::fromLatin1(page.previous));
        else
            ui->BtZurueck->setEnabled(false);
    }
}

void TForm1::llstartClick(QLabel* link)
{
    switchcategory(link);
}

void TForm1::BtWeiterClick()
{
    if (nextPage_)
        switchcategory(nextPage_);
}

void TForm1::BtZurueckClick()
{
    if (previousPage_)
        switchcategory(previousPage_);
}

void TForm1::LLink1MouseMove(QLabel* link)
{
    if (link->font().bold())
        SetLinkStyle(link, true, false);
    else
        SetLinkStyle(link, false, true);
}

void TForm1::LLink1MouseLeave(QLabel* link)
{
    SetLinkStyle(link, link->font().bold(), false);
}

void TForm1::LLink2MouseMove(QLabel* link)
{
    QFont f = link->font();
    f.setBold(true);
    f.setUnderline(true);
    link->setFont(f);
}

void TForm1::LLink2MouseLeave(QLabel* link)
{
    QFont f = link->font();
    f.setBold(true);
    f.setUnderline(false);
    link->setFont(f);
}

void TForm1::ISpendenMouseMove()
{
    ui->ISpenden->setPixmap(SpendenPicture(1));
    ui->ISpenden->repaint();
}

void TForm1::ISpendenMouseLeave()
{
    ui->ISpenden->setPixmap(SpendenPicture(0));
    ui->ISpenden->repaint();
}

void TForm1::LLink1Click()
{
    interaction_->shellOpen(QString::fromLatin1(qv::ui::kMakerHomePage), QString());
}

void TForm1::LLink2Click()
{
    interaction_->shellOpen(QString::fromLatin1(qv::ui::kIconArtistPage), QString());
}

void TForm1::ISpendenClick()
{
    interaction_->shellOpen(QString::fromLatin1(qv::ui::kDonationPage), QString());
}

void TForm1::ShowMessage(const QString& text, const QString& link)
{
    if (text.isEmpty())
        return;
    ui->LMessage->setText(text);
    ui->LMessageS->setText(text);
    TiAufklappen->start();
    // A message without a link is plain text: an earlier message's link no longer applies.
    messageLink_ = link;
    ui->LMessage->setCursor(link.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void TForm1::LMessageClick()
{
    if (!messageLink_.isEmpty())
        interaction_->shellOpen(messageLink_, QString());
}

void TForm1::TiAufklappenTimer()
{
    if (height() >= kUnfoldedHeight) {
        TiAufklappen->stop();
        return;
    }
    setFixedSize(kClientWidth, height() + 1);
}

void TForm1::doaskonclose()
{
    CompleteStart();
    if (ProjectChanged)
        return;
    ProjectChanged = true;
    UpdateCaption(ui->ESpeicherort->text());
}

void TForm1::UpdateCaption(const QString& folder)
{
    SetCaption(folder, ConfigTarget());
}

void TForm1::SetCaption(const QString& folder, int target)
{
    const QFontMetrics metrics(font());
    const auto width = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };
    setWindowTitle(qv::ui::CaptionText(titleBase_, qv::ui::CaptionLocation(folder, target, ProjectChanged, width)));
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    FormShow();
    if (const QScreen* screen = this->screen()) {
        QRect area = frameGeometry();
        area.moveCenter(screen->availableGeometry().center());
        move(area.topLeft());
    }
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->ihbg) {
        // Once the window has been painted, the rest of the start follows in the next turn of
        // the event loop (after the picture reached the screen).
        if (event->type() == QEvent::Paint && newProjectPending_) {
            ui->ihbg->removeEventFilter(this);
            QTimer::singleShot(0, this, &TForm1::CompleteStart);
        }
        return false;
    }
    auto* label = qobject_cast<QLabel*>(watched);
    const QEvent::Type type = event->type();
    const bool isMove = type == QEvent::MouseMove || type == QEvent::Enter;
    const bool isLeave = type == QEvent::Leave;
    bool isClick = false;
    if (label && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        // The press is taken here so that the release comes back to the same label.
        if (type == QEvent::MouseButtonPress)
            return true;
        isClick = label->rect().contains(mouse->position().toPoint());
    }

    if (label && label->objectName().startsWith(QLatin1String("ll"))) {
        if (isMove)
            LLink1MouseMove(label);
        else if (isLeave)
            LLink1MouseLeave(label);
        else if (isClick)
            llstartClick(label);
        return isClick;
    }
    if (label == ui->Lneu || label == ui->Loeffnen || label == ui->Lbeispiel || label == ui->lwarn
        || label == ui->LLink1 || label == ui->LLink2) {
        if (isMove) {
            LLink2MouseMove(label);
        } else if (isLeave) {
            LLink2MouseLeave(label);
        } else if (isClick) {
            if (label == ui->Lneu)
                BitNeuClick();
            else if (label == ui->Loeffnen)
                BitOeffnenClick();
            else if (label == ui->Lbeispiel)
                BitBeispielClick();
            else if (label == ui->lwarn)
                lwarnClick();
            else if (label == ui->LLink1)
                LLink1Click();
            else
                LLink2Click();
        }
        return isClick;
    }
    if (label == ui->ISpenden) {
        if (isMove)
            ISpendenMouseMove();
        else if (isLeave)
            ISpendenMouseLeave();
        else if (isClick)
            ISpendenClick();
        return isClick;
    }
    if (label == ui->LMessage) {
        if (isClick)
            LMessageClick();
        return isClick;
    }
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == ui->EKeyInput) {
            // Tab moves the focus on before the field sees the key, as in a dialog.
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
                return false;
            if (type == QEvent::KeyPress)
                EKeyInputKeyDown(qv::keys::VirtualKeyOf(qv::keys::KeyFactsOf(*key)));
            else
                EKeyInputKeyUp();
            return true;
        }
        if (watched == ui->LBShortcuts && type == QEvent::KeyPress && key->key() == Qt::Key_Delete) {
            BtRemoveShortCutClick();
            return true;
        }
        if (type == QEvent::KeyPress) {
            if (auto* field = qobject_cast<QLineEdit*>(watched))
                return FilterTypedCharacter(field, key);
        }
    }
    return QWidget::eventFilter(watched, event);
}
