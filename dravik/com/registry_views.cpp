#include "com/registry_views.h"

#include <oleauto.h>

#include <cwchar>
#include <string>

#include "win32/unique_handle.h"

namespace dravik {
namespace {

// The flag that opens the other kind's view, 0 when there is none.
REGSAM OtherView() {
#if defined(_WIN64)
    return KEY_WOW64_32KEY;
#else
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
#endif
}

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ClassKey(REFCLSID clsid) { return L"CLSID\\" + GuidText(clsid); }

HRESULT FromError(LONG error) {
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}

std::wstring TypeLibraryEntry(const TLIBATTR& library, SYSKIND kind) {
    wchar_t entry[128] = {};
    std::swprintf(entry, 128, L"TypeLib\\%ls\\%x.%x\\%lx\\%ls", GuidText(library.guid).c_str(), library.wMajorVerNum,
                  library.wMinorVerNum, static_cast<unsigned long>(library.lcid), kind == SYS_WIN64 ? L"win64" : L"win32");
    return entry;
}

}  // namespace

bool RegisteredForTheOtherKind(REFCLSID clsid) {
    const REGSAM view = OtherView();
    if (!view) return false;
    win32::unique_hkey server;
    const std::wstring path = ClassKey(clsid) + L"\\InprocServer32";
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE | view, server.put()) == ERROR_SUCCESS;
}

bool TypeLibraryRegisteredForTheOtherKind(const TLIBATTR& library) {
    if (!OtherView()) return false;
    win32::unique_hkey entry;
    const SYSKIND other = library.syskind == SYS_WIN64 ? SYS_WIN32 : SYS_WIN64;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, TypeLibraryEntry(library, other).c_str(), 0, KEY_QUERY_VALUE,
                         entry.put()) == ERROR_SUCCESS;
}

HRESULT RemoveTypeLibraryEntry(const TLIBATTR& library) {
    return FromError(RegDeleteKeyW(HKEY_CLASSES_ROOT, TypeLibraryEntry(library, library.syskind).c_str()));
}

HRESULT RemoveInterfaceKey(REFIID iid, const TLIBATTR& library) {
    const std::wstring path = L"Interface\\" + GuidText(iid);
    wchar_t owner[40] = {};
    DWORD size = sizeof(owner);
    if (RegGetValueW(HKEY_CLASSES_ROOT, (path + L"\\TypeLib").c_str(), nullptr, RRF_RT_REG_SZ, nullptr, owner, &size) !=
            ERROR_SUCCESS ||
        lstrcmpiW(owner, GuidText(library.guid).c_str()) != 0)
        return S_OK;  // not there, or registered for another library
    win32::unique_hkey key;
    const LONG error = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | KEY_WRITE, key.put());
    if (error != ERROR_SUCCESS) return FromError(error);
    for (const wchar_t* written : {L"ProxyStubClsid", L"ProxyStubClsid32", L"TypeLib"}) RegDeleteKeyW(key.get(), written);
    key.reset();
    return FromError(RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str()));
}

}  // namespace dravik
