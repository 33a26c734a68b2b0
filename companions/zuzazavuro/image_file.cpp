#include "image_file.h"

#include <string>

using Microsoft::WRL::ComPtr;

namespace zuzazavuro {

std::wstring WidePath(const char* path) {
    // The ANSI file functions read names in the OEM code page after SetFileApisToOEM.
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int length = MultiByteToWideChar(codePage, 0, path, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, path, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

namespace {

// 0 when the platform does not describe the format.
UINT BitsPerPixel(IWICImagingFactory* factory, REFWICPixelFormatGUID format) {
    ComPtr<IWICComponentInfo> component;
    ComPtr<IWICPixelFormatInfo> info;
    UINT bits = 0;
    if (FAILED(factory->CreateComponentInfo(format, &component)) || FAILED(component.As(&info)) ||
        FAILED(info->GetBitsPerPixel(&bits)))
        return 0;
    return bits;
}

}  // namespace

ImageFile::ImageFile(const char* path) {
    const std::wstring widePath = WidePath(path);
    ComPtr<IWICBitmapFrameDecode> frame;
    WICPixelFormatGUID format = {};
    if (widePath.empty() ||
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_factory))) ||
        FAILED(m_factory->CreateDecoderFromFilename(widePath.c_str(), nullptr, GENERIC_READ,
                                                    WICDecodeMetadataCacheOnDemand, &m_decoder)) ||
        FAILED(m_decoder->GetFrameCount(&m_frameCount)) || m_frameCount == 0 ||
        FAILED(m_decoder->GetFrame(0, &frame)) ||
        FAILED(frame->GetSize(&m_width, &m_height)) || m_width == 0 || m_height == 0 ||
        FAILED(frame->GetPixelFormat(&format)))
        return;
    m_bitsPerPixel = BitsPerPixel(m_factory.Get(), format);
    m_frame = frame;
}

}  // namespace zuzazavuro
