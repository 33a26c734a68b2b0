// Image files for tests and demonstrations, written with the platform's own encoders, and a pixel
// reader for the bitmaps that come back.
//
// Every picture has a known pattern: the left half (columns below width / 2) of frame f is
// FramePattern(f).left and the rest FramePattern(f).right, so a test can tell frames apart and
// check where a thumbnail's colours landed. Frames after the first use other colours.
//
// Pixel formats each encoder takes here:
//   Jpeg  Bgr24
//   Png   Bgr24, Bgra32 (opaque alpha), Indexed8
//   Bmp   Bgr24, Bgr32, Indexed8
//   Gif   Indexed8, one or more frames
//   Tiff  Bgr24, Bgra32, Indexed8, one or more pages
// A combination the encoder does not store as asked fails instead of being converted.
//
// The writers join COM for their own use and leave the calling thread's COM state as they found it.
// A program that includes this links windowscodecs, ole32, uuid, gdi32 and user32.
#pragma once

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "samples/files.h"
#include "win32/com_apartment.h"
#include "win32/unique_handle.h"

namespace image_files {

enum class Format { Jpeg, Png, Bmp, Gif, Tiff };
enum class Pixels { Bgr24, Bgr32, Bgra32, Indexed8 };
// Halves: the known pattern below. Landscape: a picture for people to look at (sky, sun, hills
// and water), in formats of more than 8 bits per pixel; no test relies on its colours.
enum class Picture { Halves, Landscape };

struct ImageParams {
    Format format = Format::Png;
    int width = 64;
    int height = 48;
    Pixels pixels = Pixels::Bgr24;
    int frames = 1;
    Picture picture = Picture::Halves;
};

struct Pattern {
    COLORREF left;
    COLORREF right;
};

// Colours far enough apart to stay distinct through lossy compression and scaling.
inline Pattern FramePattern(int frame) {
    static const Pattern patterns[] = {
        {RGB(200, 40, 40), RGB(40, 60, 200)},
        {RGB(40, 180, 60), RGB(230, 210, 40)},
        {RGB(240, 240, 240), RGB(20, 20, 20)},
        {RGB(200, 60, 200), RGB(40, 200, 200)},
    };
    return patterns[frame % 4];
}

namespace detail {

using Microsoft::WRL::ComPtr;

inline GUID ContainerOf(Format format) {
    switch (format) {
        case Format::Jpeg: return GUID_ContainerFormatJpeg;
        case Format::Png: return GUID_ContainerFormatPng;
        case Format::Bmp: return GUID_ContainerFormatBmp;
        case Format::Gif: return GUID_ContainerFormatGif;
        case Format::Tiff: break;
    }
    return GUID_ContainerFormatTiff;
}

inline GUID PixelFormatOf(Pixels pixels) {
    switch (pixels) {
        case Pixels::Bgr24: return GUID_WICPixelFormat24bppBGR;
        case Pixels::Bgr32: return GUID_WICPixelFormat32bppBGR;
        case Pixels::Bgra32: return GUID_WICPixelFormat32bppBGRA;
        case Pixels::Indexed8: break;
    }
    return GUID_WICPixelFormat8bppIndexed;
}

// Palette entry 2f is frame f's left colour, 2f + 1 its right colour.
inline std::vector<WICColor> PaletteColours() {
    std::vector<WICColor> colours;
    for (int f = 0; f < 4; ++f) {
        for (COLORREF c : {FramePattern(f).left, FramePattern(f).right})
            colours.push_back(0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    }
    return colours;
}

inline UINT StrideOf(const ImageParams& params) {
    const UINT bytesPerPixel = params.pixels == Pixels::Bgr24 ? 3 : params.pixels == Pixels::Indexed8 ? 1 : 4;
    return (params.width * bytesPerPixel + 3) & ~3u;
}

// Blends from a to b as t goes from 0 to 1.
inline COLORREF Blend(COLORREF a, COLORREF b, double t) {
    auto channel = [t](int from, int to) { return static_cast<BYTE>(from + (to - from) * t); };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

inline COLORREF LandscapeColour(int x, int y, int width, int height) {
    const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
    const double horizon = 0.58;
    const double sunU = 0.7, sunV = 0.28, sunRadius = 0.09;
    const double dx = (u - sunU) * width / height, dy = v - sunV;
    if (dx * dx + dy * dy < sunRadius * sunRadius) return RGB(255, 214, 110);
    // Two hills that reach down to the water on the left.
    const double hill =
        horizon - 0.22 * std::exp(-(u - 0.2) * (u - 0.2) * 30) - 0.12 * std::exp(-(u - 0.45) * (u - 0.45) * 60);
    if (v < hill) return Blend(RGB(70, 130, 215), RGB(195, 222, 245), v / horizon);
    if (v < horizon) return Blend(RGB(60, 120, 70), RGB(35, 85, 50), (v - hill) / (horizon - hill));
    // Water, with the sun's reflection in a band below it.
    const COLORREF water = Blend(RGB(40, 110, 170), RGB(15, 50, 95), (v - horizon) / (1 - horizon));
    const bool glitter = std::abs(u - sunU) < 0.03 + 0.15 * (v - horizon) && (y / 3) % 4 == 0;
    return glitter ? Blend(water, RGB(255, 214, 110), 0.5) : water;
}

inline std::vector<BYTE> FramePixels(const ImageParams& params, int frame) {
    const UINT stride = StrideOf(params);
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * params.height);
    const Pattern pattern = FramePattern(frame);
    const bool landscape = params.picture == Picture::Landscape && params.pixels != Pixels::Indexed8;
    for (int y = 0; y < params.height; ++y) {
        BYTE* row = &pixels[static_cast<size_t>(y) * stride];
        for (int x = 0; x < params.width; ++x) {
            const bool left = x < params.width / 2;
            if (params.pixels == Pixels::Indexed8) {
                row[x] = static_cast<BYTE>(2 * (frame % 4) + (left ? 0 : 1));
                continue;
            }
            const COLORREF c = landscape ? LandscapeColour(x, y, params.width, params.height)
                                         : left ? pattern.left : pattern.right;
            BYTE* pixel = row + x * (params.pixels == Pixels::Bgr24 ? 3 : 4);
            pixel[0] = GetBValue(c);
            pixel[1] = GetGValue(c);
            pixel[2] = GetRValue(c);
            if (params.pixels != Pixels::Bgr24) pixel[3] = 0xFF;
        }
    }
    return pixels;
}

inline std::string StreamBytes(IStream* stream) {
    STATSTG stat = {};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return {};
    std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    LARGE_INTEGER start = {};
    ULONG read = 0;
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) ||
        FAILED(stream->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &read)) || read != bytes.size())
        return {};
    return bytes;
}

inline std::string Encode(const ImageParams& params) {
    if (params.width <= 0 || params.height <= 0 || params.frames <= 0) return {};
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICPalette> palette;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) ||
        FAILED(factory->CreateEncoder(ContainerOf(params.format), nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)))
        return {};
    if (params.pixels == Pixels::Indexed8) {
        std::vector<WICColor> colours = PaletteColours();
        if (FAILED(factory->CreatePalette(&palette)) ||
            FAILED(palette->InitializeCustom(colours.data(), static_cast<UINT>(colours.size()))))
            return {};
        if (params.format == Format::Gif && FAILED(encoder->SetPalette(palette.Get()))) return {};
    }
    const UINT stride = StrideOf(params);
    for (int f = 0; f < params.frames; ++f) {
        ComPtr<IWICBitmapFrameEncode> frame;
        ComPtr<IPropertyBag2> options;
        const GUID wanted = PixelFormatOf(params.pixels);
        GUID format = wanted;
        std::vector<BYTE> pixels = FramePixels(params, f);
        if (FAILED(encoder->CreateNewFrame(&frame, &options)) || FAILED(frame->Initialize(options.Get())) ||
            FAILED(frame->SetSize(params.width, params.height)) || FAILED(frame->SetPixelFormat(&format)) ||
            format != wanted)
            return {};
        if (palette && FAILED(frame->SetPalette(palette.Get()))) return {};
        if (FAILED(frame->WritePixels(params.height, stride, static_cast<UINT>(pixels.size()), pixels.data())) ||
            FAILED(frame->Commit()))
            return {};
    }
    if (FAILED(encoder->Commit())) return {};
    return StreamBytes(stream.Get());
}

}  // namespace detail

// The file's bytes as the platform's encoder writes them; empty on failure.
inline std::string EncodeImage(const ImageParams& params) {
    win32::com_apartment com;
    if (!com) return {};
    return detail::Encode(params);
}

inline bool WriteImage(const std::string& path, const ImageParams& params) {
    const std::string bytes = EncodeImage(params);
    return !bytes.empty() && samples::WriteWholeFile(path, bytes);
}
inline bool WriteImage(const std::wstring& path, const ImageParams& params) {
    const std::string bytes = EncodeImage(params);
    return !bytes.empty() && samples::WriteWholeFile(path, bytes);
}

// A real JPEG cut off at two thirds of its length, with its second quarter overwritten by noise.
inline bool WriteCorruptJpeg(const std::string& path, int width = 64, int height = 48) {
    std::string bytes = EncodeImage({Format::Jpeg, width, height, Pixels::Bgr24, 1});
    if (bytes.size() < 16) return false;
    unsigned noise = 12345;
    for (size_t i = bytes.size() / 4; i < bytes.size() / 2; ++i) {
        noise = noise * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(noise >> 16);
    }
    bytes.resize(bytes.size() * 2 / 3);
    return samples::WriteWholeFile(path, bytes);
}

inline bool WriteEmptyFile(const std::string& path) { return samples::WriteWholeFile(path, std::string()); }

// The colour of one pixel of any bitmap, read back through a 32-bit copy; CLR_INVALID when the
// bitmap cannot be read or the point lies outside it.
inline COLORREF PixelAt(HBITMAP bitmap, int x, int y) {
    BITMAP info = {};
    if (!GetObject(bitmap, sizeof(info), &info) || x < 0 || y < 0 || x >= info.bmWidth ||
        y >= std::abs(info.bmHeight))
        return CLR_INVALID;
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof(header.bmiHeader);
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -std::abs(info.bmHeight);
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(info.bmWidth) * std::abs(info.bmHeight));
    const win32::unique_mem_dc dc(CreateCompatibleDC(nullptr));
    if (GetDIBits(dc.get(), bitmap, 0, std::abs(info.bmHeight), pixels.data(), &header, DIB_RGB_COLORS) !=
        std::abs(info.bmHeight))
        return CLR_INVALID;
    const RGBQUAD& p = pixels[static_cast<size_t>(y) * info.bmWidth + x];
    return RGB(p.rgbRed, p.rgbGreen, p.rgbBlue);
}

// Whether two colours differ by at most the tolerance in each channel (lossy codecs and
// interpolation move colours a little).
inline bool NearColour(COLORREF a, COLORREF b, int tolerance = 24) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace image_files
