// The module's COM entry points.
#include <windows.h>
#include <olectl.h>

#include "com/server_module.h"
#include "win32/com_boundary.h"

using dravik::g_module;

STDAPI DllCanUnloadNow() {
    return win32::com_boundary([] { return g_module.CanUnload() ? S_OK : S_FALSE; });
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    return win32::com_boundary([&] { return g_module.GetClassObject(clsid, riid, ppv); });
}

STDAPI DllRegisterServer() {
    return win32::com_boundary([] { return g_module.RegisterServer(true, nullptr); });
}

STDAPI DllUnregisterServer() {
    return win32::com_boundary([] { return g_module.UnregisterServer(true, nullptr); });
}
