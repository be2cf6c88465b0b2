#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include "ui/discstep/BurnTools.h"

#include <memory>

class Interaction;
class QTimer;
class TFBrennen;

namespace Ui {
class TFAbbild;
}
namespace qv::ui {
class DiscJob;
}

// The dialog of "Abbild erstellen…": the image file and the label (by default the one `qvr iso`
// would choose), optionally the Linux start; then, on a thread of its own, the same check as
// `qvr iso` (a folder with errors is written only when the user confirms) and the writing, with
// a progress bar (percent, MB of MB, time left) and Cancel, which leaves no half image and an
// existing one untouched. It ends with the image's size, a button that opens its folder and one
// that offers to burn the image onto a disc.
// Not modal: the designer stays usable while the image is written.
class TFAbbild : public QDialog {
    Q_OBJECT
public:
    // `referenceStarter`: the designer's own Beispiele/starter.exe, which the check compares.
    TFAbbild(Interaction& interaction, QString referenceStarter, QWidget* parent = nullptr);
    ~TFAbbild() override;

    // Shows the dialog for the storage folder `folder`. When the folder differs from the last one
    // (or nothing was proposed yet), proposes the label for `caption` (the project's title, UTF-8)
    // and an image file beside the folder. Does nothing to a dialog that is busy but raise it.
    void Open(const QString& folder, const QString& caption);
    // True while the check or the writing runs.
    bool Busy() const;
    bool Writing() const { return Busy() && phase_ == Phase::Write; }
    // True while a disc is burnt from the image.
    bool Burning() const;
    // Ends a running check or write and waits for it; a write leaves no image.
    void CancelAndWait();

    // The label the image gets for `text` (empty when no character is left), as `qvr iso --label`.
    static QString VolumeLabel(const QString& text);

    void BtAbbildDateiClick();
    void BtErstellenClick();
    void BtAbbrechenClick();
    void BtAbbildOrdnerClick();
    void BtAbbildBrennenClick();

    // The burners the "Brennen…" step uses; by default what the system has.
    void SetBurnTools(qv::ui::BurnTools tools) { burnTools_ = std::move(tools); }
    // The burn dialog, once it was opened.
    TFBrennen* BurnDialog() const { return FBrennen_; }
    void TiFortschrittTimer();

signals:
    // The work has ended: written, refused, failed or cancelled (the dialog shows which).
    void workFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    enum class Phase { Idle, Check, Write };
    void CheckEnded();
    void WriteEnded();
    void JobEnded();
    void SetBusy(bool busy);
    void StartWrite();
    bool MayClose();

    std::unique_ptr<Ui::TFAbbild> ui;
    Interaction& interaction_;
    QString referenceStarter_;
    QString folder_;
    QString image_;        // as the user gave it, for the texts
    QString imageFolder_;  // for "Ordner öffnen"
    qv::ui::BurnTools burnTools_;
    TFBrennen* FBrennen_ = nullptr; // child, made on the first "Brennen…"
    qv::ui::DiscJob* job_ = nullptr; // child
    QTimer* TiFortschritt = nullptr;
    QElapsedTimer writeClock_;
    Phase phase_ = Phase::Idle;
    bool fileConfirmed_ = false; // the dialog asked about replacing this file already
    // What the job's thread prepared and wrote, read after it ended.
    struct Work;
    std::unique_ptr<Work> work_;
};
