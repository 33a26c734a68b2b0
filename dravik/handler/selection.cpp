#include "handler/pmenu.h"

#include <shellapi.h>

#include <string>

#include "handler/debug_log.h"
#include "handler/drop_list.h"
#include "handler/settings.h"

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
    STGMEDIUM medium = {};
    if (!dataObject || FAILED(dataObject->GetData(&format, &medium))) return E_INVALIDARG;

    const HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (!drop) {
        ReleaseStgMedium(&medium);
        return E_INVALIDARG;
    }
    const DropList names(drop, GlobalSize(medium.hGlobal));
    const size_t count = names.size();
    if (count == 0) {
        GlobalUnlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
        return E_INVALIDARG;
    }

    size_t i = 0;
    for (DropList::iterator name = names.begin(); name != names.end(); ++name, ++i) {
        const std::string path = name->ansi();
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

    GlobalUnlock(medium.hGlobal);
    DebugLog("--x1");
    ReleaseStgMedium(&medium);
    DebugLog("--x2");
    DebugLog("m_IsSelType=(%d) ", m_IsSelType);
    return S_OK;
}

}  // namespace dravik
