#include "rules/RuntimeSettings.h"

#include "config/ColorText.h"
#include "config/Cp1252.h"
#include "config/KeyNames.h"
#include "rules/PathText.h"

namespace qv::starter {
namespace {

std::optional<int> ParseDigits(std::string_view text, bool allowSign)
{
    bool negative = false;
    if (allowSign && !text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > kLargestMeasure)
        return std::nullopt;
    return negative ? -value : value;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string FromConfigText(const std::string& bytes)
{
    return Cp1252ToUtf8(bytes);
}

std::string ToConfigText(const std::string& utf8)
{
    return Utf8ToCp1252(utf8);
}

std::optional<int> ParseSize(const std::string& text)
{
    const auto value = ParseDigits(text, false);
    if (!value || *value < 1)
        return std::nullopt;
    return value;
}

std::optional<int> ParsePosition(const std::string& text)
{
    return ParseDigits(text, true);
}

std::optional<Rect> ParseSkinArea(const std::string& left, const std::string& top, const std::string& width,
                                  const std::string& height)
{
    const auto x = ParseDigits(left, false);
    const auto y = ParseDigits(top, false);
    const auto w = ParseSize(width);
    const auto h = ParseSize(height);
    if (!x || !y || !w || !h)
        return std::nullopt;
    return Rect{*x, *y, *w, *h};
}

std::optional<Rect> ParseSkinPos(const ProjectSettings& p)
{
    return ParseSkinArea(p.Eskinx, p.ESkiny, p.ESkinw, p.ESkinh);
}

bool IsWebAddress(std::string_view value)
{
    return StartsWithIgnoreCase(value, "http://") || StartsWithIgnoreCase(value, "https://");
}

std::string ResolvePath(const std::string& folder, const std::string& value)
{
    if (value.empty())
        return {};
    if (IsAbsolutePath(value) || IsWindowsPath(value))
        return NormalizePath(value);
    return NormalizePath(folder + "/" + value);
}

RuntimeSettings InterpretSettings(const ProjectSettings& p, const std::string& folder, SettingsText texts)
{
    const auto text = [texts](const std::string& value) {
        return texts == SettingsText::Utf8 ? value : FromConfigText(value);
    };
    RuntimeSettings s;
    s.folder = folder;
    s.startFile = text(p.EHTMLOrt);
    s.caption = text(p.ETitel);
    s.varCaption = p.ChVarTitel;
    s.icon = ResolvePath(folder, text(p.EIconOrt));
    s.maximized = p.ChFullscreen;
    // The loader empties the sizes of a maximized project; they are read all the same.
    s.width = ParseSize(p.EBreite);
    s.height = ParseSize(p.EHoehe);
    s.minWidth = ParseSize(p.EminBreite);
    s.minHeight = ParseSize(p.EminHoehe);
    s.left = ParsePosition(p.Eposx);
    s.top = ParsePosition(p.Eposy);
    // The loader keeps the previous index for an unknown style; the previous project is a new one,
    // so an unknown style is sizeable.
    s.borderStyle = p.CbStyle >= 0 && p.CbStyle < kBorderStyleCount ? static_cast<BorderStyle>(p.CbStyle)
                                                                    : BorderStyle::Sizeable;
    s.onTop = p.ChTop;
    s.hideScrollBars = p.ChScrollbar;
    s.splash = ResolvePath(folder, text(p.ESplashOrt));
    s.fadeIn = p.Chfade;
    s.fadeOut = p.Chfadeout;
    s.skin = ResolvePath(folder, text(p.EBMPOrt));
    s.skinPos = ParseSkinPos(p);
    s.minButton = ParseSkinArea(p.Eminx, p.Eminy, p.Eminw, p.Eminh);
    s.closeButton = ParseSkinArea(p.Eclosex, p.Eclosey, p.Eclosew, p.Ecloseh);
    if (const auto color = HexToColor(p.ETransparencyColor)) {
        s.transparencyColor = Color{static_cast<std::uint8_t>(*color & 0xFF),
                                    static_cast<std::uint8_t>((*color >> 8) & 0xFF),
                                    static_cast<std::uint8_t>((*color >> 16) & 0xFF)};
    }

    s.noContextMenu = p.ChKontext;
    s.noSelectText = p.ChSelect;
    s.moveEverywhere = p.ChMove;
    s.ignoreKeys = p.ChKeyInput;
    for (const std::string& entry : p.LBShortcuts) {
        if (const KeyCode code = TextToKeyCode(entry))
            s.disabledKeys.push_back(code);
    }
    s.exitPassword = text(p.EPasswort);
    const std::string extensions = text(p.EExt);
    std::size_t begin = 0;
    while (begin <= extensions.size()) {
        std::size_t end = extensions.find(',', begin);
        if (end == std::string::npos)
            end = extensions.size();
        std::string item = extensions.substr(begin, end - begin);
        while (!item.empty() && IsBlank(item.back()))
            item.pop_back();
        std::size_t first = 0;
        while (first < item.size() && (IsBlank(item[first]) || item[first] == '.'))
            ++first;
        item.erase(0, first);
        for (char& c : item) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        }
        if (!item.empty())
            s.external.push_back(item);
        begin = end + 1;
    }
    s.execute = text(p.EZusatzProgOrt);
    s.executeParam = text(p.EExeParam);
    s.executeOnClose = text(p.EZusatzProgOrt2);
    s.executeParamOnClose = text(p.EExeParam2);
    s.uac = p.ChAdmin;
    s.newWindowAction = p.newWindowAction;
    s.popupParam = text(p.EPopupParam);
    return s;
}

} // namespace qv::starter
