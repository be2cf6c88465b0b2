#pragma once

#include <Qt>

class QDialog;
class QSize;

namespace qv::ui {

// The window flags of the designer's fixed-size dialogs: a title, the system menu and the close
// box, no way to resize.
inline constexpr Qt::WindowFlags kFixedDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                                    | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                                                    | Qt::MSWindowsFixedSizeDialogHint;

// The look every such dialog shares, after its form is set up: the fixed `size`, Tahoma 11 px,
// room for the dots of capital umlauts, a white background.
void SetUpFixedDialog(QDialog* dialog, const QSize& size);

} // namespace qv::ui
