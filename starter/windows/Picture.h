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

// A window icon's picture, read once: an .ico file is kept by its path (Windows picks its sizes);
// another picture is decoded by WIC and kept at most kIconSourceSize square, alpha premultiplied.
// Pictures beyond kLargestIconPicture on a side are refused before their pixels are decoded.
inline constexpr UINT kIconSourceSize = 256;
inline constexpr UINT kLargestIconPicture = 4096;

class IconSource {
public:
    // Null when the file is missing, unreadable or too large (traced).
    static std::optional<IconSource> Load(const std::wstring& path);
    // An icon of `size` square: the picture scaled to fit, centred, transparent around it.
    UniqueIcon make(int size) const;

private:
    std::wstring icoPath_;
    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> pixels_; // premultiplied 0xAARRGGBB
};

} // namespace qv::starter::win
