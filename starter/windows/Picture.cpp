#include "windows/Picture.h"

#include "windows/Trace.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
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

namespace {

ComPtr<IWICImagingFactory> ImagingFactory()
{
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
          "CoCreateInstance(WICImagingFactory)");
    return factory;
}

// `source` scaled to `width` x `height` (premultiplied BGRA); empty when WIC fails.
std::vector<std::uint32_t> Scaled(IWICImagingFactory& factory, IWICBitmapSource* source, UINT width, UINT height)
{
    ComPtr<IWICBitmapScaler> scaler;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
    if (!Check(factory.CreateBitmapScaler(&scaler), "IWICImagingFactory::CreateBitmapScaler") ||
        !Check(scaler->Initialize(source, width, height, WICBitmapInterpolationModeFant),
               "IWICBitmapScaler::Initialize") ||
        !Check(scaler->CopyPixels(nullptr, width * 4, width * height * 4, reinterpret_cast<BYTE*>(pixels.data())),
               "IWICBitmapScaler::CopyPixels"))
        return {};
    return pixels;
}

bool EndsWithIco(const std::wstring& path)
{
    return path.size() > 4 && _wcsicmp(path.c_str() + path.size() - 4, L".ico") == 0;
}

} // namespace

std::optional<IconSource> IconSource::Load(const std::wstring& path)
{
    if (path.empty())
        return std::nullopt;
    IconSource source;
    if (EndsWithIco(path)) {
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return std::nullopt;
        source.icoPath_ = path;
        return source;
    }
    ComPtr<IWICImagingFactory> factory = ImagingFactory();
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (!factory ||
        !Check(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  &decoder),
               "IWICImagingFactory::CreateDecoderFromFilename") ||
        !Check(decoder->GetFrame(0, &frame), "IWICBitmapDecoder::GetFrame"))
        return std::nullopt;
    UINT width = 0, height = 0;
    if (!Check(frame->GetSize(&width, &height), "IWICBitmapSource::GetSize") || width == 0 || height == 0)
        return std::nullopt;
    if (width > kLargestIconPicture || height > kLargestIconPicture) {
        Trace("icon too large " + std::to_string(width) + "x" + std::to_string(height));
        return std::nullopt;
    }
    ComPtr<IWICFormatConverter> converter;
    if (!Check(factory->CreateFormatConverter(&converter), "IWICImagingFactory::CreateFormatConverter") ||
        !Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom),
               "IWICFormatConverter::Initialize"))
        return std::nullopt;
    // Kept at most kIconSourceSize on its longer side: every icon size is made from this.
    const UINT longer = std::max(width, height);
    if (longer > kIconSourceSize) {
        width = std::max<UINT>(1, width * kIconSourceSize / longer);
        height = std::max<UINT>(1, height * kIconSourceSize / longer);
    }
    source.pixels_ = Scaled(*factory.Get(), converter.Get(), width, height);
    if (source.pixels_.empty())
        return std::nullopt;
    source.width_ = static_cast<int>(width);
    source.height_ = static_cast<int>(height);
    return source;
}

UniqueIcon IconSource::make(int size) const
{
    if (size <= 0)
        return nullptr;
    if (!icoPath_.empty())
        return UniqueIcon(static_cast<HICON>(LoadImageW(nullptr, icoPath_.c_str(), IMAGE_ICON, size, size,
                                                        LR_LOADFROMFILE)));
    ComPtr<IWICImagingFactory> factory = ImagingFactory();
    ComPtr<IWICBitmap> stored;
    if (!factory ||
        !Check(factory->CreateBitmapFromMemory(static_cast<UINT>(width_), static_cast<UINT>(height_),
                                               GUID_WICPixelFormat32bppPBGRA, static_cast<UINT>(width_) * 4,
                                               static_cast<UINT>(pixels_.size() * 4),
                                               const_cast<BYTE*>(reinterpret_cast<const BYTE*>(pixels_.data())),
                                               &stored),
               "IWICImagingFactory::CreateBitmapFromMemory"))
        return nullptr;
    const int longer = std::max(width_, height_);
    const UINT width = static_cast<UINT>(std::max(1, width_ * size / longer));
    const UINT height = static_cast<UINT>(std::max(1, height_ * size / longer));
    const std::vector<std::uint32_t> scaled = Scaled(*factory.Get(), stored.Get(), width, height);
    if (scaled.empty())
        return nullptr;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!colour) {
        Trace("CreateDIBSection failed");
        return nullptr;
    }
    // An icon's colours carry straight alpha; around the picture it is transparent.
    auto* target = static_cast<std::uint32_t*>(bits);
    std::memset(target, 0, static_cast<size_t>(size) * size * 4);
    const UINT left = (static_cast<UINT>(size) - width) / 2, top = (static_cast<UINT>(size) - height) / 2;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            const std::uint32_t pixel = scaled[y * width + x];
            const std::uint32_t alpha = pixel >> 24;
            std::uint32_t straight = 0;
            if (alpha) {
                for (int shift = 0; shift < 24; shift += 8) {
                    const std::uint32_t channel = std::min<std::uint32_t>(255, ((pixel >> shift) & 0xff) * 255 / alpha);
                    straight |= channel << shift;
                }
                straight |= alpha << 24;
            }
            target[(top + y) * static_cast<UINT>(size) + left + x] = straight;
        }
    // A cleared mask: the colour bitmap's alpha alone decides what shows.
    const std::vector<BYTE> cleared(static_cast<size_t>((size + 15) / 16) * 2 * size, 0);
    UniqueBitmap mask(CreateBitmap(size, size, 1, 1, cleared.data()));
    if (!mask)
        return nullptr;
    ICONINFO icon{};
    icon.fIcon = TRUE;
    icon.hbmColor = colour.get();
    icon.hbmMask = mask.get();
    return UniqueIcon(CreateIconIndirect(&icon));
}

} // namespace qv::starter::win
