#include "preview/thumbnail_cache.h"

#include <winternl.h>

#include <cstring>
#include <iterator>
#include <list>
#include <new>
#include <vector>

#include "win32/dib_info.h"
#include "win32/proc_address.h"
#include "win32/srw_lock.h"

namespace dravik {
namespace {

constexpr std::size_t kBytesPerPixel = 4;

struct CachedThumbnail {
    FileVersion file;
    ThumbnailFacts facts;
    LONG width = 0;
    LONG height = 0;
    std::vector<BYTE> pixels;  // top-down rows of 32-bit pixels
};

SRWLOCK g_lock = SRWLOCK_INIT;
std::list<CachedThumbnail> g_thumbnails;  // the most recently used first
std::size_t g_bytes = 0;

bool SameVersion(const FileVersion& a, const FileVersion& b) {
    return a.path == b.path && a.size == b.size && a.lastWrite == b.lastWrite && a.index == b.index;
}

ULONGLONG Join(DWORD high, DWORD low) { return (static_cast<ULONGLONG>(high) << 32) | low; }

// The file's number on its volume, asked of the system directly: GetFileInformationByHandle also
// asks for the volume's serial number, which takes milliseconds under Wine (a round trip to its
// mount manager), and the path names the volume already.
bool ReadFileIndex(HANDLE file, ULONGLONG& index) {
    using QueryInformationFile = LONG(NTAPI*)(HANDLE file, IO_STATUS_BLOCK* status, void* information,
                                              ULONG length, int informationClass);
    constexpr int kFileInternalInformation = 6;
    // Looked up at each call: a function's static would take the runtime's guard, whose lock (a
    // semaphore) stays behind at every unload of the module.
    const auto query = win32::proc_address<QueryInformationFile>(GetModuleHandleA("ntdll.dll"),
                                                                 "NtQueryInformationFile");
    IO_STATUS_BLOCK status = {};
    LARGE_INTEGER number = {};
    if (!query || query(file, &status, &number, sizeof(number), kFileInternalInformation) < 0) return false;
    index = static_cast<ULONGLONG>(number.QuadPart);
    return true;
}

// The bitmap's pixels into the entry; false when it cannot be read or would not fit the cache.
bool ReadPixels(HBITMAP bitmap, CachedThumbnail& entry) {
    DIBSECTION dib = {};
    const int described = GetObjectA(bitmap, sizeof(dib), &dib);
    const BITMAP& size = dib.dsBm;
    if (!described || size.bmWidth <= 0 || size.bmHeight <= 0) return false;
    const ULONGLONG bytes = static_cast<ULONGLONG>(size.bmWidth) * size.bmHeight * kBytesPerPixel;
    if (bytes > kThumbnailCacheBytes) return false;
    entry.width = size.bmWidth;
    entry.height = size.bmHeight;
    entry.pixels.resize(static_cast<std::size_t>(bytes));
    // The library's thumbnails are 32-bit DIB sections: their rows are copied as they lie, which
    // under emulation costs a tenth of a conversion through a device context.
    if (described == sizeof(dib) && size.bmBits && size.bmBitsPixel == 32 && dib.dsBmih.biCompression == BI_RGB) {
        GdiFlush();
        const std::size_t row = static_cast<std::size_t>(entry.width) * kBytesPerPixel;
        const bool bottomUp = dib.dsBmih.biHeight > 0;
        for (LONG y = 0; y < entry.height; ++y) {
            const LONG source = bottomUp ? entry.height - 1 - y : y;
            std::memcpy(&entry.pixels[y * row], static_cast<const BYTE*>(size.bmBits) + source * size.bmWidthBytes,
                        row);
        }
        return true;
    }
    BITMAPINFO info = win32::top_down_dib_info(entry.width, entry.height);
    const win32::unique_mem_dc dc(CreateCompatibleDC(nullptr));
    return dc && GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(entry.height), entry.pixels.data(), &info,
                           DIB_RGB_COLORS) == entry.height;
}

win32::unique_hbitmap MakeBitmap(const CachedThumbnail& entry) {
    const BITMAPINFO info = win32::top_down_dib_info(entry.width, entry.height);
    void* bits = nullptr;
    win32::unique_hbitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap) std::memcpy(bits, entry.pixels.data(), entry.pixels.size());
    return bitmap;
}

// Moves the entries kept for the path into `dropped`, under the lock.
void TakeOutPath(const std::string& path, std::list<CachedThumbnail>& dropped) {
    for (auto it = g_thumbnails.begin(); it != g_thumbnails.end();) {
        const auto next = std::next(it);
        if (it->file.path == path) {
            g_bytes -= it->pixels.size();
            dropped.splice(dropped.end(), g_thumbnails, it);
        }
        it = next;
    }
}

}  // namespace

bool ReadFileVersion(const char* path, FileVersion& version) {
    const win32::unique_file file(CreateFileA(path, FILE_READ_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size = {};
    FILETIME lastWrite = {};
    ULONGLONG index = 0;
    if (!file || !GetFileSizeEx(file.get(), &size) || !GetFileTime(file.get(), nullptr, nullptr, &lastWrite) ||
        !ReadFileIndex(file.get(), index))
        return false;
    version.path = path;
    version.size = static_cast<ULONGLONG>(size.QuadPart);
    version.lastWrite = Join(lastWrite.dwHighDateTime, lastWrite.dwLowDateTime);
    version.index = index;
    return true;
}

win32::unique_hbitmap FindCachedThumbnail(const FileVersion& file, ThumbnailFacts& facts) noexcept {
    std::list<CachedThumbnail> dropped;  // freed after the lock is given back
    win32::scoped_exclusive_lock guard(g_lock);
    for (auto it = g_thumbnails.begin(); it != g_thumbnails.end(); ++it) {
        if (it->file.path != file.path) continue;
        if (!SameVersion(it->file, file)) {
            TakeOutPath(file.path, dropped);
            return {};
        }
        g_thumbnails.splice(g_thumbnails.begin(), g_thumbnails, it);
        facts = it->facts;
        return MakeBitmap(*it);
    }
    return {};
}

void CacheThumbnail(const FileVersion& file, HBITMAP thumbnail, const ThumbnailFacts& facts) noexcept {
    std::list<CachedThumbnail> added, dropped;
    try {
        added.emplace_back();
        CachedThumbnail& entry = added.back();
        entry.file = file;
        entry.facts = facts;
        if (!ReadPixels(thumbnail, entry)) return;
    } catch (const std::bad_alloc&) {
        return;
    }
    win32::scoped_exclusive_lock guard(g_lock);
    TakeOutPath(file.path, dropped);
    g_bytes += added.front().pixels.size();
    g_thumbnails.splice(g_thumbnails.begin(), added);
    while (g_thumbnails.size() > kThumbnailCacheCount || g_bytes > kThumbnailCacheBytes) {
        g_bytes -= g_thumbnails.back().pixels.size();
        dropped.splice(dropped.end(), g_thumbnails, std::prev(g_thumbnails.end()));
    }
}

void ReleaseThumbnailCache() noexcept {
    std::list<CachedThumbnail> dropped;
    win32::scoped_exclusive_lock guard(g_lock);
    dropped.swap(g_thumbnails);
    g_bytes = 0;
}

}  // namespace dravik
