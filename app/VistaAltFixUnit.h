#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

// Repaints a window's controls at the next idle moment after its keyboard cues (accelerator
// underlines) changed, for platforms whose themed controls do not redraw themselves then. Qt draws
// the cues itself, so the component is active only where Windows' visual styles are on; elsewhere
// it hooks nothing for its whole life.

// What the component keeps per window.
class TFormObj {
public:
    TFormObj(QWidget* form, bool repaintAll);

    QPointer<QWidget> TargetForm; // not owned; null once the window is gone
    bool Seen = true;             // found in the current idle pass
    bool RepaintPending = false;  // a keyboard-cue change arrived since the last repaint
    bool RepaintAll;

    // The window's keyboard-cue state changed (WM_UPDATEUISTATE on Windows).
    void CueStateChanged() { RepaintPending = true; }
    // Called by the idle pass: one repaint however many changes arrived.
    void RepaintCheck();
};

class TVistaAltFix : public QObject {
    Q_OBJECT
public:
    enum class Activation { Platform, Always, Never };

    // Owned by `owner`. Platform: active when the platform reports visual styles for the
    // application (the test is made once); Always and Never are for tests.
    explicit TVistaAltFix(QObject* owner, Activation activation = Activation::Platform);
    ~TVistaAltFix() override;

    bool RepaintAll = true;

    bool IsActive() const { return FormRecords != nullptr; }
    // The idle pass: a record for every window, records of vanished windows dropped, pending
    // repaints done. Runs when the event loop is about to wait.
    void IdlePass();
    // The record of `form`, or null.
    TFormObj* RecordOf(const QWidget* form) const;
    std::size_t RecordCount() const { return FormRecords ? FormRecords->size() : 0; }

private:
    class CueFilter;
    std::unique_ptr<std::vector<std::unique_ptr<TFormObj>>> FormRecords;
    std::unique_ptr<CueFilter> IdleEvents; // the hook for the cue messages; null when inactive
    QMetaObject::Connection idleConnection_;
};
