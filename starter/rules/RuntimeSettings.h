#pragma once

#include "config/ProjectSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv::starter {

// The seven border styles in the order of the designer's list (index = CbStyle).
enum class BorderStyle { None, Sizeable, Dialog, Single, Tool, SizeTool, Minimal };

// A rectangle in pixels (a skin's areas).
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
    bool operator==(const Rect&) const = default;
};

struct Color {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Color&) const = default;
};

// The configuration as the runtime acts on it: the loaded ProjectSettings interpreted once. What
// each key does, its default and what a value that does not parse means are listed in one table,
// starter/README.md; this struct follows that table field by field. A value that does not parse
// is treated as not given (empty optional, default flag).
//
// Texts are UTF-8 (converted once from the configuration's Windows-1252). Paths are UTF-8 with
// "/" as the separator; resolved paths are absolute against `folder`.
struct RuntimeSettings {
    std::string folder;          // folder of the configuration's source, ends with "/"
    bool found = true;           // false when no source held any settings
    std::string iniName;         // the .ini file looked for ("starter.ini", "menu.ini"), for messages

    std::string startFile;       // as configured ("\" kept); empty when not given
    std::string caption;
    bool varCaption = false;
    std::string icon;            // resolved path, empty when not given
    std::optional<int> width, height, minWidth, minHeight, left, top;
    bool maximized = false;
    BorderStyle borderStyle = BorderStyle::Sizeable;
    bool onTop = false;
    bool hideScrollBars = false;
    std::string splash;          // resolved path
    bool fadeIn = false, fadeOut = false;
    std::string skin;            // resolved path
    std::optional<Rect> skinPos;
    std::optional<Rect> minButton, closeButton; // areas of the skin that minimise and close
    std::optional<Color> transparencyColor;

    bool noContextMenu = false, noSelectText = false, moveEverywhere = false, ignoreKeys = false;
    std::vector<int> disabledKeys; // key codes: virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt
    std::string exitPassword;
    std::vector<std::string> external; // extensions, lower case (ASCII), without dots
    std::string execute, executeParam, executeOnClose, executeParamOnClose;
    bool uac = false;
    NewWindowAction newWindowAction = NewWindowAction::Default;
    std::string popupParam;
};

inline constexpr int kDefaultWidth = 800;
inline constexpr int kDefaultHeight = 600;
inline constexpr int kLargestMeasure = 16384;

// Interprets a loaded project. `folder` is the folder of the configuration's source (UTF-8, ends
// with "/"); relative paths are resolved against it.
// How the settings' texts are encoded: Windows-1252 in the configuration files, UTF-8 on the
// command line (Windows hands it over in Unicode, Linux in UTF-8).
enum class SettingsText { Cp1252, Utf8 };
RuntimeSettings InterpretSettings(const ProjectSettings& project, const std::string& folder,
                                  SettingsText texts = SettingsText::Cp1252);

// A size in pixels: decimal digits only, 1..kLargestMeasure; nullopt otherwise.
std::optional<int> ParseSize(const std::string& text);
// A position in pixels: an optional "-" and decimal digits, within +-kLargestMeasure.
std::optional<int> ParsePosition(const std::string& text);
// "left,top,width,height" from the four skinpos fields; nullopt unless all four parse (left and
// top as positions >= 0, width and height as sizes).
std::optional<Rect> ParseSkinPos(const ProjectSettings& project);
// An area of the skin from four fields under the same rule as skinpos (minbuttonpos, closebuttonpos).
std::optional<Rect> ParseSkinArea(const std::string& left, const std::string& top, const std::string& width,
                                  const std::string& height);

// True for a value that names an http:// or https:// address (any letter case).
bool IsWebAddress(std::string_view value);
// A path of the configuration against `folder`: "\" and "/" both separate; an absolute path
// (leading separator, a drive letter and colon, a UNC root) is taken as it is; the result is
// normalized (NormalizePath); empty stays empty.
std::string ResolvePath(const std::string& folder, const std::string& value);

// Windows-1252 bytes of the configuration as UTF-8, and back.
std::string FromConfigText(const std::string& bytes);
std::string ToConfigText(const std::string& utf8);

} // namespace qv::starter
