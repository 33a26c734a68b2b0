// A thumbnail of an image file's first frame as a 32-bit DIB section.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace zuzazavuro {

struct Size {
    UINT width;
    UINT height;
};

// The largest size with the image's proportions that fits in the box, never larger than the
// image; the free side is rounded to the nearest pixel (halves up) and is at least 1.
Size FitInBox(Size image, Size box);

struct Thumbnail {
    win32::unique_hbitmap bitmap;  // a top-down 32 bpp DIB section of exactly `size`
    Size size;
    Size image;
    UINT bitsPerPixel;  // of the source's pixel format
};

// An empty bitmap when the file cannot be decoded. Needs COM on the calling thread.
Thumbnail LoadThumbnail(const char* path, Size box);

}  // namespace zuzazavuro
