#pragma once

#include <string>
#include <vector>

namespace qv {

enum class NewWindowAction { Default, Execute, Ignore, Popup };

// The project: one field per input control of the designer, named after the control.
// Texts are Windows-1252 bytes exactly as typed or loaded; nothing is trimmed or converted.
struct ProjectSettings {
    // Grundeinstellungen
    std::string ESpeicherort;   // storage folder, ends with the host's separator, or empty
    std::string EHTMLOrt;
    // Fenstergröße und Position
    std::string ETitel;
    bool ChVarTitel = false;
    std::string EIconOrt;
    std::string EBreite, EHoehe, EminBreite, EminHoehe, Eposx, Eposy;
    bool ChFullscreen = false;
    // Optische Anpassungen
    int CbStyle = 1;            // border-style item index 0..6
    bool Chfade = false, Chfadeout = false, ChTop = false, ChScrollbar = false;
    std::string ESplashOrt;
    std::string ETransparencyColor;
    // Maus und Tastatur
    bool ChKontext = false, ChSelect = false, ChMove = false, ChKeyInput = false;
    std::vector<std::string> LBShortcuts; // key-name texts, list order
    std::string EPasswort;
    // Zusätzliche Einstellungen
    std::string EExt, EZusatzProgOrt, EExeParam, EZusatzProgOrt2, EExeParam2;
    bool ChAdmin = false;
    // Neues Fenster
    NewWindowAction newWindowAction = NewWindowAction::Default;
    std::string EPopupParam;
    // Skins
    std::string EBMPOrt, Eskinx, ESkiny, ESkinw, ESkinh;
    // Skin button positions: never shown, only loaded and written back.
    std::string Eminx, Eminy, Eminw, Eminh;
    std::string Eclosex, Eclosey, Eclosew, Ecloseh;

    int ConfigTarget = 0;       // 0 starter.ini, 1 autorun.inf, 2 parameters (runme.bat)
    bool ProjectChanged = false;

    // The state of a new project.
    void ResetToDefaults() { *this = ProjectSettings{}; }

    // Sets ProjectChanged; returns true when it was clear (the caller refreshes the caption).
    bool MarkChanged()
    {
        if (ProjectChanged)
            return false;
        ProjectChanged = true;
        return true;
    }

    bool operator==(const ProjectSettings&) const = default;
};

// The texts of the CbStyle items and the borderstyle values, by index 0..6.
inline constexpr int kBorderStyleCount = 7;
const char* BorderStyleValue(int index);      // "none" ... "minimal"; nullptr outside 0..6
const char* BorderStyleItemText(int index);   // UTF-8 item text of the list; nullptr outside 0..6
int BorderStyleIndex(const std::string& value); // exact match, -1 when unknown

} // namespace qv
