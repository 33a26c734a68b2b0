// The real Dravik.dll loaded into the test process, reached the way a caller reaches it: through
// its four COM entry points.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "Dravik_i.h"
#include "win32/unique_handle.h"

namespace test_support {

class DravikModule {
public:
    DravikModule() : m_module(LoadLibraryA("Dravik.dll")) {
        m_canUnloadNow = Export<CanUnloadNowFunction>("DllCanUnloadNow");
        m_getClassObject = Export<GetClassObjectFunction>("DllGetClassObject");
        m_registerServer = Export<ServerFunction>("DllRegisterServer");
        m_unregisterServer = Export<ServerFunction>("DllUnregisterServer");
    }

    explicit operator bool() const {
        return m_canUnloadNow && m_getClassObject && m_registerServer && m_unregisterServer;
    }
    HRESULT CanUnloadNow() const { return m_canUnloadNow(); }
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) const { return m_getClassObject(clsid, riid, ppv); }
    HRESULT RegisterServer() const { return m_registerServer(); }
    HRESULT UnregisterServer() const { return m_unregisterServer(); }

    Microsoft::WRL::ComPtr<IClassFactory> Factory() const {
        Microsoft::WRL::ComPtr<IClassFactory> factory;
        GetClassObject(CLSID_PMenu, IID_PPV_ARGS(&factory));
        return factory;
    }
    // A new handler, asked for the interface I.
    template <typename I>
    Microsoft::WRL::ComPtr<I> Handler() const {
        Microsoft::WRL::ComPtr<I> handler;
        if (auto factory = Factory()) factory->CreateInstance(nullptr, IID_PPV_ARGS(&handler));
        return handler;
    }

private:
    using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();
    using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using ServerFunction = HRESULT(STDAPICALLTYPE*)();

    template <typename Function>
    Function Export(const char* name) const {
        return m_module ? reinterpret_cast<Function>(GetProcAddress(m_module.get(), name)) : nullptr;
    }

    win32::unique_hmodule m_module;
    CanUnloadNowFunction m_canUnloadNow = nullptr;
    GetClassObjectFunction m_getClassObject = nullptr;
    ServerFunction m_registerServer = nullptr;
    ServerFunction m_unregisterServer = nullptr;
};

}  // namespace test_support
