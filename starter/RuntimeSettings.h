#pragma once

#include "ProjectSettings.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qv::starter {

// The seven border styles in the order of the designer's list (index = CbStyle).
enum class BorderStyle { None, Sizeable, Dialog, Single, Tool, SizeTool, Minimal };

// The configuration as the runtime acts on it: the loaded ProjectSettings interpreted once. What
// each key does, its default and what a value that does not parse means are listed in one table,
// starter/README.md; this struct follows that table field by field. A value that does not parse
// is treated as not given (empty optional, default flag).
struct RuntimeSettings {
    QString folder;              // folder of the configuration's source, ends with "/"
    bool found = true;           // false when no source held any settings

    QString startFile;           // as configured ("\" kept); empty when not given
    QString caption;
    bool varCaption = false;
    QString icon;                // resolved path, empty when not given
    std::optional<int> width, height, minWidth, minHeight, left, top;
    bool maximized = false;
    BorderStyle borderStyle = BorderStyle::Sizeable;
    bool onTop = false;
    bool hideScrollBars = false;
    QString splash;              // resolved path
    bool fadeIn = false, fadeOut = false;
    QString skin;                // resolved path
    std::optional<QRect> skinPos;
    std::optional<QRect> minButton, closeButton; // areas of the skin that minimise and close
    std::optional<QColor> transparencyColor;

    bool noContextMenu = false, noSelectText = false, moveEverywhere = false, ignoreKeys = false;
    std::vector<int> disabledKeys; // key codes: virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt
    QString exitPassword;
    QStringList external;        // extensions, lower case, without dots
    QString execute, executeParam, executeOnClose, executeParamOnClose;
    bool uac = false;
    NewWindowAction newWindowAction = NewWindowAction::Default;
    QString popupParam;
};

inline constexpr int kDefaultWidth = 800;
inline constexpr int kDefaultHeight = 600;
inline constexpr int kLargestMeasure = 16384;

// Interprets a loaded project. `folder` is the folder of the configuration's source (ends with
// the separator); relative paths are resolved against it.
RuntimeSettings InterpretSettings(const ProjectSettings& project, const QString& folder);

// A size in pixels: decimal digits only, 1..kLargestMeasure; nullopt otherwise.
std::optional<int> ParseSize(const std::string& text);
// A position in pixels: an optional "-" and decimal digits, within +-kLargestMeasure.
std::optional<int> ParsePosition(const std::string& text);
// "left,top,width,height" from the four skinpos fields; nullopt unless all four parse (left and
// top as positions >= 0, width and height as sizes).
std::optional<QRect> ParseSkinPos(const ProjectSettings& project);
// An area of the skin from four fields under the same rule as skinpos (minbuttonpos, closebuttonpos).
std::optional<QRect> ParseSkinArea(const std::string& left, const std::string& top, const std::string& width,
                                   const std::string& height);

// True for a value that names an http:// or https:// address (any letter case).
bool IsWebAddress(const QString& value);
// A path of the configuration against `folder`: "\" and "/" both separate; an absolute path
// (leading separator, or a drive letter and colon) is taken as it is; empty stays empty.
QString ResolvePath(const QString& folder, const QString& value);

// Windows-1252 bytes of the configuration as a QString, and back.
QString FromConfigText(const std::string& bytes);
std::string ToConfigText(const QString& text);

} // namespace qv::starter
