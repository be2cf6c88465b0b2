#include "config/Loader.h"

#include "config/Cp1252.h"
#include "config/HintRules.h"
#include "config/KeyNames.h"
#include "config/Paths.h"
#include "config/StarterContract.h"

#include <algorithm>

namespace qv {

const char* ChooseSettingsSection(const ProfileFile& file)
{
    return file.HasSection(starter::kSettingsSection) ? starter::kSettingsSection
                                                      : starter::kLegacySettingsSection;
}

std::string NthField(std::string_view text, int n)
{
    std::string_view copy = text;
    for (int i = 1; i <= n; ++i) {
        const std::size_t comma = copy.find(',');
        if (i == n)
            return std::string(comma == std::string_view::npos ? copy : copy.substr(0, comma));
        if (comma == std::string_view::npos)
            return {};
        copy.remove_prefix(comma + 1);
    }
    return {};
}

std::vector<std::string> SplitCommaText(std::string_view value)
{
    // A NUL byte ends the text, as it ends a character string.
    if (const std::size_t nul = value.find('\0'); nul != std::string_view::npos)
        value = value.substr(0, nul);
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };

    std::vector<std::string> items;
    std::size_t p = 0;
    while (p < value.size() && isBlank(value[p]))
        ++p;
    while (p < value.size()) {
        std::string item;
        if (value[p] == '"') {
            ++p;
            while (p < value.size()) {
                if (value[p] == '"') {
                    if (p + 1 < value.size() && value[p + 1] == '"') {
                        item.push_back('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item.push_back(value[p++]);
            }
        } else {
            const std::size_t from = p;
            while (p < value.size() && !isBlank(value[p]) && value[p] != ',')
                ++p;
            item.assign(value.substr(from, p - from));
        }
        items.push_back(std::move(item));
        while (p < value.size() && isBlank(value[p]))
            ++p;
        if (p < value.size() && value[p] == ',') {
            if (p + 1 == value.size())
                items.emplace_back();
            do {
                ++p;
            } while (p < value.size() && isBlank(value[p]));
        }
    }
    return items;
}

std::vector<std::string> KeyListFromValue(std::string_view value)
{
    std::vector<std::string> items = SplitCommaText(value);
    std::stable_sort(items.begin(), items.end(),
                     [](const std::string& a, const std::string& b) { return CompareIgnoreCase(a, b) < 0; });
    std::vector<std::string> keys;
    keys.reserve(items.size());
    for (const std::string& item : items) {
        if (const auto number = ParseWholeNumber(item, false))
            keys.push_back(KeyCodeToText(static_cast<KeyCode>(static_cast<std::uint32_t>(*number) & 0xFFFF)));
    }
    return keys;
}

LoadResult LoadSettings(const ProfileFile& file, std::string_view path, const ProjectSettings& previous)
{
    const char* section = ChooseSettingsSection(file);
    return LoadSettingsFrom([&](std::string_view key) { return file.Find(section, key); },
                            file.HasSection(starter::kSettingsSection) ||
                                file.HasSection(starter::kLegacySettingsSection),
                            path, previous);
}

LoadResult LoadSettingsFrom(const SettingLookup& lookup, bool hasSettingsSection, std::string_view path,
                            const ProjectSettings& previous)
{
    LoadResult result;
    result.hasSettingsSection = hasSettingsSection;

    ProjectSettings& p = result.settings;
    p.ConfigTarget = path.empty() ? 0 : TargetForPath(path);
    p.ESpeicherort = FolderPart(path);

    const auto read = [&](const char* key, const char* fallback) {
        std::optional<std::string> value = lookup(key);
        return value ? std::move(*value) : std::string(fallback);
    };
    const auto flag = [&](const char* key, const char* fallback, const char* setWhen) {
        return read(key, fallback) == setWhen;
    };

    p.EHTMLOrt = read("startfile", "");
    p.ETitel = read("caption", "");
    p.EIconOrt = read("icon", "");
    p.EBreite = read("width", "");
    p.EHoehe = read("height", "");
    p.EminBreite = read("minwidth", "");
    p.EminHoehe = read("minheight", "");
    p.Eposx = read("left", "");
    p.Eposy = read("top", "");
    p.ChVarTitel = flag("varcaption", "0", "1");
    p.ChFullscreen = flag("maximized", "0", "1");
    p.ChKontext = flag("contextmenu", "1", "0");
    p.ChScrollbar = flag("scrollbar", "1", "0");
    p.ChSelect = flag("selecttext", "1", "0");
    p.Chfade = flag("fadein", "0", "1");
    p.Chfadeout = flag("fadeout", "0", "1");
    p.ChTop = flag("ontop", "0", "1");
    p.ChMove = flag("moveeverywhere", "0", "1");
    p.ChKeyInput = flag("keyinput", "1", "0");
    const int style = BorderStyleIndex(read("borderstyle", "sizeable"));
    p.CbStyle = style >= 0 ? style : previous.CbStyle;
    p.EExt = read("external", "");
    const std::string action = read("exenewwindow", "0");
    p.newWindowAction = action == "1"   ? NewWindowAction::Execute
                        : action == "2" ? NewWindowAction::Ignore
                        : action == "3" ? NewWindowAction::Popup
                                        : NewWindowAction::Default;
    p.EPopupParam = read("popupparam", "");
    p.ChAdmin = flag("uac", "0", "1");
    p.EZusatzProgOrt = read("execute", "");
    p.EExeParam = read("executeparam", "");
    p.EZusatzProgOrt2 = read("executeonclose", "");
    p.EExeParam2 = read("executeparamonclose", "");
    p.EPasswort = read("exitpw", "");
    p.EBMPOrt = read("skin", "");
    // A measure of four comma-separated fields (left, top, width, height).
    const auto readFour = [&](const char* key, std::string& a, std::string& b, std::string& c, std::string& d) {
        const std::string value = read(key, "");
        a = NthField(value, 1);
        b = NthField(value, 2);
        c = NthField(value, 3);
        d = NthField(value, 4);
    };
    readFour("skinpos", p.Eskinx, p.ESkiny, p.ESkinw, p.ESkinh);
    readFour("minbuttonpos", p.Eminx, p.Eminy, p.Eminw, p.Eminh);
    readFour("closebuttonpos", p.Eclosex, p.Eclosey, p.Eclosew, p.Ecloseh);
    p.ESplashOrt = read("splash", "");
    p.ETransparencyColor = read("transparencycolor", "");
    p.LBShortcuts = KeyListFromValue(read("disabledkeylist", ""));

    // Full screen leaves no window size: the size fields are empty exactly when the file's own
    // maximized is set, whatever project was open before.
    if (p.ChFullscreen) {
        p.EBreite.clear();
        p.EHoehe.clear();
        p.EminBreite.clear();
        p.EminHoehe.clear();
    }
    return result;
}

const ProfileFile::Keep& SettingsKeep()
{
    // The two settings sections with the keys LoadSettings reads; nothing else of a file is kept.
    static const ProfileFile::Keep keep{
        {starter::kSettingsSection, starter::kLegacySettingsSection},
        {"startfile", "caption", "icon", "width", "height", "minwidth", "minheight", "left", "top",
         "varcaption", "maximized", "contextmenu", "scrollbar", "selecttext", "fadein", "fadeout", "ontop",
         "moveeverywhere", "keyinput", "borderstyle", "external", "exenewwindow", "popupparam", "uac",
         "execute", "executeparam", "executeonclose", "executeparamonclose", "exitpw", "skin", "skinpos",
         "minbuttonpos", "closebuttonpos", "splash", "transparencycolor", "disabledkeylist"}};
    return keep;
}

LoadResult LoadConfiguration(const std::string& path, const ProjectSettings& previous)
{
    const ProfileFile file = path.empty() ? ProfileFile() : ProfileFile::Load(path, SettingsKeep());
    LoadResult result = LoadSettings(file, path, previous);
    result.status = file.status();
    return result;
}

} // namespace qv
