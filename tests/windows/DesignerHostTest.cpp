// The designer as its users meet it, built for both hosts from one file: natively on Linux and
// cross-built for Windows, run there under Wine. Both runs save the same table of inputs into a
// folder of their own (QUORVANE_SAVED_OUT); a test of the host build then compares the two folders
// byte for byte. The Windows run also takes real keys (SendInput) and starts the real starter.exe
// for the test run.
#include "app/VistaAltFixUnit.h"
#include "config/StarterContract.h"
#include "FileFixture.h"
#include "ui/ProjectFiles.h"
#include "ui/QtInteraction.h"
#include "ui/Warnfenster.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QStyle>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using Answer = Interaction::Answer;
using Kind = ScriptedInteraction::Kind;

namespace {

// One project as a user types it: text fields by control name, boxes ticked by name, and the
// configuration form it is saved as (0 starter.ini, 1 autorun.inf, 2 runme.bat).
struct Input {
    const char* name;
    int target;
    std::vector<std::pair<const char*, const char*>> fields; // UTF-8
    std::vector<const char*> ticked;
};

// The shared table: both hosts save exactly these.
const std::vector<Input>& SharedInputs()
{
    static const std::vector<Input> inputs = {
        {"einfach", 0, {{"EHTMLOrt", "index.html"}, {"ETitel", "Mein Menü"}}, {}},
        {"fenster", 0,
         {{"EHTMLOrt", "web\\start.html"}, {"ETitel", "Sommerfest 100% – Grundschule"}, {"EBreite", "800"},
          {"EHoehe", "600"}, {"Eposx", "10"}, {"Eposy", "20"}, {"EminBreite", "400"}, {"EminHoehe", "300"},
          {"EIconOrt", "bilder\\menü.ico"}},
         {"ChTop", "Chfade"}},
        {"autorun", 1,
         {{"EHTMLOrt", "index.html"}, {"ETitel", "Über uns"}, {"EPasswort", "geheim"},
          {"EZusatzProgOrt", "setup\\installiere.exe"}, {"EExeParam", "/quiet \"C:\\Programme\""}},
         {"ChKontext", "ChSelect"}},
        {"batch", 2,
         {{"EHTMLOrt", "start.htm"}, {"ETitel", "Rabatt 50% für Ärzte"}, {"ESplashOrt", "splash.bmp"},
          {"EExt", "pdf;doc"}},
         {"ChScrollbar", "ChAdmin"}},
    };
    return inputs;
}

QString OutFolder()
{
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("QUORVANE_SAVED_OUT"));
}

} // namespace

class DesignerHostTest : public FilesTest {
protected:
    void Type(const char* name, const char* utf8)
    {
        QLineEdit* field = Field(name);
        ASSERT_NE(field, nullptr);
        field->clear();
        field->setText(QString::fromUtf8(utf8));
        emit field->textEdited(field->text());
        emit field->editingFinished();
    }
    void Tick(const char* name)
    {
        QAbstractButton* box = W<QAbstractButton>(name);
        ASSERT_NE(box, nullptr);
        box->setChecked(true);
        emit box->clicked(true);
    }
    // Saves through the save command into `folder`, answering "no" to the test run.
    void SaveInto(const QString& folder, int target)
    {
        Go("speichern");
        W<QTabWidget>("TCCode")->setCurrentIndex(target);
        // The dialogs answer in the host's separators.
        seam.fileNames.enqueue(QDir::toNativeSeparators(folder + QString::fromLatin1(qv::TargetFileName(target))));
        seam.answers.enqueue(Answer::No);
        form->BitSpeichern2Click();
    }
    void Enter(const Input& input)
    {
        NewProject();
        for (const auto& [name, text] : input.fields)
            Type(name, text);
        for (const char* name : input.ticked)
            Tick(name);
    }
};

TEST_F(DesignerHostTest, SavesTheSharedInputs)
{
    const QString out = OutFolder().isEmpty() ? root.filePath(QStringLiteral("ausgabe")) : OutFolder();
    for (const Input& input : SharedInputs()) {
        SCOPED_TRACE(input.name);
        Enter(input);
        const QString folder = QDir(out).filePath(QString::fromLatin1(input.name)) + QLatin1Char('/');
        QDir(folder).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(folder));
        SaveInto(folder, input.target);
        EXPECT_TRUE(seam.callsOf(Kind::ErrorBox).isEmpty());
        const QString saved = folder + QString::fromLatin1(qv::TargetFileName(input.target));
        const QByteArray bytes = [&] {
            QFile file(saved);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        ASSERT_FALSE(bytes.isEmpty()) << saved.toStdString();
        // What the save page shows is what was written (Windows-1252, CR LF).
        EXPECT_EQ(bytes, ShownTextAsFile(input.target == 2));
        EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("starter.exe")));
        // The starter copy is the host's test stand-in: only the configuration is compared.
        QFile::remove(folder + QStringLiteral("starter.exe"));
        seam.calls.clear();
    }
}

TEST_F(DesignerHostTest, WalksAllPagesInGerman)
{
    const std::pair<const char*, const char*> steps[] = {
        {"grund", "Grundeinstellungen"},     {"fenster", "Fenstergröße und Position"},
        {"optisch", "Optische Anpassungen"}, {"input", "Maus und Tastatur"},
        {"zusatz", "Zusätzliche Einstellungen"}, {"neufenster", "Neues Fenster"},
        {"skin", "Skins"},                   {"speichern", "Einstellungen speichern"},
    };
    EXPECT_EQ(W<QLabel>("LCaption")->text(), QStringLiteral("Startseite"));
    for (const auto& [key, heading] : steps) {
        QTest::mouseClick(W<QPushButton>("BtWeiter"), Qt::LeftButton);
        EXPECT_EQ(W<QLabel>("LCaption")->text(), QString::fromUtf8(heading)) << key;
        EXPECT_TRUE(W(("p" + std::string(key)).c_str())->isVisible()) << key;
    }
    EXPECT_FALSE(W("BtWeiter")->isEnabled());
    // The tenth page is reached through the side menu only.
    Go("ueber");
    EXPECT_TRUE(W("pueber")->isVisible());
}

TEST_F(DesignerHostTest, OpensASavedProjectInAnUmlautFolderBack)
{
    const QString folder = root.filePath(QStringLiteral("Menü für Ärzte")) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(folder));
    const Input& input = SharedInputs()[1];
    Enter(input);
    SaveInto(folder, input.target);
    ASSERT_TRUE(seam.callsOf(Kind::ErrorBox).isEmpty());
    const QByteArray saved = ShownTextAsFile();

    NewProject();
    seam.calls.clear();
    OpenWithDialog(QDir::toNativeSeparators(folder + QStringLiteral("starter.ini")));
    EXPECT_TRUE(seam.callsOf(Kind::ErrorBox).isEmpty());
    // The storage folder is shown as the host writes it, ending with its separator.
    EXPECT_EQ(QDir::fromNativeSeparators(Field("ESpeicherort")->text()), folder);
    for (const auto& [name, text] : input.fields)
        EXPECT_EQ(Field(name)->text(), QString::fromUtf8(text)) << name;
    Go("speichern");
    W<QTabWidget>("TCCode")->setCurrentIndex(0);
    EXPECT_EQ(ShownTextAsFile(), saved);
}

TEST_F(DesignerHostTest, HintsWindowListsTheDoubtfulSettings)
{
    // No start page and a window smaller than its own minimum: both are hints.
    Type("EBreite", "100");
    Type("EminBreite", "400");
    Go("speichern");
    W<QTabWidget>("TCCode")->setCurrentIndex(0);
    TFWarn* hints = form->HintsWindow();
    ASSERT_NE(hints, nullptr);
    EXPECT_FALSE(hints->HintText().isEmpty());
    // Shown modally; closed again with its OK button.
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* ok = modal->findChild<QPushButton*>())
                ok->click();
            else
                modal->close();
        }
    });
    hints->ShowCentredOn(form.get());
    EXPECT_FALSE(hints->isVisible());
}

#ifdef Q_OS_WIN

namespace {

// A key event as Qt's Windows platform makes it of WM_KEYDOWN/WM_KEYUP: Qt's own key code, the
// scan code and the Windows virtual-key code. The character the layout would give is left out,
// so only the virtual-key code can name the key.
void PressKey(QWidget* field, WORD virtualKey)
{
    const quint32 scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, scan, virtualKey, 0);
        QApplication::sendEvent(field, &event);
    }
}

} // namespace

TEST_F(DesignerHostTest, KeyCaptureTakesTheWindowsVirtualKey)
{
    Go("input");
    QLineEdit* capture = Field("EKeyInput");
    ASSERT_TRUE(capture->isEnabled());
    // F7 and the key left of Y on a German keyboard (VK_OEM_102): their names come from the
    // virtual-key code Windows delivers, not from Qt's key code or the layout's character.
    for (const auto& [key, name] : {std::pair<WORD, const char*>{VK_F7, "F7"}, {VK_OEM_102, "<"}}) {
        capture->clear();
        PressKey(capture, key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return capture->text() == QString::fromUtf8(name); }, 10000))
            << "key " << key << " gave \"" << capture->text().toStdString() << "\"";
    }
}

TEST_F(DesignerHostTest, TestRunStartsTheWindowsRuntimeOnTheSavedFolder)
{
    // The real Beispiele/starter.exe beside this program, and the system's "open".
    const QString programs = QCoreApplication::applicationDirPath();
    ASSERT_TRUE(QFileInfo::exists(programs + QStringLiteral("/Beispiele/starter.exe")));
    form->ProgramFolder = programs;
    class ShellSeam : public ScriptedInteraction {
    public:
        bool shellOpen(const QString& target, const QString& workingFolder) override
        {
            ScriptedInteraction::shellOpen(target, workingFolder);
            return QtInteraction().shellOpen(target, workingFolder);
        }
    };
    ShellSeam shell;
    form->hide();
    auto window = std::make_unique<TForm1>(&shell);
    window->ProgramFolder = programs;
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->ApplySettings(qv::ProjectSettings{});

    const QString folder = root.filePath(QStringLiteral("Testlauf Ä")) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(folder));
    testfiles::Write(folder + QStringLiteral("index.html"), "<html><body>Hallo</body></html>");
    const QString trace = root.filePath(QStringLiteral("trace.txt"));
    qputenv("QUORVANE_STARTER_TRACE", QDir::toNativeSeparators(trace).toUtf8());
    window->findChild<QLineEdit*>(QStringLiteral("EHTMLOrt"))->setText(QStringLiteral("index.html"));
    window->switchcategory(window->PageLink(QStringLiteral("speichern")));
    shell.fileNames.enqueue(QDir::toNativeSeparators(folder + QStringLiteral("starter.ini")));
    shell.answers.enqueue(Answer::Yes); // test it now
    window->BitSpeichern2Click();
    qunsetenv("QUORVANE_STARTER_TRACE");

    const auto opens = shell.callsOf(Kind::Shell);
    ASSERT_EQ(opens.size(), 1);
    EXPECT_EQ(QDir::fromNativeSeparators(opens[0].text), folder + QStringLiteral("starter.exe"));
    // The runtime says which configuration it found: the saved folder's.
    const auto traced = [&] {
        QFile file(trace);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const QString expected = QStringLiteral("settings found folder ") + folder;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QDir::fromNativeSeparators(traced()).contains(expected, Qt::CaseInsensitive); }, 60000))
        << "trace: " << traced().toStdString();
    // The runtime's window stays open; the Wine session ends it.
}

TEST_F(DesignerHostTest, KeyboardCueChangeIsTakenUpAtTheNextIdleMoment)
{
    // Active where Qt draws with the visual styles; Wine usually runs without them.
    const bool themed = QApplication::style()->name().compare(QStringLiteral("windowsvista"), Qt::CaseInsensitive) == 0;
    EXPECT_EQ(TVistaAltFix(nullptr).IsActive(), themed);

    const auto cuesChange = [this](int times) {
        const HWND window = reinterpret_cast<HWND>(form->winId());
        for (int i = 0; i < times; ++i) {
            SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(i % 2 ? UIS_SET : UIS_CLEAR, UISF_HIDEACCEL), 0);
        }
    };
    // The Windows part: the system's WM_UPDATEUISTATE reaches the component, and the idle pass
    // takes any number of notices as one repaint. (The repaint itself is counted on Linux.)
    for (const TVistaAltFix::Activation activation : {TVistaAltFix::Activation::Never, TVistaAltFix::Activation::Always}) {
        const bool active = activation == TVistaAltFix::Activation::Always;
        SCOPED_TRACE(active ? "active" : "inactive");
        TVistaAltFix fix(nullptr, activation);
        // The idle pass runs when the event loop is about to wait: a loop that really waits.
        const auto idle = [](int ms) {
            QEventLoop loop;
            QTimer::singleShot(ms, &loop, &QEventLoop::quit);
            loop.exec();
        };
        idle(100); // an idle pass hooks the windows
        if (!active) {
            EXPECT_EQ(fix.RecordCount(), 0u);
            cuesChange(3);
            continue;
        }
        TFormObj* record = fix.RecordOf(form.get());
        ASSERT_NE(record, nullptr);
        EXPECT_FALSE(record->RepaintPending);
        cuesChange(3); // three notices before the queue is idle
        EXPECT_TRUE(record->RepaintPending) << "the notice did not reach the component";
        idle(200);
        EXPECT_FALSE(record->RepaintPending) << "the idle pass did not repaint";
    }
}

#endif

