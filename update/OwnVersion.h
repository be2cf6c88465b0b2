#pragma once

#include <QString>

namespace qv {

// Four decimal numbers joined by "." from the two 32-bit words of a file version: the high and low
// halves of `mostSignificant`, then of `leastSignificant`; no leading zeros.
QString VersionTextFromWords(quint32 mostSignificant, quint32 leastSignificant);

// The program's own file version, "2.1.0.0". On Windows it is read from the version resource of the
// running program; elsewhere it is the version the program was built with. "0.0.0.0" when it cannot
// be read.
QString OwnVersionText();

} // namespace qv
