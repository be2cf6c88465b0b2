#include "rules/Messages.h"

namespace qv::starter {

std::string HtmlEscaped(const std::string& text)
{
    std::string result;
    for (const char c : text) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '"': result += "&quot;"; break;
        default: result += c;
        }
    }
    return result;
}

std::string MissingStartPageHtml(const std::string& startFile, bool settingsFound, const std::string& iniName)
{
    std::string text;
    if (!settingsFound) {
        text = "<h1>Keine Einstellungen gefunden</h1>"
               "<p>Der Starter hat weder Parameter noch eine Datei „" + HtmlEscaped(iniName) +
               "“ oder „autorun.inf“ mit Einstellungen gefunden.</p>";
    } else if (startFile.empty()) {
        text = "<h1>Keine Startseite eingetragen</h1>"
               "<p>In den Einstellungen ist keine Startseite („startfile“) angegeben.</p>";
    } else {
        text = "<h1>Startseite nicht gefunden</h1>"
               "<p>Die Startseite „" + HtmlEscaped(startFile) +
               "“ wurde nicht gefunden oder kann nicht gelesen werden.</p>"
               "<p>Bitte prüfe den Pfad in den Einstellungen („startfile“).</p>";
    }
    return "<!DOCTYPE html><html lang=\"de\"><head><meta charset=\"utf-8\">"
           "<title>Starter</title></head>"
           "<body style=\"font-family:sans-serif;margin:2em;color:#222\">" + text + "</body></html>";
}

} // namespace qv::starter
