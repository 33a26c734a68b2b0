// An image file opened with the platform's codecs: the codec is chosen by the file's content,
// never by its name.
#pragma once

#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace zuzazavuro {

// The path as the platform's ANSI file functions read it; empty for an empty or unreadable path.
std::wstring WidePath(const char* path);

// A decoder of the file's bytes, read into bytes, which must outlive it; null when the file cannot
// be read or no codec decodes it. The codecs read from memory, never the file: given the file,
// some (TIFF's) ask for its details, and under emulation Wine's round trip for the volume's has
// hung the process for good.
Microsoft::WRL::ComPtr<IWICBitmapDecoder> OpenDecoder(IWICImagingFactory* factory, const std::wstring& path,
                                                      std::vector<BYTE>& bytes);

class ImageFile {
public:
    // The path is ANSI text, read the way the platform's ANSI file functions read it.
    explicit ImageFile(const char* path);

    // False when no codec decodes the file, or its first frame is empty.
    bool is_open() const noexcept { return m_frame != nullptr; }
    UINT frame_count() const noexcept { return m_frameCount; }
    UINT width() const noexcept { return m_width; }
    UINT height() const noexcept { return m_height; }
    // Of the first frame's own pixel format, before any conversion.
    UINT bits_per_pixel() const noexcept { return m_bitsPerPixel; }

    IWICImagingFactory* factory() const noexcept { return m_factory.Get(); }
    IWICBitmapFrameDecode* first_frame() const noexcept { return m_frame.Get(); }

private:
    Microsoft::WRL::ComPtr<IWICImagingFactory> m_factory;
    std::vector<BYTE> m_bytes;  // read by the decoder below as long as it lives
    Microsoft::WRL::ComPtr<IWICBitmapDecoder> m_decoder;
    Microsoft::WRL::ComPtr<IWICBitmapFrameDecode> m_frame;
    UINT m_frameCount = 0;
    UINT m_width = 0;
    UINT m_height = 0;
    UINT m_bitsPerPixel = 0;
};

}  // namespace zuzazavuro
