#pragma once

#include <QFont>
#include <QString>

namespace qv::ui {

// Makes the window's fonts available: Tahoma, or the Tahoma-metric font of the system's font
// packages when Tahoma is missing. Safe to call more than once.
void LoadFonts();

// The window's font: Tahoma at 11 pixels.
QFont WindowFont();

// The family for the configuration text: Courier New, else its metric twin Liberation Mono.
QString MonospaceFamily();

// Installs Qt's own German translation (standard buttons, dialogs); false when it is missing.
bool InstallGermanTranslation();

} // namespace qv::ui
