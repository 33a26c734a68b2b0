// The outside image library, loaded at each thumbnail request. Its functions take the path as
// narrow text and use the standard calling convention.
#pragma once

#include <windows.h>

#include <string>

#include "win32/proc_address.h"
#include "win32/unique_handle.h"

namespace dravik {

constexpr char kImageLibraryName[] = "Zuzazavuro.dll";
constexpr char kFileKindExport[] = "Filekind";
constexpr char kLoadImageExport[] = "Loadimage";
constexpr char kFreeImageExport[] = "Freeimage";

// Only the low 8 bits of the result count, read as a signed value.
using FileKindFunction = int(WINAPI*)(const char* path);
// On entry *width and *height hold the box; on success they hold the returned bitmap's size and
// the other three the source image's width, height and bits per pixel.
using LoadImageFunction = HBITMAP(WINAPI*)(const char* path, int* width, int* height, int* imageWidth,
                                           int* imageHeight, int* bitsPerPixel);

// The kind whose file gets the reduced menu and the command "1".
constexpr int kReducedMenuKind = 2;
// The kind of a picture of one frame.
constexpr int kStillPictureKind = 1;

// The extensions of the pictures the viewer opens (compared without regard to case), which tell a
// picture that the library cannot be handed: no ANSI path names it.
constexpr const wchar_t* kPictureExtensions[] = {L".jpg", L".jpeg", L".jpe", L".png", L".gif",
                                                 L".bmp", L".tif", L".tiff"};

// The image library, always by its full path: the copy beside this module, else the one in the
// viewer's folder when that is a full path, else the one in the system folder, each in turn until
// one loads. Never by bare name: the standard search reaches the shell's current folder (any folder
// a file dialog browses) and PATH, and a library planted there would run inside the shell; nor are
// its own imports looked for there. Null when none of them loads.
win32::unique_hmodule LoadImageLibrary(const std::wstring& viewerFolder);

}  // namespace dravik
