// Paths of modules and files of any length, where the platform's calls take a fixed buffer, and
// the ANSI forms of UTF-16 paths for the callers that take only those.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

#include "win32/code_page.h"

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

// The short form of an existing file's or folder's path, in UTF-16; empty when it cannot be found.
inline std::wstring short_path_name(const std::wstring& path) {
    const DWORD needed = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring shortPath(needed, L'\0');
    const DWORD length = ::GetShortPathNameW(path.c_str(), &shortPath[0], needed);
    if (length == 0 || length >= needed) return {};
    shortPath.resize(length);
    return shortPath;
}

// The path in the ANSI code page with each component that the code page cannot spell replaced by
// the same component of its short form. Empty when the two forms do not have the same components,
// or when a replacement is no exact ANSI name either: a volume that keeps no short names gives the
// long name as the short form.
inline std::string ansi_path_through_short_names(const std::wstring& path, const std::wstring& shortPath) {
    std::string ansi, component;
    for (size_t start = 0, shortStart = 0;;) {
        const size_t end = std::min(path.find(L'\\', start), path.size());
        const size_t shortEnd = std::min(shortPath.find(L'\\', shortStart), shortPath.size());
        if (!narrow_exactly(path.data() + start, end - start, component) &&
            !narrow_exactly(shortPath.data() + shortStart, shortEnd - shortStart, component))
            return {};
        ansi += component;
        const bool last = end == path.size(), shortLast = shortEnd == shortPath.size();
        if (last || shortLast) return last && shortLast ? ansi : std::string();
        ansi += '\\';
        start = end + 1;
        shortStart = shortEnd + 1;
    }
}

// A path in the ANSI code page that names the file or folder at `path`, into `ansi`: the path
// itself where the code page spells it exactly, else the path through short names. False when
// there is none; `ansi` then holds nothing that could name another file.
inline bool ansi_path_of(const std::wstring& path, std::string& ansi) {
    if (narrow_exactly(path, ansi)) return true;
    ansi = ansi_path_through_short_names(path, short_path_name(path));
    return !ansi.empty();
}

}  // namespace win32
