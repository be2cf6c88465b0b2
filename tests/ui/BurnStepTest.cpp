// The burn step as a user takes it: the real dialog and the real xorriso, burning onto files and
// named pipes that act as drives; a scripted seam answers the questions and records the starts.
#include "ByteFiles.h"
#include "ScriptedInteraction.h"

#include "ui/dialogs/Brennfenster.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Kind = ScriptedInteraction::Kind;
using qv::ui::BurnTools;

// An image of `bytes` bytes that no two places share: a burn that skips or repeats shows.
std::string MakeImage(const fs::path& path, std::size_t bytes)
{
    std::string data(bytes, '\0');
    std::mt19937 random(7);
    for (char& c : data)
        c = static_cast<char>(random());
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    return data;
}

class BurnStep : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        dir = fs::path(temp.path().toStdString());
        xorriso = QStandardPaths::findExecutable(QStringLiteral("xorriso"));
        if (xorriso.isEmpty())
            GTEST_SKIP() << "xorriso is not installed (scripts/install-deps.sh installs it)";
    }

    void TearDown() override
    {
        dialog.reset();
        // No question, no window left behind.
        for (QWidget* widget : QApplication::topLevelWidgets())
            EXPECT_FALSE(widget->isVisible()) << widget->objectName().toStdString();
    }

    // The tools of a Linux computer whose one drive is `drive`.
    BurnTools WithDrive(const std::string& drive) const
    {
        BurnTools tools;
        tools.xorriso = xorriso;
        tools.drives = std::vector<qv::ui::BurnDrive>{{drive, "Testlaufwerk"}};
        return tools;
    }

    TFBrennen* Open(BurnTools tools, const fs::path& image)
    {
        dialog = std::make_unique<TFBrennen>(seam, std::move(tools));
        dialog->Open(QString::fromStdString(image.string()));
        return dialog.get();
    }

    template <class T = QWidget>
    T* W(const char* name) const
    {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            ADD_FAILURE() << "no control " << name;
        return widget;
    }

    // Clicks a button of the dialog and waits until the step it started has ended.
    bool ClickAndWait(const char* button, int timeoutMs = 120000)
    {
        QSignalSpy ended(dialog.get(), &TFBrennen::burnFinished);
        QTest::mouseClick(W<QPushButton>(button), Qt::LeftButton);
        return !ended.isEmpty() || ended.wait(timeoutMs);
    }

    QList<ScriptedInteraction::Call> Messages(const QString& title) const
    {
        QList<ScriptedInteraction::Call> result;
        for (const auto& call : seam.callsOf(Kind::MessageBox)) {
            if (call.title == title)
                result << call;
        }
        return result;
    }

    QString Status() const { return W<QLabel>("LBrennFortschritt")->text(); }

    QTemporaryDir temp;
    fs::path dir;
    QString xorriso;
    ScriptedInteraction seam;
    std::unique_ptr<TFBrennen> dialog;
};

TEST_F(BurnStep, BurnsOntoTheChosenDriveOnlyAfterAYes)
{
    const fs::path image = dir / "Menü Disc.iso";
    const std::string bytes = MakeImage(image, 3 * 1024 * 1024 + 100);
    const fs::path drive = dir / "laufwerk";
    const std::string device = "stdio:" + drive.string();
    TFBrennen* burn = Open(WithDrive(device), image);
    ASSERT_TRUE(burn->isVisible());
    auto* drives = W<QComboBox>("CbLaufwerk");
    ASSERT_EQ(drives->count(), 1);
    EXPECT_EQ(drives->itemText(0), QStringLiteral("Testlaufwerk (%1)").arg(QString::fromStdString(device)));
    EXPECT_EQ(W<QLabel>("LBrennDatei")->text(), QString::fromStdString(image.string()));

    // The medium is examined, then the user says no: nothing is written.
    seam.answers.enqueue(Interaction::Answer::No);
    ASSERT_TRUE(ClickAndWait("BtBrennen"));
    auto asked = Messages(QStringLiteral("Abbild brennen"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].text, QStringLiteral("Das Abbild\n\r%1\n\rwird jetzt auf die Disc im Laufwerk %2 gebrannt.\n\r"
                                            "Möchtest du das?")
                                 .arg(QString::fromStdString(image.string()), QString::fromStdString(device)));
    EXPECT_EQ(asked[0].buttons, Interaction::Buttons::YesNo);
    EXPECT_FALSE(fs::exists(drive));
    EXPECT_EQ(Status(), QStringLiteral("Es wurde nichts gebrannt."));

    seam.answers.enqueue(Interaction::Answer::Yes);
    ASSERT_TRUE(ClickAndWait("BtBrennen"));
    EXPECT_TRUE(Messages(QStringLiteral("Fehler")).isEmpty());
    EXPECT_EQ(Status(), QStringLiteral("Die Disc wurde gebrannt."));
    EXPECT_EQ(W<QProgressBar>("PBBrennen")->value(), W<QProgressBar>("PBBrennen")->maximum());
    const std::string burnt = ReadBytes(drive);
    ASSERT_GE(burnt.size(), bytes.size());
    EXPECT_TRUE(burnt.compare(0, bytes.size(), bytes) == 0) << "the disc does not begin with the image";
    EXPECT_FALSE(burn->Busy());

    // The same disc again: it is no longer blank, and nothing is asked or written.
    seam.calls.clear();
    ASSERT_TRUE(ClickAndWait("BtBrennen"));
    const auto refused = Messages(QStringLiteral("Fehler"));
    ASSERT_EQ(refused.size(), 1);
    EXPECT_EQ(refused[0].text, QStringLiteral("Die Disc im Laufwerk %1 ist nicht leer.\n\rBitte lege eine leere Disc ein.")
                                   .arg(QString::fromStdString(device)));
    EXPECT_TRUE(Messages(QStringLiteral("Abbild brennen")).isEmpty());
    EXPECT_EQ(ReadBytes(drive), burnt);
    burn->close();
}

// A drive that takes the data as slowly as the test lets it: a named pipe read by a thread.
TEST_F(BurnStep, ShowsProgressAndCancelsOnlyAfterAYes)
{
    const fs::path image = dir / "gross.iso";
    MakeImage(image, 24 * 1024 * 1024);
    const fs::path pipe = dir / "brenner";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0) << std::strerror(errno);
    std::atomic<std::size_t> taken{0};
    std::atomic<bool> drain{false}, stop{false};
    constexpr std::size_t kFirstPart = 10 * 1024 * 1024;
    std::thread reader([&] {
        // Takes the first part, then waits until told to drain; reopens after an early close
        // (the medium check may open the pipe without writing).
        std::vector<char> buffer(64 * 1024);
        while (!stop) {
            const int fd = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
            if (fd < 0)
                return;
            bool writerSeen = false;
            for (;;) {
                if (stop)
                    break;
                if (taken >= kFirstPart && !drain) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    continue;
                }
                const ssize_t n = ::read(fd, buffer.data(), buffer.size());
                if (n > 0) {
                    writerSeen = true;
                    taken += static_cast<std::size_t>(n);
                } else if (n == 0 && writerSeen) {
                    break; // the writer closed the pipe
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            }
            ::close(fd);
        }
    });
    struct Join {
        std::thread& thread;
        std::atomic<bool>& stop;
        ~Join()
        {
            stop = true;
            thread.join();
        }
    } join{reader, stop};

    const std::string device = "stdio:" + pipe.string();
    TFBrennen* burn = Open(WithDrive(device), image);
    seam.answers.enqueue(Interaction::Answer::Yes); // burn
    QTest::mouseClick(W<QPushButton>("BtBrennen"), Qt::LeftButton);
    auto* bar = W<QProgressBar>("PBBrennen");
    // The first part went through: the bar and the text follow xorriso's own count.
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0, 120000);
    EXPECT_TRUE(burn->Burning());
    EXPECT_TRUE(Status().contains(QStringLiteral(" von 24 MB gebrannt"))) << Status().toStdString();
    EXPECT_LT(bar->value(), bar->maximum());
    EXPECT_TRUE(W<QPushButton>("BtBrennAbbrechen")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("BtBrennen")->isEnabled());
    EXPECT_FALSE(W<QComboBox>("CbLaufwerk")->isEnabled());

    // A no keeps the burn going.
    seam.calls.clear();
    seam.answers.enqueue(Interaction::Answer::No);
    QTest::mouseClick(W<QPushButton>("BtBrennAbbrechen"), Qt::LeftButton);
    const auto asked = Messages(QStringLiteral("Abbild brennen"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].text, QStringLiteral("Eine Disc, deren Brennen abgebrochen wird, ist danach meist unbrauchbar."
                                            "\n\rMöchtest du das Brennen abbrechen?"));
    EXPECT_TRUE(burn->Burning());

    seam.answers.enqueue(Interaction::Answer::Yes);
    drain = true; // a real drive goes on taking data while xorriso winds down
    ASSERT_TRUE(ClickAndWait("BtBrennAbbrechen"));
    EXPECT_FALSE(burn->Busy());
    EXPECT_EQ(Status(), QStringLiteral("Abgebrochen; die Disc ist vielleicht unbrauchbar."));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(Messages(QStringLiteral("Fehler")).isEmpty());
    EXPECT_TRUE(W<QPushButton>("BtBrennen")->isEnabled());
    burn->close();
}

// Without a given list the drives are asked from xorriso when the step opens (here a stand-in
// that prints what xorriso prints); none that may be written leads on to the next burner.
TEST_F(BurnStep, SearchesTheDrivesWhenTheStepOpens)
{
    const fs::path image = dir / "menue.iso";
    MakeImage(image, 4096);
    struct Case {
        const char* name;
        const char* printed;
        QStringList listed;
        bool braseroStarted;
    } const cases[] = {
        {"two drives, one writable",
         "0  -dev '/dev/sr0' rwrw-- :  'HL-DT-ST' 'DVDRAM GH24NSD1 '\n1  -dev '/dev/sr1' r-r--- :  'A' 'B'\n",
         {QStringLiteral("HL-DT-ST DVDRAM GH24NSD1 (/dev/sr0)")}, false},
        {"none", "libburn : SORRY : No drives found\n", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seam.calls.clear();
        const fs::path script = dir / "xorriso";
        std::ofstream(script) << "#!/bin/sh\n[ \"$1\" = -devices ] || exit 3\nprintf \"" << c.printed << "\"\n";
        fs::permissions(script, fs::perms::owner_all);
        BurnTools tools;
        tools.xorriso = QString::fromStdString(script.string());
        tools.brasero = QStringLiteral("/opt/b/brasero");
        dialog = std::make_unique<TFBrennen>(seam, tools);
        QSignalSpy ended(dialog.get(), &TFBrennen::burnFinished);
        dialog->Open(QString::fromStdString(image.string()));
        ASSERT_TRUE(!ended.isEmpty() || ended.wait(60000));
        QStringList listed;
        for (int i = 0; i < W<QComboBox>("CbLaufwerk")->count(); ++i)
            listed << W<QComboBox>("CbLaufwerk")->itemText(i);
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(dialog->isVisible(), !c.listed.isEmpty());
        EXPECT_EQ(seam.callsOf(Kind::Start).size(), c.braseroStarted ? 1 : 0);
        dialog->close();
    }
}

// A burn that fails is reported with xorriso's own reason and never as done.
TEST_F(BurnStep, FailedBurnIsReportedWithTheReason)
{
    const fs::path image = dir / "menue.iso";
    MakeImage(image, 4096);
    const fs::path script = dir / "xorriso";
    std::ofstream(script) << "#!/bin/sh\n"
                             "case \"$1\" in\n"
                             "-outdev) printf 'Media status : is blank\\nMedia space  : 2000000s\\n' ;;\n"
                             "-as) echo 'xorriso : UPDATE :    1 of    3 MB written'\n"
                             "     echo 'libburn : SORRY : Write error on drive' >&2\n"
                             "     echo 'xorriso : FAILURE : Burn run failed' >&2; exit 5 ;;\n"
                             "esac\n";
    fs::permissions(script, fs::perms::owner_all);
    BurnTools tools = WithDrive("/dev/sr9");
    tools.xorriso = QString::fromStdString(script.string());
    Open(tools, image);
    seam.answers.enqueue(Interaction::Answer::Yes);
    ASSERT_TRUE(ClickAndWait("BtBrennen")); // the medium check leads straight on to the burn
    const auto errors = Messages(QStringLiteral("Fehler"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].text, QStringLiteral("Das Brennen ist fehlgeschlagen:\n\rBurn run failed"));
    EXPECT_EQ(Status(), QStringLiteral("Die Disc wurde nicht gebrannt."));
    EXPECT_EQ(W<QProgressBar>("PBBrennen")->value(), 0);
    dialog->close();
}

// The medium decides before anything is asked or written.
TEST_F(BurnStep, RefusesAMediumTooSmallOrMissing)
{
    const fs::path image = dir / "menue.iso";
    MakeImage(image, 3 * 1024 * 1024);
    struct Case {
        const char* name;
        fs::path drive;
        QString expected; // the start of the error
    };
    std::vector<Case> cases;
    cases.push_back({"no drive there", dir / "fehlt" / "laufwerk",
                     QStringLiteral("Im Laufwerk stdio:%1 liegt keine Disc, die gebrannt werden kann.\n\r")
                         .arg(QString::fromStdString((dir / "fehlt" / "laufwerk").string()))});
    // A disc of 1 MiB: a file on a small file system of the test's own.
    const fs::path small = dir / "klein";
    fs::create_directories(small);
    const bool mounted = ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") == 0;
    struct Unmount {
        fs::path point;
        bool active;
        ~Unmount()
        {
            if (active)
                ::umount(point.c_str());
        }
    } unmount{small, mounted};
    if (mounted)
        cases.push_back({"image bigger than the disc", small / "laufwerk",
                         QStringLiteral("Das Abbild passt nicht auf die Disc im Laufwerk stdio:%1: es braucht 3,0 MB, auf "
                                        "der Disc ist Platz für ")
                             .arg(QString::fromStdString((small / "laufwerk").string()))});
    else
        ADD_FAILURE() << "cannot mount a tmpfs here (" << std::strerror(errno) << "): the size case did not run";

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seam.calls.clear();
        seam.answers.enqueue(Interaction::Answer::Yes); // would burn, were it asked
        Open(WithDrive("stdio:" + c.drive.string()), image);
        ASSERT_TRUE(ClickAndWait("BtBrennen"));
        const auto errors = Messages(QStringLiteral("Fehler"));
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].text.startsWith(c.expected)) << errors[0].text.toStdString();
        EXPECT_EQ(errors[0].icon, Interaction::Icon::Warning);
        EXPECT_TRUE(Messages(QStringLiteral("Abbild brennen")).isEmpty());
        EXPECT_FALSE(fs::exists(c.drive));
        EXPECT_EQ(Status(), QStringLiteral("Es wurde nichts gebrannt."));
        seam.answers.clear();
        dialog->close();
    }
}

// Without a drive xorriso may write, the next burner takes the image; without any, a message
// says where the image lies. On Windows the system's own burner is asked for.
TEST_F(BurnStep, FallsBackToTheBurnersThereAre)
{
    const fs::path image = dir / "menue.iso";
    MakeImage(image, 4096);
    const QString shown = QString::fromStdString(image.string());
    const QString isoburn = QString::fromStdString((dir / "isoburn.exe").string());
    MakeImage(dir / "isoburn.exe", 16);
    const QString where = QStringLiteral("\n\rDas Abbild liegt hier:\n\r%1\n\rDu kannst es mit einem Brennprogramm "
                                         "deiner Wahl auf eine Disc brennen.")
                              .arg(shown);
    struct Case {
        const char* name;
        bool windows;
        bool xorrisoThere;
        bool drive;
        QString brasero, k3b, isoburn;
        QString program;   // what is started; empty: nothing
        QStringList arguments;
        QString message;   // the note; empty: none
    };
    const Case cases[] = {
        {"brasero", false, true, false, "/opt/b/brasero", "/opt/k/k3b", {}, "/opt/b/brasero", {"--image", shown}, {}},
        {"k3b", false, false, false, {}, "/opt/k/k3b", {}, "/opt/k/k3b", {"--cdimage", shown}, {}},
        {"nothing on Linux", false, true, false, {}, {}, {}, {}, {},
         QStringLiteral("Es wurde kein Brennprogramm gefunden: weder ein Brenner, den xorriso beschreiben darf, noch "
                        "brasero oder k3b.")
             + where},
        {"no isoburn.exe", true, false, true, {}, {}, isoburn + QStringLiteral(".fehlt"), {}, {},
         QStringLiteral("Dieses Windows hat kein Programm zum Brennen von Abbildern (isoburn.exe gibt es ab Windows 7).")
             + where},
        {"Windows without a drive", true, false, false, {}, {}, isoburn, {}, {},
         QStringLiteral("Es wurde kein CD- oder DVD-Laufwerk gefunden, das brennen kann.") + where},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seam.calls.clear();
        seam.startArguments.clear();
        BurnTools tools;
        tools.windows = c.windows;
        tools.xorriso = c.xorrisoThere ? xorriso : QString();
        tools.brasero = c.brasero;
        tools.k3b = c.k3b;
        tools.isoburn = c.isoburn;
        tools.drives = c.drive ? std::vector<qv::ui::BurnDrive>{{"E:", "E:"}} : std::vector<qv::ui::BurnDrive>{};
        TFBrennen* burn = Open(tools, image);
        EXPECT_FALSE(burn->isVisible());
        const auto starts = seam.callsOf(Kind::Start);
        if (c.program.isEmpty()) {
            EXPECT_TRUE(starts.isEmpty());
        } else {
            ASSERT_EQ(starts.size(), 1);
            EXPECT_EQ(starts[0].text, c.program);
            EXPECT_EQ(seam.startArguments[0], c.arguments);
        }
        const auto notes = Messages(QStringLiteral("Hinweis"));
        if (c.message.isEmpty()) {
            EXPECT_TRUE(notes.isEmpty());
        } else {
            ASSERT_EQ(notes.size(), 1);
            EXPECT_EQ(notes[0].text, c.message);
            EXPECT_EQ(notes[0].icon, Interaction::Icon::Information);
        }
    }

    // With isoburn.exe and a drive: the drive is chosen, the user says yes, isoburn.exe is started.
    seam.calls.clear();
    seam.startArguments.clear();
    BurnTools tools;
    tools.windows = true;
    tools.isoburn = isoburn;
    tools.drives = std::vector<qv::ui::BurnDrive>{{"E:", "E:"}, {"F:", "F:"}};
    TFBrennen* burn = Open(tools, image);
    ASSERT_TRUE(burn->isVisible());
    W<QComboBox>("CbLaufwerk")->setCurrentIndex(1);
    seam.answers.enqueue(Interaction::Answer::Yes);
    ASSERT_TRUE(ClickAndWait("BtBrennen"));
    const auto starts = seam.callsOf(Kind::Start);
    ASSERT_EQ(starts.size(), 1);
    EXPECT_EQ(starts[0].text, isoburn);
    EXPECT_EQ(seam.startArguments[0], (QStringList{"/Q", "F:", shown}));
    burn->close();
}

} // namespace
