#include "thumbnail.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <climits>

#include "image_file.h"
#include "source_transform.h"

using Microsoft::WRL::ComPtr;

namespace zuzazavuro {

namespace {

// The frame decoded by the codec itself at the smallest size it offers that still covers
// `wanted`: far cheaper than a full decode for large JPEGs. The frame unchanged where the codec
// offers no such size.
ComPtr<IWICBitmapSource> CodecScaledFrame(const ImageFile& image, Size wanted) {
    IWICBitmapFrameDecode* frame = image.first_frame();
    ComPtr<IWICBitmapSourceTransform> transform;
    UINT width = wanted.width, height = wanted.height;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (FAILED(frame->QueryInterface(IID_PPV_ARGS(&transform))) || FAILED(transform->GetClosestSize(&width, &height)) ||
        width < wanted.width || height < wanted.height || (width >= image.width() && height >= image.height()) ||
        FAILED(transform->GetClosestPixelFormat(&format)))
        return frame;

    ComPtr<IWICBitmap> scaled;
    if (FAILED(image.factory()->CreateBitmap(width, height, format, WICBitmapCacheOnLoad, &scaled))) return frame;
    {
        const WICRect all = {0, 0, static_cast<INT>(width), static_cast<INT>(height)};
        ComPtr<IWICBitmapLock> lock;
        UINT stride = 0, size = 0;
        BYTE* pixels = nullptr;
        if (FAILED(scaled->Lock(&all, WICBitmapLockWrite, &lock)) || FAILED(lock->GetStride(&stride)) ||
            FAILED(lock->GetDataPointer(&size, &pixels)) ||
            FAILED(transform->CopyPixels(nullptr, width, height, &format, WICBitmapTransformRotate0, stride, size,
                                         pixels)))
            return frame;
    }
    return scaled;
}

// The source in 32 bpp BGR at exactly `size`.
ComPtr<IWICBitmapSource> ConvertAndScale(IWICImagingFactory* factory, IWICBitmapSource* source, Size size) {
    // Converting before scaling lets the scaler interpolate colours rather than palette indices.
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return nullptr;
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height))) return nullptr;
    if (width == size.width && height == size.height) return converter;

    ComPtr<IWICBitmapScaler> scaler;
    if (FAILED(factory->CreateBitmapScaler(&scaler)) ||
        FAILED(scaler->Initialize(converter.Get(), size.width, size.height, WICBitmapInterpolationModeFant)))
        return nullptr;
    return scaler;
}

win32::unique_hbitmap MakeDibSection(IWICBitmapSource* source, Size size) {
    const unsigned long long stride = 4ull * size.width;
    if (stride * size.height > UINT_MAX || size.width > INT_MAX || size.height > INT_MAX) return {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(size.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(size.height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win32::unique_hbitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || FAILED(source->CopyPixels(nullptr, static_cast<UINT>(stride),
                                             static_cast<UINT>(stride * size.height), static_cast<BYTE*>(bits))))
        return {};
    return bitmap;
}

}  // namespace

Size FitInBox(Size image, Size box) {
    if (image.width <= box.width && image.height <= box.height) return image;
    const unsigned long long w = image.width, h = image.height;
    // Width-bound when box.width / w <= box.height / h.
    if (box.width * h <= box.height * w) {
        const unsigned long long height = (2 * h * box.width + w) / (2 * w);
        return {box.width, height > 0 ? static_cast<UINT>(height) : 1};
    }
    const unsigned long long width = (2 * w * box.height + h) / (2 * h);
    return {width > 0 ? static_cast<UINT>(width) : 1, box.height};
}

Thumbnail LoadThumbnail(const char* path, Size box) {
    Thumbnail thumbnail = {};
    const ImageFile image(path);
    if (!image.is_open()) return thumbnail;
    const Size size = FitInBox({image.width(), image.height()}, box);
    const ComPtr<IWICBitmapSource> frame = CodecScaledFrame(image, size);
    const ComPtr<IWICBitmapSource> fitted = ConvertAndScale(image.factory(), frame.Get(), size);
    if (!fitted) return thumbnail;
    thumbnail.bitmap = MakeDibSection(fitted.Get(), size);
    thumbnail.size = size;
    thumbnail.image = {image.width(), image.height()};
    thumbnail.bitsPerPixel = image.bits_per_pixel();
    return thumbnail;
}

}  // namespace zuzazavuro
