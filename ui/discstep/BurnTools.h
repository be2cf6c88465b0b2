#pragma once

#include "ui/discstep/BurnSteps.h"

#include <QString>

#include <optional>
#include <vector>

namespace qv::ui {

// The burners the burn step may use. Made from the system for the window; a test gives its own
// (a file that acts as a drive, a program that is missing).
struct BurnTools {
    bool windows = false; // Windows' own image burner, else xorriso, brasero, k3b
    QString isoburn;      // Windows: the path of isoburn.exe, which may not exist
    QString xorriso;      // Linux: the programs found; empty when missing
    QString brasero;
    QString k3b;
    // The drives to offer; unset: asked when the step opens (xorriso -devices on Linux).
    std::optional<std::vector<BurnDrive>> drives;

    // What this computer has: on Windows isoburn.exe in the system folder, elsewhere the three
    // programs on the PATH. The drives are left unset: they are asked when the step opens.
    static BurnTools FromSystem();
    // Windows: every CD or DVD drive, by its letter ("E:"); empty elsewhere.
    static std::vector<BurnDrive> WindowsDrives();
};

} // namespace qv::ui
