#include "rules/ScreenBounds.h"

#include <algorithm>

namespace qv::starter {
namespace {

int KeepAxis(int start, int length, int areaStart, int areaLength)
{
    if (length >= areaLength)
        return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

} // namespace

Size FitSize(const Rect& available, Size size)
{
    return {std::min(size.width, std::max(available.width, 1)), std::min(size.height, std::max(available.height, 1))};
}

Rect KeepInside(const Rect& available, const Rect& window)
{
    return {KeepAxis(window.x, window.width, available.x, available.width),
            KeepAxis(window.y, window.height, available.y, available.height), window.width, window.height};
}

Rect PlaceWindow(const Rect& available, Size size, std::optional<int> left, std::optional<int> top)
{
    const int x = left.value_or(available.x + (available.width - size.width) / 2);
    const int y = top.value_or(available.y + (available.height - size.height) / 2);
    return KeepInside(available, {x, y, size.width, size.height});
}

} // namespace qv::starter
