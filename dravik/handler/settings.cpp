#include "handler/settings.h"

#include <cstring>

#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "preview/wide_string.h"
#include "win32/unique_handle.h"

namespace dravik {

bool TryReadRegistryText(HKEY root, const char* keyPath, const char* valueName, REGSAM access, std::string& text) {
    win32::unique_hkey key;
    if (RegOpenKeyExA(root, keyPath, 0, access, key.put()) != ERROR_SUCCESS) return false;

    char data[kSettingValueBytes] = {};
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return false;
    text.assign(data, strnlen(data, size));
    return true;
}

std::string ReadRegistryText(HKEY root, const char* keyPath, const char* valueName, REGSAM access) {
    std::string text;
    if (!TryReadRegistryText(root, keyPath, valueName, access, text)) throw RegException(keyPath);
    return text;
}

bool IsDirectoryPath(const char* path) {
    WIN32_FIND_DATAA found;
    win32::unique_find search(FindFirstFileA(path, &found));
    if (!search) return false;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;

    std::string fullPath(GetFullPathNameA(path, 0, nullptr, nullptr), '\0');
    fullPath.resize(GetFullPathNameA(path, static_cast<DWORD>(fullPath.size()), &fullPath[0], nullptr));
    DebugLog("is dir ----------- chk yes : %s  ", fullPath.c_str());
    return true;
}

void CPMenu::ReadSettings() {
    m_language = kLanguageKorean;
    m_mainPath.clear();
    g_selFileName.clear();

    std::string language;
    if (TryReadRegistryText(HKEY_CURRENT_USER, kSettingsKey, kLanguageValue, KEY_READ | KEY_WRITE, language)) {
        const CWideString text(language.c_str());
        if (text.isEqual("kor"))
            m_language = kLanguageKorean;
        else if (text.isEqual("eng"))
            m_language = kLanguageEnglish;
        DebugLog("<logo1>language version: %s ", language.c_str());
    }

    try {
        m_mainPath = ReadRegistryText(HKEY_CURRENT_USER, kSettingsKey, kMainPathValue, KEY_ALL_ACCESS);
    } catch (const RegException&) {
        // No viewer folder: the launch then builds its path from the empty folder.
    }
}

}  // namespace dravik
