#include "FileFixture.h"
#include "ui/platform/AppSetup.h"
#include "ui/platform/QtInteraction.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

using Kind = ScriptedInteraction::Kind;

class FirstShowTest : public FilesTest {
protected:
    // A window of its own, started as the program starts it.
    std::unique_ptr<TForm1> Start(const QString& argument)
    {
        auto window = std::make_unique<TForm1>(&seam);
        window->ProgramFolder = programFolder;
        window->CommandLineArgument = argument;
        window->MakeRepaintComponent = [this](QWidget* owner) { repaintOwners << owner; };
        window->show();
        // The first paint lets the start complete.
        EXPECT_TRUE(QTest::qWaitFor([&window] { return window->StartCompleted(); }));
        return window;
    }
    QList<QWidget*> repaintOwners;
};

TEST_F(FirstShowTest, CommandLineOpensTheFileOrStartsANewProject)
{
    testfiles::Write(programFolder + QStringLiteral("/neben.ini"), "[quorvane]\r\ncaption=Neben\r\n");
    testfiles::Write(project + QStringLiteral("autorun.inf"), "[autorun]\r\nopen=starter.exe\r\n");
    testfiles::Write(project + QStringLiteral("starter.ini"), "[quorvane]\r\ncaption=Absolut\r\n");
    const QString working = root.filePath(QStringLiteral("arbeit"));
    testfiles::Write(working + QStringLiteral("/hier.ini"), "[quorvane]\r\ncaption=Hier\r\n");
    const testfiles::CurrentFolderGuard restore;
    ASSERT_TRUE(QDir::setCurrent(working));

    struct Case {
        const char* what;
        QString argument;
        bool loaded;
        const char* title;
        QString folder;
        int target;
    };
    const Case cases[] = {
        {"no argument", QString(), false, "", QString(), 0},
        {"bare name beside the program", QStringLiteral("neben.ini"), true, "Neben", programFolder + QLatin1Char('/'), 0},
        {"absolute path", project + QStringLiteral("starter.ini"), true, "Absolut", project, 0},
        {"current folder", QStringLiteral("hier.ini"), true, "Hier", working + QLatin1Char('/'), 0},
        {"file without a settings section", project + QStringLiteral("autorun.inf"), true, "", project, 1},
        {"missing file", QStringLiteral("fehlt.ini"), false, "", QString(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        seam.calls.clear();
        repaintOwners.clear();
        auto window = Start(c.argument);
        EXPECT_EQ(repaintOwners, QList<QWidget*>{window.get()});
        EXPECT_EQ(window->size(), QSize(665, 435));
        // A file without settings is loaded with every default, but the user hears that it is not
        // a project, and its next save asks for the name.
        const bool foreign = c.loaded && c.title[0] == '\0';
        const auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), foreign ? 1 : 0);
        if (foreign) {
            EXPECT_EQ(boxes[0].title, "Hinweis");
            EXPECT_EQ(boxes[0].icon, Interaction::Icon::Information);
            EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("Die Datei \"%1\" enthält keine Einstellungen von Quorvane.")
                                                     .arg(QDir::toNativeSeparators(project + QStringLiteral("autorun.inf")))))
                << boxes[0].text.toStdString();
        }
        EXPECT_TRUE(seam.callsOf(Kind::OpenFile).isEmpty());
        auto* title = window->findChild<QLineEdit*>(QStringLiteral("ETitel"));
        const bool missing = !c.loaded && !c.argument.isEmpty();
        if (c.loaded) {
            EXPECT_EQ(window->CurrentPageKey(), "grund");
            EXPECT_EQ(title->text(), QLatin1String(c.title));
            EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("ESpeicherort"))->text(), c.folder);
            EXPECT_EQ(window->ConfigTarget(), c.target);
            EXPECT_EQ(window->OpenDialogFileName, QDir::cleanPath(c.folder + QFileInfo(c.argument).fileName()));
            EXPECT_FALSE(window->ProjectChanged);
            EXPECT_TRUE(window->ProjectOpen);
            EXPECT_EQ(window->AskSaveName, foreign);
            EXPECT_FALSE(window->windowTitle().contains("Neues Projekt"));
        } else {
            EXPECT_EQ(window->CurrentPageKey(), "start");
            EXPECT_FALSE(window->ProjectChanged);
            EXPECT_FALSE(window->ProjectOpen) << "the first New or Open asks no question";
            EXPECT_EQ(window->AskSaveName, !missing);
            EXPECT_EQ(window->windowTitle(), missing ? "Quorvane" : window->TitleBase() + " - [Neues Projekt]");
        }
        EXPECT_FALSE(window->OpenGivenFile);
        EXPECT_TRUE(window->TitleBase().startsWith("Quorvane v")) << "built from the form's own caption";

        // The first show runs once.
        window->hide();
        window->show();
        EXPECT_EQ(repaintOwners.size(), 1);
        EXPECT_EQ(window->CurrentPageKey(), c.loaded ? "grund" : "start");
    }
}

// A file named on the command line that cannot be read is said so and never becomes the project:
// saving an empty project under its name would replace it.
TEST_F(FirstShowTest, CommandLineFileThatCannotBeReadIsReportedAndANewProjectStarts)
{
    // A regular file whose every read fails (EIO: the process's page 0 is not mapped); a file
    // without read permission would not do, since these tests may run as root.
    for (const QString& path : {QStringLiteral("/proc/self/mem")}) {
        SCOPED_TRACE(path.toStdString());
        seam.calls.clear();
        auto window = Start(path);
        const auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].title, "Fehler");
        EXPECT_EQ(boxes[0].icon, Interaction::Icon::Warning);
        EXPECT_EQ(boxes[0].text, QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.\n\r"
                                                "Es wird ein neues Projekt begonnen.")
                                     .arg(QDir::toNativeSeparators(path)));
        // A new project as after a start without a file: nothing points at the file.
        EXPECT_EQ(window->CurrentPageKey(), "start");
        EXPECT_TRUE(window->findChild<QLineEdit*>(QStringLiteral("ESpeicherort"))->text().isEmpty());
        EXPECT_TRUE(window->OpenDialogFileName.isEmpty());
        EXPECT_TRUE(window->AskSaveName);
        EXPECT_FALSE(window->ProjectOpen);
        EXPECT_FALSE(window->ProjectChanged);
        EXPECT_FALSE(window->OpenGivenFile);
        EXPECT_EQ(window->windowTitle(), window->TitleBase() + " - [Neues Projekt]");
    }
}

// A new project's window appears with its start page before the other pages are made; they and
// the new project follow the first paint, or come at once when a command needs them earlier.
TEST_F(FirstShowTest, PagesAreMadeAfterTheFirstPaintOrWhenNeeded)
{
    for (const bool commandFirst : {false, true}) {
        SCOPED_TRACE(commandFirst ? "a command before the first paint" : "the first paint");
        TForm1 window(&seam);
        window.ProgramFolder = programFolder;
        window.show();
        EXPECT_FALSE(window.StartCompleted());
        EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("ETitel")), nullptr);
        EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("pgrund"))->children().isEmpty());
        // The start page already looks as it will.
        const QString title = window.TitleBase() + " - [Neues Projekt]";
        EXPECT_EQ(window.windowTitle(), title);
        EXPECT_EQ(window.CurrentPageKey(), "start");
        EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("BtWeiter"))->isEnabled());
        EXPECT_FALSE(window.findChild<QPushButton*>(QStringLiteral("BtZurueck"))->isEnabled());
        const QImage firstPaint = window.grab().toImage();
        const QList<QLabel*> links = window.findChildren<QLabel*>(QRegularExpression(QStringLiteral("^ll[a-z]+$")));
        ASSERT_EQ(links.size(), 10);

        if (commandFirst)
            window.switchcategory(window.PageLink(QStringLiteral("fenster")));
        else
            ASSERT_TRUE(QTest::qWaitFor([&window] { return window.StartCompleted(); }));
        EXPECT_TRUE(window.StartCompleted());
        ASSERT_NE(window.findChild<QLineEdit*>(QStringLiteral("ETitel")), nullptr);
        EXPECT_EQ(window.CurrentPageKey(), commandFirst ? "fenster" : "start");
        EXPECT_EQ(window.CurrentSettings(), qv::ProjectSettings{});
        EXPECT_TRUE(window.AskSaveName);
        EXPECT_FALSE(window.ProjectOpen);
        EXPECT_EQ(window.windowTitle(), title);
        EXPECT_TRUE(seam.calls.isEmpty());
        // Each menu link covers just its text, and so does its shadow.
        for (QLabel* link : links) {
            EXPECT_EQ(link->size(), link->sizeHint()) << link->objectName().toStdString();
            EXPECT_LT(link->width(), 160) << link->objectName().toStdString();
            auto* shadow = window.findChild<QLabel*>(link->objectName() + QLatin1Char('S'));
            ASSERT_NE(shadow, nullptr);
            EXPECT_EQ(shadow->size(), link->size()) << link->objectName().toStdString();
        }
        // What the first paint showed is what the completed start shows.
        if (!commandFirst) {
            EXPECT_EQ(window.grab().toImage(), firstPaint);
        }
    }
}

TEST_F(FirstShowTest, ClosingAsksOnlyWhenChangedAndNoKeepsTheWindow)
{
    struct Case {
        bool changed;
        Interaction::Answer answer;
        bool asked;
        bool closes;
    };
    const Case cases[] = {
        {false, Interaction::Answer::No, false, true},
        {true, Interaction::Answer::No, true, false},
        {true, Interaction::Answer::Cancel, true, false},
        {true, Interaction::Answer::Yes, true, true},
    };
    for (const Case& c : cases) {
        form->show();
        form->ProjectChanged = c.changed;
        seam.calls.clear();
        Script(seam.answers, {c.answer});
        EXPECT_EQ(form->close(), c.closes);
        EXPECT_EQ(form->isVisible(), !c.closes);
        const auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_EQ(boxes[0].title, "Beenden");
            EXPECT_EQ(boxes[0].text, QStringLiteral("Möchtest du das Programm ohne zu speichern beenden?"));
            EXPECT_EQ(boxes[0].icon, Interaction::Icon::Question);
            EXPECT_EQ(boxes[0].buttons, Interaction::Buttons::YesNo);
        }
    }
}

// The production seam, once, on the real window: Qt's own German question box.
TEST(FirstShow, ClosingAChangedProjectAsksWithQtsMessageBox)
{
    ASSERT_TRUE(qv::ui::InstallGermanTranslation());
    TForm1 window; // the Qt implementation of the seam
    window.ProgramFolder = QDir::tempPath();
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.StartCompleted(); }));
    window.findChild<QLineEdit*>(QStringLiteral("ETitel"))->setText(QStringLiteral("geändert"));
    ASSERT_TRUE(window.ProjectChanged);
    QString title, text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            buttons << button->text().remove('&');
        box->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(title, "Beenden");
    EXPECT_EQ(text, QStringLiteral("Möchtest du das Programm ohne zu speichern beenden?"));
    EXPECT_EQ(icon, QMessageBox::Question);
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"Ja", "Nein"}));
    window.ProjectChanged = false;
}
