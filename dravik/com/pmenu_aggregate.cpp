#include "com/pmenu_aggregate.h"

#include <new>

#include "com/com_object.h"
#include "win32/com_boundary.h"

namespace dravik {

HRESULT CPMenuContained::QueryInterface(REFIID riid, void** ppv) {
    return win32::com_boundary([&] {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        const HRESULT hr = m_outer->QueryInterface(riid, ppv);
        if (SUCCEEDED(hr) || m_outer == static_cast<IPMenu*>(this)) return hr;
        return QueryTable(riid, ppv);
    });
}

HRESULT CPMenuAggregate::Create(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return QueryNewObject(new (std::nothrow) CPMenuAggregate(outer), riid, ppv);
}

HRESULT CPMenuAggregate::QueryInterface(REFIID riid, void** ppv) {
    return win32::com_boundary([&] {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown)) return m_contained.QueryTable(riid, ppv);
        return HandOut(this, ppv);
    });
}

ULONG CPMenuAggregate::AddRef() noexcept { return ++m_refCount; }

ULONG CPMenuAggregate::Release() noexcept { return ReleaseSingleThreaded(this, m_refCount); }

}  // namespace dravik
