#pragma once

// Pictures for the skin and the splash, decoded by WIC (PNG, JPEG, BMP, GIF, ICO, TIFF), and the
// window shape cut from a skin by its colour key.
#include "windows/Handles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv::starter::win {

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB, rows top to bottom
    UniqueBitmap bitmap;               // a DIB section of the same pixels, for painting
};

// Null when the file is missing or cannot be decoded (the failed call is traced).
std::optional<Picture> LoadPicture(const std::wstring& path);

// The rows' runs of pixels whose colour is not `key` (0xRRGGBB, alpha ignored), united with
// `keep` (the page area, never cut). The region is in picture coordinates.
UniqueRegion ShapeWithoutColour(const Picture& picture, std::uint32_t key, const RECT& keep);

// The icon of a picture file (.ico directly, other formats through WIC); null when unreadable.
UniqueIcon LoadIconFile(const std::wstring& path, int size);

} // namespace qv::starter::win
