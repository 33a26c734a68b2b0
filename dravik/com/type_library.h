// The type library DRAVIKLib, which the module carries as its "TYPELIB" resource 1.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include "win32/unique_bstr.h"

namespace dravik {

// Loads the type library from the module's file (with indexSuffix appended when given), or from
// the ".tlb" file of the same name beside it; path receives the file that worked.
HRESULT LoadTypeLibrary(HINSTANCE module, const char* indexSuffix, Microsoft::WRL::ComPtr<ITypeLib>& library,
                        win32::unique_bstr& path);

// Records the type library and its interface in the registry, with the module's folder as the
// help folder.
HRESULT RegisterTypeLibrary(HINSTANCE module);

// Removes that record; while the other kind (32-bit beside 64-bit) has its entry of the library,
// only this kind's entry. The result is that of loading the library: a removal that fails is not
// reported.
HRESULT UnregisterTypeLibrary(HINSTANCE module);

}  // namespace dravik
