#include "png_file.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <vector>

#include "win32/com_apartment.h"
#include "win32/unique_handle.h"

namespace lumorex {

namespace {

using Microsoft::WRL::ComPtr;

std::wstring Wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

// The bitmap's pixels as top-down rows of 24-bit BGR, each row padded to four bytes.
bool ReadPixels(HBITMAP bitmap, UINT& width, UINT& height, UINT& stride, std::vector<BYTE>& pixels) {
    BITMAP size = {};
    if (!GetObjectA(bitmap, sizeof(size), &size) || size.bmWidth <= 0 || size.bmHeight <= 0) return false;
    width = static_cast<UINT>(size.bmWidth);
    height = static_cast<UINT>(size.bmHeight);
    stride = (width * 3 + 3) & ~3u;
    pixels.resize(static_cast<size_t>(stride) * height);
    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof(request.bmiHeader);
    request.bmiHeader.biWidth = size.bmWidth;
    request.bmiHeader.biHeight = -size.bmHeight;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 24;
    request.bmiHeader.biCompression = BI_RGB;
    win32::unique_window_dc screen(nullptr);
    return GetDIBits(screen.get(), bitmap, 0, height, pixels.data(), &request, DIB_RGB_COLORS) ==
           static_cast<int>(height);
}

bool Encode(const std::wstring& widePath, UINT width, UINT height, UINT stride, std::vector<BYTE>& pixels) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, nullptr)) || FAILED(frame->Initialize(nullptr)) ||
        FAILED(frame->SetSize(width, height)) || FAILED(frame->SetPixelFormat(&format)) ||
        format != GUID_WICPixelFormat24bppBGR)
        return false;
    return SUCCEEDED(frame->WritePixels(height, stride, static_cast<UINT>(pixels.size()), pixels.data())) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

bool SavePng(HBITMAP bitmap, const std::string& path) {
    UINT width = 0, height = 0, stride = 0;
    std::vector<BYTE> pixels;
    const std::wstring widePath = Wide(path);
    if (widePath.empty() || !ReadPixels(bitmap, width, height, stride, pixels)) return false;
    win32::com_apartment com;
    if (!com) return false;
    if (Encode(widePath, width, height, stride, pixels)) return true;
    // A half-written file is no picture.
    DeleteFileW(widePath.c_str());
    return false;
}

}  // namespace lumorex
