#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Interaction;
class QListWidgetItem;
class QTimer;

namespace Ui {
class TFDisc;
}
namespace qv::ui {
class DiscJob;
}

// The window of "Ordner prüfen": checks the storage folder as it would go onto a disc, on a
// thread of its own, and lists what `qvr verify` prints for it, line by line: the problems (errors
// first, then warnings) and the summary. A double click on a problem opens the folder at the file
// it names; the list can be copied. Not modal: the designer stays usable while it checks.
class TFDisc : public QDialog {
    Q_OBJECT
public:
    // `referenceStarter`: the designer's own Beispiele/starter.exe, which the check compares.
    TFDisc(Interaction& interaction, QString referenceStarter, QWidget* parent = nullptr);
    ~TFDisc() override;

    // Shows the window and checks `folder` (the storage folder text); a running check is
    // abandoned first.
    void StartCheck(const QString& folder);
    bool CheckRunning() const;
    // Ends a running check and waits for it (the window closes or the designer ends).
    void CancelCheck();
    // The list's lines, as the copy puts them on the clipboard.
    QStringList Lines() const;

    // Run by "Abbild erstellen…": the main window's image command.
    std::function<void()> OnAbbild;

    void BtKopierenClick();
    void BtErneutClick();
    void BtDiscAbbildClick();
    void LBProblemeDblClick(QListWidgetItem* item);
    void TiStandTimer();

signals:
    // A check has ended (done, failed or cancelled) and the list shows its outcome.
    void checkFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CheckEnded();

    std::unique_ptr<Ui::TFDisc> ui;
    Interaction& interaction_;
    QString referenceStarter_;
    QString folder_;
    qv::ui::DiscJob* job_ = nullptr; // child
    QTimer* TiStand = nullptr;
    // Written by the job's thread, read after it ended.
    struct Outcome;
    std::unique_ptr<Outcome> outcome_;
};
