#include "RuntimeSettings.h"

#include "ColorText.h"
#include "Cp1252.h"
#include "KeyNames.h"

#include <QDir>

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

} // namespace

QString FromConfigText(const std::string& bytes)
{
    return QString::fromStdString(Cp1252ToUtf8(bytes));
}

std::string ToConfigText(const QString& text)
{
    return Utf8ToCp1252(text.toStdString());
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

std::optional<QRect> ParseSkinArea(const std::string& left, const std::string& top, const std::string& width,
                                   const std::string& height)
{
    const auto x = ParseDigits(left, false);
    const auto y = ParseDigits(top, false);
    const auto w = ParseSize(width);
    const auto h = ParseSize(height);
    if (!x || !y || !w || !h)
        return std::nullopt;
    return QRect(*x, *y, *w, *h);
}

std::optional<QRect> ParseSkinPos(const ProjectSettings& p)
{
    return ParseSkinArea(p.Eskinx, p.ESkiny, p.ESkinw, p.ESkinh);
}

bool IsWebAddress(const QString& value)
{
    return value.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           value.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QString ResolvePath(const QString& folder, const QString& value)
{
    if (value.isEmpty())
        return {};
    QString path = value;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool drive = path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter();
    if (path.startsWith(QLatin1Char('/')) || drive)
        return QDir::cleanPath(path);
    return QDir::cleanPath(folder + path);
}

RuntimeSettings InterpretSettings(const ProjectSettings& p, const QString& folder)
{
    RuntimeSettings s;
    s.folder = folder;
    s.startFile = FromConfigText(p.EHTMLOrt);
    s.caption = FromConfigText(p.ETitel);
    s.varCaption = p.ChVarTitel;
    s.icon = ResolvePath(folder, FromConfigText(p.EIconOrt));
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
    s.splash = ResolvePath(folder, FromConfigText(p.ESplashOrt));
    s.fadeIn = p.Chfade;
    s.fadeOut = p.Chfadeout;
    s.skin = ResolvePath(folder, FromConfigText(p.EBMPOrt));
    s.skinPos = ParseSkinPos(p);
    s.minButton = ParseSkinArea(p.Eminx, p.Eminy, p.Eminw, p.Eminh);
    s.closeButton = ParseSkinArea(p.Eclosex, p.Eclosey, p.Eclosew, p.Ecloseh);
    if (const auto color = HexToColor(p.ETransparencyColor))
        s.transparencyColor = QColor(*color & 0xFF, (*color >> 8) & 0xFF, (*color >> 16) & 0xFF);

    s.noContextMenu = p.ChKontext;
    s.noSelectText = p.ChSelect;
    s.moveEverywhere = p.ChMove;
    s.ignoreKeys = p.ChKeyInput;
    for (const std::string& entry : p.LBShortcuts) {
        if (const KeyCode code = TextToKeyCode(entry))
            s.disabledKeys.push_back(code);
    }
    s.exitPassword = FromConfigText(p.EPasswort);
    for (const QString& ext : FromConfigText(p.EExt).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QString clean = ext.trimmed().toLower();
        while (clean.startsWith(QLatin1Char('.')))
            clean.remove(0, 1);
        if (!clean.isEmpty())
            s.external.push_back(clean);
    }
    s.execute = FromConfigText(p.EZusatzProgOrt);
    s.executeParam = FromConfigText(p.EExeParam);
    s.executeOnClose = FromConfigText(p.EZusatzProgOrt2);
    s.executeParamOnClose = FromConfigText(p.EExeParam2);
    s.uac = p.ChAdmin;
    s.newWindowAction = p.newWindowAction;
    s.popupParam = FromConfigText(p.EPopupParam);
    return s;
}

} // namespace qv::starter
