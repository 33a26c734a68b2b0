#include "handler/pmenu.h"

#include <shellapi.h>

#include <string>

#include "handler/debug_log.h"
#include "handler/drop_list.h"
#include "handler/settings.h"
#include "win32/stg_medium.h"

namespace dravik {
namespace {

// Where the name starts in a selected path, cut the way the platform splits paths: the folder part
// before it is the drive and the directory up to and including the last separator; the name is the
// final component.
size_t NameStart(const std::string& path) {
    for (size_t start = path.size(); start > 0; --start) {
        if (path[start - 1] == '\\' || path[start - 1] == '/') return start;
    }
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
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
    const DropList names(drop, GlobalSize(medium.get().hGlobal));
    const size_t count = names.size();
    if (count == 0) return E_INVALIDARG;

    m_fileNames.reserve(count);
    std::string path;
    DropList::iterator lastRead = names.end();
    size_t i = 0;
    for (DropList::iterator name = names.begin(); name != names.end(); ++name, ++i) {
        name->ansi(path);
        if (path.empty()) continue;

        ++m_selCount;
        lastRead = name;
        const size_t nameStart = NameStart(path);
        if (i == 0) m_choosePath.assign(path, 0, nameStart);
        m_fileNames.emplace_back(path, nameStart);
        DebugLog(" %d.  %s", m_selCount, m_fileNames.back().c_str());

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
    // The folder of the last path read; nothing in the loop looks at it before.
    if (lastRead != names.end()) {
        lastRead->ansi(path);
        m_curFolder.assign(path, 0, NameStart(path));
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
