#include "FileFixture.h"
#include "ui/platform/QtInteraction.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

using Kind = ScriptedInteraction::Kind;

namespace {

const QString kNoStorage = QStringLiteral(
    "Du musst zuerst einen gültigen Speicherort angeben,\n\rbevor dieser Pfad eingetragen werden kann.");

struct BrowseButton {
    const char* button;
    const char* field;
    const char* page;
    const char* filter;
};
const BrowseButton kBrowseButtons[] = {
    {"BtDurchsuchen2", "EHTMLOrt", "grund", "Datei|*.*"},
    {"BtDurchsuchen3", "EIconOrt", "fenster", "Icon|*.ico"},
    {"BtDurchsuchen6", "ESplashOrt", "optisch", "Bitmap, JPEG|*.BMP;*.JPG;*.JPEG"},
    {"BtDurchsuchen4", "EZusatzProgOrt", "zusatz", "Datei|*.*"},
    {"BtnDurchsuchen6", "EZusatzProgOrt2", "zusatz", "Datei|*.*"},
    {"BtDurchsuchen5", "EBMPOrt", "skin", "Bitmap, JPEG|*.BMP;*.JPG;*.JPEG"},
};

} // namespace

class BrowseTest : public FilesTest {
protected:
    // Clicks `b`'s button on its page, the dialog answering `chosen` (empty: cancelled).
    void Browse(const BrowseButton& b, const QString& chosen)
    {
        Go(b.page);
        if (!chosen.isEmpty())
            Script(seam.fileNames, {chosen});
        seam.calls.clear();
        Click(W<QPushButton>(b.button));
    }
};

TEST_F(BrowseTest, EveryButtonEntersAFileInsideTheStorageFolderRelatively)
{
    Field("ESpeicherort")->setText(project);
    for (const BrowseButton& b : kBrowseButtons) {
        SCOPED_TRACE(b.button);
        struct Case {
            QString chosen;
            const char* expected;
        };
        const Case cases[] = {
            {project + QStringLiteral("index.html"), "index.html"},
            {project + QStringLiteral("bilder/logo.ico"), "bilder\\logo.ico"},
            {project + QStringLiteral("neu/gibt es nicht.exe"), "neu\\gibt es nicht.exe"}, // need not exist
        };
        for (const Case& c : cases) {
            Field(b.field)->setText(QStringLiteral("alt"));
            form->ProjectChanged = false;
            Browse(b, c.chosen);
            const auto dialogs = seam.callsOf(Kind::OpenFile);
            ASSERT_EQ(dialogs.size(), 1);
            EXPECT_EQ(dialogs[0].filter, QLatin1String(b.filter));
            EXPECT_EQ(dialogs[0].fileName, "");
            EXPECT_EQ(dialogs[0].initialFolder, project);
            EXPECT_TRUE(seam.callsOf(Kind::MessageBox).isEmpty());
            EXPECT_EQ(Field(b.field)->text(), QLatin1String(c.expected));
            EXPECT_TRUE(form->ProjectChanged);
            EXPECT_EQ(form->CurrentPageKey(), QLatin1String(b.page));
        }
    }
}

TEST_F(BrowseTest, FilesOutsideTheStorageFolderAreRefusedNamingIt)
{
    Field("ESpeicherort")->setText(project);
    const QString sibling = project.chopped(1) + QStringLiteral("2/index.html"); // ".../projekt2/..."
    const QString otherCase = project.toUpper() + QStringLiteral("index.html");
    const QString expected = QStringLiteral("Du musst einen Pfad angeben, welcher sich innerhalb des Speicherortes "
                                            "befindet.\n\rAlso ")
                             + project + QStringLiteral("...");
    for (const BrowseButton& b : kBrowseButtons) {
        SCOPED_TRACE(b.button);
        for (const QString& chosen : {sibling, otherCase, root.filePath(QStringLiteral("index.html")), QString()}) {
            Field(b.field)->setText(QStringLiteral("alt"));
            Browse(b, chosen);
            const auto boxes = seam.callsOf(Kind::MessageBox);
            if (chosen.isEmpty()) {
                EXPECT_TRUE(boxes.isEmpty()) << "cancelled: nothing said";
            } else {
                ASSERT_EQ(boxes.size(), 1) << chosen.toStdString();
                EXPECT_EQ(boxes[0].title, "Hinweis");
                EXPECT_EQ(boxes[0].text, expected);
                EXPECT_EQ(boxes[0].icon, Interaction::Icon::Information);
                EXPECT_EQ(boxes[0].buttons, Interaction::Buttons::Ok);
            }
            EXPECT_EQ(Field(b.field)->text(), "alt");
        }
    }
}

TEST_F(BrowseTest, WithoutAUsableStorageFolderTheUserIsSentToChooseOne)
{
    const QString deleted = root.filePath(QStringLiteral("geloescht")) + QLatin1Char('/');
    for (const QString& storage : {QString(), deleted}) {
        for (const BrowseButton& b : kBrowseButtons) {
            SCOPED_TRACE(std::string(b.button) + " storage '" + storage.toStdString() + "'");
            Field("ESpeicherort")->setText(storage);
            Field(b.field)->setText(QStringLiteral("alt"));
            form->findChild<QWidget*>(QStringLiteral("ETitel"))->setFocus();
            Browse(b, project + QStringLiteral("index.html"));
            EXPECT_TRUE(seam.callsOf(Kind::OpenFile).isEmpty()) << "no file dialog";
            const auto boxes = seam.callsOf(Kind::MessageBox);
            ASSERT_EQ(boxes.size(), 1);
            EXPECT_EQ(boxes[0].title, "Hinweis");
            EXPECT_EQ(boxes[0].text, kNoStorage);
            EXPECT_EQ(boxes[0].icon, Interaction::Icon::Information);
            EXPECT_EQ(form->CurrentPageKey(), "grund");
            EXPECT_EQ(form->focusWidget(), W("BtDurchsuchen"));
            EXPECT_EQ(Field(b.field)->text(), "alt");
            seam.fileNames.clear();
        }
    }
}

TEST_F(BrowseTest, FolderBrowserSetsTheStorageFolderWithItsSeparator)
{
    struct Case {
        QString chosen; // empty: cancelled
        QString expected;
    };
    const Case cases[] = {
        {project.chopped(1), project},
        {project, project},
        {QStringLiteral("/"), QStringLiteral("/")},
        {QString(), QStringLiteral("/vorher/")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.toStdString());
        Field("ESpeicherort")->setText(QStringLiteral("/vorher/"));
        seam.calls.clear();
        if (!c.chosen.isEmpty())
            Script(seam.folders, {c.chosen});
        Go("grund");
        Click(W<QPushButton>("BtDurchsuchen"));
        const auto folders = seam.callsOf(Kind::Folder);
        ASSERT_EQ(folders.size(), 1);
        EXPECT_EQ(folders[0].title, QStringLiteral("Bitte wähle den Speicherort deines Projektes."));
        EXPECT_EQ(Field("ESpeicherort")->text(), c.expected);
    }
}

TEST_F(BrowseTest, CaptionFollowsOnlyEditsLoadsAndSaves)
{
    form->BitNeuClick();
    EXPECT_TRUE(form->windowTitle().endsWith(" - [Neues Projekt]"));
    Field("ETitel")->setText(QStringLiteral("x"));
    EXPECT_TRUE(form->windowTitle().endsWith(" - [Neues Projekt*]"));
    // Choosing the storage folder of a changed project, or another tab, leaves the caption.
    Script(seam.folders, {project});
    form->BtDurchsuchenClick();
    Go("speichern");
    W<QTabWidget>("TCCode")->setCurrentIndex(1);
    EXPECT_TRUE(form->windowTitle().endsWith(" - [Neues Projekt*]"));
    // The save names the folder and the file of the tab.
    Script(seam.fileNames, {project + QStringLiteral("autorun.inf")});
    form->BitSpeichernClick();
    EXPECT_TRUE(form->windowTitle().endsWith("autorun.inf]")) << form->windowTitle().toStdString();
    EXPECT_FALSE(form->windowTitle().contains("Neues Projekt"));
}

// The production folder browser: its caption, where it starts, no folder chosen before the user
// picks one, and no way to make a new folder.
TEST(Browse, QtFolderBrowserStartsAtTheDesktopWithNothingChosen)
{
    QTemporaryDir home;
    const QByteArray previousHome = qgetenv("HOME");
    const QByteArray previousConfig = qgetenv("XDG_CONFIG_HOME");
    struct RestoreEnvironment {
        QByteArray home, config;
        ~RestoreEnvironment()
        {
            qputenv("HOME", home);
            qputenv("XDG_CONFIG_HOME", config);
        }
    } restore{previousHome, previousConfig};
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    const QString desktop = home.filePath(QStringLiteral("Desktop"));
    const QString chosen = home.filePath(QStringLiteral("Projekt"));
    QDir().mkpath(chosen);

    struct Case {
        const char* what;
        bool desktopExists;
        QString start;
    };
    const Case cases[] = {
        {"with a desktop folder", true, desktop},
        {"without one: the home folder", false, home.path()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.desktopExists)
            QDir().mkpath(desktop);
        else
            QDir(desktop).removeRecursively();
        QtInteraction seam;
        QString title, start, nameBefore;
        bool newFolderOffered = true;
        bool acceptedWithoutChoice = true;
        bool chooseEnabledAtFirst = true;
        bool chooseEnabledAfterChoice = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            title = dialog->windowTitle();
            start = dialog->directory().absolutePath();
            auto* button = dialog->findChild<QToolButton*>(QStringLiteral("newFolderButton"));
            newFolderOffered = button && button->isVisible() && button->isEnabled();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            nameBefore = name ? name->text() : QStringLiteral("<kein Feld>");
            QCoreApplication::processEvents(); // the dialog's own queued updates
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            QPushButton* choose = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
            chooseEnabledAtFirst = !choose || choose->isEnabled();
            QTest::keyClick(dialog, Qt::Key_Return); // Return at once confirms nothing
            static_cast<QDialog*>(dialog)->accept(); // the dialog's own accept, as its button
            acceptedWithoutChoice = !dialog->isVisible();
            if (acceptedWithoutChoice)
                return;
            dialog->setDirectory(home.path());
            if (name)
                name->setText(QStringLiteral("Projekt")); // as the user types it or clicks it
            chooseEnabledAfterChoice = choose && choose->isEnabled();
            static_cast<QDialog*>(dialog)->accept(); // the dialog's own accept, as its button
            if (dialog->isVisible())
                dialog->reject();
        });
        const QString result = seam.existingFolder(nullptr, QStringLiteral("Bitte wähle den Speicherort deines Projektes."));
        EXPECT_EQ(title, QStringLiteral("Bitte wähle den Speicherort deines Projektes."));
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(nameBefore, "") << "no folder preselected";
        EXPECT_FALSE(newFolderOffered);
        EXPECT_FALSE(acceptedWithoutChoice);
        EXPECT_FALSE(chooseEnabledAtFirst);
        EXPECT_TRUE(chooseEnabledAfterChoice);
        EXPECT_EQ(result, chosen) << "a folder the user picked is taken";
    }
}

// The production folder browser, once: its caption, and no way to make a new folder.
TEST(Browse, QtFolderBrowserHasTheCaptionAndNoNewFolderButton)
{
    QtInteraction seam;
    QString title;
    bool buttonFound = false;
    bool newFolderOffered = true;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            title = dialog->windowTitle();
            auto* button = dialog->findChild<QToolButton*>(QStringLiteral("newFolderButton"));
            buttonFound = button != nullptr;
            newFolderOffered = button && button->isVisible() && button->isEnabled();
        }
        if (modal)
            modal->close();
    });
    EXPECT_EQ(seam.existingFolder(nullptr, QStringLiteral("Bitte wähle den Speicherort deines Projektes.")), "")
        << "closed: cancelled";
    EXPECT_EQ(title, QStringLiteral("Bitte wähle den Speicherort deines Projektes."));
    EXPECT_TRUE(buttonFound) << "the toolkit's own dialog";
    EXPECT_FALSE(newFolderOffered);
}
