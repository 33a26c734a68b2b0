// The class object of a class of the table: creates its instances and holds the server lock.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "com/server_module.h"

namespace dravik {

// Cached by its class-table row, whose reference does not keep the module loaded: while anyone
// else holds the factory (its count above 1) it counts once in the module's lock count.
class ClassFactory final : public IClassFactory {
public:
    // The class table's factory creator: a new factory for createInstance, asked for riid.
    static HRESULT Create(InstanceCreator createInstance, REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    explicit ClassFactory(InstanceCreator createInstance) : m_createInstance(createInstance) {}

    volatile LONG m_refCount = 0;
    InstanceCreator m_createInstance;
    // Held around every count change, so that the 1-to-2 and 2-to-1 steps and the module's lock
    // count move together.
    SRWLOCK m_cacheLock = SRWLOCK_INIT;
};

}  // namespace dravik
