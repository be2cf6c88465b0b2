#include "FormFixture.h"

#include "config/ConfigWriter.h"
#include "config/Cp1252.h"
#include "ui/platform/AppSetup.h"
#include "ui/dialogs/Warnfenster.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

class SavePageTest : public FormTest {
protected:
    void ClickTab(int index)
    {
        QTabBar* bar = W<QTabWidget>("TCCode")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    QString ExpectedText(int target)
    {
        QStringList lines;
        for (const std::string& line : qv::FileLines(qv::BuildConfiguration(form->CurrentSettings(), target).configText, target))
            lines << QString::fromStdString(qv::Cp1252ToUtf8(line));
        return lines.join('\n');
    }
};

TEST_F(SavePageTest, ShowsTheBuildOfTheCurrentTabAndRebuildsOnlyOnShowAndTabChange)
{
    Go("grund");
    QTest::keyClicks(W("EHTMLOrt"), QStringLiteral("index.html"));
    Go("speichern");
    auto* code = W<QPlainTextEdit>("mcode");
    EXPECT_EQ(code->toPlainText(), ExpectedText(0));
    EXPECT_TRUE(code->toPlainText().contains("startfile=index.html"));
    EXPECT_EQ(W<QLabel>("Label31")->text(), QString::fromUtf8(qv::TargetDescription(0)));
    EXPECT_EQ(code->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(code->textCursor().position(), 0);
    EXPECT_TRUE(code->isReadOnly());
    EXPECT_EQ(code->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(code->font().family(), qv::ui::MonospaceFamily());

    // An edit elsewhere changes nothing here until the page is shown again or the tab changes.
    W<QLineEdit>("ETitel")->setText(QStringLiteral("Mein Menü"));
    EXPECT_FALSE(code->toPlainText().contains("Mein"));
    ClickTab(2);
    EXPECT_EQ(form->ConfigTarget(), 2);
    EXPECT_EQ(code->toPlainText(), ExpectedText(2));
    EXPECT_TRUE(code->toPlainText().contains("Mein Menü"));
    // The batch file's code-page line is shown as it is saved, before the one command.
    EXPECT_TRUE(code->toPlainText().startsWith(QStringLiteral("@chcp 1252 >nul\nstarter.exe ")));
    EXPECT_EQ(code->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(W<QLabel>("Label31")->text(), QString::fromUtf8(qv::TargetDescription(2)));
    ClickTab(1);
    EXPECT_EQ(code->toPlainText(), ExpectedText(1));
    EXPECT_EQ(form->SaveDialogFileName, "starter.ini");
}

TEST_F(SavePageTest, CounterShowsTheNumberOfHintsRightAligned)
{
    struct Case {
        const char* what;
        const char* folder;
        const char* page;
        const char* icon;
        std::size_t count;
        const char* text;
    };
    const Case cases[] = {
        {"new project", "", "", "", 2, "Es sind 2 Hinweise vorhanden!"},
        {"only the start page missing", "C:\\cd\\", "", "", 1, "Es ist 1 Hinweis vorhanden!"},
        {"nothing to say", "C:\\cd\\", "index.html", "", 0, ""},
        {"three hints", "", "C:\\cd\\index.html", "x.png", 3, "Es sind 3 Hinweise vorhanden!"},
    };
    int rightEdge = -1;
    for (const Case& c : cases) {
        NewProject();
        W<QLineEdit>("ESpeicherort")->setText(QString::fromLatin1(c.folder));
        W<QLineEdit>("EHTMLOrt")->setText(QString::fromLatin1(c.page));
        W<QLineEdit>("EIconOrt")->setText(QString::fromLatin1(c.icon));
        Go("speichern");
        auto* counter = W<QLabel>("lwarn");
        auto* icon = W<QLabel>("Iwarn");
        const QString expected = QString::fromLatin1(c.text);
        EXPECT_EQ(form->LastBuild().hints.size(), c.count) << c.what;
        EXPECT_EQ(counter->isVisible(), c.count > 0) << c.what;
        EXPECT_EQ(icon->isVisible(), c.count > 0) << c.what;
        if (expected.isEmpty())
            continue;
        EXPECT_EQ(counter->text(), expected) << c.what;
        EXPECT_TRUE(counter->font().bold());
        EXPECT_EQ(icon->x(), counter->x() - 20) << c.what;
        EXPECT_EQ(icon->size(), QSize(16, 16));
        EXPECT_EQ(counter->width(), counter->fontMetrics().horizontalAdvance(expected)) << c.what;
        if (rightEdge < 0)
            rightEdge = counter->geometry().right();
        EXPECT_EQ(counter->geometry().right(), rightEdge) << c.what;
    }
}

TEST_F(SavePageTest, CounterClickOpensTheHintsWindowModallyCentred)
{
    W<QLineEdit>("ESpeicherort")->setText(QStringLiteral("C:\\cd\\"));
    W<QLineEdit>("EIconOrt")->setText(QStringLiteral("icon.png"));
    Go("speichern");
    const qv::HintList& hints = form->LastBuild().hints;
    ASSERT_EQ(hints.size(), 2u);
    EXPECT_EQ(form->HintsWindow()->HintText(),
              QString::fromUtf8("- Es muss eine Datei als Startseite eingetragen werden!\n\n"
                                "- Der angegebene Pfad zum Icon zeigt auf keine ico-Datei."));

    bool sawModal = false;
    QPoint centre;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        sawModal = modal == form->HintsWindow();
        if (modal) {
            centre = modal->frameGeometry().center();
            modal->findChild<QWidget*>("BtOK")->setFocus();
            QTest::mouseClick(static_cast<QWidget*>(modal->findChild<QWidget*>("BtOK")), Qt::LeftButton);
        }
    });
    Click(W("lwarn"));
    EXPECT_TRUE(sawModal);
    EXPECT_FALSE(form->HintsWindow()->isVisible());
    EXPECT_LE((centre - form->frameGeometry().center()).manhattanLength(), 2);
}

TEST(HintsWindow, IsTheFixedDialogOfTheHints)
{
    TFWarn window;
    EXPECT_EQ(window.windowTitle(), "Hinweise");
    EXPECT_EQ(window.size(), QSize(400, 380));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    auto* memo = window.findChild<QPlainTextEdit*>("mfehler");
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->geometry(), QRect(8, 66, 384, 265));
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(window.findChild<QWidget*>("BtOK")->geometry(), QRect(317, 348, 75, 25));
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::white));
    auto* explanation = window.findChild<QLabel*>("LExpl");
    ASSERT_NE(explanation, nullptr);
    EXPECT_EQ(explanation->geometry(), QRect(10, 8, 380, 58));
    EXPECT_TRUE(explanation->wordWrap());
    EXPECT_EQ(explanation->text().toStdString(),
              "Folgende Eingaben können Probleme mit dem Starter hervorrufen oder werden auf Grund ihrer "
              "Ungültigkeit ignoriert. Nicht in allen Fällen muss jeder hier angezeigte Fehler korrigiert "
              "werden. Bitte überprüfe trotzdem folgende Punkte erneut:");
    auto* bar = window.findChild<QLabel*>("ILeiste");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(0, 340, 400, 40));
    EXPECT_TRUE(bar->hasScaledContents());
    EXPECT_FALSE(bar->pixmap().isNull());
    EXPECT_EQ(window.findChild<QPushButton*>("BtOK")->text(), "OK");
    window.SetHintText(QStringLiteral("- eins"));
    EXPECT_EQ(window.HintText(), "- eins");
}
