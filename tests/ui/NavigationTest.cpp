#include "FormFixture.h"

#include "Links.h"

#include <QPushButton>
#include <QTimer>

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
            if (current)
                EXPECT_EQ(panel->geometry(), QRect(194, 57, 452, 323));
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
    EXPECT_EQ(shell[0].text, QString::fromLatin1(qv::ui::kMakerHomePage));
    EXPECT_EQ(shell[1].text, QString::fromLatin1(qv::ui::kIconArtistPage));
    EXPECT_EQ(shell[2].text, QString::fromLatin1(qv::ui::kDonationPage));
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
