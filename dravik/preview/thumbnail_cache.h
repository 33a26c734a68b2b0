// The thumbnails of the pictures right-clicked last, kept by the process: a menu opened again on
// the same picture shows its preview at once, without the image library. A thumbnail is given only
// for the same version of the same file: the same full path, size and last-write time, and the same
// file on its volume (a file replaced by another of the same name is another file, even with the
// same size and time). The cache holds pixels, not GDI objects: each handler gets a bitmap of its
// own, which it deletes whenever it likes. The shell calls handlers on several threads; every call
// here takes the cache's lock.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "win32/unique_handle.h"

namespace dravik {

// At most this many thumbnails, and at most this many bytes of pixels (4 bytes each): about 23
// thumbnails that fill the 150 x 150 box, all 32 of pictures much wider than high. The least
// recently used goes first.
constexpr std::size_t kThumbnailCacheCount = 32;
constexpr std::size_t kThumbnailCacheBytes = 2 * 1024 * 1024;

// One version of one file.
struct FileVersion {
    std::string path;
    ULONGLONG size = 0;
    ULONGLONG lastWrite = 0;
    ULONGLONG index = 0;  // the file's number on its volume
};

// The version of the file at the path now; false when the file cannot be opened.
bool ReadFileVersion(const char* path, FileVersion& version);

// What a decode gives besides the picture: the library's kind, the thumbnail's size as the
// library reported it, the source image's size and bits per pixel.
struct ThumbnailFacts {
    int kind = 0;
    int previewWidth = 0;
    int previewHeight = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    int imageBits = 0;
};

// A new bitmap with the thumbnail kept for this version of the file, and the facts of its decode;
// none when no thumbnail is kept for it (one kept for another version of the path is dropped).
win32::unique_hbitmap FindCachedThumbnail(const FileVersion& file, ThumbnailFacts& facts) noexcept;

// Keeps the thumbnail's pixels for this version of the file, in place of anything kept for its
// path, and drops the least recently used until both bounds hold. Nothing is kept of a thumbnail
// larger than the bytes bound, nor when memory runs out: the cache only ever saves a decode.
void CacheThumbnail(const FileVersion& file, HBITMAP thumbnail, const ThumbnailFacts& facts) noexcept;

// Drops every thumbnail; at the module's unload.
void ReleaseThumbnailCache() noexcept;

}  // namespace dravik
