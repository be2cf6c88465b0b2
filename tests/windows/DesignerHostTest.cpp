// The designer as its users meet it, built for both hosts from one file: natively on Linux and
// cross-built for Windows, run there under Wine. Both runs save the same table of inputs into a
// folder of their own (QUORVANE_SAVED_OUT); a test of the host build then compares the two folders
// byte for byte. The Windows run also takes real keys (SendInput) and starts the real starter.exe
// for the test run.
#include "app/VistaAltFixUnit.h"
#include "cmdline/ProgramTexts.h"
#include "config/ParameterReader.h"
#include "config/StarterContract.h"
#include "FileFixture.h"
#include "ui/project/ProjectFiles.h"
#include "ui/platform/QtInteraction.h"
#include "ui/dialogs/Brennfenster.h"
#include "ui/dialogs/Warnfenster.h"

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
#include <QImage>
#include <QPainter>
#include <QStyleOptionButton>
#include <QFontInfo>

#ifdef Q_OS_WIN
#include <windows.h>
// windows.h names MessageBoxW so; here it is the seam's kind of call.
#undef MessageBox
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
    // A window of its own, started as the program starts with a file on its command line.
    std::unique_ptr<TForm1> Start(const QString& argument)
    {
        auto window = std::make_unique<TForm1>(&seam);
        window->ProgramFolder = programFolder;
        window->CommandLineArgument = argument;
        window->show();
        EXPECT_TRUE(QTest::qWaitFor([&window] { return window->StartCompleted(); }));
        return window;
    }
    // "Speichern" on the save page of `window` with the tab of `target`.
    void SaveIn(TForm1& window, int target)
    {
        window.switchcategory(window.PageLink(QStringLiteral("speichern")));
        window.findChild<QTabWidget*>(QStringLiteral("TCCode"))->setCurrentIndex(target);
        window.BitSpeichernClick();
    }
    static QString Text(TForm1& window, const char* name)
    {
        return window.findChild<QLineEdit*>(QString::fromLatin1(name))->text();
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

// Greek, Polish, Czech and Cyrillic letters lie outside the ANSI code page of a German Windows: a
// project in such a folder opens with its settings, and saving it unedited keeps them.
TEST_F(DesignerHostTest, ProjectInAFolderBeyondTheAnsiCodePageOpensWithItsSettings)
{
    const QString folder = root.filePath(QStringLiteral("Disc Ωmega Łódź Čech Привет")) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString ini = QDir::toNativeSeparators(folder + QStringLiteral("starter.ini"));
    const QByteArray content = "[quorvane]\r\nstartfile=index.html\r\ncaption=Sommerfest\r\nwidth=800\r\nheight=600\r\n";
    for (const bool commandLine : {true, false}) {
        SCOPED_TRACE(commandLine ? "given on the command line" : "opened with the open command");
        testfiles::Write(ini, content);
        seam.calls.clear();
        std::unique_ptr<TForm1> started;
        TForm1* window = form.get();
        if (commandLine) {
            started = Start(ini);
            window = started.get();
        } else {
            NewProject();
            seam.calls.clear();
            OpenWithDialog(ini);
        }
        EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty());
        EXPECT_EQ(Text(*window, "ETitel"), QStringLiteral("Sommerfest"));
        EXPECT_EQ(Text(*window, "EHTMLOrt"), QStringLiteral("index.html"));
        EXPECT_EQ(Text(*window, "EBreite"), QStringLiteral("800"));
        EXPECT_EQ(QDir::fromNativeSeparators(Text(*window, "ESpeicherort")), folder);

        seam.answers.enqueue(Answer::No); // no test run
        SaveIn(*window, 0);
        EXPECT_TRUE(seam.callsOf(Kind::ErrorBox).isEmpty());
        EXPECT_TRUE(seam.callsOf(Kind::SaveFile).isEmpty()) << "saved where it came from";
        const QByteArray saved = testfiles::Read(ini);
        for (const char* line : {"startfile=index.html\r\n", "caption=Sommerfest\r\n", "width=800\r\n", "height=600\r\n"})
            EXPECT_TRUE(saved.contains(line)) << line << " lost: " << saved.toStdString();
    }
}

// A file that holds no settings (another disc's autorun.inf, any .ini) given on the command line
// is loaded with every default, but neither it nor the folder's starter.ini is replaced unasked.
TEST_F(DesignerHostTest, ASettinglessFileFromTheCommandLineIsNotReplacedWithoutAsking)
{
    const QString autorun = QDir::toNativeSeparators(project + QStringLiteral("autorun.inf"));
    const QByteArray otherDisc = "[autorun]\r\nopen=setup.exe\r\nicon=setup.ico\r\n";
    testfiles::Write(autorun, otherDisc);
    {
        auto window = Start(autorun);
        auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].title, "Hinweis");
        EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("enthält keine Einstellungen von Quorvane")));
        EXPECT_TRUE(window->AskSaveName);

        // The save asks for the name; picking the same file asks again, and No keeps it.
        seam.calls.clear();
        seam.fileNames.enqueue(autorun);
        seam.answers.enqueue(Answer::No);
        SaveIn(*window, 1);
        EXPECT_EQ(seam.callsOf(Kind::SaveFile).size(), 1);
        boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].title, "Hinweis");
        EXPECT_EQ(boxes[0].icon, Interaction::Icon::Question);
        EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("Möchtest du sie wirklich ersetzen?")));
        EXPECT_EQ(testfiles::Read(autorun), otherDisc);

        // Yes replaces it with the project.
        seam.calls.clear();
        seam.fileNames.enqueue(autorun);
        Script(seam.answers, {Answer::Yes, Answer::No});
        SaveIn(*window, 1);
        EXPECT_TRUE(testfiles::Read(autorun).contains("[quorvane]"));
    }

    // A stray .ini beside a real project: its starter.ini is the proposed name, never taken unasked.
    const QString stray = QDir::toNativeSeparators(project + QStringLiteral("müll.ini"));
    const QString ini = QDir::toNativeSeparators(project + QStringLiteral("starter.ini"));
    const QByteArray real = "[quorvane]\r\ncaption=Echtes Projekt\r\n";
    testfiles::Write(stray, "irgendwas=1\r\n");
    testfiles::Write(ini, real);
    seam.calls.clear();
    auto window = Start(stray);
    seam.calls.clear();
    SaveIn(*window, 0); // the dialog is cancelled
    const auto dialogs = seam.callsOf(Kind::SaveFile);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(QDir::fromNativeSeparators(dialogs[0].fileName), project + QStringLiteral("starter.ini"));
    EXPECT_EQ(testfiles::Read(ini), real);
    EXPECT_EQ(testfiles::Read(stray), QByteArray("irgendwas=1\r\n"));
}

// The configuration holds Windows-1252: a browsed file whose name lies beyond it is refused with a
// note before anything is saved; names within it are taken.
TEST_F(DesignerHostTest, APickedNameTheConfigurationCannotHoldIsReportedBeforeSaving)
{
    const struct {
        const char* name; // UTF-8
        bool taken;
    } cases[] = {{"Übersicht – Köln.html", true}, {"Ωseite.html", false}, {"Привет.html", false}, {"łódź.html", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NewProject();
        Field("ESpeicherort")->setText(QDir::toNativeSeparators(project));
        const QString name = QString::fromUtf8(c.name);
        testfiles::Write(project + name, "<html></html>");
        seam.calls.clear();
        seam.fileNames.enqueue(QDir::toNativeSeparators(project + name));
        Go("grund");
        W<QPushButton>("BtDurchsuchen2")->click();
        const auto boxes = seam.callsOf(Kind::MessageBox);
        if (c.taken) {
            EXPECT_TRUE(boxes.isEmpty());
            EXPECT_EQ(Field("EHTMLOrt")->text(), name);
            continue;
        }
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].title, "Hinweis");
        EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("Der Pfad \"%1\" enthält Zeichen, die die Konfiguration "
                                                            "nicht speichern kann").arg(name)))
            << boxes[0].text.toStdString();
        EXPECT_TRUE(Field("EHTMLOrt")->text().isEmpty());
    }
}

// cmd.exe reads a batch file in the console's OEM code page: the saved runme.bat switches it to
// Windows-1252 first, so the password and caption reach starter.exe as typed.
TEST_F(DesignerHostTest, BatchFileCarriesTheTypedUmlautsToTheRuntime)
{
    Enter({"umlaute", 2,
           {{"EHTMLOrt", "index.html"}, {"ETitel", "Sommerfest Köln – Übersicht"}, {"EPasswort", "Geheim ä"}}, {}});
    const QString folder = root.filePath(QStringLiteral("batch")) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(folder));
    SaveInto(folder, 2);
    const QByteArray bytes = testfiles::Read(folder + QStringLiteral("runme.bat"));
    const QByteArray command = "starter.exe /startfile=index.html /caption=\"Sommerfest K\xF6ln \x96 \xDC" "bersicht\" "
                               "/borderstyle=sizeable /exitpw=\"Geheim \xE4\"\r\n";
    EXPECT_EQ(bytes, "@chcp 1252 >nul\r\n" + command);
    // What the runtime's reader takes from the file: the command, not the code-page line.
    const qv::ParameterList read = qv::ParameterList::FromBatchBytes(bytes.toStdString());
    EXPECT_EQ(read.Find("exitpw").value_or("-"), "Geheim \xE4");
    EXPECT_EQ(read.Find("caption").value_or("-"), "Sommerfest K\xF6ln \x96 \xDC" "bersicht");
}

// A form saved as autorun.inf into a folder that still holds a starter.ini with settings: the
// runtime would read that one; the save says so and offers to rename it.
TEST_F(DesignerHostTest, AStaleStarterIniIsNamedWhenAnAutorunInfIsSaved)
{
    const QByteArray old = "[quorvane]\r\ncaption=Alt\r\n";
    for (const bool rename : {true, false}) {
        SCOPED_TRACE(rename ? "renamed" : "kept");
        const QString folder = root.filePath(rename ? QStringLiteral("umbenannt") : QStringLiteral("behalten")) + QLatin1Char('/');
        testfiles::Write(folder + QStringLiteral("starter.ini"), old);
        Enter({"neu", 1, {{"EHTMLOrt", "index.html"}, {"ETitel", "Neu"}}, {}});
        seam.calls.clear();
        seam.fileNames.enqueue(QDir::toNativeSeparators(folder + QStringLiteral("autorun.inf")));
        Script(seam.answers, {rename ? Answer::Yes : Answer::No, Answer::No});
        Go("speichern");
        W<QTabWidget>("TCCode")->setCurrentIndex(1);
        form->BitSpeichern2Click();
        const auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 2);
        EXPECT_EQ(boxes[0].title, "Hinweis");
        EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("Im Speicherort liegt noch eine \"starter.ini\" mit Einstellungen.")))
            << boxes[0].text.toStdString();
        EXPECT_TRUE(boxes[1].text.startsWith(QStringLiteral("Erfolgreich abgespeichert.")));
        EXPECT_TRUE(testfiles::Read(folder + QStringLiteral("autorun.inf")).contains("caption=Neu\r\n"));
        EXPECT_EQ(QFileInfo::exists(folder + QStringLiteral("starter.ini")), !rename);
        EXPECT_EQ(testfiles::Read(folder + (rename ? QStringLiteral("starter.ini.alt") : QStringLiteral("starter.ini"))), old);
    }
}

// The window is drawn in Tahoma, and every label and box of every page and of the hints window
// shows its whole text: a taller or wider substitute font cuts second lines and ends.
TEST_F(DesignerHostTest, TheWindowDrawsInTahomaAndNoTextIsCut)
{
    EXPECT_EQ(QFontInfo(form->font()).family(), QStringLiteral("Tahoma"));
    QStringList cut;
    // The text is drawn as its control draws it, on a larger sheet: any ink beyond the control's
    // text area would be cut off on the screen.
    const auto check = [&cut](QWidget* widget, const QString& text, QRect area, bool wraps, Qt::Alignment alignment) {
        QImage sheet(area.width() + 400, area.height() + 100, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        painter.setFont(widget->font());
        painter.setPen(Qt::black);
        // A single line is measured from the left edge, whatever its alignment.
        const int flags = wraps ? int(alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextWordWrap
                                : int(Qt::AlignLeft | Qt::AlignTop);
        painter.drawText(QRect(0, 0, wraps ? area.width() : sheet.width(), sheet.height()), flags, text);
        painter.end();
        int right = -1;
        int bottom = -1;
        for (int y = 0; y < sheet.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(sheet.constScanLine(y));
            for (int x = 0; x < sheet.width(); ++x) {
                if (qGray(row[x]) < 160) {
                    right = std::max(right, x);
                    bottom = std::max(bottom, y);
                }
            }
        }
        if (right >= area.width() || bottom >= area.height())
            cut << QStringLiteral("%1 \"%2\": ink to %3 x %4, room %5 x %6 (%7)")
                       .arg(widget->objectName(), text)
                       .arg(right + 1)
                       .arg(bottom + 1)
                       .arg(area.width())
                       .arg(area.height())
                       .arg(QStringLiteral("%1 %2 px").arg(QFontInfo(widget->font()).family()).arg(QFontInfo(widget->font()).pixelSize()));
    };
    const auto checkAll = [&](QWidget* top) {
        for (QLabel* label : top->findChildren<QLabel*>()) {
            const bool rich = label->textFormat() == Qt::RichText
                              || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
            if (!label->isVisibleTo(top) || label->text().isEmpty() || rich)
                continue;
            check(label, label->text(), label->contentsRect(), label->wordWrap(), label->alignment());
        }
        for (QAbstractButton* box : top->findChildren<QAbstractButton*>()) {
            if (!box->isVisibleTo(top) || box->text().isEmpty() || qobject_cast<QPushButton*>(box))
                continue;
            QStyleOptionButton option;
            option.initFrom(box);
            const bool radio = qobject_cast<QRadioButton*>(box) != nullptr;
            const QRect indicator = box->style()->subElementRect(
                radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, box);
            const int spacing = box->style()->pixelMetric(
                radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, &option, box);
            QRect area = box->rect();
            area.setLeft(indicator.right() + 1 + spacing);
            check(box, QString(box->text()).remove(QLatin1Char('&')), area,
                  box->inherits("WrapCheckBox"), Qt::AlignLeft | Qt::AlignVCenter);
        }
    };
    for (const char* key : {"start", "grund", "fenster", "optisch", "input", "zusatz", "neufenster", "skin", "speichern",
                            "ueber"}) {
        Go(key);
        checkAll(W(("p" + std::string(key)).c_str()));
    }
    checkAll(form->HintsWindow());
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
}

// The designer's --help speaks of the host it runs on.
TEST_F(DesignerHostTest, HelpSpeaksOfThisHost)
{
    const std::string help = qv::cmdline::DesignerHelp();
#ifdef Q_OS_WIN
    for (const char* foreign : {"X11", "Wayland", "aktuellen Ordner"})
        EXPECT_EQ(help.find(foreign), std::string::npos) << foreign;
    EXPECT_NE(help.find("qvr.exe --help"), std::string::npos);
#else
    EXPECT_NE(help.find("X11 oder Wayland"), std::string::npos);
#endif
}

// The burn step on a Windows without its image burner (Wine has none): no dialog, a note that says
// where the image lies. Where isoburn.exe exists, the system decides and this case is moot.
TEST_F(DesignerHostTest, BurnWithoutTheSystemBurnerSaysWhereTheImageIs)
{
    qv::ui::BurnTools tools = qv::ui::BurnTools::FromSystem();
#ifdef Q_OS_WIN
    ASSERT_TRUE(tools.windows);
    EXPECT_TRUE(tools.isoburn.endsWith(QStringLiteral("\\isoburn.exe"), Qt::CaseInsensitive)) << tools.isoburn.toStdString();
    if (QFileInfo(tools.isoburn).isFile())
        GTEST_SKIP() << "this Windows has isoburn.exe";
#else
    tools.windows = true;
    tools.isoburn = QDir(root.path()).filePath(QStringLiteral("System32/isoburn.exe"));
#endif
    const QString image = QDir::toNativeSeparators(QDir(root.path()).filePath(QStringLiteral("Menü Disc.iso")));
    testfiles::Write(image, "CD001");
    seam.calls.clear();
    TFBrennen burn(seam, tools, form.get());
    burn.Open(image);
    EXPECT_FALSE(burn.isVisible());
    EXPECT_TRUE(seam.callsOf(Kind::Start).isEmpty());
    const auto notes = seam.callsOf(Kind::MessageBox);
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].title, QStringLiteral("Hinweis"));
    EXPECT_EQ(notes[0].icon, Interaction::Icon::Information);
    EXPECT_EQ(notes[0].text,
              QStringLiteral("Dieses Windows hat kein Programm zum Brennen von Abbildern (isoburn.exe gibt es ab "
                             "Windows 7).\n\rDas Abbild liegt hier:\n\r%1\n\rDu kannst es mit einem Brennprogramm deiner "
                             "Wahl auf eine Disc brennen.")
                  .arg(image));
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

// Records each shell call like the scripted seam, then hands it to the system's "open".
class RealShell : public ScriptedInteraction {
public:
    bool shellOpen(const QString& target, const QString& workingFolder) override
    {
        ScriptedInteraction::shellOpen(target, workingFolder);
        return QtInteraction().shellOpen(target, workingFolder);
    }
};

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
    RealShell shell;
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

// The demonstration and the test run say in German what kept them from starting.
TEST_F(DesignerHostTest, DemonstrationAndTestRunThatCannotStartAreReported)
{
    const QString demonstration = QDir::toNativeSeparators(examplesStarter);
    struct Case {
        const char* what;
        bool examplesThere;
        bool shellSucceeds;
        QString message; // empty: none
    };
    const Case cases[] = {
        {"started", true, true, QString()},
        {"the shell refuses", true, false,
         QStringLiteral("Die Demonstration \"%1\" lässt sich nicht starten.\n\rWindows hat das Starten abgelehnt.").arg(demonstration)},
        {"only quorvane.exe copied", false, true,
         QStringLiteral("Die Demonstration kann nicht gezeigt werden: \"%1\" fehlt.\n\r"
                        "Der Ordner \"Beispiele\" gehört neben quorvane.exe.").arg(demonstration)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.examplesThere)
            testfiles::Write(examplesStarter, kStarterBytes);
        else
            QFile::remove(examplesStarter);
        seam.shellSucceeds = c.shellSucceeds;
        seam.calls.clear();
        form->BitBeispielClick();
        EXPECT_EQ(seam.callsOf(Kind::Shell).size(), c.examplesThere ? 1 : 0);
        const auto boxes = seam.callsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), c.message.isEmpty() ? 0 : 1);
        if (!c.message.isEmpty()) {
            EXPECT_EQ(boxes[0].title, "Fehler");
            EXPECT_EQ(boxes[0].text, c.message);
        }
    }

    // The test run after a save.
    testfiles::Write(examplesStarter, kStarterBytes);
    Enter(SharedInputs()[0]);
    Go("speichern");
    seam.shellSucceeds = false;
    seam.calls.clear();
    seam.fileNames.enqueue(QDir::toNativeSeparators(project + QStringLiteral("starter.ini")));
    seam.answers.enqueue(Answer::Yes); // test it now
    form->BitSpeichern2Click();
    const auto boxes = seam.callsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 2);
    const QString starter = QDir::toNativeSeparators(project + QStringLiteral("starter.exe"));
    EXPECT_EQ(boxes[1].title, "Fehler");
    EXPECT_EQ(boxes[1].text,
              QStringLiteral("Der Test lässt sich nicht starten: \"%1\".\n\rWindows hat das Starten abgelehnt.").arg(starter));
    seam.shellSucceeds = true;
}

// A folder path that the shell cannot take (a 300-character folder): the real "open" fails, and
// the message says why.
TEST_F(DesignerHostTest, TestRunInAFolderTooLongForTheShellSaysWhy)
{
    QString folder = root.path();
    while (folder.size() < 300)
        folder += QStringLiteral("/Ordner mit einem langen Namen");
    folder += QLatin1Char('/');
    if (!QDir().mkpath(folder))
        GTEST_SKIP() << "this system makes no folder of " << folder.size() << " characters";
    RealShell shell;
    auto window = std::make_unique<TForm1>(&shell);
    window->ProgramFolder = programFolder;
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window->StartCompleted(); }));
    window->findChild<QLineEdit*>(QStringLiteral("EHTMLOrt"))->setText(QStringLiteral("index.html"));
    window->switchcategory(window->PageLink(QStringLiteral("speichern")));
    shell.fileNames.enqueue(QDir::toNativeSeparators(folder + QStringLiteral("starter.ini")));
    shell.answers.enqueue(Answer::Yes); // test it now
    window->BitSpeichern2Click();
    ASSERT_EQ(shell.callsOf(Kind::Shell).size(), 1);
    const auto boxes = shell.callsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].title, "Fehler");
    EXPECT_TRUE(boxes[1].text.startsWith(QStringLiteral("Der Test lässt sich nicht starten")));
    EXPECT_TRUE(boxes[1].text.contains(QStringLiteral("länger, als Windows hier zulässt"))) << boxes[1].text.toStdString();
}

// A project file another program holds open without sharing cannot be read: that is said, and
// the designer starts a new project instead of taking the file for an empty one.
TEST_F(DesignerHostTest, ALockedFileOnTheCommandLineIsReportedNotEmptied)
{
    const QString ini = QDir::toNativeSeparators(project + QStringLiteral("starter.ini"));
    const QByteArray content = "[quorvane]\r\ncaption=Gesperrt\r\n";
    testfiles::Write(ini, content);
    const HANDLE lock = CreateFileW(reinterpret_cast<LPCWSTR>(ini.utf16()), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    seam.calls.clear();
    auto window = Start(ini);
    CloseHandle(lock);
    const auto boxes = seam.callsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, "Fehler");
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.\n\rEs wird ein neues Projekt begonnen.").arg(ini));
    EXPECT_TRUE(Text(*window, "ESpeicherort").isEmpty());
    EXPECT_TRUE(window->AskSaveName);
    EXPECT_EQ(testfiles::Read(ini), content);
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
