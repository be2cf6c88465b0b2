#include "FormFixture.h"

#include "ui/mainform/Links.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace {

struct Page {
    const char* key;
    const char* heading;
};
const Page kStepOrder[] = {
    {"start", "Startseite"},
    {"grund", "Grundeinstellungen"},
    {"fenster", "Fenstergröße und Position"},
    {"optisch", "Optische Anpassungen"},
    {"input", "Maus und Tastatur"},
    {"zusatz", "Zusätzliche Einstellungen"},
    {"neufenster", "Neues Fenster"},
    {"skin", "Skins"},
    {"speichern", "Einstellungen speichern"},
};
// The largest difference of one colour channel between two pictures of the same size: clearly
// visible dots differ by far more than the faint edge smoothing of dots cut off.
int LargestDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 255;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

// The control's own painting on a blue ground, which no text colour of the window comes near.
QImage OnBlue(QWidget* control)
{
    QImage image(control->size(), QImage::Format_ARGB32);
    image.fill(Qt::blue);
    control->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

const char* const kAllKeys[] = {"start", "grund", "fenster", "optisch", "input", "zusatz", "neufenster", "skin",
                                "speichern", "ueber"};

} // namespace

class NavigationTest : public FormTest {
protected:
    // Only `key`'s panel is in place, visible and enabled; its link and shadow alone are bold.
    void ExpectShown(const char* key, const char* heading)
    {
        EXPECT_EQ(W<QLabel>("LCaption")->text(), QString::fromUtf8(heading));
        for (const char* other : kAllKeys) {
            const QString k = QString::fromLatin1(other);
            QWidget* panel = W(("p" + k).toLatin1().constData());
            const bool current = k == QLatin1String(key);
            EXPECT_EQ(panel->isVisible(), current) << other;
            EXPECT_EQ(panel->isEnabled(), current) << other;
            if (current) {
                EXPECT_EQ(panel->geometry(), QRect(194, 57, 452, 323));
            }
            EXPECT_EQ(W<QLabel>(("ll" + k).toLatin1().constData())->font().bold(), current) << other;
            EXPECT_EQ(W<QLabel>(("ll" + k + "S").toLatin1().constData())->font().bold(), current) << other;
        }
    }
};

TEST_F(NavigationTest, AsCreatedStartPageCurrentAndStepsDisabled)
{
    TForm1 fresh(&seam);
    EXPECT_EQ(fresh.findChild<QLabel*>("LCaption")->text(), "Startseite");
    EXPECT_TRUE(fresh.findChild<QLabel*>("llstart")->font().bold());
    EXPECT_FALSE(fresh.findChild<QPushButton*>("BtWeiter")->isEnabled());
    EXPECT_FALSE(fresh.findChild<QPushButton*>("BtZurueck")->isEnabled());
    EXPECT_EQ(fresh.findChild<QWidget*>("pstart")->pos(), QPoint(194, 57));
    EXPECT_EQ(fresh.size(), QSize(665, 435));
}

TEST_F(NavigationTest, WeiterAndZurueckWalkTheStepOrder)
{
    auto* weiter = W<QPushButton>("BtWeiter");
    auto* zurueck = W<QPushButton>("BtZurueck");
    Go("ueber");
    Go("start");
    EXPECT_FALSE(zurueck->isEnabled());
    for (std::size_t i = 1; i < std::size(kStepOrder); ++i) {
        QTest::mouseClick(weiter, Qt::LeftButton);
        ExpectShown(kStepOrder[i].key, kStepOrder[i].heading);
        EXPECT_TRUE(zurueck->isEnabled());
    }
    EXPECT_FALSE(weiter->isEnabled());
    for (std::size_t i = std::size(kStepOrder) - 1; i-- > 0;) {
        QTest::mouseClick(zurueck, Qt::LeftButton);
        ExpectShown(kStepOrder[i].key, kStepOrder[i].heading);
        EXPECT_TRUE(weiter->isEnabled());
    }
    EXPECT_FALSE(zurueck->isEnabled());
}

TEST_F(NavigationTest, SideMenuOpensEveryPage)
{
    for (const Page& page : kStepOrder) {
        Click(W(("ll" + std::string(page.key)).c_str()));
        ExpectShown(page.key, page.heading);
    }
    Click(W("llueber"));
    ExpectShown("ueber", "Über...");
    EXPECT_FALSE(W("BtWeiter")->isEnabled());
    EXPECT_FALSE(W("BtZurueck")->isEnabled());

    // "Weiter >>" on the start page opens "Grundeinstellungen", whatever came before.
    Go("skin");
    Go("start");
    QTest::mouseClick(W<QPushButton>("BtWeiter"), Qt::LeftButton);
    ExpectShown("grund", "Grundeinstellungen");
}

TEST_F(NavigationTest, ControlsOfHiddenPagesCannotTakeFocus)
{
    Go("grund");
    for (const char* name : {"ETitel", "EExt", "EKeyInput", "CbStyle", "RbnPopup", "BitSpeichern"}) {
        QWidget* control = W(name);
        control->setFocus();
        EXPECT_FALSE(control->hasFocus()) << name;
        EXPECT_FALSE(control->isEnabled()) << name;
    }
    for (const char* name : {"BitNeu", "BitOeffnen", "BitBeispiel"}) {
        Go("start");
        EXPECT_FALSE(W(name)->isVisible()) << name;
        EXPECT_EQ(W(name)->focusPolicy(), Qt::NoFocus) << name;
    }
}

TEST_F(NavigationTest, SideMenuHoverUnderlinesOnlyOtherLinks)
{
    Go("grund");
    auto* current = W<QLabel>("llgrund");
    MoveOver(current);
    EXPECT_TRUE(current->font().bold());
    EXPECT_FALSE(current->font().underline());
    Leave(current);
    EXPECT_TRUE(current->font().bold());

    auto* other = W<QLabel>("llskin");
    auto* shadow = W<QLabel>("llskinS");
    MoveOver(other);
    EXPECT_TRUE(other->font().underline());
    EXPECT_TRUE(shadow->font().underline());
    EXPECT_FALSE(other->font().bold());
    Leave(other);
    EXPECT_FALSE(other->font().underline());
    EXPECT_FALSE(shadow->font().underline());
    EXPECT_FALSE(other->font().bold());
}

TEST_F(NavigationTest, BlackLinksAndDonationPictureReactToTheMouse)
{
    Go("ueber");
    for (const char* name : {"Lneu", "Loeffnen", "Lbeispiel", "lwarn", "LLink1", "LLink2"}) {
        auto* link = W<QLabel>(name);
        EXPECT_TRUE(link->font().bold()) << name;
        MoveOver(link);
        EXPECT_TRUE(link->font().bold() && link->font().underline()) << name;
        Leave(link);
        EXPECT_TRUE(link->font().bold() && !link->font().underline()) << name;
    }
    auto* spenden = W<QLabel>("ISpenden");
    const QImage normal = QPixmap(":/pictures/spenden0.png").toImage();
    const QImage hover = QPixmap(":/pictures/spenden1.png").toImage();
    ASSERT_NE(normal, hover);
    EXPECT_EQ(spenden->pixmap().toImage(), normal);
    MoveOver(spenden);
    EXPECT_EQ(spenden->pixmap().toImage(), hover);
    Leave(spenden);
    EXPECT_EQ(spenden->pixmap().toImage(), normal);
}

TEST_F(NavigationTest, AboutLinksOpenTheirAddresses)
{
    Go("ueber");
    Click(W("LLink1"));
    Click(W("LLink2"));
    Click(W("ISpenden"));
    const auto shell = seam.callsOf(ScriptedInteraction::Kind::Shell);
    ASSERT_EQ(shell.size(), 3);
    // The program and its disc icon are the Quorvane team's: credited and linked to its own site.
    EXPECT_EQ(shell[0].text, "https://www.quorvane.example/");
    EXPECT_EQ(shell[1].text, "https://www.quorvane.example/");
    EXPECT_EQ(shell[2].text, "https://www.quorvane.example/spenden/");
    for (const char* credit : {"LLink1", "LLink2"})
        EXPECT_EQ(W<QLabel>(credit)->text(), "Quorvane-Team") << credit;
}

TEST_F(NavigationTest, CapitalUmlautsKeepTheirDotsAtTheTopOfLabelsAndListRows)
{
    // A text at the top edge of its control: "Ü" must not look like "U" (nor "Ä" like "A").
    int labels = 0;
    for (QLabel* label : form->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        ++labels;
        const QString text = label->text();
        const QPoint place = label->pos();
        for (const char* pair : {"UÜ", "AÄ"}) {
            const QString letters = QString::fromUtf8(pair);
            label->setText(letters.left(1));
            const QImage plain = OnBlue(label);
            label->setText(letters.mid(1));
            const QImage dotted = OnBlue(label);
            EXPECT_GT(LargestDifference(plain, dotted), 100) << label->objectName().toStdString() << " " << pair;
        }
        label->setText(text);
        EXPECT_EQ(label->pos(), place) << "the control stays where it is";
    }
    EXPECT_GT(labels, 50);

    Go("input");
    auto* list = W<QListWidget>("LBShortcuts");
    const QRect place = list->geometry();
    list->addItems({QStringLiteral("A"), QStringLiteral("O"), QStringLiteral("U")});
    for (int row = 0; row < 3; ++row) {
        QListWidgetItem* item = list->item(row);
        const QString plain = item->text();
        const QImage plainRow = list->viewport()->grab(list->visualItemRect(item)).toImage();
        item->setText(plain == "A" ? QStringLiteral("Ä") : plain == "O" ? QStringLiteral("Ö") : QStringLiteral("Ü"));
        const QImage dottedRow = list->viewport()->grab(list->visualItemRect(item)).toImage();
        EXPECT_GT(LargestDifference(plainRow, dottedRow), 100) << plain.toStdString();
    }
    EXPECT_EQ(list->geometry(), place);
}

TEST_F(NavigationTest, EnterOrReturnPressesTheFocusedButton)
{
    struct Case {
        const char* page;
        const char* button;
    };
    // Buttons whose command leaves the page as it is (the seam cancels every dialog).
    const Case cases[] = {
        {"grund", "BtDurchsuchen"},  {"optisch", "BtColorSearch"},    {"input", "BtAddShortcut"},
        {"input", "BtRemoveShortCut"}, {"speichern", "BitSpeichern"}, {"speichern", "BitSpeichern2"},
        {"fenster", "BtZurueck"},    {"fenster", "BtWeiter"},
    };
    for (const Case& c : cases) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            SCOPED_TRACE(std::string(c.button) + (key == Qt::Key_Return ? " Return" : " Enter"));
            Go(c.page);
            auto* button = W<QPushButton>(c.button);
            QSignalSpy clicked(button, &QPushButton::clicked);
            QTest::keyClick(button, key);
            EXPECT_EQ(clicked.count(), 1);
        }
    }
}

TEST_F(NavigationTest, TabFollowsTheVisualOrderOfEveryPage)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    struct Case {
        const char* page;
        QStringList order; // from the first control, ending with the step buttons
    };
    const Case cases[] = {
        {"start", {"ChUpdate", "BtWeiter"}},
#ifdef QUORVANE_WITH_DISC
        {"grund",
         {"ESpeicherort", "BtDurchsuchen", "EHTMLOrt", "BtDurchsuchen2", "BtPruefen", "BtAbbild", "BtZurueck",
          "BtWeiter"}},
#else
        {"grund", {"ESpeicherort", "BtDurchsuchen", "EHTMLOrt", "BtDurchsuchen2", "BtZurueck", "BtWeiter"}},
#endif
        {"fenster",
         {"ETitel", "EIconOrt", "BtDurchsuchen3", "ChVarTitel", "ChFullscreen", "EBreite", "EminBreite", "EHoehe",
          "EminHoehe", "Eposx", "Eposy", "BtZurueck", "BtWeiter"}},
        {"optisch",
         {"ESplashOrt", "BtDurchsuchen6", "Chfade", "Chfadeout", "ChScrollbar", "ChTop", "ETransparencyColor",
          "BtColorSearch", "CbStyle", "BtZurueck", "BtWeiter"}},
        {"input",
         {"ChKontext", "ChSelect", "ChMove", "ChKeyInput", "EKeyInput", "BtAddShortcut", "BtRemoveShortCut",
          "LBShortcuts", "EPasswort", "BtZurueck", "BtWeiter"}},
        {"zusatz",
         {"EExt", "ChAdmin", "EZusatzProgOrt", "BtDurchsuchen4", "EExeParam", "EZusatzProgOrt2", "BtnDurchsuchen6",
          "EExeParam2", "BtZurueck", "BtWeiter"}},
        {"neufenster", {"RbnDefault", "EPopupParam", "BtZurueck", "BtWeiter"}},
        {"skin",
         {"EBMPOrt", "BtDurchsuchen5", "Eskinx", "ESkiny", "ESkinw", "ESkinh", "BtZurueck", "BtWeiter"}},
        {"speichern", {"TCCode", "mcode", "BitSpeichern", "BitSpeichern2", "BtZurueck"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        Go(c.page);
        // The control that has the focus; the tab control's focus lies on its inner tab bar.
        const auto focused = [] {
            QWidget* widget = QApplication::focusWidget();
            while (widget && widget->objectName().startsWith(QLatin1String("qt_")))
                widget = widget->parentWidget();
            return widget ? widget->objectName() : QString();
        };
        W(c.order.constFirst().toLatin1().constData())->setFocus();
        QStringList visited{focused()};
        while (visited.size() < c.order.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << focused();
        }
        EXPECT_EQ(visited, c.order);
    }
}

TEST_F(NavigationTest, MessageBarUnfoldsOnePixelPerTick)
{
    form->ShowMessage(QString(), QStringLiteral("https://example.org/"));
    EXPECT_FALSE(form->AufklappenTimer()->isActive());

    form->ShowMessage(QStringLiteral("Neue Version verfügbar"), QString());
    EXPECT_EQ(W<QLabel>("LMessage")->text(), "Neue Version verfügbar");
    EXPECT_EQ(W<QLabel>("LMessageS")->text(), "Neue Version verfügbar");
    EXPECT_TRUE(form->AufklappenTimer()->isActive());
    for (int height = 436; height <= 465; ++height) {
        form->TiAufklappenTimer();
        ASSERT_EQ(form->height(), height);
    }
    EXPECT_TRUE(form->AufklappenTimer()->isActive());
    form->TiAufklappenTimer();
    EXPECT_EQ(form->height(), 465);
    EXPECT_FALSE(form->AufklappenTimer()->isActive());

    // Without a link the bar is plain text; with one a click opens it.
    Click(W("LMessage"));
    EXPECT_TRUE(seam.callsOf(ScriptedInteraction::Kind::Shell).isEmpty());
    EXPECT_EQ(W("LMessage")->cursor().shape(), Qt::ArrowCursor);
    form->ShowMessage(QStringLiteral("Update"), QStringLiteral("https://example.org/neu"));
    EXPECT_EQ(W("LMessage")->cursor().shape(), Qt::PointingHandCursor);
    Click(W("LMessage"));
    const auto shell = seam.callsOf(ScriptedInteraction::Kind::Shell);
    ASSERT_EQ(shell.size(), 1);
    EXPECT_EQ(shell[0].text, "https://example.org/neu");
}

namespace {

struct PageControl {
    const char* page;
    const char* name;
    const char* kind;
    const char* text; // nullptr: no text, or one of the implementer's choosing
    QRect place;
};

// Every control of every page with its kind, text and place within the page.
const PageControl kPageControls[] = {
    {"start", "Label1", "QLabel", "Möchtest du ein bestehendes Projekt bearbeiten, oder möchtest du ein neues Projekt beginnen? Bitte wähle eine der folgenden Optionen:", QRect(0, 0, 452, 41)},
    {"start", "Ineu", "QLabel", nullptr, QRect(37, 64, 48, 48)},
    {"start", "Lneu", "QLabel", "Erstelle ein neues Projekt", QRect(94, 67, 144, 13)},
    {"start", "Lneu2", "QLabel", "Beginne mit einem vollständig neuem Projekt und passe es Schritt für Schritt an, bis du ein perfektes Ergebnis erzielt hast.", QRect(94, 80, 316, 27)},
    {"start", "Ioeffnen", "QLabel", nullptr, QRect(37, 135, 48, 48)},
    {"start", "Loeffnen", "QLabel", "Existierendes Projekt laden", QRect(94, 138, 155, 13)},
    {"start", "Loeffnen2", "QLabel", "Öffne ein bereits bestehendes Projekt und passe es nach deinen Wünschen an.", QRect(94, 151, 316, 27)},
    {"start", "Ibeispiel", "QLabel", nullptr, QRect(37, 200, 48, 48)},
    {"start", "Lbeispiel", "QLabel", "Zeige Demo-Anwendung", QRect(94, 209, 138, 13)},
    {"start", "Lbeispiel2", "QLabel", "So könnte beispielsweise ein fertiges Autostart-Menü aussehen.", QRect(94, 222, 316, 27)},
    {"start", "ChUpdate", "QCheckBox", "Prüfe regelmäßig auf Updates", QRect(281, 301, 171, 17)},
    {"grund", "Label2", "QLabel", "Hier findest du die Grundeinstellungen des Starters. Sie sind essenziell und müssen vorgenommen werden, bevor du fortfahren kannst.", QRect(0, 0, 452, 41)},
    {"grund", "Label3", "QLabel", "Speicherort:", QRect(0, 47, 59, 13)},
    {"grund", "ESpeicherort", "QLineEdit", nullptr, QRect(0, 66, 356, 21)},
    {"grund", "BtDurchsuchen", "QPushButton", "Durchsuchen...", QRect(362, 66, 90, 21)},
    {"grund", "Label4", "QLabel", "Hier wird später die Konfigurationsdatei sowie die 'starter.exe' hineinkopiert.  Damit ein automatischer Start von CD/DVD erfolgen kann, müssen beide Dateien im Hauptverzeichnis der gebrannten Disc liegen (beispielsweise auf 'F:\\')", QRect(0, 93, 452, 44)},
    {"grund", "Label5", "QLabel", "Pfad zu deiner HTML-Datei:", QRect(0, 151, 131, 13)},
    {"grund", "EHTMLOrt", "QLineEdit", nullptr, QRect(0, 170, 356, 21)},
    {"grund", "BtDurchsuchen2", "QPushButton", "Durchsuchen...", QRect(362, 170, 90, 21)},
    {"grund", "Label6", "QLabel", nullptr, QRect(0, 197, 452, 60)},
#ifdef QUORVANE_WITH_DISC
    // The disc step, under the storage folder it acts on.
    {"grund", "Label68", "QLabel", "Ist das Projekt gespeichert, kannst du den Speicherort so prüfen, wie er auf die Disc kommt, und ihn als Abbild zum Brennen schreiben.", QRect(0, 263, 452, 27)},
    {"grund", "BtPruefen", "QPushButton", "Ordner prüfen", QRect(0, 296, 97, 25)},
    {"grund", "BtAbbild", "QPushButton", "Abbild erstellen…", QRect(103, 296, 121, 25)},
#endif
    {"fenster", "Label7", "QLabel", "Wie groß soll das Fenster sein, wo soll es sich befinden und wie lautet der Titel? Das alles kannst du hier konfigurieren.", QRect(0, 0, 452, 41)},
    {"fenster", "Label8", "QLabel", "Titel:", QRect(0, 47, 24, 13)},
    {"fenster", "Label9", "QLabel", "Pfad zum Icon:", QRect(232, 47, 72, 13)},
    {"fenster", "ETitel", "QLineEdit", nullptr, QRect(0, 66, 217, 21)},
    {"fenster", "EIconOrt", "QLineEdit", nullptr, QRect(232, 66, 182, 21)},
    {"fenster", "BtDurchsuchen3", "QPushButton", "...", QRect(420, 66, 32, 21)},
    {"fenster", "Label10", "QLabel", "Text, welcher als Beschriftung im Fenstertitel und in der Taskleiste genutzt wird.", QRect(0, 93, 217, 44)},
    {"fenster", "Label11", "QLabel", "Symbol, welches im Fenstertitel und in der Taskleiste angezeigt wird.", QRect(232, 93, 217, 44)},
    {"fenster", "ChVarTitel", "QCheckBox", "beziehe Überschrift aus Seitentitel", QRect(0, 140, 156, 29)},
    {"fenster", "ChFullscreen", "QCheckBox", "Zeige das Fenster auf dem gesamten Bildschirm (maximiert)", QRect(162, 140, 181, 29)},
    {"fenster", "Label45", "QLabel", "min. Fensterbreite:", QRect(113, 187, 92, 13)},
    {"fenster", "Label13", "QLabel", "Fensterhöhe:", QRect(226, 187, 65, 13)},
    {"fenster", "Label48", "QLabel", "min. Fensterhöhe:", QRect(339, 187, 88, 13)},
    {"fenster", "Label12", "QLabel", "Fensterbreite:", QRect(0, 188, 69, 13)},
    {"fenster", "EminBreite", "QLineEdit", nullptr, QRect(113, 206, 67, 21)},
    {"fenster", "EHoehe", "QLineEdit", nullptr, QRect(226, 206, 67, 21)},
    {"fenster", "EminHoehe", "QLineEdit", nullptr, QRect(339, 206, 67, 21)},
    {"fenster", "EBreite", "QLineEdit", nullptr, QRect(0, 207, 67, 21)},
    {"fenster", "Label46", "QLabel", "Pixel", QRect(186, 209, 22, 13)},
    {"fenster", "Label37", "QLabel", "Pixel", QRect(299, 209, 22, 13)},
    {"fenster", "Label47", "QLabel", "Pixel", QRect(412, 209, 22, 13)},
    {"fenster", "Label36", "QLabel", "Pixel", QRect(73, 210, 22, 13)},
    {"fenster", "Label14", "QLabel", "Abstand zum linken Bildschirmrand:", QRect(0, 240, 167, 13)},
    {"fenster", "Label15", "QLabel", "Abstand zum oberen Bildschirmrand:", QRect(197, 240, 174, 13)},
    {"fenster", "Eposx", "QLineEdit", nullptr, QRect(0, 259, 139, 21)},
    {"fenster", "Eposy", "QLineEdit", nullptr, QRect(197, 259, 146, 21)},
    {"fenster", "Label43", "QLabel", "Pixel", QRect(145, 262, 22, 13)},
    {"fenster", "Label44", "QLabel", "Pixel", QRect(349, 262, 22, 13)},
    {"fenster", "Label16", "QLabel", "Wenn du keinen Abstand definierst, wird das Fenster in der Mitte deines Bildschirmes positioniert.", QRect(0, 286, 452, 30)},
    {"optisch", "Label17", "QLabel", "Hier kannst du diverse visuelle Einstellungen vornehmen.", QRect(0, 0, 452, 41)},
    {"optisch", "Label49", "QLabel", "Pfad zu dem Splash Screen:", QRect(0, 31, 133, 13)},
    {"optisch", "ESplashOrt", "QLineEdit", nullptr, QRect(0, 50, 356, 21)},
    {"optisch", "BtDurchsuchen6", "QPushButton", "Durchsuchen...", QRect(362, 50, 90, 21)},
    {"optisch", "Label50", "QLabel", "Sofern ein Bild angegeben ist, erscheint es beim Starten der Anwendung für etwa zwei Sekunden bevor das eigentliche Hauptfenster geladen wird.", QRect(0, 77, 452, 30)},
    {"optisch", "Chfade", "QCheckBox", "Sanftes Einblenden des Fensters", QRect(0, 119, 205, 17)},
    {"optisch", "SSeparator3", "QFrame", nullptr, QRect(217, 119, 2, 107)},
    {"optisch", "Label62", "QLabel", "Transparente Farbe (Hex-Wert):", QRect(236, 119, 158, 13)},
    {"optisch", "ETransparencyColor", "QLineEdit", nullptr, QRect(259, 138, 155, 21)},
    {"optisch", "BtColorSearch", "QPushButton", "...", QRect(420, 138, 32, 21)},
    {"optisch", "SColor", "QFrame", nullptr, QRect(236, 139, 17, 17)},
    {"optisch", "Chfadeout", "QCheckBox", "Sanftes Ausblenden des Fensters", QRect(0, 149, 205, 17)},
    {"optisch", "Label63", "QLabel", "Flächen mit der hier gewählte Farbe werden durchsichtig dargestellt.", QRect(236, 165, 216, 61)},
    {"optisch", "ChScrollbar", "QCheckBox", "Verstecke die Scrollleisten", QRect(0, 179, 205, 17)},
    {"optisch", "ChTop", "QCheckBox", "Behalte Fenster immer im Vordergrund", QRect(0, 209, 205, 17)},
    {"optisch", "Label18", "QLabel", "Rahmen des Fensters:", QRect(0, 248, 108, 13)},
    {"optisch", "IBorder", "QLabel", nullptr, QRect(226, 249, 150, 45)},
    {"optisch", "CbStyle", "QComboBox", nullptr, QRect(0, 267, 193, 21)},
    {"input", "Label61", "QLabel", "Eingaben mit Maus und Tastatur können hier behandelt werden.", QRect(0, 0, 452, 41)},
    {"input", "ChKontext", "QCheckBox", "Kein Rechtsklick innerhalb des Fensters zulassen (Kontextmenü)", QRect(0, 31, 452, 17)},
    {"input", "ChSelect", "QCheckBox", "Deaktiviere das Markieren von Text", QRect(0, 59, 452, 17)},
    {"input", "ChMove", "QCheckBox", "Fenster kann mit der Maus an jeder Stelle verschoben werden", QRect(0, 87, 452, 17)},
    {"input", "ChKeyInput", "QCheckBox", "Alle Tastatureingaben ignorieren", QRect(0, 115, 452, 17)},
    {"input", "Label64", "QLabel", "Nur folgende Tasten deaktivieren:", QRect(0, 148, 164, 13)},
    {"input", "SSeparator2", "QFrame", nullptr, QRect(206, 148, 2, 128)},
    {"input", "Label23", "QLabel", "Passwort beim Beenden abfragen:", QRect(226, 148, 165, 13)},
    {"input", "BtAddShortcut", "QPushButton", "+", QRect(134, 166, 25, 22)},
    {"input", "BtRemoveShortCut", "QPushButton", "-", QRect(162, 166, 25, 22)},
    {"input", "EKeyInput", "QLineEdit", nullptr, QRect(0, 167, 130, 21)},
    {"input", "EPasswort", "QLineEdit", nullptr, QRect(226, 167, 215, 21)},
    {"input", "Label65", "QLabel", "Das hier eingetragene Passwort wird vor dem Schließen des Starters abgefragt. Somit kann ein nicht authorisiertes Beenden verhindert werden.", QRect(226, 194, 215, 82)},
    {"input", "SShortCutsBorder", "QFrame", nullptr, QRect(0, 195, 187, 81)},
    {"input", "LBShortcuts", "QListWidget", nullptr, QRect(1, 196, 185, 79)},
    {"zusatz", "Label19", "QLabel", "Erweiterte Einstellungen, die nicht zwingend benötigt werden.", QRect(0, 0, 452, 41)},
    {"zusatz", "Label20", "QLabel", "Dateien mit diesen Erweiterungen direkt ausführen:", QRect(0, 31, 247, 13)},
    {"zusatz", "EExt", "QLineEdit", nullptr, QRect(0, 50, 452, 21)},
    {"zusatz", "Label21", "QLabel", "Wenn du einen Hyperlink zu einer Datei mit oben aufgeführter Dateiendung anklickst, wird diese direkt gestartet. Erweiterungen bitte wie folgt eintragen: \"exe,zip,doc,jpg\"", QRect(0, 77, 452, 30)},
    {"zusatz", "ChAdmin", "QCheckBox", "Starter unter Vista oder höher mit Administratorrechten ausführen", QRect(0, 120, 452, 17)},
    {"zusatz", "Label22", "QLabel", "Anwendung mit dem Starter ausführen:", QRect(0, 154, 190, 13)},
    {"zusatz", "SSeparator", "QFrame", nullptr, QRect(224, 154, 2, 86)},
    {"zusatz", "Label66", "QLabel", "Anwendung beim Beenden ausführen:", QRect(244, 154, 183, 13)},
    {"zusatz", "EZusatzProgOrt", "QLineEdit", nullptr, QRect(0, 173, 169, 21)},
    {"zusatz", "BtDurchsuchen4", "QPushButton", "...", QRect(175, 173, 32, 21)},
    {"zusatz", "EZusatzProgOrt2", "QLineEdit", nullptr, QRect(245, 173, 169, 21)},
    {"zusatz", "BtnDurchsuchen6", "QPushButton", "...", QRect(420, 173, 32, 21)},
    {"zusatz", "Label51", "QLabel", "... mit diesen Parametern:", QRect(0, 200, 126, 13)},
    {"zusatz", "Label67", "QLabel", "... mit diesen Parametern:", QRect(245, 200, 126, 13)},
    {"zusatz", "EExeParam", "QLineEdit", nullptr, QRect(0, 219, 207, 21)},
    {"zusatz", "EExeParam2", "QLineEdit", nullptr, QRect(245, 219, 207, 21)},
    {"neufenster", "Label53", "QLabel", "Hier kannst du steuern, wie sich Quorvane verhalten soll, wenn ein Hyperlink in einem neuen Fenster (mit z.B. target=\"_blank\") geöffnet wird.", QRect(0, 0, 452, 41)},
    {"neufenster", "RbnDefault", "QRadioButton", "Standardaktion", QRect(0, 47, 163, 17)},
    {"neufenster", "Label56", "QLabel", "Der verlinkte Inhalt wird im Internet Explorer Fenster geladen", QRect(18, 62, 295, 13)},
    {"neufenster", "RbnExecute", "QRadioButton", "Ausführen", QRect(0, 83, 163, 17)},
    {"neufenster", "Label57", "QLabel", "Der verlinkte Inhalt wird mit dem Standardprogramm des Computers geöffnet", QRect(18, 98, 370, 13)},
    {"neufenster", "RbnIgnore", "QRadioButton", "Im gleichen Fenster öffnen", QRect(0, 119, 163, 17)},
    {"neufenster", "Label58", "QLabel", "Der verlinkte Inhalt lädt im gleichen Quorvane Fenster", QRect(18, 134, 317, 13)},
    {"neufenster", "RbnPopup", "QRadioButton", "Popup", QRect(0, 155, 163, 17)},
    {"neufenster", "Label59", "QLabel", "Der verlinkte Inhalt wird in einem neuen Quorvane Fenster geladen", QRect(18, 170, 380, 13)},
    {"neufenster", "Label54", "QLabel", "Parameter:", QRect(18, 191, 54, 13)},
    {"neufenster", "EPopupParam", "QLineEdit", nullptr, QRect(18, 210, 423, 21)},
    {"neufenster", "Label55", "QLabel", "Mit diesen Befehlen wird das neue Popup aufgerufen. Bitte orientiere dich bei der Eingabe der Parameter an dem, was du auch unter \"Einstellungen Speichern > Parameter\" siehst. Eine gültige Eingabe wäre beispielsweise:", QRect(18, 237, 423, 52)},
    {"neufenster", "Label60", "QLabel", "/height=320 /width=200 /borderstyle=sizeable /caption=\"Mein Popup\"", QRect(18, 288, 423, 25)},
    {"skin", "Label24", "QLabel", "Mit einem Skin kannst du dir deinen Fensterrahmen selbst gestalten. Dazu benötigst du nur ein Bild. In Kombination mit der Option \"Transparenten Farbe\" werden auch Teile des Bitmaps transparent dargestellt, sodass deine Webanwendung nicht zwangsläufig eckig sein muss.", QRect(0, 0, 452, 41)},
    {"skin", "Label25", "QLabel", "Pfad zu dem Bild:", QRect(0, 55, 82, 13)},
    {"skin", "EBMPOrt", "QLineEdit", nullptr, QRect(0, 74, 356, 21)},
    {"skin", "BtDurchsuchen5", "QPushButton", "Durchsuchen...", QRect(362, 74, 90, 21)},
    {"skin", "Label26", "QLabel", "Die ausgewählte Datei bildet den Hintergrund des Starters. Der Pfad ist relativ zu dem Speicherort der 'autorun.inf'.", QRect(0, 101, 452, 36)},
    {"skin", "Label27", "QLabel", "1. Linker Abstand der Startseite:", QRect(0, 140, 157, 13)},
    {"skin", "Eskinx", "QLineEdit", nullptr, QRect(0, 159, 120, 21)},
    {"skin", "ISkizze", "QLabel", nullptr, QRect(232, 159, 194, 134)},
    {"skin", "Label39", "QLabel", "Pixel", QRect(126, 162, 22, 13)},
    {"skin", "Label28", "QLabel", "2. Oberer Abstand der Startseite:", QRect(0, 186, 163, 13)},
    {"skin", "ESkiny", "QLineEdit", nullptr, QRect(0, 205, 120, 21)},
    {"skin", "Label40", "QLabel", "Pixel", QRect(126, 208, 22, 13)},
    {"skin", "Label29", "QLabel", "3.Breite der Startseite:", QRect(0, 232, 111, 13)},
    {"skin", "ESkinw", "QLineEdit", nullptr, QRect(0, 251, 120, 21)},
    {"skin", "Label41", "QLabel", "Pixel", QRect(126, 254, 22, 13)},
    {"skin", "Label30", "QLabel", "4. Höhe der Startseite:", QRect(0, 278, 111, 13)},
    {"skin", "ESkinh", "QLineEdit", nullptr, QRect(0, 297, 120, 21)},
    {"skin", "Label42", "QLabel", "Pixel", QRect(126, 300, 22, 13)},
    {"speichern", "Label32", "QLabel", "Der Starter kann über 3 Wege konfiguriert werden.", QRect(0, 0, 452, 41)},
    {"speichern", "TCCode", "QTabWidget", nullptr, QRect(0, 24, 452, 298)},
    {"speichern", "Iwarn", "QLabel", nullptr, QRect(259, 25, 16, 16)},
    {"speichern", "lwarn", "QLabel", "Es sind 0 Hinweise vorhanden!", QRect(281, 26, 168, 13)},
    {"speichern", "Label31", "QLabel", "Beschreibungstext", QRect(12, 52, 413, 42)},
    {"speichern", "mcode", "QPlainTextEdit", nullptr, QRect(11, 100, 430, 178)},
    {"speichern", "BitSpeichern", "QPushButton", "Speichern", QRect(210, 286, 97, 25)},
    {"speichern", "BitSpeichern2", "QPushButton", "Speichern unter...", QRect(313, 286, 129, 25)},
    {"ueber", "ILogo", "QLabel", nullptr, QRect(64, 6, 319, 75)},
    {"ueber", "Label33", "QLabel", "Quorvane (kurz: QVR) wurde dazu erstellt, um Autostart-Menüs von CD/DVD mit Hilfe von einfachen Webseiten zu ermöglichen. So kannst du mit simplen HTML-Kenntnissen aufwändige Menüs erstellen, die sich mit QVR wie eine gewöhnliche Windows-Anwendung verhalten.", QRect(0, 104, 452, 59)},
    {"ueber", "Label38", "QLabel", nullptr, QRect(0, 169, 452, 48)},
    {"ueber", "Label34", "QLabel", "Programmiert von:", QRect(0, 224, 89, 13)},
    {"ueber", "Label35", "QLabel", "Disc-Icon erstellt von:", QRect(200, 224, 105, 13)},
    {"ueber", "LLink1", "QLabel", nullptr, QRect(0, 237, 155, 13)},
    {"ueber", "LLink2", "QLabel", nullptr, QRect(200, 237, 241, 13)},
    {"ueber", "Label52", "QLabel", "Den Autor dieser Software unterstützen:", QRect(115, 280, 113, 26)},
    {"ueber", "ISpenden", "QLabel", nullptr, QRect(234, 281, 98, 26)},
};

QString TextOf(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    return QString();
}

} // namespace

TEST_F(NavigationTest, EveryPageHoldsExactlyItsControlsInPlace)
{
    // Before the save page is first built, so the hint counter still stands where it was drawn.
    TForm1 fresh(&seam);
    fresh.CompleteStart(); // never shown: the pages are made on demand
    QMap<QString, QStringList> expected;
    for (const PageControl& c : kPageControls) {
        const QString page = QStringLiteral("p") + QString::fromLatin1(c.page);
        expected[page] << QString::fromLatin1(c.name);
        auto* widget = fresh.findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_EQ(widget->parentWidget()->objectName(), page) << c.name;
        EXPECT_TRUE(widget->inherits(c.kind)) << c.name;
        if (c.text) {
            EXPECT_EQ(TextOf(widget).toStdString(), c.text) << c.name;
        }
        const QRect r = widget->geometry();
        EXPECT_EQ(r.topLeft(), c.place.topLeft()) << c.name;
        EXPECT_EQ(r.height(), c.place.height()) << c.name;
        // One-line captions may grow to the right when the substitute font runs wider.
        const auto* label = qobject_cast<const QLabel*>(widget);
        const bool mayGrow = (label && !label->wordWrap() && !label->text().isEmpty())
                             || qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QRadioButton*>(widget);
        if (mayGrow)
            EXPECT_GE(r.width(), c.place.width()) << c.name;
        else
            EXPECT_EQ(r.width(), c.place.width()) << c.name;
    }
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        auto* page = fresh.findChild<QWidget*>(it.key());
        ASSERT_NE(page, nullptr) << it.key().toStdString();
        QStringList shown;
        for (QWidget* child : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(page))
                shown << child->objectName();
        }
        QStringList wanted = it.value();
        shown.sort();
        wanted.sort();
        EXPECT_EQ(shown, wanted) << it.key().toStdString();
    }
    EXPECT_EQ(fresh.findChild<QComboBox*>("CbStyle")->currentText(), "normal (sizeable)");
    auto* tabs = fresh.findChild<QTabWidget*>("TCCode");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "ini-Datei");
    EXPECT_EQ(tabs->tabText(1), "autorun.inf");
    EXPECT_EQ(tabs->tabText(2), "Parameter");
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(NavigationTest, FrameFontsAndColours)
{
    const auto colour = [this](const char* name) { return W(name)->palette().color(QPalette::WindowText); };
    EXPECT_EQ(form->font().family(), "Tahoma");
    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());

    auto* heading = W<QLabel>("LCaption");
    EXPECT_EQ(heading->font().pixelSize(), 24);
    EXPECT_FALSE(heading->font().bold());
    EXPECT_EQ(heading->pos(), QPoint(194, 17));
    EXPECT_EQ(colour("LCaption"), QColor(Qt::black));

    for (const char* key : kAllKeys) {
        const std::string link = "ll" + std::string(key);
        const std::string shadow = link + "S";
        EXPECT_EQ(colour(link.c_str()), QColor(Qt::white)) << key;
        EXPECT_EQ(colour(shadow.c_str()), QColor(100, 0, 0)) << key;
        EXPECT_EQ(W(shadow.c_str())->pos(), W(link.c_str())->pos() + QPoint(1, 1)) << key;
        EXPECT_EQ(W(link.c_str())->font().pixelSize(), 11) << key;
    }
    EXPECT_EQ(W("llstart")->pos(), QPoint(16, 16));
    EXPECT_EQ(W("llspeichern")->pos(), QPoint(16, 192));
    EXPECT_EQ(W("llueber")->pos(), QPoint(16, 228));

    for (const char* name : {"LMessage", "LMessageS"}) {
        EXPECT_EQ(W(name)->font().pixelSize(), 13) << name;
        EXPECT_TRUE(W(name)->font().bold()) << name;
        EXPECT_EQ(W<QLabel>(name)->alignment(), Qt::AlignCenter) << name;
    }
    EXPECT_EQ(W("LMessage")->geometry(), QRect(0, 435, 663, 23));
    EXPECT_EQ(W("LMessageS")->geometry(), QRect(1, 436, 663, 23));
    EXPECT_EQ(colour("LMessage"), QColor(Qt::white));
    EXPECT_EQ(colour("LMessageS"), QColor(Qt::black));
    EXPECT_EQ(W("BtZurueck")->geometry(), QRect(195, 391, 75, 25));
    EXPECT_EQ(W("BtWeiter")->geometry(), QRect(568, 391, 75, 25));
    EXPECT_EQ(W<QPushButton>("BtZurueck")->text(), QString::fromUtf8("<< Zurück"));
    EXPECT_EQ(W<QPushButton>("BtWeiter")->text(), "Weiter >>");
}
