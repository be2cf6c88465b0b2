#include "config/HintRules.h"

#include "config/ColorText.h"
#include "config/Cp1252.h"
#include "config/KeyNames.h"

#include <limits>

namespace qv {
namespace {

// The hint texts, converted to Windows-1252 once.
struct HintTexts {
    std::string noStartPage = W("Es muss eine Datei als Startseite eingetragen werden!");
    std::string storage = W("Der angegebene Speicherort fehlt oder ist nicht gültig. Alle weiteren "
                            "Pfadangaben können dadurch nicht automatisch festgestellt werden.");
    std::string skinRelative = W("Der Pfad zum Bild des Skins sollte relativ sein.");
    std::string pageRelative = W("Der Pfad zur Webseite sollte relativ sein.");
    std::string iconRelative = W("Der Pfad zum Icon sollte relativ sein.");
    std::string programRelative = W("Der Pfad zum extern zu startenden Programm sollte relativ sein.");
    std::string splashRelative = W("Der Pfad zum Bild des Splash Screens sollte relativ sein.");
    std::string noIco = W("Der angegebene Pfad zum Icon zeigt auf keine ico-Datei.");
    std::string skinMeasures = W("Um einen Skin zu verwenden, müssen alle Positionsangaben gemacht werden.");
    std::string skinUseless = W("Die Positionsangaben des Skins sind unnütz, wenn kein Bild als "
                                "Hintergrund gewählt wurde.");
    std::string extBlank = W("Die Liste mit den direkt auszuführenden Erweiterungen sollte keine "
                             "Leerzeichen beinhalten.");
    std::string sizeWithSkin = W("Die Angabe der Fenstergröße ist unnötig, wenn ein Skin gewählt wurde.");
    std::string minWidth = W("Die minimale Breite ist größer als die angegebene Breite.");
    std::string minHeight = W("Die minimale Höhe ist größer als die angegebene Höhe.");
    std::string popupParam = W("Links zu neuen Fenstern werden nicht mit QVR geöffnet. Daher ist die "
                               "Angabe der Popup-Startparameter überflüssig.");
    std::string programMissing = W("Der Pfad des externen Programms, welches mit den eingetragenen "
                                   "Parametern gestartet werden soll, ist leer.");
    std::string moveScroll = W("Scrollleisten innerhalb des Starters können nicht mit der Maus bedient "
                               "werden, da diese zum Verschieben des Fensters genutzt wird.");
    std::string keysIgnored = W("Das Deaktivieren einzelner Tasten hat keine Wirkung, wenn alle Tasten "
                                "ignoriert werden.");
    std::string badColor = W("Transparente Farbe ist ungültig.");
    std::string badKey = W("Folgende Taste konnte nicht verarbeitet werden: ");
};

const HintTexts& Texts()
{
    static const HintTexts texts;
    return texts;
}

// The reading of rules 13 and 14: a text that is not a whole number counts as `fallback`.
std::int32_t NumberOr(const std::string& text, std::int32_t fallback)
{
    return ParseWholeNumber(text, true).value_or(fallback);
}

} // namespace

bool IsAbsolutePath(std::string_view text)
{
    const std::size_t pos = text.find(":\\");
    if (pos == 1)
        return true;
#ifndef _WIN32
    if (text.size() >= 1 && text[0] == '/' && (text.size() == 1 || text[1] != '/'))
        return true;
#endif
    return false;
}

std::string_view PathExtension(std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string_view ext = path.substr(dot);
    if (ext.find_first_of("\\:") != std::string_view::npos)
        return {};
    return ext;
}

std::optional<std::int32_t> ParseWholeNumber(std::string_view text, bool skipLeadingBlanks)
{
    std::size_t i = 0;
    if (skipLeadingBlanks) {
        while (i < text.size() && text[i] == ' ')
            ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int d = HexDigitValue(text[i]);
        if (d < 0 || d >= base)
            return std::nullopt;
        magnitude = magnitude * base + d;
        if (magnitude > std::int64_t{1} << 32)
            return std::nullopt; // far out of range; stop before it can overflow
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

void AddHints(const ProjectSettings& p, std::vector<std::string>& hints)
{
    const HintTexts& t = Texts();
    const bool anySkinMeasure = !p.Eskinx.empty() || !p.ESkiny.empty() || !p.ESkinh.empty() || !p.ESkinw.empty();
    const bool allSkinMeasures = !p.Eskinx.empty() && !p.ESkiny.empty() && !p.ESkinh.empty() && !p.ESkinw.empty();

    if (p.EHTMLOrt.empty())
        hints.push_back(t.noStartPage);
    if (p.ESpeicherort.empty() || !IsAbsolutePath(p.ESpeicherort))
        hints.push_back(t.storage);
    if (IsAbsolutePath(p.EBMPOrt))
        hints.push_back(t.skinRelative);
    if (IsAbsolutePath(p.EHTMLOrt))
        hints.push_back(t.pageRelative);
    if (IsAbsolutePath(p.EIconOrt))
        hints.push_back(t.iconRelative);
    if (IsAbsolutePath(p.EZusatzProgOrt))
        hints.push_back(t.programRelative);
    if (IsAbsolutePath(p.ESplashOrt))
        hints.push_back(t.splashRelative);
    if (!p.EIconOrt.empty()) {
        const std::string_view ext = PathExtension(p.EIconOrt);
        std::string upper;
        for (char c : ext)
            upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c);
        if (upper != ".ICO")
            hints.push_back(t.noIco);
    }
    if (!p.EBMPOrt.empty() && !allSkinMeasures)
        hints.push_back(t.skinMeasures);
    if (anySkinMeasure && p.EBMPOrt.empty())
        hints.push_back(t.skinUseless);
    if (p.EExt.find(' ') != std::string::npos)
        hints.push_back(t.extBlank);
    if (!p.EBMPOrt.empty()
        && (!p.EBreite.empty() || !p.EHoehe.empty() || !p.EminBreite.empty() || !p.EminHoehe.empty()))
        hints.push_back(t.sizeWithSkin);
    if (NumberOr(p.EminBreite, 0) > NumberOr(p.EBreite, 99999))
        hints.push_back(t.minWidth);
    if (NumberOr(p.EminHoehe, 0) > NumberOr(p.EHoehe, 99999))
        hints.push_back(t.minHeight);
    if (!p.EPopupParam.empty() && p.newWindowAction != NewWindowAction::Popup)
        hints.push_back(t.popupParam);
    if (!p.EExeParam.empty() && p.EZusatzProgOrt.empty())
        hints.push_back(t.programMissing);
    if (!p.EExeParam2.empty() && p.EZusatzProgOrt2.empty())
        hints.push_back(t.programMissing);
    if (p.ChMove && !p.ChScrollbar)
        hints.push_back(t.moveScroll);
    if (p.ChKeyInput && !p.LBShortcuts.empty())
        hints.push_back(t.keysIgnored);
    if (!p.ETransparencyColor.empty() && !HexToColor(p.ETransparencyColor))
        hints.push_back(t.badColor);
}

std::string DisabledKeyText(const std::vector<std::string>& keys, std::vector<std::string>& hints)
{
    std::string text;
    for (const std::string& entry : keys) {
        const KeyCode code = TextToKeyCode(entry);
        if (code != 0) {
            text += std::to_string(code);
            text += ',';
        } else {
            hints.push_back(Texts().badKey + '"' + entry + '"');
        }
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

} // namespace qv
