// The disc step of the Windows designer as a user takes it: the real window, check and writer on
// real folders, a scripted seam for the dialogs and the shell. Run under Wine by wine_designer.sh,
// which compares what it leaves in QUORVANE_SAVED_OUT with qvr on Linux (the check's lines) and
// with the folder (the image, read back with osirrox).
#include "ByteFiles.h"
#include "FormFixture.h"

#include "ui/dialogs/Abbildfenster.h"
#include "ui/dialogs/Discfenster.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

using Kind = ScriptedInteraction::Kind;

fs::path PathOf(const QString& text)
{
    return fs::path(text.toStdWString());
}

QString TextOf(const fs::path& path)
{
    return QString::fromStdWString(path.wstring());
}

std::vector<std::wstring> Names(const fs::path& folder)
{
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

// A project as the designer saves it, with umlauts and sub-folders, its starter.exe the one beside
// the designer.
void WriteProject(const fs::path& root)
{
    fs::create_directories(root);
    const fs::path starter = PathOf(QCoreApplication::applicationDirPath()) / "Beispiele" / "starter.exe";
    fs::copy_file(starter, root / "starter.exe", fs::copy_options::overwrite_existing);
    WriteBytes(root / "starter.ini", "[quorvane]\r\nstartfile=web\\index.html\r\ncaption=Mein Men\xFC\r\n");
    WriteBytes(root / "web/index.html", "<html><body><img src=\"bilder/logo.png\"><a href=\"zwei.html\">2</a></body></html>");
    WriteBytes(root / "web/zwei.html", "<p><a href=\"index.html\">zurück</a></p>");
    WriteBytes(root / L"web/bilder/Grüße.txt", "");
    std::string picture;
    for (int i = 0; i < 300000; ++i)
        picture += static_cast<char>(static_cast<unsigned>(i) * 7919u % 251u);
    WriteBytes(root / "web/bilder/logo.png", picture);
}

class DesignerDisc : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        ASSERT_TRUE(temp.isValid());
        dir = PathOf(temp.path());
        const QString out = qEnvironmentVariable("QUORVANE_SAVED_OUT");
        saved = out.isEmpty() ? dir / "gespeichert" : PathOf(out);
        fs::create_directories(saved);
    }

    void ChooseFolder(const fs::path& path)
    {
        Go("grund");
        W<QLineEdit>("ESpeicherort")->setText(QDir::toNativeSeparators(TextOf(path)) + QLatin1Char('\\'));
    }

    TFAbbild* StartImage(const fs::path& image)
    {
        Click(W<QPushButton>("BtAbbild"));
        auto* dialog = form->findChild<TFAbbild*>();
        if (!dialog)
            return nullptr;
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("EAbbildDatei"));
        file->setText(QDir::toNativeSeparators(TextOf(image)));
        Click(dialog->findChild<QPushButton*>(QStringLiteral("BtErstellen")));
        return dialog;
    }

    static bool WaitForWork(TFAbbild* dialog, int timeoutMs = 120000)
    {
        QSignalSpy ended(dialog, &TFAbbild::workFinished);
        return !dialog->Busy() || ended.wait(timeoutMs) || !dialog->Busy();
    }

    static int Progress(TFAbbild* dialog) { return dialog->findChild<QProgressBar*>(QStringLiteral("PBAbbild"))->value(); }

    QList<ScriptedInteraction::Call> Messages(const QString& title) const
    {
        QList<ScriptedInteraction::Call> found;
        for (const auto& call : seam.callsOf(Kind::MessageBox)) {
            if (call.title == title)
                found << call;
        }
        return found;
    }

    QTemporaryDir temp;
    fs::path dir;
    fs::path saved;
};

// "Ordner prüfen" lists the check's lines (kept for the comparison with qvr verify); a double
// click on a line shows its file in Explorer, with the Windows path.
TEST_F(DesignerDisc, CheckListsTheLinesAndADoubleClickShowsTheFile)
{
    const fs::path folder = saved / L"Prüfordner";
    fs::remove_all(folder);
    WriteProject(folder);
    WriteBytes(folder / "web/index.html", "<img src=\"fehlt.png\"><a href=\"zwei.html\">2</a>\n");
    ChooseFolder(folder);
    // The page shows the disc step as the Linux designer does.
    EXPECT_TRUE(W<QPushButton>("BtPruefen")->isVisible());
    EXPECT_TRUE(W<QPushButton>("BtAbbild")->isVisible());
    Click(W<QPushButton>("BtPruefen"));
    auto* window = form->findChild<TFDisc*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    QSignalSpy finished(window, &TFDisc::checkFinished);
    ASSERT_TRUE(!window->CheckRunning() || finished.wait(120000));
    const QString lines = window->Lines().join(QLatin1Char('\n')) + QLatin1Char('\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("Fehler: web/index.html: Verweis \"fehlt.png\""))) << lines.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("\nStart unter Windows: "))) << lines.toStdString();
    WriteBytes(saved / "pruefung.txt", lines.toStdString());

    auto* list = window->findChild<QListWidget*>(QStringLiteral("LBProbleme"));
    QListWidgetItem* item = nullptr;
    for (int i = 0; i < list->count() && !item; ++i) {
        if (list->item(i)->text().contains(QStringLiteral("fehlt.png")))
            item = list->item(i);
    }
    ASSERT_NE(item, nullptr);
    emit list->itemDoubleClicked(item);
    const auto shown = seam.callsOf(Kind::ShowInFolder);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].text, QDir::toNativeSeparators(TextOf(folder)) + QStringLiteral("\\web\\index.html"));
}

// "Abbild erstellen…" writes the image with its progress to the end; the image is kept for the
// read-back by osirrox.
TEST_F(DesignerDisc, ImageIsWrittenWithProgress)
{
    const fs::path folder = saved / L"Menü";
    fs::remove_all(folder);
    WriteProject(folder);
    ChooseFolder(folder);
    W<QLineEdit>("ETitel")->setText(QStringLiteral("Mein Menü"));
    const fs::path image = saved / L"menü.iso";
    fs::remove(image);
    TFAbbild* dialog = StartImage(image);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitForWork(dialog));
    EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty());
    const QString result = dialog->findChild<QLabel*>(QStringLiteral("LErgebnis"))->text();
    EXPECT_TRUE(result.startsWith(QStringLiteral("Abbild geschrieben: ") + QDir::toNativeSeparators(TextOf(image))))
        << result.toStdString();
    EXPECT_TRUE(result.endsWith(QStringLiteral(", Bezeichnung MEIN_MENUE)"))) << result.toStdString();
    EXPECT_EQ(Progress(dialog), 1000);
    EXPECT_EQ(ReadBytes(image).substr(32769, 5), "CD001");
    for (const fs::path& entry : fs::directory_iterator(saved))
        EXPECT_EQ(entry.wstring().find(L".qvr-"), std::wstring::npos) << entry;
}

// Cancel half way through a long write leaves no file and an existing image as it was.
TEST_F(DesignerDisc, CancelLeavesNothingHalf)
{
    const fs::path folder = dir / "disc";
    WriteProject(folder);
    WriteBytes(folder / "daten/gross.bin", "");
    fs::resize_file(folder / "daten/gross.bin", 2ULL * 1024 * 1024 * 1024);
    ChooseFolder(folder);
    const fs::path image = dir / "menue.iso";
    WriteBytes(image, "altes Abbild");
    seam.answers.enqueue(Interaction::Answer::Yes); // replace the existing file
    TFAbbild* dialog = StartImage(image);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->Writing() && Progress(dialog) > 0; }, 120000));
    ASSERT_TRUE(dialog->Writing()) << "the image was written before the test could cancel";
    Click(dialog->findChild<QPushButton*>(QStringLiteral("BtAbbrechen")));
    ASSERT_TRUE(WaitForWork(dialog));
    EXPECT_EQ(Names(dir), (std::vector<std::wstring>{L"disc", L"menue.iso"}));
    EXPECT_EQ(ReadBytes(image), "altes Abbild");
    EXPECT_EQ(Messages(QStringLiteral("Fehler")).size(), 0);
    EXPECT_EQ(Progress(dialog), 0);
}

} // namespace
