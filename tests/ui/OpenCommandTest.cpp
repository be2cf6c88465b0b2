#include "FileFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <sys/stat.h>

using Kind = ScriptedInteraction::Kind;
using Answer = Interaction::Answer;

namespace {

const QString kDiscardText = QStringLiteral("Möchtest du das aktuelle Projekt verwerfen?");
const QString kNoSectionText = QStringLiteral(
    "Keine relevanten Daten gefunden. Diese Konfigurationsdatei\n\rwurde wahrscheinlich nicht mit Quorvane erstellt.");

} // namespace

class OpenCommandTest : public FilesTest {
protected:
    struct Flags {
        bool changed, open, askSaveName, givenFile;
        bool operator==(const Flags&) const = default;
    };
    Flags CurrentFlags() const
    {
        return {form->ProjectChanged, form->ProjectOpen, form->AskSaveName, form->OpenGivenFile};
    }
    void SetFlags(const Flags& f)
    {
        form->ProjectChanged = f.changed;
        form->ProjectOpen = f.open;
        form->AskSaveName = f.askSaveName;
        form->OpenGivenFile = f.givenFile;
    }
    // A project that differs from a new one wherever it can: typed title, storage folder, target.
    void EditSomething()
    {
        Go("fenster");
        Field("ETitel")->setText(QStringLiteral("Alt"));
        Field("ESpeicherort")->setText(project);
        form->SetConfigTarget(2);
    }
    void ExpectEditsKept()
    {
        EXPECT_EQ(Field("ETitel")->text(), "Alt");
        EXPECT_EQ(Field("ESpeicherort")->text(), project);
    }
    void ExpectNewProject()
    {
        const qv::ProjectSettings s = form->CurrentSettings();
        qv::ProjectSettings expected; // every text empty, every box clear, CbStyle 1, RbnDefault
        EXPECT_EQ(s, expected);
        EXPECT_EQ(form->CurrentPageKey(), "grund");
        EXPECT_TRUE(form->windowTitle().endsWith(" - [Neues Projekt]")) << form->windowTitle().toStdString();
    }
};

TEST_F(OpenCommandTest, NewAsksOnceAProjectExistsOrHasEditsAndNoKeepsTheSettings)
{
    struct Case {
        const char* what;
        bool changed;
        bool projectOpen;
        Answer answer;
        bool asked;
        bool reset;
    };
    const Case cases[] = {
        {"first New after start-up, nothing typed", false, false, Answer::Cancel, false, true},
        {"first New after start-up with edits, No", true, false, Answer::No, true, false},
        {"first New after start-up with edits, Yes", true, false, Answer::Yes, true, true},
        {"project open, Yes", true, true, Answer::Yes, true, true},
        {"project open, No", true, true, Answer::No, true, false},
        {"project open, box closed", true, true, Answer::Cancel, true, false},
        {"unchanged project open, No", false, true, Answer::No, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EditSomething();
        form->OpenDialogFileName = QStringLiteral("/alt/starter.ini");
        form->SaveDialogFileName = QStringLiteral("/alt/starter.ini");
        SetFlags({c.changed, c.projectOpen, false, false});
        seam.calls.clear();
        Script(seam.answers, {c.answer});

        form->BitNeuClick();

        const auto questions = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(questions.size(), c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_EQ(questions[0].title, "Neues Projekt");
            EXPECT_EQ(questions[0].text, kDiscardText);
            EXPECT_EQ(questions[0].icon, Interaction::Icon::Question);
            EXPECT_EQ(questions[0].buttons, Interaction::Buttons::YesNo);
        }
        EXPECT_TRUE(seam.callsOf(Kind::OpenFile).isEmpty()) << "New shows no dialog";
        // Before the question: the dialogs forget their files, the first tab is selected.
        EXPECT_EQ(form->OpenDialogFileName, "");
        EXPECT_EQ(form->SaveDialogFileName, "");
        EXPECT_EQ(form->ConfigTarget(), 0);
        if (c.reset) {
            ExpectNewProject();
            EXPECT_EQ(CurrentFlags(), (Flags{false, true, true, false}));
        } else {
            ExpectEditsKept();
            EXPECT_EQ(CurrentFlags(), (Flags{c.changed, c.projectOpen, true, false}));
        }
    }
}

TEST_F(OpenCommandTest, FirstOpenAfterStartUpAsksWhenSomethingWasTyped)
{
    // As after a start without a file: no project counts as open, but the user has typed.
    EditSomething();
    SetFlags({true, false, true, false});
    Script(seam.answers, {Answer::No});

    form->BitOeffnenClick();

    const auto questions = seam.callsOf(Kind::MessageBox);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0].title, "Neues Projekt");
    EXPECT_EQ(questions[0].text, kDiscardText);
    EXPECT_TRUE(seam.callsOf(Kind::OpenFile).isEmpty()) << "No: no dialog";
    ExpectEditsKept();
    EXPECT_EQ(CurrentFlags(), (Flags{true, false, true, false}));
}

TEST_F(OpenCommandTest, OpenThatEndsEarlyChangesNothing)
{
    const QString noSection = project + QStringLiteral("nur-autorun.ini");
    testfiles::Write(noSection, "[autorun]\r\nopen=starter.exe\r\nicon=a.ico\r\n[quorvane]\r\n");
    struct Case {
        const char* what;
        Answer discard;     // answer to the discard question (asked: a project is open)
        QString chosen;     // the dialog's answer; empty: cancelled
        bool dialogShown;
        bool error;
    };
    const Case cases[] = {
        {"discard refused", Answer::No, QString(), false, false},
        {"dialog cancelled", Answer::Yes, QString(), true, false},
        {"chosen file gone", Answer::Yes, project + QStringLiteral("weg.ini"), true, false},
        {"no settings section", Answer::Yes, noSection, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EditSomething();
        form->OpenDialogFileName = QStringLiteral("/vorher/starter.ini");
        SetFlags({true, true, true, false});
        const QString caption = form->windowTitle();
        seam.calls.clear();
        Script(seam.answers, {c.discard});
        if (!c.chosen.isEmpty())
            Script(seam.fileNames, {c.chosen});

        form->BitOeffnenClick();

        const auto dialogs = seam.callsOf(Kind::OpenFile);
        ASSERT_EQ(dialogs.size(), c.dialogShown ? 1 : 0);
        if (c.dialogShown) {
            EXPECT_EQ(dialogs[0].filter, "autorun.inf, *.ini|autorun.inf;*.ini");
            EXPECT_EQ(dialogs[0].fileName, "/vorher/starter.ini") << "the dialog starts at the last file";
        }
        const auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), c.error ? 2 : 1);
        if (c.error) {
            EXPECT_EQ(boxes[1].title, "Fehler");
            EXPECT_EQ(boxes[1].text, kNoSectionText);
            EXPECT_EQ(boxes[1].icon, Interaction::Icon::Warning);
            EXPECT_EQ(boxes[1].buttons, Interaction::Buttons::Ok);
        }
        ExpectEditsKept();
        EXPECT_EQ(form->ConfigTarget(), 2);
        EXPECT_EQ(form->CurrentPageKey(), "fenster");
        EXPECT_EQ(form->windowTitle(), caption);
        EXPECT_EQ(CurrentFlags(), (Flags{true, true, true, false}));
    }
}

TEST_F(OpenCommandTest, LoadingSetsTargetFolderPageAndFlags)
{
    struct Case {
        const char* fileName;
        int target;
    };
    const Case cases[] = {{"autorun.inf", 1}, {"Autorun.inf", 0}, {"AUTORUN.INF", 0}, {"starter.ini", 0},
                          {"mein projekt.ini", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        const QString folder = root.filePath(QStringLiteral("ordner %1/").arg(QLatin1String(c.fileName)));
        const QString path = folder + QLatin1String(c.fileName);
        testfiles::Write(path, "[quorvane]\r\ncaption=\"  Mein Men\xfc  \"\r\nwidth=800\r\n");
        form->SetConfigTarget(2);
        form->OpenDialogFileName.clear();
        SetFlags({false, false, true, false});
        W<QPushButton>("BtWeiter")->setEnabled(false);
        seam.calls.clear();

        OpenWithDialog(path);

        EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty()) << "no project open or typed yet: no question";
        EXPECT_EQ(form->ConfigTarget(), c.target);
        EXPECT_EQ(Field("ESpeicherort")->text(), folder);
        EXPECT_EQ(Field("ETitel")->text(), QStringLiteral("  Mein Menü  "));
        EXPECT_EQ(Field("EBreite")->text(), "800");
        EXPECT_EQ(form->OpenDialogFileName, path);
        EXPECT_EQ(form->CurrentPageKey(), "grund");
        EXPECT_TRUE(W<QPushButton>("BtWeiter")->isEnabled());
        EXPECT_EQ(CurrentFlags(), (Flags{false, true, false, false}));
        EXPECT_FALSE(form->windowTitle().contains('*'));
        EXPECT_TRUE(form->windowTitle().endsWith(c.target == 1 ? "autorun.inf]" : "starter.ini]"))
            << form->windowTitle().toStdString();
        EXPECT_TRUE(form->FormClose()) << "a loaded project closes without a question";
    }
}

TEST_F(OpenCommandTest, TheNewerSectionWinsWholeAndAnEmptyOneCountsAsAbsent)
{
    struct Case {
        const char* what;
        const char* content;
        const char* title;
        const char* icon;
    };
    const Case cases[] = {
        {"both sections", "[velmorant starter]\r\ncaption=B\r\nicon=b.ico\r\n[quorvane]\r\ncaption=A\r\n", "A", ""},
        {"empty newer section", "[quorvane]\r\n[velmorant starter]\r\ncaption=B\r\nicon=b.ico\r\n", "B", "b.ico"},
        {"only the older section", "[Velmorant Starter]\r\nCAPTION=B\r\n", "B", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = project + QStringLiteral("starter.ini");
        testfiles::Write(path, c.content);
        form->ProjectOpen = false;
        seam.calls.clear();
        OpenWithDialog(path);
        EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty());
        EXPECT_EQ(Field("ETitel")->text(), QString::fromLatin1(c.title));
        EXPECT_EQ(Field("EIconOrt")->text(), QString::fromLatin1(c.icon));
    }
}

TEST_F(OpenCommandTest, ReloadingAppliesEveryFieldThroughTheWindow)
{
    const QString path = project + QStringLiteral("autorun.inf");
    testfiles::Write(path, "[autorun]\r\nopen=starter.exe\r\n[quorvane]\r\nstartfile=web\\index.html\r\nmaximized=1\r\n"
                           "width=800\r\ncontextmenu=0\r\nborderstyle=tool\r\nexenewwindow=3\r\n"
                           "skinpos=10 , 20\r\ndisabledkeylist=32,116,abc\r\n");
    OpenWithDialog(path);
    EXPECT_EQ(Field("EHTMLOrt")->text(), "web\\index.html");
    EXPECT_TRUE(W<QCheckBox>("ChFullscreen")->isChecked());
    EXPECT_EQ(Field("EBreite")->text(), "");
    EXPECT_FALSE(Enabled("EBreite"));
    EXPECT_TRUE(W<QCheckBox>("ChKontext")->isChecked());
    EXPECT_EQ(W<QComboBox>("CbStyle")->currentIndex(), 4);
    EXPECT_TRUE(W<QRadioButton>("RbnPopup")->isChecked());
    EXPECT_EQ(Field("Eskinx")->text(), "10 ");
    EXPECT_EQ(Field("ESkiny")->text(), " 20");
    auto* keys = W<QListWidget>("LBShortcuts");
    ASSERT_EQ(keys->count(), 2);
    EXPECT_EQ(keys->item(0)->text(), "F5");
    EXPECT_EQ(keys->item(1)->text(), "Leertaste");

    // Opening over it (Yes to the question) leaves nothing of the first project behind.
    testfiles::Write(project + QStringLiteral("starter.ini"), "[quorvane]\r\ncaption=Zwei\r\nborderstyle=Tool\r\n");
    Script(seam.answers, {Answer::Yes});
    OpenWithDialog(project + QStringLiteral("starter.ini"));
    EXPECT_EQ(Field("ETitel")->text(), "Zwei");
    EXPECT_EQ(Field("EHTMLOrt")->text(), "");
    EXPECT_FALSE(W<QCheckBox>("ChFullscreen")->isChecked());
    EXPECT_TRUE(Enabled("EBreite"));
    EXPECT_EQ(W<QComboBox>("CbStyle")->currentIndex(), 4) << "an unknown border style keeps the index";
    EXPECT_TRUE(W<QRadioButton>("RbnDefault")->isChecked());
    EXPECT_EQ(W<QListWidget>("LBShortcuts")->count(), 0);
    EXPECT_EQ(form->ConfigTarget(), 0);
    EXPECT_FALSE(form->ProjectChanged);
}

TEST_F(OpenCommandTest, StartPageLinksRunTheCommands)
{
    Go("start");
    form->ProjectOpen = false;
    Click(W("Loeffnen"));
    ASSERT_EQ(seam.callsOf(Kind::OpenFile).size(), 1) << "Existierendes Projekt laden";

    Field("ETitel")->setText(QStringLiteral("bleibt"));
    seam.calls.clear();
    Go("start");
    Click(W("Lbeispiel"));
#ifdef Q_OS_WIN
    const auto shell = seam.callsOf(Kind::Shell);
    ASSERT_EQ(shell.size(), 1) << "Zeige Demo-Anwendung";
    EXPECT_EQ(shell[0].text, programFolder + QStringLiteral("/Beispiele/starter.exe"));
    EXPECT_EQ(shell[0].fileName, "") << "no working folder";
#else
    // The Linux runtime beside the designer shows the Beispiele folder.
    const auto starts = seam.callsOf(Kind::Start);
    ASSERT_EQ(starts.size(), 1) << "Zeige Demo-Anwendung";
    EXPECT_TRUE(seam.callsOf(Kind::Shell).isEmpty());
    EXPECT_EQ(starts[0].text, linuxRuntime);
    EXPECT_EQ(seam.startArguments.last(), QStringList({"--folder", programFolder + QStringLiteral("/Beispiele")}));
    EXPECT_EQ(starts[0].fileName, "") << "no working folder";
    // A runtime that ends at once is said in the window; after the window is gone, nothing.
    ASSERT_TRUE(seam.earlyEnds.last());
    seam.earlyEnds.last()(QStringLiteral("beendet"));
    ASSERT_EQ(seam.callsOf(Kind::MessageBox).size(), 1);
    EXPECT_EQ(seam.callsOf(Kind::MessageBox)[0].title, "Fehler");
    EXPECT_EQ(seam.callsOf(Kind::MessageBox)[0].text, "beendet");
    // A runtime that cannot be started at all is said as well.
    seam.calls.clear();
    seam.startSucceeds = false;
    Click(W("Lbeispiel"));
    ASSERT_EQ(seam.callsOf(Kind::MessageBox).size(), 1);
    EXPECT_EQ(seam.callsOf(Kind::MessageBox)[0].title, "Fehler");
    EXPECT_TRUE(seam.callsOf(Kind::MessageBox)[0].text.startsWith(
        QStringLiteral("Die Laufzeit \"%1\" lässt sich nicht starten.").arg(linuxRuntime)))
        << seam.callsOf(Kind::MessageBox)[0].text.toStdString();
    seam.startSucceeds = true;
    seam.calls.clear();
#endif
    EXPECT_EQ(Field("ETitel")->text(), "bleibt");
    EXPECT_TRUE(form->ProjectChanged) << "the project is not touched";

    seam.calls.clear();
    Script(seam.answers, {Answer::Yes});
    Click(W("Lneu"));
    EXPECT_EQ(seam.callsOf(Kind::MessageBox).size(), 1) << "no project was open, but the title was typed";
    EXPECT_EQ(Field("ETitel")->text(), "");
    EXPECT_TRUE(form->ProjectOpen);
    EXPECT_TRUE(form->AskSaveName);
}

// Only a regular file of at most 256 MiB is read; anything else is refused with a message, at
// once, and changes nothing.
TEST_F(OpenCommandTest, OnlyRegularFilesOfBoundedSizeAreOpened)
{
    const QString fifo = project + QStringLiteral("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = project + QStringLiteral("gross.ini");
    testfiles::Write(large, "[quorvane]\r\ncaption=Neu\r\n");
    ASSERT_TRUE(QFile::resize(large, (qint64{256} << 20) + 1)); // sparse: only the size is written
    const QString tooLarge = QStringLiteral("Die Datei ist größer als 256 MiB und wird nicht als Konfiguration gelesen.");
    const struct {
        QString path;
        QString text;
    } cases[] = {{QStringLiteral("/dev/zero"), kNoSectionText},
                 {fifo, kNoSectionText},
                 {large, tooLarge},
                 // A regular file whose reads fail (EIO): said so, and the project stays.
                 {QStringLiteral("/proc/self/mem"), QStringLiteral("Die Datei \"/proc/self/mem\" kann nicht gelesen "
                                                                   "werden.\n\rDas Projekt wurde nicht geladen.")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EditSomething();
        SetFlags({true, false, true, false});
        seam.calls.clear();
        Script(seam.answers, {Answer::Yes}); // discard the typed edits: the file is what stops it

        OpenWithDialog(c.path);

        const auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 2);
        EXPECT_EQ(boxes[0].title, "Neues Projekt");
        EXPECT_EQ(boxes[1].title, "Fehler");
        EXPECT_EQ(boxes[1].text, c.text);
        ExpectEditsKept();
        EXPECT_EQ(CurrentFlags(), (Flags{true, false, true, false}));
    }
}

// A file saved with a byte-order mark is decoded; its text arrives as the user wrote it.
TEST_F(OpenCommandTest, OpensFilesWithAByteOrderMark)
{
    const QString text = QStringLiteral("[quorvane]\r\ncaption=München € \u03A9\r\n");
    QByteArray utf16le("\xFF\xFE");
    for (const QChar unit : text)
        utf16le.append(static_cast<char>(unit.unicode() & 0xFF)).append(static_cast<char>(unit.unicode() >> 8));
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {{"utf8.ini", QByteArray("\xEF\xBB\xBF") + text.toUtf8()}, {"utf16.ini", utf16le}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = project + QLatin1String(c.name);
        testfiles::Write(path, c.bytes);
        SetFlags({false, false, true, false});
        OpenWithDialog(path);
        EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty());
        EXPECT_EQ(Field("ETitel")->text(), QStringLiteral("München € ?"));
    }
}
