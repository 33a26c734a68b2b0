// Paths of modules and files of any length, where the platform's calls take a fixed buffer, and
// the ANSI forms of UTF-16 paths for the callers that take only those.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

#include "win32/code_page.h"

namespace win32 {

// Full path of a loaded module, in the ANSI code page (char) or exactly (wchar_t); empty when it
// cannot be read.
template <typename Char = char>
std::basic_string<Char> module_file_name(HMODULE module) {
    std::basic_string<Char> path(MAX_PATH, Char());
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = sizeof(Char) == 1 ? ::GetModuleFileNameA(module, reinterpret_cast<char*>(&path[0]), size)
                                               : ::GetModuleFileNameW(module, reinterpret_cast<wchar_t*>(&path[0]), size);
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

// Where the name starts in a path, cut the way the platform splits paths: the folder part before it
// is the drive and the directory up to and including the last separator; the name is the final
// component. In the ANSI code page the second byte of a character is never taken for a separator,
// although in some code pages (932) it can be the backslash's byte.
template <typename Char>
size_t path_name_start(const std::basic_string<Char>& path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\' || path[i] == '/')
            start = i + 1;
        else if (sizeof(Char) == 1 && static_cast<unsigned char>(path[i]) >= 0x80 &&
                 ::IsDBCSLeadByte(static_cast<BYTE>(path[i])))
            ++i;
    }
    if (start > 0) return start;
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

// The path in the ANSI code page, component by component: a component that the code page spells
// exactly as it is, else the same component of the short form (when that has the same components)
// where the code page spells that one, else the component with "?" for each character the code
// page cannot spell. True when no "?" was needed: the ANSI path then names the file. A volume that
// keeps no short names gives the long name as the short form.
inline bool ansi_path_through_short_names(const std::wstring& path, const std::wstring& shortPath, std::string& ansi) {
    const bool sameComponents = !shortPath.empty() && std::count(path.begin(), path.end(), L'\\') ==
                                                          std::count(shortPath.begin(), shortPath.end(), L'\\');
    ansi.clear();
    bool named = true;
    std::string component;
    for (size_t start = 0, shortStart = 0;;) {
        const size_t end = std::min(path.find(L'\\', start), path.size());
        const size_t shortEnd = sameComponents ? std::min(shortPath.find(L'\\', shortStart), shortPath.size()) : 0;
        if (narrow_exactly(path.data() + start, end - start, component) ||
            (sameComponents && narrow_exactly(shortPath.data() + shortStart, shortEnd - shortStart, component))) {
            ansi += component;
        } else {
            ansi += narrow_or_question_marks(path.data() + start, end - start);
            named = false;
        }
        if (end == path.size()) return named;
        ansi += '\\';
        start = end + 1;
        shortStart = shortEnd + 1;
    }
}

// The path in the ANSI code page, into `ansi`: the path itself where the code page spells it
// exactly, else through short names as above. False when the ANSI form holds a "?": it then names
// no file, never another one.
inline bool ansi_path_of(const std::wstring& path, std::string& ansi) {
    if (narrow_exactly(path, ansi)) return true;
    return ansi_path_through_short_names(path, short_path_name(path), ansi);
}

}  // namespace win32
