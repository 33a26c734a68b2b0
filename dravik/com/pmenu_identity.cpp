// The identity of a handler: its interface table, reference count and creation, and every COM
// method the platform calls on it, each running its work inside the exception boundary. The work
// itself lives with the handler state.
#include <new>

#include "com/com_object.h"
#include "com/pmenu_aggregate.h"
#include "com/type_info_holder.h"
#include "handler/pmenu.h"
#include "win32/com_boundary.h"

namespace dravik {
namespace {

struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*get)(CPMenu* menu);
};

template <typename Interface>
IUnknown* As(CPMenu* menu) {
    return static_cast<Interface*>(menu);
}

// Searched in this order; IUnknown is answered before the table.
const InterfaceEntry kInterfaces[] = {
    {&IID_IPMenu, As<IPMenu>},
    {&IID_IDispatch, As<IPMenu>},
    {&IID_IShellExtInit, As<IShellExtInit>},
    {&IID_IContextMenu, As<IContextMenu3>},
    {&IID_IContextMenu2, As<IContextMenu3>},
    {&IID_IContextMenu3, As<IContextMenu3>},
};

TypeInfoHolder g_pmenuTypeInfo(&IID_IPMenu, &LIBID_DRAVIKLib, 1, 0);

}  // namespace

HRESULT CPMenu::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CPMenuAggregate::Create(outer, riid, ppv);
    return QueryNewObject(new (std::nothrow) CPMenu(), riid, ppv);
}

HRESULT CPMenu::QueryTable(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (const InterfaceEntry& entry : kInterfaces)
        if (IsEqualIID(*entry.iid, riid)) return HandOut(entry.get(this), ppv);
    return E_NOINTERFACE;
}

HRESULT CPMenu::QueryInterface(REFIID riid, void** ppv) {
    return win32::com_boundary([&] {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown)) return QueryTable(riid, ppv);
        return HandOut(static_cast<IPMenu*>(this), ppv);
    });
}

ULONG CPMenu::AddRef() noexcept { return ++m_refCount; }

ULONG CPMenu::Release() noexcept { return ReleaseSingleThreaded(this, m_refCount); }

HRESULT CPMenu::GetTypeInfoCount(UINT* count) {
    return win32::com_boundary([&] {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    });
}

HRESULT CPMenu::GetTypeInfo(UINT, LCID lcid, ITypeInfo** typeInfo) {
    return win32::com_boundary([&] { return g_pmenuTypeInfo.GetTypeInfo(lcid, typeInfo); });
}

HRESULT CPMenu::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispIds) {
    return win32::com_boundary([&] { return g_pmenuTypeInfo.GetIDsOfNames(names, count, lcid, dispIds); });
}

HRESULT CPMenu::Invoke(DISPID member, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argError) {
    return win32::com_boundary([&] {
        return g_pmenuTypeInfo.Invoke(static_cast<IPMenu*>(this), member, lcid, flags, params, result, exception,
                                      argError);
    });
}

HRESULT CPMenu::Initialize(PCIDLIST_ABSOLUTE folderIdList, IDataObject* dataObject, HKEY progIdKey) {
    return win32::com_boundary([&] { return ReadSelection(folderIdList, dataObject, progIdKey); });
}

HRESULT CPMenu::QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags) {
    return win32::com_boundary([&] { return AddMenuEntries(menu, indexMenu, idCmdFirst, idCmdLast, flags); });
}

HRESULT CPMenu::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    return win32::com_boundary([&] { return RunCommand(info); });
}

HRESULT CPMenu::GetCommandString(UINT_PTR idCmd, UINT type, UINT*, CHAR* name, UINT cchMax) {
    return win32::com_boundary([&] { return DescribeCommand(idCmd, type, name, cchMax); });
}

HRESULT CPMenu::HandleMenuMsg(UINT msg, WPARAM wParam, LPARAM lParam) {
    return win32::com_boundary([&] {
        LRESULT scratch = 0;
        return OnMenuMessage(msg, wParam, lParam, &scratch);
    });
}

HRESULT CPMenu::HandleMenuMsg2(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    return win32::com_boundary([&] {
        LRESULT scratch = 0;
        return OnMenuMessage(msg, wParam, lParam, result ? result : &scratch);
    });
}

HRESULT CPMenu::OnMenuMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    switch (msg) {
    case WM_DRAWITEM:
        return OnDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam), result);
    case WM_MEASUREITEM:
        return OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), result);
    default:
        return S_OK;
    }
}

}  // namespace dravik
