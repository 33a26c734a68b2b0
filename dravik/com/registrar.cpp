#include "com/registrar.h"

#include <string>

#include "com/registry_script.h"
#include "win32/code_page.h"
#include "win32/module_path.h"
#include "win32/unique_handle.h"

namespace dravik {
namespace {

constexpr char kScriptResourceType[] = "REGISTRY";

// The last Win32 error as an HRESULT. A step that failed without saying why still failed: a
// registration that wrote nothing must not pass for one that succeeded.
HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error ? static_cast<HRESULT>(0x80070000 | (error & 0xFFFF)) : E_FAIL;
}

std::string DoubledQuotes(const std::string& text) {
    std::string quoted;
    for (const char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted;
}

}  // namespace

HRESULT UpdateRegistryFromResource(HINSTANCE module, UINT resourceId, bool registering, const char* onlyKey) {
    const std::string shortPath = win32::short_path_name(win32::module_file_name(module));
    if (shortPath.empty()) return LastErrorResult();

    ReplacementMap map;
    map.Add(L"Module", win32::widen(DoubledQuotes(shortPath)));

    const win32::unique_hmodule data(LoadLibraryExA(shortPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!data) return LastErrorResult();
    const HRSRC found = FindResourceA(data.get(), MAKEINTRESOURCEA(resourceId), kScriptResourceType);
    const HGLOBAL loaded = found ? LoadResource(data.get(), found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes) return LastErrorResult();
    const std::string script(bytes, SizeofResource(data.get(), found));

    RegistryScriptParser parser(map);
    return registering ? parser.RegisterScript(script) : parser.UnregisterScript(script, onlyKey);
}

}  // namespace dravik
