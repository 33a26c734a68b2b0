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

std::wstring ClassKey(REFCLSID clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

HRESULT FromError(LONG error) {
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}

std::wstring TypeLibraryEntry(const TLIBATTR& library, SYSKIND kind) {
    wchar_t guid[40] = {};
    StringFromGUID2(library.guid, guid, 40);
    wchar_t entry[128] = {};
    std::swprintf(entry, 128, L"TypeLib\\%ls\\%x.%x\\%lx\\%ls", guid, library.wMajorVerNum, library.wMinorVerNum,
                  static_cast<unsigned long>(library.lcid), kind == SYS_WIN64 ? L"win64" : L"win32");
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

HRESULT RemoveClassKey(REFCLSID clsid) {
    return FromError(RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey(clsid).c_str()));
}

bool TypeLibraryRegisteredForTheOtherKind(const TLIBATTR& library) {
    if (!OtherView()) return false;
    win32::unique_hkey entry;
    const SYSKIND other = library.syskind == SYS_WIN64 ? SYS_WIN32 : SYS_WIN64;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, TypeLibraryEntry(library, other).c_str(), 0, KEY_QUERY_VALUE,
                         entry.put()) == ERROR_SUCCESS;
}

HRESULT RemoveTypeLibraryEntry(const TLIBATTR& library) {
    return FromError(RegDeleteTreeW(HKEY_CLASSES_ROOT, TypeLibraryEntry(library, library.syskind).c_str()));
}

}  // namespace dravik
