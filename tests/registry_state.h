// The registry as tests see it: a key's subtree written out as sorted text lines, the same lines
// written back, and a guard that returns keys a test changes to the state it found them in.
//
// A line is a key path ("A\B") or a value of it ("A\B:name=text"; "@" names the default value,
// "dword:42" and "hex:0aff" mark the other types). Paths are relative to the dumped key; the key's
// own values have an empty path.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "win32/unique_handle.h"

namespace test_support {

using RegistryLines = std::vector<std::string>;

namespace detail {

inline std::string Join(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "\\" + name;
}

inline std::string ValueText(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ) return std::string(data.begin(), std::find(data.begin(), data.end(), BYTE(0)));
    if (type == REG_DWORD && data.size() == 4) return "dword:" + std::to_string(*reinterpret_cast<const DWORD*>(data.data()));
    std::string hex = "hex:";
    for (BYTE b : data) {
        char digits[3];
        std::snprintf(digits, sizeof(digits), "%02x", b);
        hex += digits;
    }
    return hex;
}

// A value with its raw type and bytes, for writing back exactly.
struct RawValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

inline std::vector<RawValue> ReadValues(HKEY key) {
    std::vector<RawValue> values;
    DWORD count = 0, longestName = 0, longestData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName, &longestData,
                     nullptr, nullptr);
    for (DWORD i = 0; i < count; ++i) {
        std::string name(longestName + 1, '\0');
        std::vector<BYTE> data(longestData + 1);
        DWORD nameLength = longestName + 1, size = longestData + 1, type = 0;
        if (RegEnumValueA(key, i, &name[0], &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) continue;
        name.resize(nameLength);
        data.resize(size);
        values.push_back({name, type, data});
    }
    return values;
}

inline std::vector<std::string> SubKeyNames(HKEY key) {
    std::vector<std::string> names;
    DWORD longest = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    for (DWORD i = 0;; ++i) {
        std::string name(longest + 1, '\0');
        DWORD length = longest + 1;
        if (RegEnumKeyExA(key, i, &name[0], &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        name.resize(length);
        names.push_back(name);
    }
    return names;
}

inline void DumpInto(HKEY key, const std::string& path, RegistryLines& lines) {
    if (!path.empty()) lines.push_back(path);
    for (const RawValue& value : ReadValues(key))
        lines.push_back(path + ":" + (value.name.empty() ? "@" : value.name) + "=" + ValueText(value.type, value.data));
    for (const std::string& name : SubKeyNames(key)) {
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        win32::unique_hkey owned(sub);
        DumpInto(sub, Join(path, name), lines);
    }
}

}  // namespace detail

inline bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Everything below the key (and its own values), sorted; nothing when it does not exist.
inline RegistryLines DumpKey(HKEY root, const std::string& path = "") {
    RegistryLines lines;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return lines;
    win32::unique_hkey owned(key);
    detail::DumpInto(key, "", lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The dumps of several keys, each line prefixed with its key's path.
inline RegistryLines DumpKeys(HKEY root, const std::vector<std::string>& paths) {
    RegistryLines lines;
    for (const std::string& path : paths) {
        if (!KeyExists(root, path)) continue;
        for (const std::string& line : DumpKey(root, path))
            lines.push_back(line[0] == ':' ? path + line : path + "\\" + line);
        lines.push_back(path);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Creates the keys and string values that dump lines describe.
inline void WriteLines(HKEY root, const RegistryLines& lines) {
    for (const std::string& line : lines) {
        const size_t colon = line.find(':');
        HKEY key = nullptr;
        if (RegCreateKeyExA(root, line.substr(0, colon).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            continue;
        win32::unique_hkey owned(key);
        if (colon == std::string::npos) continue;
        const size_t equals = line.find('=', colon);
        std::string name = line.substr(colon + 1, equals - colon - 1);
        const std::string text = line.substr(equals + 1);
        RegSetValueExA(key, name == "@" ? "" : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
}

// Puts keys back as they were when the guard was told about them, in the reverse order of being
// told: a saved tree is rewritten exactly, a key that did not exist is removed with everything a
// test put under it.
class RegistryRestorer {
public:
    explicit RegistryRestorer(HKEY root) : m_root(root) {}
    ~RegistryRestorer() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->existed && !it->wholeTree) continue;
            RegDeleteTreeA(m_root, it->path.c_str());
            if (it->existed) Write(it->path, it->tree);
        }
    }
    RegistryRestorer(const RegistryRestorer&) = delete;
    RegistryRestorer& operator=(const RegistryRestorer&) = delete;

    // The key and everything below it return to their present state.
    void SaveTree(const std::string& path) { Remember(path, true); }
    // The key is removed again unless it exists now; an existing one is left as it will be.
    void RemoveIfNew(const std::string& path) { Remember(path, false); }

private:
    struct Tree {
        std::vector<detail::RawValue> values;
        std::vector<std::pair<std::string, Tree>> subKeys;
    };
    struct Saved {
        std::string path;
        bool wholeTree;
        bool existed;
        Tree tree;
    };

    static Tree Read(HKEY key) {
        Tree tree;
        tree.values = detail::ReadValues(key);
        for (const std::string& name : detail::SubKeyNames(key)) {
            HKEY sub = nullptr;
            if (RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
            win32::unique_hkey owned(sub);
            tree.subKeys.push_back({name, Read(sub)});
        }
        return tree;
    }

    void Write(const std::string& path, const Tree& tree) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(m_root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        win32::unique_hkey owned(key);
        for (const detail::RawValue& value : tree.values)
            RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
        for (const auto& sub : tree.subKeys) Write(path + "\\" + sub.first, sub.second);
    }

    void Remember(const std::string& path, bool wholeTree) {
        Saved saved{path, wholeTree, false, {}};
        HKEY key = nullptr;
        if (RegOpenKeyExA(m_root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            win32::unique_hkey owned(key);
            saved.existed = true;
            if (wholeTree) saved.tree = Read(key);
        }
        m_saved.push_back(std::move(saved));
    }

    HKEY m_root;
    std::vector<Saved> m_saved;
};

}  // namespace test_support
