// Copies of registry values and of whole keys, taken before a registration replaces or deletes
// them, so that a registration that fails can put back exactly what it changed. In UTF-16, so that
// names and texts of other programs come back as they were.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace dravik {

struct RegistryValueCopy {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegistryKeyCopy {
    std::vector<RegistryValueCopy> values;
    std::vector<std::pair<std::wstring, RegistryKeyCopy>> subKeys;
};

// The value `name` of the key ("" its default value); false when it is not there.
bool CopyRegistryValue(HKEY key, const std::wstring& name, RegistryValueCopy& value);
bool RestoreRegistryValue(HKEY key, const RegistryValueCopy& value);

// The key's values and everything below it; false when any of it cannot be read.
bool CopyRegistryKey(HKEY key, RegistryKeyCopy& copy);
// Writes the copy into parent\name, creating the keys that are missing.
bool RestoreRegistryKey(HKEY parent, const std::wstring& name, const RegistryKeyCopy& copy);

}  // namespace dravik
