#include "handler/pmenu.h"

#include <shellapi.h>

#include <string>

#include "handler/debug_log.h"
#include "handler/settings.h"
#include "win32/stg_medium.h"

namespace dravik {
namespace {

// A selected path cut the way the platform splits paths: the folder part is the drive and the
// directory up to and including the last separator; the name is the final component.
struct PathParts {
    std::string folder;
    std::string name;
};

PathParts SplitSelectedPath(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    if (separator != std::string::npos) return {path.substr(0, separator + 1), path.substr(separator + 1)};
    const size_t drive = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    return {path.substr(0, drive), path.substr(drive)};
}

// Path i of the drop, read whole however long it is; empty when it cannot be read. The drop
// handle finds path i by walking the paths before it, so a path that fits the usual buffer is
// read with one call.
std::string QueryDroppedPath(HDROP drop, UINT index) {
    char usual[MAX_PATH];
    const UINT read = DragQueryFileA(drop, index, usual, MAX_PATH);
    if (read < MAX_PATH - 1) return std::string(usual, read);

    const UINT length = DragQueryFileA(drop, index, nullptr, 0);
    std::string path(length + 1, '\0');
    path.resize(DragQueryFileA(drop, index, &path[0], length + 1));
    return path;
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

    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM handedOut = {};
    if (!dataObject || FAILED(dataObject->GetData(&format, &handedOut))) return E_INVALIDARG;
    // Given back and unlocked on every path, also when something below throws.
    win32::unique_stg_medium medium(handedOut);
    if (medium.get().tymed != TYMED_HGLOBAL) return E_INVALIDARG;
    win32::scoped_global_lock locked(medium.get().hGlobal);
    const HDROP drop = static_cast<HDROP>(locked.get());
    if (!drop) return E_INVALIDARG;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0) return E_INVALIDARG;

    for (UINT i = 0; i < count; ++i) {
        const std::string path = QueryDroppedPath(drop, i);
        if (path.empty()) continue;

        ++m_selCount;
        PathParts parts = SplitSelectedPath(path);
        m_curFolder = parts.folder;
        if (i == 0) m_choosePath = parts.folder;
        DebugLog(" %d.  %s", m_selCount, parts.name.c_str());
        m_fileNames.push_back(std::move(parts.name));

        if (count == 1) {
            if (IsDirectoryPath(path.c_str())) {
                m_IsSelType = kSelectionFolder;
            } else {
                g_selFileName.assign(m_fileNames.back());
                LoadPreviewImage(path.c_str());
                if (m_previewBitmap) {
                    m_IsSelType = kSelectionImage;
                } else {
                    m_multi_selected = 0;
                    m_IsSelType = kSelectionOther;
                }
            }
        } else if (i == 0 && IsDirectoryPath(path.c_str())) {
            m_multi_selected = 0;
        }
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
