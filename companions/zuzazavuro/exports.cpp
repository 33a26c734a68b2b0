// The library's three exports. Each joins COM only for the length of the call, and nothing is
// thrown across the module boundary.
#include <windows.h>

#include "file_kind.h"
#include "thumbnail.h"
#include "win32/com_apartment.h"

extern "C" {

// 0: no codec recognises the file; 1: a still image; 2: an image with several frames or pages.
int WINAPI Filekind(const char* path) {
    if (!path) return 0;
    try {
        win32::com_apartment com;
        if (!com) return 0;
        return zuzazavuro::FileKind(path);
    } catch (...) {
        return 0;
    }
}

// On entry *width and *height hold the box; on success they hold the thumbnail's size, and the
// other three the source's size and bits per pixel. The caller owns the returned DIB section.
HBITMAP WINAPI Loadimage(const char* path, int* width, int* height, int* imageWidth, int* imageHeight,
                         int* bitsPerPixel) {
    if (!path || !width || !height || !imageWidth || !imageHeight || !bitsPerPixel || *width <= 0 || *height <= 0)
        return nullptr;
    try {
        win32::com_apartment com;
        if (!com) return nullptr;
        zuzazavuro::Thumbnail thumbnail =
            zuzazavuro::LoadThumbnail(path, {static_cast<UINT>(*width), static_cast<UINT>(*height)});
        if (!thumbnail.bitmap) return nullptr;
        *width = static_cast<int>(thumbnail.size.width);
        *height = static_cast<int>(thumbnail.size.height);
        *imageWidth = static_cast<int>(thumbnail.image.width);
        *imageHeight = static_cast<int>(thumbnail.image.height);
        *bitsPerPixel = static_cast<int>(thumbnail.bitsPerPixel);
        return thumbnail.bitmap.release();
    } catch (...) {
        return nullptr;
    }
}

// Deletes a bitmap that Loadimage returned; refuses anything that is not a bitmap.
BOOL WINAPI Freeimage(HBITMAP bitmap) { return GetObjectType(bitmap) == OBJ_BITMAP && DeleteObject(bitmap); }

}  // extern "C"
