// The disc step as a user takes it: the real window, the real check and writer on real folders,
// a scripted seam for the dialogs and the shell.
#include "ByteFiles.h"
#include "FormFixture.h"

#include "ui/dialogs/Abbildfenster.h"
#include "ui/dialogs/Brennfenster.h"
#include "ui/dialogs/Discfenster.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include <sys/mount.h>

namespace {

namespace fs = std::filesystem;

using Kind = ScriptedInteraction::Kind;

// Relative path -> content ("/" for a folder).
std::map<std::string, std::string> Tree(const fs::path& root)
{
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        tree[fs::relative(entry.path(), root).string()] = entry.is_directory() ? std::string("/") : ReadBytes(entry.path());
    return tree;
}

std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A project as the designer saves it: configuration, its starter.exe, a start page with a
// second page and pictures.
void WriteProject(const fs::path& root)
{
    fs::create_directories(root);
    fs::copy_file(QV_REFERENCE_STARTER, root / "starter.exe", fs::copy_options::overwrite_existing);
    WriteBytes(root / "starter.ini", "[quorvane]\r\nstartfile=web\\index.html\r\ncaption=Mein Men\xFC\r\nicon=disc.ico\r\n");
    WriteBytes(root / "disc.ico", std::string("\0\0\1\0", 4));
    WriteBytes(root / "web/index.html", "<html><body><img src=\"bilder/logo.png\"><a href=\"zwei.html\">2</a></body></html>");
    WriteBytes(root / "web/zwei.html", "<p><a href=\"index.html\">zurück</a></p>");
    std::string picture;
    for (int i = 0; i < 300000; ++i)
        picture += static_cast<char>(static_cast<unsigned>(i) * 7919u % 251u);
    WriteBytes(root / "web/bilder/logo.png", picture);
}

class DiscStep : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        ASSERT_TRUE(temp.isValid());
        dir = fs::path(temp.path().toStdString());
        folder = dir / "disc";
    }

    void ChooseFolder(const fs::path& path)
    {
        Go("grund");
        W<QLineEdit>("ESpeicherort")->setText(QString::fromStdString(path.string()) + QLatin1Char('/'));
    }

    TFDisc* CheckWindow() const { return form->findChild<TFDisc*>(); }
    TFAbbild* ImageDialog() const { return form->findChild<TFAbbild*>(); }

    // "Abbild erstellen…" on the page, the file typed into the dialog, "Erstellen".
    TFAbbild* StartImage(const fs::path& image)
    {
        Click(W<QPushButton>("BtAbbild"));
        TFAbbild* dialog = ImageDialog();
        if (!dialog)
            return nullptr;
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("EAbbildDatei"));
        file->clear();
        QTest::keyClicks(file, QString::fromStdString(image.string()));
        Click(dialog->findChild<QPushButton*>(QStringLiteral("BtErstellen")));
        return dialog;
    }

    static bool WaitForWork(TFAbbild* dialog, int timeoutMs = 60000)
    {
        QSignalSpy ended(dialog, &TFAbbild::workFinished);
        return !dialog->Busy() || ended.wait(timeoutMs) || !dialog->Busy();
    }

    static int Progress(TFAbbild* dialog)
    {
        return dialog->findChild<QProgressBar*>(QStringLiteral("PBAbbild"))->value();
    }

    // The messages of the seam with this title.
    QList<ScriptedInteraction::Call> Messages(const QString& title) const
    {
        QList<ScriptedInteraction::Call> found;
        for (const auto& call : seam.callsOf(Kind::MessageBox)) {
            if (call.title == title)
                found << call;
        }
        return found;
    }

    // A project with a sparse file large enough that writing its image takes seconds.
    void WriteLargeProject()
    {
        WriteProject(folder);
        WriteBytes(folder / "daten/gross.bin", "");
        fs::resize_file(folder / "daten/gross.bin", 2ULL * 1024 * 1024 * 1024);
    }

    QTemporaryDir temp;
    fs::path dir;
    fs::path folder;
};

TEST_F(DiscStep, CheckListsExactlyWhatQvrVerifyPrints)
{
    WriteProject(folder);
    // Planted faults: a wrong letter case, a missing picture linked twice, a changed starter.exe,
    // a name Windows cannot open, a folder too deep for some systems, a script and a layout the
    // Windows runtime's engine breaks.
    WriteBytes(folder / "starter.ini", "[quorvane]\r\nstartfile=web\\index.html\r\nicon=Disc.ico\r\n");
    WriteBytes(folder / "web/index.html", "<img src=\"fehlt.png\"><a href=\"zwei.html\"><img src=\"fehlt.png\"></a>\n"
                                          "<script>var f = () => 1;</script>\n<div style=\"display: grid\"></div>");
    WriteBytes(folder / "starter.exe", "nicht der Starter");
    WriteBytes(folder / "web/frage?.txt", "x");
    WriteBytes(folder / "a/b/c/d/e/f/g/tief.txt", "x");

    QProcess qvr;
    qvr.start(QStringLiteral(QV_QVR), {QStringLiteral("verify"), QString::fromStdString(folder.string())});
    ASSERT_TRUE(qvr.waitForFinished(60000));
    const QString printed = QString::fromUtf8(qvr.readAllStandardOutput());
    ASSERT_EQ(qvr.exitCode(), 1) << printed.toStdString();

    ChooseFolder(folder);
    Click(W<QPushButton>("BtPruefen"));
    TFDisc* window = CheckWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    QSignalSpy finished(window, &TFDisc::checkFinished);
    ASSERT_TRUE(!window->CheckRunning() || finished.wait(60000));

    EXPECT_EQ(window->Lines().join(QLatin1Char('\n')) + QLatin1Char('\n'), printed);
    EXPECT_TRUE(printed.contains(QStringLiteral("Groß-/Kleinschreibung")));
    EXPECT_TRUE(printed.contains(QStringLiteral("Warnung: starter.exe unterscheidet sich")));
    EXPECT_TRUE(printed.contains(QStringLiteral("Warnung: \"web/index.html\", Zeile 2: Ein Skript der Seite ist kein ES5")));
    EXPECT_TRUE(printed.contains(QStringLiteral("\nStart unter Windows: ")));

    // The copy holds the same lines.
    QApplication::clipboard()->clear();
    Click(window->findChild<QPushButton*>(QStringLiteral("BtKopieren")));
    EXPECT_EQ(QApplication::clipboard()->text(), printed);

    // A double click opens the folder at the file the line names; the summary opens nothing.
    auto* list = window->findChild<QListWidget*>(QStringLiteral("LBProbleme"));
    const struct {
        QString line;
        QString shown; // empty: nothing opened
    } rows[] = {
        {QStringLiteral("Fehler: web/index.html: Verweis \"fehlt.png\""),
         QString::fromStdString((folder / "web/index.html").string())},
        {QStringLiteral("Fehler: starter.ini: icon"), QString::fromStdString((folder / "starter.ini").string())},
        {QStringLiteral("Fehler: Name mit Zeichen"), QString::fromStdString((folder / "web/frage?.txt").string())},
        {QStringLiteral("Warnung: \"web/index.html\", Zeile 3: display: grid"),
         QString::fromStdString((folder / "web/index.html").string())},
        {QStringLiteral("Gesamtgröße:"), QString()},
        {QStringLiteral("Start unter Windows:"), QString()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line.toStdString());
        QListWidgetItem* item = nullptr;
        for (int i = 0; i < list->count() && !item; ++i) {
            if (list->item(i)->text().startsWith(row.line))
                item = list->item(i);
        }
        ASSERT_NE(item, nullptr);
        const qsizetype before = seam.callsOf(Kind::ShowInFolder).size();
        emit list->itemDoubleClicked(item);
        const auto shown = seam.callsOf(Kind::ShowInFolder);
        if (row.shown.isEmpty()) {
            EXPECT_EQ(shown.size(), before);
        } else {
            ASSERT_EQ(shown.size(), before + 1);
            EXPECT_EQ(shown.last().text, row.shown);
        }
    }

    // The image of a folder with errors needs a yes: "no" writes nothing.
    const fs::path image = dir / "menue.iso";
    seam.answers.enqueue(Interaction::Answer::No);
    TFAbbild* dialog = StartImage(image);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitForWork(dialog));
    const auto asked = Messages(QStringLiteral("Abbild erstellen"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].text.startsWith(QStringLiteral("Der Ordner hat ")));
    EXPECT_TRUE(asked[0].text.contains(QStringLiteral("Fehler: web/index.html: Verweis \"fehlt.png\"")));
    EXPECT_FALSE(fs::exists(image));
}

TEST_F(DiscStep, ImageReadsBackAsTheFolderAndMatchesQvrIso)
{
    WriteProject(folder);
    ChooseFolder(folder);
    W<QLineEdit>("ETitel")->setText(QStringLiteral("Mein Menü"));
    const fs::path image = dir / "ausgabe/menue.iso";
    fs::create_directories(image.parent_path());
    TFAbbild* dialog = StartImage(image);
    ASSERT_NE(dialog, nullptr);
    // The label proposed is the one qvr iso chooses.
    EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("EBezeichnung"))->text(), QStringLiteral("MEIN_MENUE"));
    ASSERT_TRUE(WaitForWork(dialog));
    EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty());
    const QString result = dialog->findChild<QLabel*>(QStringLiteral("LErgebnis"))->text();
    EXPECT_TRUE(result.startsWith(QStringLiteral("Abbild geschrieben: %1 (").arg(QString::fromStdString(image.string()))))
        << result.toStdString();
    EXPECT_TRUE(result.endsWith(QStringLiteral(", Bezeichnung MEIN_MENUE)"))) << result.toStdString();
    EXPECT_EQ(Progress(dialog), 1000);

    const fs::path extracted = dir / "gelesen";
    QProcess osirrox;
    osirrox.start(QStringLiteral("osirrox"), {QStringLiteral("-indev"), QString::fromStdString(image.string()),
                                              QStringLiteral("-extract"), QStringLiteral("/"),
                                              QString::fromStdString(extracted.string())});
    ASSERT_TRUE(osirrox.waitForFinished(60000));
    ASSERT_EQ(osirrox.exitCode(), 0) << osirrox.readAllStandardError().toStdString();
    EXPECT_EQ(Tree(extracted), Tree(folder));

    // qvr iso writes the same bytes for the same folder: the same library, the same options.
    const fs::path byQvr = dir / "ausgabe/qvr.iso";
    QProcess qvr;
    qvr.start(QStringLiteral(QV_QVR), {QStringLiteral("iso"), QString::fromStdString(folder.string()), QStringLiteral("-o"),
                                       QString::fromStdString(byQvr.string())});
    ASSERT_TRUE(qvr.waitForFinished(60000));
    ASSERT_EQ(qvr.exitCode(), 0);
    EXPECT_EQ(fs::file_size(byQvr), fs::file_size(image));

    // "Ordner öffnen" shows the image in its folder.
    auto* open = dialog->findChild<QPushButton*>(QStringLiteral("BtAbbildOrdner"));
    ASSERT_TRUE(open->isVisible());
    Click(open);
    const auto shown = seam.callsOf(Kind::ShowInFolder);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].text, QString::fromStdString(image.string()));
}

// The road from the written image to a disc: "Brennen…" appears once the image is there and
// burns exactly that image onto the drive the user chose (a file acting as a drive).
TEST_F(DiscStep, WrittenImageIsBurntFromTheDialog)
{
    const QString xorriso = QStandardPaths::findExecutable(QStringLiteral("xorriso"));
    if (xorriso.isEmpty())
        GTEST_SKIP() << "xorriso is not installed (scripts/install-deps.sh installs it)";
    WriteProject(folder);
    ChooseFolder(folder);
    const fs::path image = dir / "menue.iso";
    TFAbbild* dialog = StartImage(image);
    ASSERT_NE(dialog, nullptr);
    auto* burnButton = dialog->findChild<QPushButton*>(QStringLiteral("BtAbbildBrennen"));
    ASSERT_NE(burnButton, nullptr);
    EXPECT_FALSE(burnButton->isVisible()); // no image yet
    ASSERT_TRUE(WaitForWork(dialog));
    ASSERT_TRUE(burnButton->isVisible());

    const fs::path drive = dir / "laufwerk";
    qv::ui::BurnTools tools;
    tools.xorriso = xorriso;
    tools.drives = std::vector<qv::ui::BurnDrive>{{"stdio:" + drive.string(), "Testlaufwerk"}};
    dialog->SetBurnTools(tools);
    Click(burnButton);
    TFBrennen* burn = dialog->BurnDialog();
    ASSERT_NE(burn, nullptr);
    ASSERT_TRUE(burn->isVisible());
    EXPECT_EQ(burn->findChild<QLabel*>(QStringLiteral("LBrennDatei"))->text(), QString::fromStdString(image.string()));
    seam.answers.enqueue(Interaction::Answer::Yes);
    QSignalSpy ended(burn, &TFBrennen::burnFinished);
    Click(burn->findChild<QPushButton*>(QStringLiteral("BtBrennen")));
    ASSERT_TRUE(ended.wait(120000));
    EXPECT_TRUE(Messages(QStringLiteral("Fehler")).isEmpty());
    const std::string written = ReadBytes(image);
    const std::string burnt = ReadBytes(drive);
    ASSERT_GE(burnt.size(), written.size());
    EXPECT_TRUE(burnt.compare(0, written.size(), written) == 0) << "the disc does not begin with the image";

    // A new write hides the offer until its image is there.
    seam.answers.enqueue(Interaction::Answer::Yes); // replace the image
    Click(dialog->findChild<QPushButton*>(QStringLiteral("BtErstellen")));
    EXPECT_FALSE(burnButton->isVisible());
    ASSERT_TRUE(WaitForWork(dialog));
    EXPECT_TRUE(burnButton->isVisible());
    burn->close();
}

// Closing the designer while a disc is burnt asks first; a yes ends the burner before the window
// goes. The burner is a stand-in that reports a blank disc and then burns until it is ended.
TEST_F(DiscStep, ClosingTheDesignerWhileBurningAsksFirst)
{
    WriteProject(folder);
    ChooseFolder(folder);
    TFAbbild* dialog = StartImage(dir / "menue.iso");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitForWork(dialog));
    const fs::path script = dir / "xorriso";
    const fs::path pidFile = dir / "brenner.pid";
    std::ofstream(script) << "#!/bin/sh\n"
                             "case \"$1\" in\n"
                             "-outdev) printf 'Media status : is blank\\nMedia space  : 2000000s\\n' ;;\n"
                             "-as) echo $$ > '" << pidFile.string() << "'\n"
                             "     echo 'xorriso : UPDATE :    1 of    3 MB written (fifo 50%) [buf  50%]'\n"
                             "     exec sleep 600 ;;\n"
                             "esac\n";
    fs::permissions(script, fs::perms::owner_all);
    qv::ui::BurnTools tools;
    tools.xorriso = QString::fromStdString(script.string());
    tools.drives = std::vector<qv::ui::BurnDrive>{{"/dev/sr9", "Brenner"}};
    dialog->SetBurnTools(tools);
    Click(dialog->findChild<QPushButton*>(QStringLiteral("BtAbbildBrennen")));
    TFBrennen* burn = dialog->BurnDialog();
    ASSERT_NE(burn, nullptr);
    seam.answers.enqueue(Interaction::Answer::Yes); // burn
    Click(burn->findChild<QPushButton*>(QStringLiteral("BtBrennen")));
    auto* status = burn->findChild<QLabel*>(QStringLiteral("LBrennFortschritt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text().contains(QStringLiteral("1 von 3 MB")); }, 60000))
        << status->text().toStdString();
    ASSERT_TRUE(burn->Burning());

    form->ProjectChanged = false;
    seam.calls.clear();
    seam.answers.enqueue(Interaction::Answer::No);
    EXPECT_FALSE(form->close());
    const auto asked = Messages(QStringLiteral("Beenden"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].text, QStringLiteral("Eine Disc wird noch gebrannt.\n\rMöchtest du das Brennen abbrechen und das "
                                            "Programm beenden? Die Disc ist danach meist unbrauchbar."));
    EXPECT_TRUE(burn->Burning());

    seam.answers.enqueue(Interaction::Answer::Yes);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(burn->Busy());
    EXPECT_FALSE(burn->isVisible());
    EXPECT_EQ(status->text(), QStringLiteral("Abgebrochen; die Disc ist vielleicht unbrauchbar."));
    EXPECT_EQ(burn->findChild<QProgressBar*>(QStringLiteral("PBBrennen"))->value(), 0);
    const std::string pid = ReadBytes(pidFile);
    ASSERT_FALSE(pid.empty());
    EXPECT_NE(::kill(std::stoi(pid), 0), 0) << "the burner still runs";
}

// While seconds of image are written, the window answers at once; closing the designer asks
// first; Cancel at half way leaves no file and an existing image as it was.
TEST_F(DiscStep, LongWriteKeepsTheWindowAnsweringAndCancelLeavesNothingHalf)
{
    WriteLargeProject();
    ChooseFolder(folder);
    const fs::path image = dir / "menue.iso";
    WriteBytes(image, "altes Abbild");
    seam.answers.enqueue(Interaction::Answer::Yes); // replace the existing file
    TFAbbild* dialog = StartImage(image);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->Writing() && Progress(dialog) > 0; }, 60000));

    // Input typed into the main window is handled within 100 ms, again and again: each key goes
    // through the window's event queue while the image is written.
    auto* field = W<QLineEdit>("EHTMLOrt");
    field->clear();
    qint64 slowest = 0;
    for (int i = 0; i < 20 && dialog->Writing(); ++i) {
        const qsizetype before = field->text().size();
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::postEvent(field, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
        while (field->text().size() == before && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        ASSERT_EQ(field->text().size(), before + 1);
        slowest = std::max(slowest, clock.elapsed());
        QTest::qWait(20);
    }
    EXPECT_LT(slowest, 100);
    ASSERT_TRUE(dialog->Writing()) << "the image was written before the test could look";

    // Closing the designer now asks; "no" keeps both the window and the writing.
    form->ProjectChanged = false;
    seam.answers.enqueue(Interaction::Answer::No);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    const auto asked = Messages(QStringLiteral("Beenden"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].text, QStringLiteral("Das Abbild wird noch geschrieben.\n\rMöchtest du das Schreiben abbrechen "
                                            "und das Programm beenden?"));
    EXPECT_TRUE(dialog->Writing());

    ASSERT_TRUE(QTest::qWaitFor([&] { return Progress(dialog) >= 500 || !dialog->Writing(); }, 120000));
    ASSERT_TRUE(dialog->Writing()) << "the image was written before the test could cancel";
    Click(dialog->findChild<QPushButton*>(QStringLiteral("BtAbbrechen")));
    ASSERT_TRUE(WaitForWork(dialog));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"disc", "menue.iso"}));
    EXPECT_EQ(ReadBytes(image), "altes Abbild");
    EXPECT_EQ(Messages(QStringLiteral("Fehler")).size(), 0);
    EXPECT_EQ(Progress(dialog), 0);

    // Started again, "yes" to closing ends the writing at once, with nothing left behind.
    fs::remove(image);
    TFAbbild* again = StartImage(image);
    ASSERT_TRUE(QTest::qWaitFor([&] { return again->Writing() && Progress(again) > 0; }, 60000));
    seam.answers.enqueue(Interaction::Answer::Yes);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(again->Busy());
    EXPECT_EQ(Names(dir), std::vector<std::string>{"disc"});
}

// A file system that really runs full: a small tmpfs of the test's own.
TEST_F(DiscStep, FullDiskGivesAGermanErrorAndNoHalfImage)
{
    const fs::path small = dir / "klein";
    fs::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
    struct Unmount {
        fs::path point;
        ~Unmount() { ::umount(point.c_str()); }
    } unmount{small};

    WriteProject(folder);
    WriteBytes(folder / "daten/mehr.bin", std::string(3 * 1024 * 1024, 'q')); // three times the room
    ChooseFolder(folder);
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "over an existing image" : "new image");
        const fs::path image = small / "menue.iso";
        if (existing) {
            WriteBytes(image, "altes Abbild");
            seam.answers.enqueue(Interaction::Answer::Yes); // replace it
        }
        seam.calls.clear();
        TFAbbild* dialog = StartImage(image);
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(WaitForWork(dialog));
        const auto errors = Messages(QStringLiteral("Fehler"));
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].text.startsWith(
            QStringLiteral("Das Abbild %1 kann nicht geschrieben werden: ").arg(QString::fromStdString(image.string()))))
            << errors[0].text.toStdString();
        EXPECT_EQ(errors[0].icon, Interaction::Icon::Warning);
        EXPECT_EQ(Names(small), existing ? std::vector<std::string>{"menue.iso"} : std::vector<std::string>{});
        if (existing)
            EXPECT_EQ(ReadBytes(image), "altes Abbild");
        EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("LErgebnis"))->text(), QString());
    }
}

TEST_F(DiscStep, WithoutAStorageFolderBothAskForOneFirst)
{
    for (const char* button : {"BtPruefen", "BtAbbild"}) {
        SCOPED_TRACE(button);
        seam.calls.clear();
        Go("grund");
        Click(W<QPushButton>(button));
        const auto notes = Messages(QStringLiteral("Hinweis"));
        ASSERT_EQ(notes.size(), 1);
        EXPECT_TRUE(notes[0].text.startsWith(QStringLiteral("Du musst zuerst einen gültigen Speicherort angeben")));
        EXPECT_EQ(CheckWindow(), nullptr);
        EXPECT_EQ(ImageDialog(), nullptr);
    }
}

} // namespace
