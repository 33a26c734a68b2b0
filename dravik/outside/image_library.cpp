#include "outside/image_library.h"

#include "outside/viewer.h"
#include "win32/module_instance.h"
#include "win32/module_path.h"

namespace dravik {
namespace {

// The folder part of a path, with its closing separator; empty when the path has none.
std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string SystemFolder() {
    std::string folder(MAX_PATH, '\0');
    const UINT length = GetSystemDirectoryA(&folder[0], static_cast<UINT>(folder.size()));
    if (length == 0 || length >= folder.size()) return {};
    folder.resize(length);
    return folder + '\\';
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

win32::unique_hmodule LoadImageLibrary(const std::string& viewerFolder) {
    const std::string folders[] = {
        FolderOf(win32::module_file_name(win32::this_module())),
        IsFullyQualifiedPath(viewerFolder) ? CollapseDoubledBackslashes(viewerFolder + '\\') : std::string(),
        SystemFolder(),
    };
    for (const std::string& folder : folders) {
        if (!IsFullyQualifiedPath(folder)) continue;
        // The loader takes a full path only with backslashes.
        std::string path = folder + kImageLibraryName;
        for (char& c : path)
            if (c == '/') c = '\\';
        if (!IsFile(path)) continue;
        // The library's own imports are looked for beside it first.
        return win32::unique_hmodule(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    }
    return {};
}

}  // namespace dravik
