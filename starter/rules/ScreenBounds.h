#pragma once

#include "rules/RuntimeSettings.h"

#include <optional>

namespace qv::starter {

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

// The screen-bounds rule: a window is never larger than the screen's available area (work area),
// and it lies inside that area, so its title bar (or a skin's top edge) is always on the screen.

// `size` cut to the available area.
Size FitSize(const Rect& available, Size size);

// `window` moved just enough to lie inside `available`; a window larger than the area is put at
// its top left corner (a skin keeps its picture's size: its top edge stays on the screen).
Rect KeepInside(const Rect& available, const Rect& window);

// Where a window of `size` goes: at left/top where given, else centred on that axis; then kept inside.
Rect PlaceWindow(const Rect& available, Size size, std::optional<int> left, std::optional<int> top);

} // namespace qv::starter
