#include "com/server_module.h"

#include <new>

#include "com/type_library.h"
#include "win32/srw_lock.h"

namespace dravik {

ServerModule g_module;

void ServerModule::Start(HINSTANCE module, ObjectMapEntry* map) noexcept {
    instance = module;
    typeLibInstance = module;
    objectMap = map;
    for (ObjectMapEntry* row = objectMap; row && row->clsid; ++row)
        if (row->objectMain) row->objectMain(true);
}

void ServerModule::Stop() noexcept {
    for (ObjectMapEntry* row = objectMap; row && row->clsid; ++row) {
        if (IUnknown* factory = row->classFactory.exchange(nullptr)) factory->Release();
        if (row->objectMain) row->objectMain(false);
    }
    std::forward_list<TermCallback> callbacks;
    {
        win32::scoped_exclusive_lock guard(typeInfoLock);
        callbacks.swap(termCallbacks);
    }
    for (const TermCallback& term : callbacks) term.callback(term.context);
}

HRESULT ServerModule::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;

    HRESULT hr = S_OK;
    for (ObjectMapEntry* row = objectMap; row && row->clsid; ++row) {
        if (!row->createClassFactory || !IsEqualCLSID(*row->clsid, clsid)) continue;
        if (!row->classFactory.load()) {
            win32::scoped_exclusive_lock guard(objectMapLock);
            if (!row->classFactory.load()) {
                IUnknown* factory = nullptr;
                hr = row->createClassFactory(row->createInstance, IID_IUnknown, reinterpret_cast<void**>(&factory));
                row->classFactory.store(factory);
            }
        }
        if (IUnknown* factory = row->classFactory.load()) hr = factory->QueryInterface(riid, ppv);
        break;
    }
    if (!*ppv && hr == S_OK) hr = CLASS_E_CLASSNOTAVAILABLE;
    return hr;
}

bool ServerModule::IsProcessed(const ObjectMapEntry& row, const CLSID* clsidFilter) const {
    if (clsidFilter) return IsEqualCLSID(*row.clsid, *clsidFilter) != FALSE;
    return !(row.getObjectDescription && row.getObjectDescription());
}

HRESULT ServerModule::RegisterServer(bool registerTypeLibrary, const CLSID* clsidFilter) {
    for (ObjectMapEntry* row = objectMap; row && row->clsid; ++row) {
        if (!IsProcessed(*row, clsidFilter)) continue;
        const HRESULT hr = row->updateRegistry(true);
        if (FAILED(hr)) return hr;
    }
    return registerTypeLibrary ? RegisterTypeLibrary(typeLibInstance) : S_OK;
}

HRESULT ServerModule::UnregisterServer(bool unregisterTypeLibrary, const CLSID* clsidFilter) {
    for (ObjectMapEntry* row = objectMap; row && row->clsid; ++row)
        if (IsProcessed(*row, clsidFilter)) row->updateRegistry(false);
    if (unregisterTypeLibrary) UnregisterTypeLibrary(typeLibInstance);
    return S_OK;
}

void ServerModule::AddTermCallback(void (*callback)(void*), void* context) noexcept {
    win32::scoped_exclusive_lock guard(typeInfoLock);
    try {
        termCallbacks.push_front({callback, context});
    } catch (const std::bad_alloc&) {
        // Without its node the clean-up does not run; what it would release goes with the process.
    }
}

}  // namespace dravik
