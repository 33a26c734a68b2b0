#include "com/class_factory.h"

#include <new>

#include "com/com_object.h"
#include "win32/com_boundary.h"
#include "win32/srw_lock.h"

namespace dravik {

HRESULT ClassFactory::Create(InstanceCreator createInstance, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return QueryNewObject(new (std::nothrow) ClassFactory(createInstance), riid, ppv);
}

HRESULT ClassFactory::QueryInterface(REFIID riid, void** ppv) {
    return win32::com_boundary([&] {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        return HandOut(this, ppv);
    });
}

ULONG ClassFactory::AddRef() noexcept {
    win32::scoped_exclusive_lock guard(m_cacheLock);
    const LONG count = InterlockedIncrement(&m_refCount);
    if (count == 2) g_module.Lock();
    return static_cast<ULONG>(count);
}

ULONG ClassFactory::Release() noexcept {
    LONG count;
    {
        win32::scoped_exclusive_lock guard(m_cacheLock);
        count = InterlockedDecrement(&m_refCount);
    }
    if (count == 0)
        delete this;
    else if (count == 1)
        g_module.Unlock();
    return static_cast<ULONG>(count);
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    return win32::com_boundary([&] {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
        return m_createInstance(outer, riid, ppv);
    });
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    return win32::com_boundary([&] {
        if (lock)
            g_module.Lock();
        else
            g_module.Unlock();
        return S_OK;
    });
}

}  // namespace dravik
