#include "app/VistaAltFixUnit.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QAbstractButton>
#include <QApplication>
#include <QStyle>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

bool PlatformUsesVisualStyles()
{
#ifdef Q_OS_WIN
    // The themed style is Qt's face of the visual styles; the classic one draws like Windows 2000.
    const QStyle* style = QApplication::style();
    return style && style->name().compare(QLatin1String("windowsvista"), Qt::CaseInsensitive) == 0;
#else
    return false;
#endif
}

void SelectiveRepaint(QWidget* widget)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        // Buttons with a picture draw their own face; the others are redrawn, their children not.
        if (button->icon().isNull())
            button->repaint();
        return;
    }
    for (QObject* child : widget->children()) {
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow())
            SelectiveRepaint(w);
    }
}

} // namespace

// Sees the platform's keyboard-cue notices on their way to the windows.
class TVistaAltFix::CueFilter : public QAbstractNativeEventFilter {
public:
    explicit CueFilter(TVistaAltFix& owner)
        : owner_(owner)
    {
        qApp->installNativeEventFilter(this);
    }
    ~CueFilter() override { qApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
#ifdef Q_OS_WIN
        constexpr UINT kUpdateUiState = 0x0128;
        const auto* msg = static_cast<const MSG*>(message);
        if (eventType == "windows_generic_MSG" && msg->message == kUpdateUiState && owner_.FormRecords) {
            for (const auto& record : *owner_.FormRecords) {
                if (record->TargetForm && record->TargetForm->internalWinId() == reinterpret_cast<WId>(msg->hwnd))
                    record->CueStateChanged();
            }
        }
#else
        Q_UNUSED(eventType);
        Q_UNUSED(message);
#endif
        return false; // the window's own handling goes on
    }

private:
    TVistaAltFix& owner_;
};

TFormObj::TFormObj(QWidget* form, bool repaintAll)
    : TargetForm(form)
    , RepaintAll(repaintAll)
{
}

void TFormObj::RepaintCheck()
{
    if (!RepaintPending)
        return;
    RepaintPending = false;
    if (!TargetForm)
        return;
    if (RepaintAll)
        TargetForm->repaint(); // the window and every control on it
    else
        SelectiveRepaint(TargetForm);
}

TVistaAltFix::TVistaAltFix(QObject* owner, Activation activation)
    : QObject(owner)
{
    const bool active = activation == Activation::Always
                        || (activation == Activation::Platform && PlatformUsesVisualStyles());
    if (!active)
        return;
    FormRecords = std::make_unique<std::vector<std::unique_ptr<TFormObj>>>();
    IdleEvents = std::make_unique<CueFilter>(*this);
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        idleConnection_ = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TVistaAltFix::IdlePass);
}

TVistaAltFix::~TVistaAltFix()
{
    // No idle pass and no cue notice may reach the records once they start to go.
    disconnect(idleConnection_);
    IdleEvents.reset();
    FormRecords.reset();
}

TFormObj* TVistaAltFix::RecordOf(const QWidget* form) const
{
    if (!FormRecords)
        return nullptr;
    for (const auto& record : *FormRecords) {
        if (record->TargetForm == form)
            return record.get();
    }
    return nullptr;
}

void TVistaAltFix::IdlePass()
{
    if (!FormRecords)
        return;
    for (const auto& record : *FormRecords)
        record->Seen = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = widget->windowType();
        if (type != Qt::Window && type != Qt::Dialog)
            continue;
        if (TFormObj* record = RecordOf(widget))
            record->Seen = true;
        else
            FormRecords->push_back(std::make_unique<TFormObj>(widget, RepaintAll));
    }
    for (auto i = FormRecords->size(); i > 0; --i) {
        TFormObj& record = *(*FormRecords)[i - 1];
        if (record.Seen && record.TargetForm)
            record.RepaintCheck();
        else
            FormRecords->erase(FormRecords->begin() + static_cast<std::ptrdiff_t>(i - 1));
    }
}
