#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "outside/image_library.h"
#include "preview/preview_item.h"
#include "preview/preview_timer.h"
#include "preview/thumbnail_cache.h"

namespace dravik {

int g_lastPreviewWidth = 100;
int g_lastPreviewHeight = 100;

namespace {

ThumbnailFacts FactsOf(const CPMenu& menu) {
    return {menu.m_runType,  menu.m_previewWidth, menu.m_previewHeight,
            menu.m_imageWidth, menu.m_imageHeight, menu.m_imageBits};
}

// What a decode of this version of the file gave, from the cache; false when it holds nothing
// for it. The image library is not loaded.
bool TakeCachedThumbnail(CPMenu& menu, const FileVersion& file) {
    ThumbnailFacts facts;
    win32::unique_hbitmap thumbnail = FindCachedThumbnail(file, facts);
    if (!thumbnail) return false;
    menu.m_previewBitmap = std::move(thumbnail);
    menu.m_runType = facts.kind;
    menu.m_previewWidth = facts.previewWidth;
    menu.m_previewHeight = facts.previewHeight;
    menu.m_imageWidth = facts.imageWidth;
    menu.m_imageHeight = facts.imageHeight;
    menu.m_imageBits = facts.imageBits;
    g_lastPreviewWidth = menu.m_previewWidth;
    g_lastPreviewHeight = menu.m_previewHeight;
    return true;
}

}  // namespace

int CPMenu::GetFileKind(const char* path) {
    DebugLog("FileKind");
    win32::unique_hmodule library = LoadImageLibrary(m_mainPath);
    if (!library) return 0;

    int kind = 0;
    if (auto fileKind = win32::proc_address<FileKindFunction>(library.get(), kFileKindExport)) {
        kind = static_cast<signed char>(fileKind(path));
        DebugLog("-ck iFileKind");
    }
    return kind;
}

bool CPMenu::IsPictureByName(const std::wstring& path) {
    m_previewBitmap.reset();
    const size_t dot = path.find_last_of(L".\\/");
    if (dot == std::wstring::npos || path[dot] != L'.') return false;
    const wchar_t* extension = path.c_str() + dot;
    const bool picture =
        std::any_of(std::begin(kPictureExtensions), std::end(kPictureExtensions), [&](const wchar_t* known) {
            return CompareStringOrdinal(extension, -1, known, -1, TRUE) == CSTR_EQUAL;
        });
    if (!picture) return false;
    // As for a thumbnail: where the library is missing or broken, no file gets the image's menu.
    win32::unique_hmodule library = LoadImageLibrary(m_mainPath);
    if (!library || !win32::proc_address<LoadImageFunction>(library.get(), kLoadImageExport)) return false;
    m_runType = kStillPictureKind;
    DebugLog("no ANSI path names the file: no preview");
    return true;
}

int CPMenu::LoadPreviewImage(const char* path) {
    PreviewTimer total, load;
    StartTimer(total);
    DebugLog("load image ------------- start");
    m_previewBitmap.reset();

    int loadMs = 0;
    FileVersion version;
    const bool versioned = ReadFileVersion(path, version);
    if (versioned && TakeCachedThumbnail(*this, version)) {
        DebugLog("load image from the cache");
    } else if (win32::unique_hmodule library = LoadImageLibrary(m_mainPath)) {
        auto loadImage = win32::proc_address<LoadImageFunction>(library.get(), kLoadImageExport);
        if (loadImage) {
            m_runType = GetFileKind(path);
            if (m_runType != 0) {
                m_previewWidth = kThumbnailBox;
                m_previewHeight = kThumbnailBox;
                StartTimer(load);
                if (HBITMAP thumbnail =
                        loadImage(path, &m_previewWidth, &m_previewHeight, &m_imageWidth, &m_imageHeight, &m_imageBits)) {
                    // A GDI object of the process: it outlives the library's unloading below.
                    m_previewBitmap.reset(thumbnail);
                    g_lastPreviewWidth = m_previewWidth;
                    g_lastPreviewHeight = m_previewHeight;
                    // Read before the decode: a file that changed meanwhile is decoded again.
                    if (versioned) CacheThumbnail(version, thumbnail, FactsOf(*this));
                }
                loadMs = ElapsedMs(load);
                DebugLog("load image info %d %d %d  ", m_imageWidth, m_imageHeight, m_imageBits);
                DebugLog("load image real info  %d %d   ", m_previewWidth, m_previewHeight);
            }
        }
    }

    const int totalMs = ElapsedMs(total);
    DebugLog("load image --- end  ");
    DebugLog("loading time     total : %.3f        load :%.3f ", totalMs * 0.001, loadMs * 0.001);
    return 1;
}

}  // namespace dravik
