#pragma once

#include <QString>

class QLineEdit;

namespace qv::ui {

// A single-line text after an edit, with the place of the cursor.
struct LineText {
    QString text;
    qsizetype cursor = 0;
    bool operator==(const LineText&) const = default;
};

// Fits what an edit inserted into a single-line field: the inserted part ends before its first
// line break (as a pasted text keeps only its first line) and is cut to the room that
// `maxLength` leaves beside the text that was there (0: no limit). `before` is the text before
// the edit, `after` the text it produced and `cursor` the end of the inserted part, where an edit
// leaves the cursor. The result is `after` itself when nothing needs cutting.
LineText FitInsertion(const QString& before, const QString& after, qsizetype cursor, int maxLength);

// Makes every edit by the user in `field` (typing, pasting, dropping) pass through FitInsertion,
// so no value of the field can hold a line break or exceed `maxLength` through the user. Text
// the program sets passes as it is. The guard lives as a child of the field.
void GuardSingleLine(QLineEdit* field, int maxLength = 0);

} // namespace qv::ui
