#include "com/type_library.h"

#include <string>

#include "com/registry_views.h"

#include "win32/code_page.h"
#include "win32/module_path.h"

using Microsoft::WRL::ComPtr;

namespace dravik {
namespace {

// The path with the extension of its file name replaced by ".tlb" (added when it has none).
std::string TlbBeside(const std::string& path) {
    const size_t name = path.find_last_of("\\/:");
    const size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (name == std::string::npos || dot > name);
    return path.substr(0, hasExtension ? dot : path.size()) + ".tlb";
}

// This view's keys of the library's interfaces, which the system registers for automation: the
// dual and dispatch ones.
void RemoveInterfaceKeys(ITypeLib& library, const TLIBATTR& attributes) {
    for (UINT i = 0, count = library.GetTypeInfoCount(); i < count; ++i) {
        ComPtr<ITypeInfo> info;
        TYPEATTR* type = nullptr;
        if (FAILED(library.GetTypeInfo(i, &info)) || FAILED(info->GetTypeAttr(&type))) continue;
        if (type->typekind == TKIND_DISPATCH ||
            (type->typekind == TKIND_INTERFACE && (type->wTypeFlags & TYPEFLAG_FOLEAUTOMATION)))
            RemoveInterfaceKey(type->guid, attributes);
        info->ReleaseTypeAttr(type);
    }
}

}  // namespace

HRESULT LoadTypeLibrary(HINSTANCE module, const char* indexSuffix, ComPtr<ITypeLib>& library,
                        win32::unique_bstr& path) {
    std::string file = win32::module_file_name(module);
    if (indexSuffix) file += indexSuffix;
    std::wstring wide = win32::widen(file);
    HRESULT hr = LoadTypeLib(wide.c_str(), library.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        wide = win32::widen(TlbBeside(file));
        hr = LoadTypeLib(wide.c_str(), library.ReleaseAndGetAddressOf());
        if (FAILED(hr)) return hr;
    }
    path.reset(SysAllocString(wide.c_str()));
    return path ? S_OK : E_OUTOFMEMORY;
}

HRESULT RegisterTypeLibrary(HINSTANCE module) {
    ComPtr<ITypeLib> library;
    win32::unique_bstr path;
    const HRESULT hr = LoadTypeLibrary(module, nullptr, library, path);
    if (FAILED(hr)) return hr;

    std::wstring helpFolder(path.get());
    helpFolder.resize(helpFolder.find_last_of(L"\\/:") + 1);  // npos + 1: no folder part
    return RegisterTypeLib(library.Get(), path.get(), const_cast<wchar_t*>(helpFolder.c_str()));
}

HRESULT UnregisterTypeLibrary(HINSTANCE module) {
    ComPtr<ITypeLib> library;
    win32::unique_bstr path;
    const HRESULT hr = LoadTypeLibrary(module, nullptr, library, path);
    if (FAILED(hr)) return hr;

    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) {
        // The system's removal takes the library's key and its interfaces with it, which a
        // registration of the other kind still uses.
        if (TypeLibraryRegisteredForTheOtherKind(*attributes)) {
            RemoveTypeLibraryEntry(*attributes);
            RemoveInterfaceKeys(*library.Get(), *attributes);
        } else
            UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                              attributes->syskind);
        library->ReleaseTLibAttr(attributes);
    }
    return hr;
}

}  // namespace dravik
