#pragma once

#include <QCoreApplication>

namespace qv::starter {

// The runtime speaks German whatever the desktop's language: Qt's dialogs and the browser
// engine's menus and messages. Called before the application object (the engine takes its
// language from the default locale).
void UseGermanLocale();

// Loads Qt's and the browser engine's German translations into `app`; true when both were found.
bool InstallGermanTranslations(QCoreApplication& app);

} // namespace qv::starter
