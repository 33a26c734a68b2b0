// Paths of modules and files of any length, where the platform's calls take a fixed buffer.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// Full path of a loaded module; empty when it cannot be read.
inline std::string module_file_name(HMODULE module) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        // A path that filled the buffer may have been cut: try again with more room.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The short form of an existing file's path; empty when the file cannot be found.
inline std::string short_path_name(const std::string& path) {
    const DWORD needed = ::GetShortPathNameA(path.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::string shortPath(needed, '\0');
    const DWORD length = ::GetShortPathNameA(path.c_str(), &shortPath[0], needed);
    if (length == 0 || length >= needed) return {};
    shortPath.resize(length);
    return shortPath;
}

}  // namespace win32
