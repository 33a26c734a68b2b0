// Stand-ins for the image library with chosen faults, built once per variant as Zuzazavuro.dll
// in a folder of its own:
//   STUB_KIND            the value Filekind returns (its low 8 bits count)
//   STUB_NO_FILEKIND     no Filekind export
//   STUB_NO_LOADIMAGE    no Loadimage export
//   STUB_NULL_IMAGE      Loadimage writes sizes but returns no bitmap
//   STUB_RECORD_LOAD     a library planted where a careless load would find it: records that a
//                        process loaded it by creating "<its own path>.loaded"
//   STUB_NEEDS_IMPORT    Filekind answers what ImportedKind of the library's import answers
//   STUB_IMPORT          built as that import (ZuzaImport.dll): ImportedKind only
// Otherwise Loadimage answers a bitmap exactly as large as the box it was given, and reports a
// 640 x 480, 8-bit source.
#include <windows.h>

#include <string>

#if defined(_MSC_VER)
#define STUB_EXPORT extern "C" __declspec(dllexport)
#else
#define STUB_EXPORT extern "C" __attribute__((dllexport))
#endif

#if defined(STUB_IMPORT)
STUB_EXPORT int ImportedKind() { return STUB_KIND; }
#elif defined(STUB_NEEDS_IMPORT)
extern "C" __declspec(dllimport) int ImportedKind();
STUB_EXPORT int WINAPI Filekind(const char*) { return ImportedKind(); }
#elif !defined(STUB_NO_FILEKIND)
STUB_EXPORT int WINAPI Filekind(const char*) { return STUB_KIND; }
#endif

#if !defined(STUB_NO_LOADIMAGE) && !defined(STUB_IMPORT)
STUB_EXPORT HBITMAP WINAPI Loadimage(const char*, int* width, int* height, int* imageWidth, int* imageHeight,
                                     int* bitsPerPixel) {
    *imageWidth = 640;
    *imageHeight = 480;
    *bitsPerPixel = 8;
#ifdef STUB_NULL_IMAGE
    *width = 77;
    *height = 66;
    return nullptr;
#else
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, *width, *height);
    ReleaseDC(nullptr, screen);
    return bitmap;
#endif
}
#endif

#ifdef STUB_RECORD_LOAD
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH] = {};
    GetModuleFileNameA(instance, path, MAX_PATH);
    const HANDLE record =
        CreateFileA((std::string(path) + ".loaded").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (record != INVALID_HANDLE_VALUE) CloseHandle(record);
    return TRUE;
}
#endif
