#include "com/registry_copy.h"

#include <algorithm>

#include "win32/unique_handle.h"

namespace dravik {

bool CopyRegistryValue(HKEY key, const std::wstring& name, RegistryValueCopy& value) {
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return false;
    value.name = name;
    value.data.resize(size);
    return RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
}

bool RestoreRegistryValue(HKEY key, const RegistryValueCopy& value) {
    return RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

bool CopyRegistryKey(HKEY key, RegistryKeyCopy& copy) {
    DWORD subKeys = 0, longestSubKey = 0, values = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &longestSubKey, nullptr, &values, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring name(std::max(longestName, longestSubKey) + 1, L'\0');
    for (DWORD i = 0; i < values; ++i) {
        RegistryValueCopy value;
        value.data.resize(longestData);
        DWORD length = static_cast<DWORD>(name.size()), size = longestData;
        if (RegEnumValueW(key, i, &name[0], &length, nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS)
            return false;
        value.name.assign(name, 0, length);
        value.data.resize(size);
        copy.values.push_back(std::move(value));
    }
    for (DWORD i = 0; i < subKeys; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        win32::unique_hkey subKey;
        if (RegEnumKeyExW(key, i, &name[0], &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, subKey.put()) != ERROR_SUCCESS)
            return false;
        copy.subKeys.emplace_back(name.substr(0, length), RegistryKeyCopy());
        if (!CopyRegistryKey(subKey.get(), copy.subKeys.back().second)) return false;
    }
    return true;
}

bool RestoreRegistryKey(HKEY parent, const std::wstring& name, const RegistryKeyCopy& copy) {
    win32::unique_hkey key;
    if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool whole = true;
    for (const RegistryValueCopy& value : copy.values) whole = RestoreRegistryValue(key.get(), value) && whole;
    for (const auto& subKey : copy.subKeys) whole = RestoreRegistryKey(key.get(), subKey.first, subKey.second) && whole;
    return whole;
}

}  // namespace dravik
