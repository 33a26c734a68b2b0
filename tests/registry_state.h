// The registry as tests see it: a key's subtree as sorted text lines, such lines written back, and
// a guard that returns keys a test changes to the state it found them in.
//
// A line is a key path ("A\B") or one of its values ("A\B:name=text"; "@" names the default value,
// "dword:42" and "hex:0aff" mark the other types). Paths are relative to the dumped key, whose own
// values have an empty path.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "win32/unique_handle.h"

namespace test_support {

using RegistryLines = std::vector<std::string>;

inline win32::unique_hkey OpenRegistryKey(HKEY root, const std::string& path, REGSAM access = KEY_READ) {
    HKEY key = nullptr;
    return win32::unique_hkey(RegOpenKeyExA(root, path.c_str(), 0, access, &key) == ERROR_SUCCESS ? key : nullptr);
}

inline win32::unique_hkey CreateRegistryKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return win32::unique_hkey(key);
}

inline bool KeyExists(HKEY root, const std::string& path) { return OpenRegistryKey(root, path).is_valid(); }

namespace detail {

inline std::string ValueText(DWORD type, const BYTE* data, DWORD size) {
    if (type == REG_SZ) return std::string(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    if (type == REG_DWORD && size == 4) return "dword:" + std::to_string(*reinterpret_cast<const DWORD*>(data));
    std::string hex = "hex:";
    char digits[3];
    for (DWORD i = 0; i < size; ++i) hex.append(digits, std::snprintf(digits, sizeof(digits), "%02x", data[i]));
    return hex;
}

inline void DumpInto(HKEY key, const std::string& path, RegistryLines& lines, REGSAM view) {
    if (!path.empty()) lines.push_back(path);
    std::vector<char> name(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
        const std::string valueName = nameLength ? std::string(name.data(), nameLength) : "@";
        lines.push_back(path + ":" + valueName + "=" + ValueText(type, data.data(), size));
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const std::string subKey(name.data(), nameLength);
        if (auto child = OpenRegistryKey(key, subKey, KEY_READ | view))
            DumpInto(child.get(), path.empty() ? subKey : path + "\\" + subKey, lines, view);
    }
}

}  // namespace detail

// Everything below the key and its own values, sorted; nothing when the key does not exist. A view
// (KEY_WOW64_32KEY or KEY_WOW64_64KEY) reads the registry as processes of that kind see it.
inline RegistryLines DumpKey(HKEY root, const std::string& path = "", REGSAM view = 0) {
    RegistryLines lines;
    if (auto key = OpenRegistryKey(root, path, KEY_READ | view)) detail::DumpInto(key.get(), "", lines, view);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The dumps of several existing keys, each line led by its key's path.
inline RegistryLines DumpKeys(HKEY root, const std::vector<std::string>& paths, REGSAM view = 0) {
    RegistryLines lines;
    for (const std::string& path : paths) {
        if (!OpenRegistryKey(root, path, KEY_READ | view)) continue;
        lines.push_back(path);
        for (const std::string& line : DumpKey(root, path, view))
            lines.push_back(path + (line[0] == ':' ? "" : "\\") + line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Creates the keys and string values that dump lines describe.
inline void WriteLines(HKEY root, const RegistryLines& lines) {
    for (const std::string& line : lines) {
        const size_t colon = line.find(':');
        const auto key = CreateRegistryKey(root, line.substr(0, colon));
        if (!key || colon == std::string::npos) continue;
        const size_t equals = line.find('=', colon);
        const std::string name = line.substr(colon + 1, equals - colon - 1), text = line.substr(equals + 1);
        RegSetValueExA(key.get(), name == "@" ? "" : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
}

// Puts keys back as they were when the guard was told about them, in the reverse order of being
// told: a saved tree exactly (kept meanwhile in a backup key of the current user), a key that did
// not exist removed with everything a test put under it.
class RegistryRestorer {
public:
    explicit RegistryRestorer(HKEY root) : m_root(root) {}
    ~RegistryRestorer() {
        for (size_t i = m_saved.size(); i-- > 0;) {
            if (m_saved[i].existed && !m_saved[i].wholeTree) continue;
            RegDeleteTreeA(m_root, m_saved[i].path.c_str());
            if (m_saved[i].existed)
                RegCopyTreeA(HKEY_CURRENT_USER, Backup(i).c_str(), CreateRegistryKey(m_root, m_saved[i].path).get());
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, m_backup.c_str());
    }
    RegistryRestorer(const RegistryRestorer&) = delete;
    RegistryRestorer& operator=(const RegistryRestorer&) = delete;

    // The key and everything below it return to their present state.
    void SaveTree(const std::string& path) { Remember(path, true); }
    // The key is removed again unless it exists now; an existing one is left as it will be.
    void RemoveIfNew(const std::string& path) { Remember(path, false); }

private:
    struct Saved {
        std::string path;
        bool wholeTree;
        bool existed;
    };

    std::string Backup(size_t index) const { return m_backup + "\\" + std::to_string(index); }

    void Remember(const std::string& path, bool wholeTree) {
        const bool existed = KeyExists(m_root, path);
        if (existed && wholeTree)
            RegCopyTreeA(m_root, path.c_str(), CreateRegistryKey(HKEY_CURRENT_USER, Backup(m_saved.size())).get());
        m_saved.push_back({path, wholeTree, existed});
    }

    HKEY m_root;
    const std::string m_backup = [] {
        static int guards = 0;
        return "Software\\LumorexTestBackup" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++guards);
    }();
    std::vector<Saved> m_saved;
};

}  // namespace test_support
