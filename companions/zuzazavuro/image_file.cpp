#include "image_file.h"

#include <string>

#include "win32/unique_handle.h"

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

ComPtr<IWICBitmapDecoder> OpenDecoder(IWICImagingFactory* factory, const std::wstring& path,
                                      std::vector<BYTE>& bytes) {
    constexpr LONGLONG kLargestFile = 1 << 30;
    const win32::unique_file file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kLargestFile)
        return nullptr;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size() || FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(bytes.data(), read)) ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)))
        return nullptr;
    return decoder;
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
        !(m_decoder = OpenDecoder(m_factory.Get(), widePath, m_bytes)) ||
        FAILED(m_decoder->GetFrameCount(&m_frameCount)) || m_frameCount == 0 ||
        FAILED(m_decoder->GetFrame(0, &frame)) ||
        FAILED(frame->GetSize(&m_width, &m_height)) || m_width == 0 || m_height == 0 ||
        FAILED(frame->GetPixelFormat(&format)))
        return;
    m_bitsPerPixel = BitsPerPixel(m_factory.Get(), format);
    m_frame = frame;
}

}  // namespace zuzazavuro
