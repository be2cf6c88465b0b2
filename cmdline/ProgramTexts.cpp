#include "cmdline/ProgramTexts.h"

namespace qv::cmdline {

std::string ProgramName(Program program)
{
    switch (program) {
    case Program::Designer:
        return "quorvane";
    case Program::Runtime:
        return "quorvane-starter";
    case Program::Qvr:
        break;
    }
    return "qvr";
}

std::string ProjectVersion()
{
    return QUORVANE_VERSION;
}

std::string VersionText(Program program)
{
    return ProgramName(program) + " (Quorvane) " + ProjectVersion() +
           "\n"
           "Lizenz: GNU GPL, Version 3 oder neuer (GPL-3.0-or-later).\n"
           "Dies ist freie Software ohne jede Gewährleistung.\n";
}

std::string DesignerHelp()
{
    return "Aufruf: quorvane [DATEI]\n"
           "Gestaltet Autostart-Menüs für CDs und DVDs: ein deutscher Assistent, der die\n"
           "Konfiguration des Starters schreibt (starter.ini, autorun.inf oder runme.bat).\n"
           "\n"
           "  DATEI                eine Konfiguration (starter.ini oder autorun.inf), die beim\n"
#ifdef _WIN32
           "                       Start geöffnet wird; ein relativer Pfad wird neben dem\n"
           "                       Programm gesucht\n"
#else
           "                       Start geöffnet wird; ein relativer Pfad wird zuerst neben\n"
           "                       dem Programm gesucht, dann im aktuellen Ordner\n"
#endif
           "  --grab BILD          speichert ein Bild des Fensters als PNG und beendet sich\n"
           "  --grab-pages ORDNER  speichert ein Bild jeder Seite in ORDNER und beendet sich\n"
           "  --help, -h           zeigt diese Hilfe\n"
           "  --version            zeigt die Version\n"
           "\n"
#ifdef _WIN32
           "Konfigurationen ohne Fenster umwandeln und prüfen: qvr.exe (qvr.exe --help).\n"
           "Exit-Codes: 0 nach dem Schließen des Fensters, 2 bei falschem Aufruf.\n";
#else
           "Der Designer braucht einen Bildschirm (X11 oder Wayland); ohne einen endet er mit\n"
           "Exit-Code 2. Ohne Bildschirm arbeitet qvr (qvr --help).\n"
           "Exit-Codes: 0 nach dem Schließen des Fensters, 2 bei falschem Aufruf oder ohne\n"
           "Bildschirm.\n";
#endif
}

std::string RuntimeHelp()
{
    return "Aufruf: quorvane-starter [--folder ORDNER] [/SCHLÜSSEL=WERT ...]\n"
           "Zeigt die Startseite eines Autostart-Menüs in einem eigenen Fenster, so wie die\n"
           "Konfiguration es beschreibt.\n"
           "\n"
           "  --folder ORDNER   liest die Konfiguration aus ORDNER (starter.ini, sonst\n"
           "                    autorun.inf) statt aus dem Ordner des Programms; relative\n"
           "                    Pfade gelten von ORDNER aus\n"
           "  /SCHLÜSSEL=WERT   eine Einstellung wie in runme.bat, z. B. /caption=Menü;\n"
           "                    Parameter gehen den Einstellungen der Dateien vor\n"
           "  --help, -h        zeigt diese Hilfe\n"
           "  --version         zeigt die Version\n"
           "\n"
           "Ohne --folder: die Parameter, sonst PROGRAMMNAME.ini neben dem Programm, sonst\n"
           "autorun.inf dort. Die Schlüssel beschreibt die Handbuchseite quorvane-starter(1).\n"
           "Exit-Codes: 0 nach dem Schließen des Fensters, 2 bei falschem Aufruf oder ohne\n"
           "Bildschirm.\n";
}

} // namespace qv::cmdline
