#pragma once

#include "config/ConfigWriter.h"
#include "config/ProjectSettings.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

// The program's own version, "2.1.0.0" ("0.0.0.0" when it cannot be read).
QString OwnVersionText();

class Interaction;
namespace qv {
class UpdateChecker;
}
class QLabel;
class QLineEdit;
class QTimer;
class TFAbbild;
class TFDisc;
class TFWarn;

struct TForm1Controls;

// The designer window: a wizard of nine pages plus an About page over a background picture, with
// a side menu, step buttons and a message bar. Every control's objectName is its product name.
//
// Implementation by topic: Unit1.cpp (frame, navigation, caption, message bar, links),
// Unit1Fields.cpp (field reactions and binding), Unit1Keys.cpp (key capture and key list),
// Unit1Save.cpp (save page and hints window), Unit1Files.cpp (file commands, update preference).
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // `interaction` answers every dialog and the shell; null: the Qt implementation, owned here.
    explicit TForm1(Interaction* interaction = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    // --- Project flags (shared with the file commands) ---
    bool ProjectChanged = false;
    bool ProjectOpen = false;
    bool AskSaveName = false;
    bool OpenGivenFile = false;

    // --- Navigation ---
    // The page switch: shows the page of the side-menu link `link` ("ll" + page key).
    void switchcategory(QLabel* link);
    QLabel* PageLink(const QString& key) const;        // "start" ... "ueber"
    QLabel* NextPage() const { return nextPage_; }
    QLabel* PreviousPage() const { return previousPage_; }
    QString CurrentPageKey() const { return currentKey_; }

    // --- Binding ---
    // Sets every control to the loaded project through the same paths as user edits, so the
    // field reactions run and the project is marked changed. The tab of the save page is set
    // without rebuilding the configuration text.
    void ApplySettings(const qv::ProjectSettings& settings);
    // Reads the project from the controls (ProjectChanged included).
    qv::ProjectSettings CurrentSettings() const;
    int ConfigTarget() const;
    void SetConfigTarget(int target); // as a program would: no rebuild

    // --- Project state and caption ---
    void doaskonclose();                        // MarkChanged
    void UpdateCaption(const QString& folder);  // rebuilds the caption
    const QString& TitleBase() const { return titleBase_; }

    // --- Message bar ---
    // Unfolds the bar with `text`; with a `link`, a click on the bar opens it. Empty text: nothing.
    void ShowMessage(const QString& text, const QString& link);
    QTimer* AufklappenTimer() const { return TiAufklappen; }

    // --- Save page ---
    // Runs BuildConfiguration for the current project and target and shows its outcome.
    void RefreshSavePage();
    const qv::BuildResult& LastBuild() const { return lastBuild_; }
    // The remembered save path (the save dialog's file name): folder + "starter.ini" after a build.
    QString SaveDialogFileName;
    // The open dialog's file name.
    QString OpenDialogFileName;
    // A file given on the command line that held no settings: saving over it asks first.
    QString ForeignFile;

    // The hints window, made the first time it is needed.
    TFWarn* HintsWindow();
    Interaction& interaction() const { return *interaction_; }

    // --- Handlers (one per control event, named after the product) ---
    void llstartClick(QLabel* link);
    void BtWeiterClick();
    void BtZurueckClick();
    void LLink1MouseMove(QLabel* link);
    void LLink1MouseLeave(QLabel* link);
    void LLink2MouseMove(QLabel* link);
    void LLink2MouseLeave(QLabel* link);
    void ISpendenMouseMove();
    void ISpendenMouseLeave();
    void LLink1Click();
    void LLink2Click();
    void ISpendenClick();
    void LMessageClick();
    void TiAufklappenTimer();

    void ChFullscreenClick();
    void ChKeyInputClick();
    void CbStyleChange();
    void ETransparencyColorChange();
    void BtColorSearchClick();
    void RbnPopupClick();

    void EKeyInputKeyDown(std::uint8_t virtualKey);
    void EKeyInputKeyUp();
    void BtAddShortcutClick();
    void BtRemoveShortCutClick();

    void TCCodeChange();
    void lwarnClick();

    // File commands and folder browsing (Unit1Files.cpp).
    void BitNeuClick();
    void BitOeffnenClick();
    void BitBeispielClick();
    void BitSpeichernClick();
    void BitSpeichern2Click();
    void BtDurchsuchenClick();
    // The six browse buttons: a file inside the storage folder, as a path relative to it.
    void relpfad(QLineEdit* field, const QString& filter);
    // Starts the Linux runtime (demonstration, test run) with these arguments; the error box
    // when it cannot be started or ends abnormally within its first seconds.
    void StartLinuxRuntime(const QStringList& arguments, const QString& workingFolder);
    // After saving an autorun.inf into `folder`: a starter.ini there with settings would be read
    // instead; offers to rename it.
    void SetAsideStaleIni(const QString& folder);
    // The update check (Unit1Update.cpp).
    void ChUpdateClick();
    // True while an update check runs (until its report has been made).
    bool UpdateCheckRunning() const;
    // Decides whether the window may close.
    bool FormClose();

    // The disc step on the page "Grundeinstellungen" (Unit1Disc.cpp): "Ordner prüfen" and
    // "Abbild erstellen…", each in a window of its own that works on a thread of its own.
    void BtPruefenClick();
    void BtAbbildClick();
    // Whether this build has the disc library; without it the two buttons are hidden.
    static bool DiscStepAvailable();
    // True while an image is being written.
    bool DiscWriting() const;
    // True while a disc is burnt from the written image.
    bool DiscBurning() const;

    // Makes the pages and, when the first show left it for after the first paint, sets up the
    // new project. Runs by itself after the first paint; every command that needs the pages
    // calls it first. Does nothing the second time.
    void CompleteStart();
    bool StartCompleted() const { return pagesBuilt_ && !newProjectPending_; }

    // --- First show (Unit1Start.cpp) ---
    // Runs once, at the window's first show: the repaint component, the size, the command line
    // (or the start page of a new project, set up by CompleteStart after the first paint) and,
    // last, the update check's start-up decision.
    void FormShow();
    // The first command-line argument: a configuration file to open at the first show.
    QString CommandLineArgument;
    // The folder of the program file: Beispiele/ lies there, and a relative argument is looked up
    // there first. Set to the application's folder at construction.
    QString ProgramFolder;
    // Makes the accelerator repaint component, owned by the window (the program entry supplies it).
    std::function<void(QWidget* owner)> MakeRepaintComponent;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetupFrame();
    void SetupFiles();
    void SetupUpdate();
    void SetupDisc();
    // True when the storage folder names a folder; else says so and shows where to choose it.
    bool StorageFolderForDisc();
    // Ends a running check or write (a write leaves no image) and hides their windows.
    void EndDiscWork();
    TFDisc* DiscWindow();
    TFAbbild* AbbildWindow();
    // The pages beyond the start page, made once (CompleteStart), and their reactions.
    void BuildPages();
    void SetupPageLinks();
    void SetupFields();
    void SetupKeys();
    void SetupSavePage();
    void SetupFileFields();
    void SetupLabelsAndButtons(); // for every control made so far
    void SetCaption(const QString& folder, int target);

    void FitSingleLineTexts(QWidget* page);
    void FitWrappedTexts(QWidget* page);
    // Whether `place` (in the parent's coordinates) overlaps none of the widget's siblings.
    static bool IsFreeFor(const QWidget* widget, const QRect& place);
    // The first show of a page: its pictures are decoded and its one-line texts fitted only then.
    void PreparePage(const QString& key);
    void ShowPanel(const QString& key);
    const QPixmap& BorderPicture(int index);
    const QPixmap& SpendenPicture(int index);
    void SetLinkStyle(QLabel* link, bool bold, bool underline);
    void SetBorderPreview(int index);
    void SetLabelsGrey(std::initializer_list<QLabel*> labels, bool grey);
    bool FilterTypedCharacter(QLineEdit* field, QKeyEvent* event);
    void InsertShortcutSorted(const QString& text);
    void PlaceHintCounter();
    // Unticks the box when the stored preference switches the check at start off; true when on.
    bool DecideUpdateCheckAtStartup();
    // The start-up decision; a check it allows starts once the window is up.
    void StartUpdateCheckAfterShow();

    class UpdateBridge;
    UpdateBridge* updateBridge_ = nullptr;       // owned; deleted after the checker
    qv::UpdateChecker* updateChecker_ = nullptr; // child of the window

    std::unique_ptr<TForm1Controls> ui;
    std::unique_ptr<Interaction> ownInteraction_;
    Interaction* interaction_ = nullptr;
    TFWarn* FWarn_ = nullptr;
    TFDisc* FDisc_ = nullptr;     // made the first time they are needed
    TFAbbild* FAbbild_ = nullptr;
    QTimer* TiAufklappen = nullptr;

    QLabel* nextPage_ = nullptr;
    QLabel* previousPage_ = nullptr;
    QString currentKey_;
    QString titleBase_;
    QString messageLink_;
    QColor colorDialogColor_ = Qt::black; // ColorDialog1 keeps the last confirmed colour
    std::array<QPixmap, qv::kBorderStyleCount> ILBorder; // each decoded when first shown
    std::array<QPixmap, 2> ILSpenden;                    // decoded with the About page
    QStringList preparedPages_;
    qv::BuildResult lastBuild_;
    int hintCounterRight_ = 0; // right edge of lwarn, which stays put
    bool shownOnce_ = false;
    bool pagesBuilt_ = false;
    bool newProjectPending_ = false; // the first show's new project waits for CompleteStart
};
