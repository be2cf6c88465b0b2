#pragma once

#include <QString>

namespace qv {

// The name of the one preference of the designer.
inline const QString kUpdateCheckPreference = QStringLiteral("updatecheck");

// One text value under the program's own settings key: on Windows the registry key
// HKEY_CURRENT_USER\Software\Quorvane, elsewhere the INI file Quorvane/Quorvane.conf in the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config).
// mode 0 reads `name` and returns its text: empty when the value is missing or the store cannot be
// read; a value stored with another type than text reads as "T". mode 1 writes `value` under
// `name` and returns empty text; a store that cannot be written is left as it is. Any other mode
// does nothing and returns empty text.
QString RegistryPreference(int mode, const QString& name, const QString& value = QString());

inline QString ReadPreference(const QString& name) { return RegistryPreference(0, name); }
inline void WritePreference(const QString& name, const QString& value) { RegistryPreference(1, name, value); }

// The start-up decision of the update check, first steps: reads "updatecheck", writes "T" when it
// is empty, reads it again. Returns false only for the exact text "F" (the box `ChUpdate` is then
// unticked); any other text, a lower-case "f" included, means on.
//
// The window's first show calls it last:
//     if (!qv::UpdateCheckAtStartup())
//         ui->ChUpdate->setChecked(false);   // runs ChUpdateClick, which writes "F" again
//     if (ui->ChUpdate->isChecked())
//         updateChecker->start();
bool UpdateCheckAtStartup();

} // namespace qv
