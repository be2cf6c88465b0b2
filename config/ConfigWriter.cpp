#include "config/ConfigWriter.h"

#include "config/Cp1252.h"
#include "config/HintRules.h"
#include "config/StarterContract.h"

#include <algorithm>

namespace qv {
namespace {

bool NeedsQuotes(std::string_view value)
{
    // A blank splits the parameter; the others are command separators or redirections of the
    // command processor, which must not act on a value of the batch file.
    return value.find_first_of(" &|<>^") != std::string_view::npos;
}

// A measure of four fields, written joined by "," only when all four are given.
void AppendFour(ConfigEmitter& out, std::string_view key, const std::string& a, const std::string& b,
                const std::string& c, const std::string& d)
{
    if (a.empty() || b.empty() || c.empty() || d.empty())
        return;
    out.AppendSetting(key, a + ',' + b + ',' + c + ',' + d);
}

} // namespace

std::string QuoteParameter(std::string_view value)
{
    std::string out;
    out.reserve(value.size() + 2);
    for (char c : value) {
        if (c != '"')
            out.push_back(c);
    }
    if (NeedsQuotes(out))
        return '"' + out + '"';
    return out;
}

ConfigEmitter::ConfigEmitter(int target)
    : target_(target)
{
    if (target_ == 2)
        lines_.emplace_back(starter::kExecutable);
}

void ConfigEmitter::AppendSetting(std::string_view key, std::string_view value)
{
    if (value.empty())
        return;
    if (target_ == 2) {
        std::string& line = lines_.back();
        line += " /";
        line += key;
        line += '=';
        line += QuoteParameter(value);
        return;
    }
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line += key;
    line += '=';
    line += value;
    lines_.push_back(std::move(line));
}

void ConfigEmitter::AppendLine(std::string_view text)
{
    if (target_ == 2) {
        std::string& line = lines_.back();
        line += " /";
        line += QuoteParameter(text);
        return;
    }
    lines_.emplace_back(text);
}

BuildResult BuildConfiguration(const ProjectSettings& p, int target)
{
    if (target < 0 || target > 2)
        target = 0;
    BuildResult result;
    AddHints(p, result.hints);
    result.disabledKeyText = DisabledKeyText(p.LBShortcuts, result.hints);

    ConfigEmitter out(target);
    if (target == 1) {
        out.AppendLine("[autorun]");
        out.AppendLine("open=starter.exe");
        out.AppendSetting("icon", p.EIconOrt);
        out.AppendLine("");
    }
    if (target != 2)
        out.AppendLine("[quorvane]");

    out.AppendSetting("startfile", p.EHTMLOrt);
    out.AppendSetting("caption", p.ETitel);
    out.AppendSetting("icon", p.EIconOrt);
    out.AppendSetting("width", p.EBreite);
    out.AppendSetting("height", p.EHoehe);
    out.AppendSetting("minwidth", p.EminBreite);
    out.AppendSetting("minheight", p.EminHoehe);
    out.AppendSetting("left", p.Eposx);
    out.AppendSetting("top", p.Eposy);
    if (p.ChVarTitel)
        out.AppendLine("varcaption=1");
    if (p.ChFullscreen)
        out.AppendLine("maximized=1");
    if (p.ChKontext)
        out.AppendLine("contextmenu=0");
    if (p.ChScrollbar)
        out.AppendLine("scrollbar=0");
    if (p.ChSelect)
        out.AppendLine("selecttext=0");
    if (p.Chfade)
        out.AppendLine("fadein=1");
    if (p.Chfadeout)
        out.AppendLine("fadeout=1");
    if (p.ChTop)
        out.AppendLine("ontop=1");
    if (p.ChMove)
        out.AppendLine("moveeverywhere=1");
    if (p.ChKeyInput)
        out.AppendLine("keyinput=0");
    if (const char* style = BorderStyleValue(p.CbStyle))
        out.AppendLine(std::string("borderstyle=") + style);
    out.AppendSetting("external", p.EExt);
    switch (p.newWindowAction) {
    case NewWindowAction::Execute: out.AppendLine("exenewwindow=1"); break;
    case NewWindowAction::Ignore: out.AppendLine("exenewwindow=2"); break;
    case NewWindowAction::Popup: out.AppendLine("exenewwindow=3"); break;
    case NewWindowAction::Default: break;
    }
    out.AppendSetting("popupparam", p.EPopupParam);
    if (p.ChAdmin)
        out.AppendLine("uac=1");
    out.AppendSetting("execute", p.EZusatzProgOrt);
    out.AppendSetting("executeparam", p.EExeParam);
    out.AppendSetting("executeonclose", p.EZusatzProgOrt2);
    out.AppendSetting("executeparamonclose", p.EExeParam2);
    out.AppendSetting("exitpw", p.EPasswort);
    out.AppendSetting("skin", p.EBMPOrt);
    if (!p.EBMPOrt.empty()) {
        AppendFour(out, "skinpos", p.Eskinx, p.ESkiny, p.ESkinw, p.ESkinh);
        AppendFour(out, "minbuttonpos", p.Eminx, p.Eminy, p.Eminw, p.Eminh);
        AppendFour(out, "closebuttonpos", p.Eclosex, p.Eclosey, p.Eclosew, p.Ecloseh);
    }
    out.AppendSetting("splash", p.ESplashOrt);
    out.AppendSetting("transparencycolor", p.ETransparencyColor);
    out.AppendSetting("disabledkeylist", result.disabledKeyText);

    result.configText = out.Take();
    return result;
}

ConfigText FileLines(const ConfigText& lines, int target)
{
    if (target != 2)
        return lines;
    const bool beyondAscii = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    });
    if (!beyondAscii)
        return lines;
    ConfigText withCodePage;
    withCodePage.reserve(lines.size() + 1);
    withCodePage.emplace_back(kBatchCodePageLine);
    withCodePage.insert(withCodePage.end(), lines.begin(), lines.end());
    return withCodePage;
}

std::string ConfigFileBytes(const ConfigText& text, int target)
{
    const ConfigText lines = FileLines(text, target);
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const std::string& line : lines) {
        if (target == 2) {
            for (char c : line) {
                bytes.push_back(c);
                if (c == '%')
                    bytes.push_back('%');
            }
        } else {
            bytes += line;
        }
        bytes += "\r\n";
    }
    return bytes;
}

const char* TargetFileName(int target)
{
    switch (target) {
    case 1: return starter::kAutorunFile;
    case 2: return starter::kBatchFile;
    default: return starter::kIniFile;
    }
}

const char* TargetDescription(int target)
{
    switch (target) {
    case 1:
        return "Der Starter liest alle Einstellungen aus der Datei 'autorun.inf'. Diese kann zusammen mit "
               "der Anwendung auf CD/DVD kopiert werden, damit das Autostart-Menü mit dem Einlegen der "
               "Disc automatisch ausgeführt wird.";
    case 2:
        return "Nur für Fortgeschrittene: Der Starter kann direkt über Programmparameter (bespielsweise "
               "durch eine Verknüpfung oder eine Batch-Datei) gesteuert werden.";
    default:
        return "Die Anwendung 'starter.exe' liest alle Einstellungen aus der gleichnamigen Datei mit der "
               "Endung '.ini', sofern sie sich im gleichen Verzeichnis befindet.";
    }
}

std::string HintCounterText(std::size_t count)
{
    if (count == 0)
        return {};
    if (count == 1)
        return "Es ist 1 Hinweis vorhanden!";
    return "Es sind " + std::to_string(count) + " Hinweise vorhanden!";
}

std::string HintWindowText(const HintList& hints)
{
    std::string text;
    for (std::size_t i = 0; i < hints.size(); ++i) {
        if (i > 0)
            text += "\n\n";
        text += "- ";
        text += hints[i];
    }
    return text;
}

} // namespace qv
