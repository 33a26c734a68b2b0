#include "outside/image_library.h"

#include <cstring>

#include "outside/viewer.h"
#include "win32/code_page.h"
#include "win32/module_instance.h"
#include "win32/module_path.h"

namespace dravik {
namespace {

// The folder part of a path, with its closing separator; empty when the path has none.
std::wstring FolderOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::wstring SystemFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    const UINT length = GetSystemDirectoryW(&folder[0], static_cast<UINT>(folder.size()));
    if (length == 0 || length >= folder.size()) return {};
    folder.resize(length);
    return folder + L'\\';
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the loader looks for the library's own imports: beside it and in the system folder, never
// in the host's current folder or on PATH. Those flags came to Windows 7 with an update, together
// with AddDllDirectory, which tells whether the system has them; without it the closest is the
// search that starts in the library's folder, then the system's, then the rest of the standard
// order.
DWORD ImportSearch() {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel && GetProcAddress(kernel, "AddDllDirectory"))
        return LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;
    return LOAD_WITH_ALTERED_SEARCH_PATH;
}

}  // namespace

win32::unique_hmodule LoadImageLibrary(const std::wstring& viewerFolder) {
    const std::wstring folders[] = {
        FolderOf(win32::module_file_name<wchar_t>(win32::this_module())),
        IsFullyQualifiedPath(viewerFolder) ? CollapseDoubledBackslashes(viewerFolder + L'\\') : std::wstring(),
        SystemFolder(),
    };
    const std::wstring name = win32::widen(kImageLibraryName, std::strlen(kImageLibraryName));
    for (const std::wstring& folder : folders) {
        if (!IsFullyQualifiedPath(folder)) continue;
        // The loader takes a full path only with backslashes.
        std::wstring path = folder + name;
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        if (!IsFile(path)) continue;
        // A copy that cannot be loaded (of the other kind, or missing an import) leaves the next
        // folder its turn.
        if (HMODULE library = LoadLibraryExW(path.c_str(), nullptr, ImportSearch())) return win32::unique_hmodule(library);
    }
    return {};
}

}  // namespace dravik
