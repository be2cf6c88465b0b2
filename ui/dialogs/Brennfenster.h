#pragma once

#include "ui/discstep/BurnTools.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <memory>

class Interaction;
class QProcess;

namespace Ui {
class TFBrennen;
}

// The dialog that burns a written image onto a disc. Nothing goes to a drive before the user has
// chosen the drive, the medium in it has been found blank and big enough, and the user has said
// yes. On Linux xorriso burns (`-as cdrecord`) with a progress bar and Cancel; without a drive it
// may write, brasero or k3b are started with the image; without any of them a message says where
// the image lies. On Windows the system's own isoburn.exe burns and shows its progress itself.
class TFBrennen : public QDialog {
    Q_OBJECT
public:
    TFBrennen(Interaction& interaction, qv::ui::BurnTools tools, QWidget* parent = nullptr);
    ~TFBrennen() override;

    // Offers to burn `image`: shows the dialog with the drives, hands the image to brasero or k3b,
    // or says why nothing can burn it. Does nothing to a dialog that is busy but raise it.
    void Open(const QString& image);
    // True while drives are searched, the medium is examined or the disc is burnt.
    bool Busy() const;
    // True while xorriso writes to the disc.
    bool Burning() const;
    // Ends whatever xorriso does and waits until it has released the drive.
    void CancelAndWait();

    void BtBrennenClick();
    void BtBrennAbbrechenClick();

signals:
    // A step has ended: the drives are listed, the burn refused, done, failed or cancelled.
    void burnFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    enum class Phase { Idle, Devices, Medium, Burn };
    void OfferDrives(const std::vector<qv::ui::BurnDrive>& drives);
    void StartXorriso(Phase phase, const std::vector<std::string>& arguments);
    void XorrisoEnded(int exitCode, bool crashed);
    void DevicesEnded(const QByteArray& output);
    void MediumEnded(const QByteArray& output);
    void BurnEnded(int exitCode, bool crashed, const QByteArray& output);
    void StartBurn();
    void BurnOutput();
    void Refuse(const QString& text);
    void SetBusy(bool busy);
    bool MayClose();
    QString DriveShown() const;

    std::unique_ptr<Ui::TFBrennen> ui;
    Interaction& interaction_;
    qv::ui::BurnTools tools_;
    QString image_;
    std::vector<qv::ui::BurnDrive> drives_;
    QProcess* process_ = nullptr; // child; the running xorriso
    QByteArray output_;           // everything it wrote so far
    int parsed_ = 0;              // how much of output_ the progress has read
    Phase phase_ = Phase::Idle;
    bool cancelled_ = false;
};
