#include "file_kind.h"

#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstring>
#include <vector>

#include "image_file.h"
#include "win32/unique_handle.h"

using Microsoft::WRL::ComPtr;

namespace zuzazavuro {
namespace {

enum class Container { None, Still, MultiFrame };

struct Signature {
    const char* bytes;
    size_t length;
    Container container;
};

// The leading bytes of the formats the platform's codecs read. GIF and TIFF may hold several
// frames; the others hold one picture.
constexpr Signature kSignatures[] = {
    {"\xFF\xD8\xFF", 3, Container::Still},                      // JPEG
    {"\x89PNG\r\n\x1A\n", 8, Container::Still},                 // PNG
    {"BM", 2, Container::Still},                                // BMP
    {"GIF87a", 6, Container::MultiFrame},                       // GIF
    {"GIF89a", 6, Container::MultiFrame},
    {"II*\0", 4, Container::MultiFrame},                        // TIFF, little-endian
    {"MM\0*", 4, Container::MultiFrame},                        // TIFF, big-endian
};

Container ContainerOf(const std::wstring& path) {
    win32::unique_file file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char head[8] = {};
    DWORD read = 0;
    if (!file || !ReadFile(file.get(), head, sizeof(head), &read, nullptr)) return Container::None;
    for (const Signature& s : kSignatures) {
        if (read >= s.length && std::memcmp(head, s.bytes, s.length) == 0) return s.container;
    }
    return Container::None;
}

}  // namespace

// The kind comes from the file's first bytes: opening a decoder may decode the whole picture,
// which the thumbnail does anyway right after. Only containers that can hold several frames are
// opened, to count them.
int FileKind(const char* path) {
    const std::wstring widePath = WidePath(path);
    if (widePath.empty()) return kKindNone;
    switch (ContainerOf(widePath)) {
    case Container::None:
        return kKindNone;
    case Container::Still:
        return kKindStill;
    case Container::MultiFrame:
        break;
    }

    ComPtr<IWICImagingFactory> factory;
    std::vector<BYTE> bytes;
    ComPtr<IWICBitmapDecoder> decoder;
    UINT frames = 0;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        !(decoder = OpenDecoder(factory.Get(), widePath, bytes)) || FAILED(decoder->GetFrameCount(&frames)) ||
        frames == 0)
        return kKindNone;
    return frames > 1 ? kKindFrames : kKindStill;
}

}  // namespace zuzazavuro
