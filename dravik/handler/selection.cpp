#include "handler/pmenu.h"

#include <shellapi.h>

#include <string>

#include "handler/debug_log.h"
#include "handler/drop_list.h"
#include "handler/settings.h"
#include "preview/file_list.h"
#include "win32/module_path.h"
#include "win32/stg_medium.h"

namespace dravik {
namespace {

// One selected path in UTF-16, as the shell holds it, and in the ANSI code page: exactly where the
// code page spells it, else through short names, else with "?" for what it cannot spell. False in
// that last case: the ANSI form then names no file and is never opened.
bool ReadPath(const DropList::Name& name, std::wstring& widePath, std::string& path) {
    name.wide(widePath);
    return win32::ansi_path_of(widePath, path);
}

}  // namespace

HRESULT CPMenu::ReadSelection(PCIDLIST_ABSOLUTE, IDataObject* dataObject, HKEY) {
    DebugStart();
    ReadSettings();

    m_IsSelType = kSelectionOther;
    m_previewBitmap.reset();
    m_previewCmdId = 0;
    m_selCount = 0;
    m_multi_selected = 1;
    m_runType = 0;
    m_fileNames.clear();
    m_wideFileList.clear();

    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM handedOut = {};
    if (!dataObject || FAILED(dataObject->GetData(&format, &handedOut))) return E_INVALIDARG;
    // Given back and unlocked on every path, also when something below throws.
    win32::unique_stg_medium medium(handedOut);
    if (medium.get().tymed != TYMED_HGLOBAL) return E_INVALIDARG;
    win32::scoped_global_lock locked(medium.get().hGlobal);
    const HDROP drop = static_cast<HDROP>(locked.get());
    if (!drop) return E_INVALIDARG;
    const DropList names(drop, GlobalSize(medium.get().hGlobal));
    const size_t count = names.size();
    if (count == 0) return E_INVALIDARG;

    m_fileNames.reserve(count);
    std::string path;
    std::wstring widePath;
    DropList::iterator lastRead = names.end();
    bool lastHeld = false;  // whether the two paths still hold the last path read
    size_t i = 0;
    for (DropList::iterator name = names.begin(); name != names.end(); ++name, ++i) {
        const bool named = ReadPath(*name, widePath, path);
        lastHeld = !widePath.empty();
        if (!lastHeld) continue;

        ++m_selCount;
        lastRead = name;
        const size_t nameStart = win32::path_name_start(path), wideNameStart = win32::path_name_start(widePath);
        if (i == 0) {
            m_choosePath.assign(path, 0, nameStart);
            m_wideChoosePath.assign(widePath, 0, wideNameStart);
        }
        m_fileNames.emplace_back(path, nameStart);
        m_wideFileList.append(widePath, wideNameStart, std::wstring::npos) += kWideFileListSeparator;
        DebugLog(" %d.  %s", m_selCount, m_fileNames.back().c_str());

        if (count == 1) {
            if (IsDirectoryPath(widePath.c_str())) {
                m_IsSelType = kSelectionFolder;
            } else {
                g_selFileName.assign(widePath.substr(wideNameStart));
                bool picture = false;
                if (named) {
                    LoadPreviewImage(path.c_str());
                    picture = static_cast<bool>(m_previewBitmap);
                } else {
                    picture = IsPictureByName(widePath);
                }
                if (picture) {
                    m_IsSelType = kSelectionImage;
                } else {
                    m_multi_selected = 0;
                    m_IsSelType = kSelectionOther;
                }
            }
        } else if (i == 0 && IsDirectoryPath(widePath.c_str())) {
            m_multi_selected = 0;
        }
    }
    // The folder of the last path read; nothing in the loop looks at it before. Only an empty
    // name after it has replaced the two paths, and then it is read again.
    if (lastRead != names.end()) {
        if (!lastHeld) ReadPath(*lastRead, widePath, path);
        m_curFolder.assign(path, 0, win32::path_name_start(path));
        m_wideCurFolder.assign(widePath, 0, win32::path_name_start(widePath));
    }
    if (count == 1) m_multi_selected = 0;
    DebugLog(" chooes path :   %s", m_choosePath.c_str());

    locked.reset();
    DebugLog("--x1");
    medium.reset();
    DebugLog("--x2");
    DebugLog("m_IsSelType=(%d) ", m_IsSelType);
    return S_OK;
}

}  // namespace dravik
