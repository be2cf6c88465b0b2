#include "FileFixture.h"
#include "ui/project/ProjectFiles.h"
#include "ui/platform/QtInteraction.h"

#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>

#include <functional>
#include <optional>

using Kind = ScriptedInteraction::Kind;
using Answer = Interaction::Answer;

namespace {

const QString kSavedText = QStringLiteral("Erfolgreich abgespeichert.\n\rMöchtest du das erstellte Projekt jetzt testen?");
const QString kStarterFailed = QStringLiteral("\"starter.exe\" konnte nicht gespeichert werden!");

} // namespace

class SaveCommandTest : public FilesTest {
protected:
    // A project as loaded from `project` + `fileName`.
    void LoadProject(const char* fileName, const QByteArray& content = "[quorvane]\r\nstartfile=index.html\r\n")
    {
        testfiles::Write(project + QLatin1String(fileName), content);
        if (form->ProjectOpen || form->ProjectChanged)
            seam.answers.enqueue(Answer::Yes); // discard the project before
        OpenWithDialog(project + QLatin1String(fileName));
        ASSERT_EQ(Field("ESpeicherort")->text(), project);
        seam.calls.clear();
    }
    void Save(int target)
    {
        Go("speichern");
        W<QTabWidget>("TCCode")->setCurrentIndex(target); // as a click on the tab: rebuilds
        form->BitSpeichernClick();
    }
    // The permission bits of a file, without the current user's view of them.
    static QFileDevice::Permissions ModeOf(const QString& path)
    {
        return QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    }
    // Whether the window lets itself be closed now (answering No to a question).
    bool FormCloses()
    {
        Script(seam.answers, {Answer::No});
        return form->FormClose();
    }
    bool StarterCopiedTo(const QString& folder) const
    {
        return testfiles::Read(folder + QStringLiteral("starter.exe")) == kStarterBytes;
    }
};

TEST_F(SaveCommandTest, SavesTheShownTextUnderTheTargetsNameBesideTheStarter)
{
    struct Case {
        int target;
        const char* fileName;
        const char* filter;
        bool fileExists; // an existing target file is replaced without the dialog
    };
    const Case cases[] = {
        {0, "starter.ini", "starter.ini|starter.ini", true},
        {0, "starter.ini", "starter.ini|starter.ini", false},
        {1, "autorun.inf", "autorun.inf|autorun.inf", true},
        {1, "autorun.inf", "autorun.inf|autorun.inf", false},
        {2, "runme.bat", "Batch-Datei|*.bat", true},
        {2, "runme.bat", "Batch-Datei|*.bat", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fileName) + (c.fileExists ? " exists" : " missing"));
        QDir(project).removeRecursively();
        LoadProject("starter.ini", "[quorvane]\r\nstartfile=index.html\r\ncaption=100% Men\xfc\r\n");
        const QString path = project + QLatin1String(c.fileName);
        if (c.fileExists)
            testfiles::Write(path, "alt");
        else
            QFile::remove(path);
        Script(seam.fileNames, {path});
        // An autorun.inf beside the project's starter.ini asks about that one first (kept here).
        const bool staleIni = c.target == 1;
        Script(seam.answers, {Answer::No, Answer::No});

        Save(c.target);

        const auto dialogs = seam.callsOf(Kind::SaveFile);
        ASSERT_EQ(dialogs.size(), c.fileExists ? 0 : 1);
        if (!c.fileExists) {
            EXPECT_EQ(dialogs[0].fileName, path) << "the storage folder and the target's name are proposed";
            EXPECT_EQ(dialogs[0].filter, QLatin1String(c.filter));
        }
        EXPECT_EQ(testfiles::Read(path), ShownTextAsFile(c.target == 2));
        EXPECT_TRUE(testfiles::Read(path).contains(c.target == 2 ? "100%% Men\xfc" : "100% Men\xfc"));
        EXPECT_TRUE(StarterCopiedTo(project));
        EXPECT_TRUE(QFileInfo(project + QStringLiteral("starter.exe")).isExecutable());
        EXPECT_TRUE(seam.callsOf(Kind::ErrorBox).isEmpty());
        auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), staleIni ? 2 : 1);
        if (staleIni) {
            EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("Im Speicherort liegt noch eine \"starter.ini\"")));
            EXPECT_TRUE(QFileInfo::exists(project + QStringLiteral("starter.ini"))) << "No keeps it";
            boxes.removeFirst();
        }
        EXPECT_EQ(boxes[0].title, "Hinweis");
        EXPECT_EQ(boxes[0].text, kSavedText);
        EXPECT_EQ(boxes[0].icon, Interaction::Icon::Question);
        EXPECT_EQ(boxes[0].buttons, Interaction::Buttons::YesNo);
        EXPECT_TRUE(seam.callsOf(Kind::Shell).isEmpty()) << "No: nothing is started";
        EXPECT_FALSE(form->ProjectChanged);
        EXPECT_FALSE(form->AskSaveName);
        EXPECT_FALSE(form->windowTitle().contains('*'));
    }
}

TEST_F(SaveCommandTest, TestRunOpensTheStarterOrTheBatchFileInTheStorageFolder)
{
    LoadProject("starter.ini", "[quorvane]\r\nstartfile=index.html\r\ncaption=100% Men\xfc mit & Zeichen\r\n");
    for (int target : {0, 1, 2}) {
        SCOPED_TRACE(target);
        const QString path = project + QLatin1String(qv::TargetFileName(target));
        Script(seam.fileNames, {path});
        // An autorun.inf beside the starter.ini saved before asks about that one first (kept).
        if (target == 1)
            Script(seam.answers, {Answer::No, Answer::Yes});
        else
            Script(seam.answers, {Answer::Yes});
        seam.calls.clear();
        Save(target);
#ifndef Q_OS_WIN
        // starter.exe is the Windows runtime: the Linux runtime runs on the storage folder's
        // configuration, the batch form with the saved line's parameters.
        const auto starts = seam.callsOf(Kind::Start);
        ASSERT_EQ(starts.size(), 1);
        EXPECT_TRUE(seam.callsOf(Kind::Shell).isEmpty());
        EXPECT_EQ(starts[0].text, linuxRuntime);
        EXPECT_EQ(starts[0].fileName, project) << "the storage folder is the working folder";
        QStringList expected{"--folder", project};
        if (target == 2)
            expected += QStringList({"/startfile=index.html", "/caption=100% Menü mit & Zeichen", "/borderstyle=sizeable"});
        EXPECT_EQ(seam.startArguments.last(), expected);
        // A runtime that ends at once is said in the window, with the text the seam gives.
        ASSERT_TRUE(seam.earlyEnds.last());
        seam.earlyEnds.last()(QStringLiteral("beendet"));
        const auto boxes = seam.callsOf(Kind::MessageBox);
        EXPECT_EQ(boxes.last().title, "Fehler");
        EXPECT_EQ(boxes.last().text, "beendet");
        EXPECT_EQ(boxes.last().icon, Interaction::Icon::Warning);
        continue;
#endif
        const auto shell = seam.callsOf(Kind::Shell);
        ASSERT_EQ(shell.size(), 1);
        EXPECT_EQ(shell[0].text, target == 2 ? path : project + QStringLiteral("starter.exe"));
        EXPECT_EQ(shell[0].fileName, project) << "the storage folder is the working folder";
    }
}

TEST_F(SaveCommandTest, SecondSaveCopiesNothingAndAsksAgain)
{
    LoadProject("starter.ini");
    Save(0);
    const QString starter = project + QStringLiteral("starter.exe");
    ASSERT_TRUE(StarterCopiedTo(project));
    // A mark that a new copy would replace: the copy takes the source's permissions.
    const auto mark = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(starter, mark));
    seam.calls.clear();
    Script(seam.answers, {Answer::No});

    Save(0);

    EXPECT_TRUE(seam.callsOf(Kind::SaveFile).isEmpty());
    EXPECT_EQ(ModeOf(starter), mark) << "an identical starter.exe is not copied again";
    ASSERT_EQ(seam.callsOf(Kind::MessageBox).size(), 1);
    EXPECT_EQ(seam.callsOf(Kind::MessageBox)[0].text, kSavedText);

    // A starter.exe that differs is replaced.
    testfiles::Write(starter, "anders");
    Script(seam.answers, {Answer::No});
    Save(0);
    EXPECT_TRUE(StarterCopiedTo(project));
}

TEST_F(SaveCommandTest, SaveAsAndNewProjectsAskForTheFileAndMoveTheStorageFolder)
{
    LoadProject("starter.ini");
    const QString other = root.filePath(QStringLiteral("anderswo")) + QLatin1Char('/');
    QDir().mkpath(other);
    Script(seam.fileNames, {other + QStringLiteral("starter.ini")});
    Script(seam.answers, {Answer::No});
    Go("speichern");
    form->BitSpeichern2Click();

    const auto dialogs = seam.callsOf(Kind::SaveFile);
    ASSERT_EQ(dialogs.size(), 1) << "the dialog although the file exists";
    EXPECT_EQ(dialogs[0].fileName, project + QStringLiteral("starter.ini"));
    EXPECT_EQ(Field("ESpeicherort")->text(), other);
    EXPECT_EQ(testfiles::Read(other + QStringLiteral("starter.ini")), ShownTextAsFile());
    EXPECT_TRUE(StarterCopiedTo(other));
    EXPECT_FALSE(form->AskSaveName);
    EXPECT_TRUE(form->windowTitle().endsWith("starter.ini]"));

    // A new project: the dialog proposes the bare name; cancelling writes nothing.
    Script(seam.answers, {Answer::Yes});
    form->BitNeuClick();
    seam.calls.clear();
    Field("EHTMLOrt")->setText(QStringLiteral("index.html"));
    Save(0);
    ASSERT_EQ(seam.callsOf(Kind::SaveFile).size(), 1);
    EXPECT_EQ(seam.callsOf(Kind::SaveFile)[0].fileName, "starter.ini");
    EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty());
    EXPECT_TRUE(form->ProjectChanged);
    EXPECT_FALSE(form->AskSaveName) << "cancelling clears it";
    EXPECT_EQ(Field("ESpeicherort")->text(), "");
}

TEST_F(SaveCommandTest, FailedWriteKeepsTheOldFileAndTheProjectState)
{
    LoadProject("starter.ini");
    const QString path = project + QStringLiteral("starter.ini");
    const QByteArray old = testfiles::Read(path);
    Field("ETitel")->setText(QStringLiteral("Neu"));
    form->AskSaveName = true;
    Script(seam.fileNames, {path});
    {
        testfiles::ReadOnly lock(project);
        if (!lock.ok())
            GTEST_SKIP() << "this file system cannot refuse writing to the current user";
        Save(0);
    }
    const auto errors = seam.callsOf(Kind::ErrorBox);
    ASSERT_EQ(errors.size(), 1);
    const QString prefix = QStringLiteral("Datei \"") + path + QStringLiteral("\" kann nicht erstellt werden. ");
    EXPECT_TRUE(errors[0].text.startsWith(prefix)) << errors[0].text.toStdString();
    EXPECT_GT(errors[0].text.size(), prefix.size()) << "the platform's reason follows";
    EXPECT_EQ(testfiles::Read(path), old);
    EXPECT_FALSE(QFileInfo::exists(project + QStringLiteral("starter.exe"))) << "nothing is copied";
    EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty());
    EXPECT_TRUE(form->ProjectChanged);
    EXPECT_TRUE(form->AskSaveName);
    EXPECT_EQ(Field("ESpeicherort")->text(), project);
}

TEST_F(SaveCommandTest, StarterThatCannotBePlacedIsReported)
{
    struct Case {
        const char* what;
        const char* present; // the project's starter.exe before saving; nullptr: none
        bool lockPresent;
        bool sourceMissing;
    };
    const Case cases[] = {
        {"write-protected starter.exe that differs", "anders", true, false},
        {"starter.exe present, the designer's own missing", "anders", false, true},
        {"neither starter.exe exists", nullptr, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(project).removeRecursively();
        testfiles::Write(examplesStarter, kStarterBytes);
        LoadProject("starter.ini");
        const QString starter = project + QStringLiteral("starter.exe");
        if (c.present)
            testfiles::Write(starter, c.present);
        if (c.sourceMissing)
            QFile::remove(examplesStarter);
        Field("ETitel")->setText(QStringLiteral("Neu"));
        form->ProjectChanged = false; // the failure marks it again
        form->AskSaveName = true;
        Script(seam.fileNames, {project + QStringLiteral("starter.ini")});
        {
            std::optional<testfiles::ReadOnly> lock;
            if (c.lockPresent) {
                lock.emplace(starter);
                if (!lock->ok())
                    GTEST_SKIP() << "this file system cannot refuse writing to the current user";
            }
            Save(0);
        }
        EXPECT_EQ(testfiles::Read(project + QStringLiteral("starter.ini")), ShownTextAsFile())
            << "the configuration is written all the same";
        if (c.present) {
            EXPECT_EQ(testfiles::Read(starter), c.present);
        }
        EXPECT_TRUE(seam.callsOf(Kind::ErrorBox).isEmpty());
        const auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1) << "no test question after the error";
        EXPECT_EQ(boxes[0].title, "Fehler");
        // Without the designer's own copy, that copy is what the message names.
        EXPECT_EQ(boxes[0].text, c.sourceMissing
                                     ? kStarterFailed + QStringLiteral("\n\rDie Vorlage \"")
                                           + QDir::toNativeSeparators(examplesStarter)
                                           + QStringLiteral("\" fehlt; der Ordner \"Beispiele\" gehört neben den Designer.")
                                     : kStarterFailed);
        EXPECT_EQ(boxes[0].icon, Interaction::Icon::Warning);
        EXPECT_EQ(boxes[0].buttons, Interaction::Buttons::Ok);
        EXPECT_FALSE(form->AskSaveName);
        EXPECT_TRUE(form->ProjectChanged) << "leaving asks first";
        EXPECT_EQ(Field("ESpeicherort")->text(), project);
        seam.calls.clear();
    }
}

TEST_F(SaveCommandTest, AFailedWriteIsReportedAndTheOldFileStays)
{
    // A write that fails on its way to the disk (through the seam): the step does not matter.
    LoadProject("starter.ini", "[quorvane]\r\ncaption=alt\r\n");
    const QString path = project + QStringLiteral("starter.ini");
    Field("ETitel")->setText(QStringLiteral("neu"));
    for (qv::ui::WriteStep step : {qv::ui::WriteStep::Write, qv::ui::WriteStep::Sync, qv::ui::WriteStep::Close}) {
        SCOPED_TRACE(static_cast<int>(step));
        seam.calls.clear();
        {
            const testfiles::ScopedWriteFault fault([step](qv::ui::WriteStep at) { return at == step ? EIO : 0; });
            Save(0);
        }

        const auto errors = seam.callsOf(Kind::ErrorBox);
        ASSERT_EQ(errors.size(), 1);
        EXPECT_EQ(errors[0].text, QStringLiteral("Datei \"") + path + QStringLiteral("\" kann nicht erstellt werden. ")
                                      + qt_error_string(EIO));
        EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty()) << "no success reported";
        EXPECT_EQ(testfiles::Read(path), "[quorvane]\r\ncaption=alt\r\n");
        EXPECT_FALSE(QFileInfo::exists(project + QStringLiteral("starter.exe")));
        EXPECT_TRUE(form->ProjectChanged);
        EXPECT_TRUE(form->windowTitle().endsWith("*]"));
    }
}

#ifdef Q_OS_LINUX
TEST_F(SaveCommandTest, AFullDiskIsReportedAndLosesNothing)
{
    struct Case {
        const char* what;
        bool configFits; // the configuration fits, the copy of starter.exe does not
    };
    for (const Case& c : {Case{"no room for the configuration", false}, Case{"no room for starter.exe", true}}) {
        SCOPED_TRACE(c.what);
        testfiles::SmallDisk disk;
        if (!disk.ok())
            GTEST_SKIP() << disk.why();
        project = disk.path() + QStringLiteral("projekt/");
        QDir().mkpath(project);
        const QByteArray old("[quorvane]\r\ncaption=alt\r\n");
        LoadProject("alt.ini", old);
        if (!c.configFits)
            testfiles::Write(project + QStringLiteral("starter.ini"), old);
        Field("ETitel")->setText(QStringLiteral("neu"));
        Script(seam.fileNames, {project + QStringLiteral("starter.ini")});
        disk.Fill(c.configFits ? 4096 : 0);
        Script(seam.answers, {Answer::No});

        Save(0);

        if (c.configFits) {
            EXPECT_EQ(testfiles::Read(project + QStringLiteral("starter.ini")), ShownTextAsFile());
            EXPECT_TRUE(seam.callsOf(Kind::ErrorBox).isEmpty());
            const auto boxes = seam.callsOf(Kind::MessageBox);
            ASSERT_EQ(boxes.size(), 1);
            EXPECT_EQ(boxes[0].text, kStarterFailed);
        } else {
            const auto errors = seam.callsOf(Kind::ErrorBox);
            ASSERT_EQ(errors.size(), 1);
            const QString path = project + QStringLiteral("starter.ini");
            EXPECT_EQ(errors[0].text, QStringLiteral("Datei \"") + path
                                          + QStringLiteral("\" kann nicht erstellt werden. ") + qt_error_string(ENOSPC));
            EXPECT_EQ(testfiles::Read(path), old);
            EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty()) << "no success reported";
        }
        EXPECT_FALSE(QFileInfo::exists(project + QStringLiteral("starter.exe"))) << "no empty starter.exe";
        EXPECT_EQ(QDir(project).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
                  QStringList({"alt.ini", "starter.ini"}))
            << "no temporary file is left";
        EXPECT_TRUE(form->ProjectChanged) << "leaving asks first";
        EXPECT_FALSE(FormCloses());
        seam.calls.clear();
        seam.fileNames.clear();
        form->ProjectChanged = false;
    }
}

TEST_F(SaveCommandTest, APlantedStarterLinkIsReplacedAndItsTargetLeftAlone)
{
    const QString own = root.filePath(QStringLiteral("eigene-datei.txt"));
    testfiles::Write(own, "privat");
    QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString starter = project + QStringLiteral("starter.exe");
    ASSERT_TRUE(QFile::link(own, starter));
    LoadProject("starter.ini");
    Script(seam.answers, {Answer::No});

    Save(0);

    EXPECT_EQ(testfiles::Read(own), "privat");
    EXPECT_FALSE(QFileInfo(own).isExecutable());
    EXPECT_EQ(testfiles::NodeKind(starter), 'f');
    EXPECT_TRUE(StarterCopiedTo(project));
    ASSERT_EQ(seam.callsOf(Kind::MessageBox).size(), 1);
    EXPECT_EQ(seam.callsOf(Kind::MessageBox)[0].text, kSavedText);
}

TEST_F(SaveCommandTest, AStarterThatIsADeviceOrPipeIsACopyFailure)
{
    struct Case {
        const char* what;
        char kind;
        bool designersOwn; // the node replaces the designer's Beispiele/starter.exe
    };
    const Case cases[] = {
        {"pipe in the project", 'p', false},
        {"pipe as the designer's own starter", 'p', true},
        {"device in the project", 'c', false}, // last: making a device may not be allowed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(project).removeRecursively();
        QFile::remove(examplesStarter);
        testfiles::Write(examplesStarter, kStarterBytes);
        LoadProject("starter.ini");
        const QString node = c.designersOwn ? examplesStarter : project + QStringLiteral("starter.exe");
        QFile::remove(node);
        if (!testfiles::MakeNode(node, c.kind))
            GTEST_SKIP() << "this system does not let the test make a " << c.kind << " node";
        testfiles::PipeReleaser release(node);
        Field("ETitel")->setText(QStringLiteral("neu"));

        Save(0);

        const auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].title, "Fehler");
        EXPECT_EQ(boxes[0].text, kStarterFailed);
        EXPECT_TRUE(seam.callsOf(Kind::ErrorBox).isEmpty());
        EXPECT_EQ(testfiles::NodeKind(node), c.kind) << "left as it was";
        if (c.designersOwn) {
            EXPECT_FALSE(QFileInfo::exists(project + QStringLiteral("starter.exe")));
        }
        EXPECT_TRUE(form->ProjectChanged);
        seam.calls.clear();
    }
}
#endif

TEST_F(SaveCommandTest, WithoutAStorageFolderTheDialogIsAlwaysShown)
{
    // A starter.ini that happens to lie in the folder the program runs in.
    const QString working = root.filePath(QStringLiteral("arbeit"));
    testfiles::Write(working + QStringLiteral("/starter.ini"), "fremd");
    const testfiles::CurrentFolderGuard restore;
    ASSERT_TRUE(QDir::setCurrent(working));

    struct Case {
        const char* what;
        std::function<void()> before;
    };
    const Case cases[] = {
        {"new project, first dialog cancelled", [&] {
             form->BitNeuClick();
             Save(0); // cancelled
         }},
        {"start whose command-line file was missing", [&] {
             form->ProjectOpen = form->AskSaveName = form->ProjectChanged = false;
             form->SaveDialogFileName.clear();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewProject();
        Script(seam.answers, {Answer::Yes});
        c.before();
        Field("EHTMLOrt")->setText(QStringLiteral("index.html"));
        seam.calls.clear();

        Save(0);

        const auto dialogs = seam.callsOf(Kind::SaveFile);
        ASSERT_EQ(dialogs.size(), 1);
        EXPECT_EQ(dialogs[0].fileName, "starter.ini");
        EXPECT_EQ(testfiles::Read(working + QStringLiteral("/starter.ini")), "fremd");
        EXPECT_FALSE(QFileInfo::exists(working + QStringLiteral("/starter.exe")));
        EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty());
        EXPECT_TRUE(form->ProjectChanged);
    }
}

// The production error box, once: a path that looks like markup is shown as it is.
TEST(SaveCommand, QtErrorBoxShowsThePathAsPlainText)
{
    const QString text = QStringLiteral("Datei \"/home/a/<b>Menü</b>/starter.ini\" kann nicht erstellt werden. "
                                        "Zugriff verweigert");
    QtInteraction seam;
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown = box->text();
            format = box->textFormat();
            icon = box->icon();
        }
        if (modal)
            modal->close();
    });
    seam.errorBox(nullptr, text);
    EXPECT_EQ(shown, text);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(icon, QMessageBox::Critical);
}
