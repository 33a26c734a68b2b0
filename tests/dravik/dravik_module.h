// The real Dravik.dll loaded into the test process, reached the way a caller reaches it: through
// its four COM entry points.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "Dravik_i.h"
#include "win32/unique_handle.h"

namespace test_support {

class DravikModule {
    win32::unique_hmodule m_module{LoadLibraryA("Dravik.dll")};

    template <typename Function>
    Function Export(const char* name) const {
        return m_module ? reinterpret_cast<Function>(GetProcAddress(m_module.get(), name)) : nullptr;
    }

public:
    HRESULT(STDAPICALLTYPE* const CanUnloadNow)() = Export<decltype(CanUnloadNow)>("DllCanUnloadNow");
    HRESULT(STDAPICALLTYPE* const GetClassObject)(REFCLSID, REFIID, void**) =
        Export<decltype(GetClassObject)>("DllGetClassObject");
    HRESULT(STDAPICALLTYPE* const RegisterServer)() = Export<decltype(RegisterServer)>("DllRegisterServer");
    HRESULT(STDAPICALLTYPE* const UnregisterServer)() = Export<decltype(UnregisterServer)>("DllUnregisterServer");

    explicit operator bool() const { return CanUnloadNow && GetClassObject && RegisterServer && UnregisterServer; }

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
};

}  // namespace test_support
