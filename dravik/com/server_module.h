// The module object of the COM server: its instance, its class table, the count of what keeps it
// loaded, and the clean-ups that run when it stops. Started and stopped by the DLL entry point.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <forward_list>

namespace dravik {

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);
using FactoryCreator = HRESULT (*)(InstanceCreator createInstance, REFIID riid, void** ppv);

// One row of the class table. The table ends at a row whose CLSID pointer is null.
struct ObjectMapEntry {
    const CLSID* clsid;
    HRESULT (*updateRegistry)(bool registering);
    FactoryCreator createClassFactory;
    InstanceCreator createInstance;
    std::atomic<IUnknown*> classFactory;  // the cached class factory, made on first use
    // A row with a description is left out of an unfiltered registration.
    const char* (*getObjectDescription)();
    void (*objectMain)(bool starting);
};

struct TermCallback {
    void (*callback)(void* context);
    void* context;
};

class ServerModule {
public:
    // Every row's objectMain(true) runs, in table order.
    void Start(HINSTANCE module, ObjectMapEntry* map) noexcept;
    // Releases each row's cached class factory and runs its objectMain(false), then the clean-ups,
    // the latest registered first.
    void Stop() noexcept;

    // The lock count: live handlers, server locks, and class factories with more than their
    // cache reference. Any thread may change it.
    LONG Lock() noexcept { return InterlockedIncrement(&lockCount); }
    LONG Unlock() noexcept { return InterlockedDecrement(&lockCount); }
    bool CanUnload() noexcept { return InterlockedCompareExchange(&lockCount, 0, 0) == 0; }

    // The cached class factory of the class, made on first use; CLASS_E_CLASSNOTAVAILABLE for a
    // class the table lacks.
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
    // Applies the registry scripts of the rows (of the one class when a filter is given), then
    // registers the type library when asked to. The first failure is returned.
    HRESULT RegisterServer(bool registerTypeLibrary, const CLSID* clsidFilter);
    // Removes what registration wrote; always S_OK.
    HRESULT UnregisterServer(bool unregisterTypeLibrary, const CLSID* clsidFilter);

    // A clean-up for Stop. One that cannot be recorded is left out.
    void AddTermCallback(void (*callback)(void*), void* context) noexcept;

    HINSTANCE instance = nullptr;
    HINSTANCE typeLibInstance = nullptr;  // the module whose file holds the type library
    ObjectMapEntry* objectMap = nullptr;
    volatile LONG lockCount = 0;
    SRWLOCK typeInfoLock = SRWLOCK_INIT;   // type-information loading and termCallbacks
    SRWLOCK objectMapLock = SRWLOCK_INIT;  // creation of the cached class factories
    std::forward_list<TermCallback> termCallbacks;

private:
    bool IsProcessed(const ObjectMapEntry& row, const CLSID* clsidFilter) const;
};

extern ServerModule g_module;

}  // namespace dravik
