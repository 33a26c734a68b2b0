#include "context_menu_session.h"

#include <memory>

#include "host_options.h"
#include "samples/shell_selection.h"

namespace shellhost {
namespace {

struct IdListFree {
    void operator()(ITEMIDLIST_ABSOLUTE* list) const { CoTaskMemFree(list); }
};
using unique_id_list = std::unique_ptr<ITEMIDLIST_ABSOLUTE, IdListFree>;

// The folder that holds the selection, as the shell names it to the handler.
unique_id_list FolderIdList(const std::wstring& path) {
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(SHParseDisplayName(ParentFolder(path).c_str(), nullptr, &list, 0, nullptr)))
        return nullptr;
    return unique_id_list(list);
}

UINT ItemIdOf(UINT message, LPARAM lParam) {
    if (message == WM_MEASUREITEM) {
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        return item->CtlType == ODT_MENU ? item->itemID : 0;
    }
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    return item->CtlType == ODT_MENU ? item->itemID : 0;
}

}  // namespace

HRESULT ContextMenuSession::Create(const CLSID& clsid) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_init));
}

HRESULT ContextMenuSession::Initialize(const std::vector<std::wstring>& paths, HKEY classKey) {
    if (!m_init) return E_UNEXPECTED;
    const Microsoft::WRL::ComPtr<IDataObject> data = samples::ShellDataObject(paths);
    if (!data) return E_INVALIDARG;
    const unique_id_list folder = FolderIdList(paths.front());
    const HRESULT hr = m_init->Initialize(folder.get(), data.Get(), classKey);
    if (FAILED(hr)) return hr;
    // The owner-draw messages go to the newest interface the handler has.
    m_init.As(&m_menu2);
    m_init.As(&m_menu3);
    return m_init.As(&m_menu);
}

HRESULT ContextMenuSession::AddEntries(HMENU menu, UINT position, UINT firstId, UINT lastId) {
    if (!m_menu) return E_UNEXPECTED;
    const HRESULT hr = m_menu->QueryContextMenu(menu, position, firstId, lastId, CMF_NORMAL);
    if (SUCCEEDED(hr)) {
        m_firstId = firstId;
        m_idCount = HRESULT_CODE(hr);
    }
    return hr;
}

bool ContextMenuSession::Forward(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!m_menu2 && !m_menu3) return false;
    switch (message) {
        case WM_INITMENUPOPUP:
            ++m_answers.initMenuPopup;
            break;
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
            // Items of other owners are none of the handler's business.
            if (!Owns(ItemIdOf(message, lParam))) return false;
            ++(message == WM_MEASUREITEM ? m_answers.measureItem : m_answers.drawItem);
            break;
        default:
            return false;
    }
    result = message == WM_INITMENUPOPUP ? 0 : TRUE;
    if (m_menu3)
        m_menu3->HandleMenuMsg2(message, wParam, lParam, &result);
    else
        m_menu2->HandleMenuMsg(message, wParam, lParam);
    if (message == WM_MEASUREITEM) {
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        m_answers.measuredId = item->itemID;
        m_answers.measuredWidth = item->itemWidth;
        m_answers.measuredHeight = item->itemHeight;
    }
    return true;
}

HRESULT ContextMenuSession::Invoke(UINT id, HWND owner) {
    if (!m_menu || !Owns(id)) return E_INVALIDARG;
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(id - m_firstId);
    info.nShow = SW_SHOWNORMAL;
    return m_menu->InvokeCommand(&info);
}

void ContextMenuSession::Release() {
    m_menu3.Reset();
    m_menu2.Reset();
    m_menu.Reset();
    m_init.Reset();
    CoFreeUnusedLibraries();
}

}  // namespace shellhost
