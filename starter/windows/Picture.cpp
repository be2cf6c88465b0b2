#include "windows/Picture.h"

#include "windows/Trace.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cstring>

namespace qv::starter::win {

using Microsoft::WRL::ComPtr;

std::optional<Picture> LoadPicture(const std::wstring& path)
{
    if (path.empty())
        return std::nullopt;
    ComPtr<IWICImagingFactory> factory;
    if (!Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
               "CoCreateInstance(WICImagingFactory)"))
        return std::nullopt;
    ComPtr<IWICBitmapDecoder> decoder;
    if (!Check(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  &decoder),
               "IWICImagingFactory::CreateDecoderFromFilename"))
        return std::nullopt;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (!Check(decoder->GetFrame(0, &frame), "IWICBitmapDecoder::GetFrame") ||
        !Check(factory->CreateFormatConverter(&converter), "IWICImagingFactory::CreateFormatConverter") ||
        !Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom),
               "IWICFormatConverter::Initialize"))
        return std::nullopt;
    UINT width = 0, height = 0;
    if (!Check(converter->GetSize(&width, &height), "IWICBitmapSource::GetSize") || width == 0 || height == 0 ||
        width > 16384 || height > 16384)
        return std::nullopt;
    Picture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(static_cast<size_t>(width) * height);
    if (!Check(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                     reinterpret_cast<BYTE*>(picture.pixels.data())),
               "IWICBitmapSource::CopyPixels"))
        return std::nullopt;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    picture.bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture.bitmap) {
        Trace("CreateDIBSection failed");
        return std::nullopt;
    }
    // Painted without alpha blending: half-transparent pixels are shown over white.
    auto* target = static_cast<std::uint32_t*>(bits);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const std::uint32_t pixel = picture.pixels[i];
        const std::uint32_t alpha = pixel >> 24;
        auto blend = [&](int shift) {
            const std::uint32_t channel = (pixel >> shift) & 0xff;
            return ((channel * alpha + 255 * (255 - alpha)) / 255) << shift;
        };
        target[i] = blend(16) | blend(8) | blend(0);
    }
    return picture;
}

UniqueRegion ShapeWithoutColour(const Picture& picture, std::uint32_t key, const RECT& keep)
{
    std::vector<RECT> runs;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint32_t* row = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
        int x = 0;
        while (x < picture.width) {
            while (x < picture.width && (row[x] & 0xffffff) == key)
                ++x;
            const int begin = x;
            while (x < picture.width && (row[x] & 0xffffff) != key)
                ++x;
            if (x > begin)
                runs.push_back(RECT{begin, y, x, y + 1});
        }
    }
    std::vector<BYTE> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(runs.size());
    header->nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    header->rcBound = RECT{0, 0, picture.width, picture.height};
    if (!runs.empty())
        std::memcpy(data.data() + sizeof(RGNDATAHEADER), runs.data(), runs.size() * sizeof(RECT));
    UniqueRegion shape(ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                       reinterpret_cast<const RGNDATA*>(data.data())));
    UniqueRegion page(CreateRectRgnIndirect(&keep));
    if (!shape || !page) {
        Trace("ExtCreateRegion failed");
        return nullptr;
    }
    CombineRgn(shape.get(), shape.get(), page.get(), RGN_OR);
    return shape;
}

UniqueIcon LoadIconFile(const std::wstring& path, int size)
{
    if (path.empty())
        return nullptr;
    if (HANDLE icon = LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE))
        return UniqueIcon(static_cast<HICON>(icon));
    std::optional<Picture> picture = LoadPicture(path);
    if (!picture)
        return nullptr;
    UniqueBitmap mask(CreateBitmap(picture->width, picture->height, 1, 1, nullptr));
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = picture->bitmap.get();
    info.hbmMask = mask.get();
    return UniqueIcon(CreateIconIndirect(&info));
}

} // namespace qv::starter::win
