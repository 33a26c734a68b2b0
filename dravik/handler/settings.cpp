#include "handler/settings.h"

#include <cstring>
#include <cwchar>

#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "preview/wide_string.h"
#include "win32/code_page.h"
#include "win32/unique_handle.h"

namespace dravik {

bool TryReadValueText(HKEY key, const char* valueName, std::string& text) {
    char data[kSettingValueBytes] = {};
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return false;
    text.assign(data, strnlen(data, size));
    return true;
}

bool TryReadValueText(HKEY key, const char* valueName, std::wstring& text) {
    wchar_t data[kSettingValueBytes] = {};
    DWORD size = sizeof(data), type = REG_NONE;
    if (RegQueryValueExW(key, win32::widen(valueName, std::strlen(valueName)).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return false;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        text.assign(data, wcsnlen(data, size / sizeof(wchar_t)));
        return true;
    }
    // Other data is text only as the ANSI reading takes it, bytes in the ANSI code page.
    if (size > kSettingValueBytes) return false;
    const char* bytes = reinterpret_cast<const char*>(data);
    text = win32::widen(bytes, strnlen(bytes, size));
    return true;
}

std::wstring ReadRegistryText(HKEY key, const char* keyPath, const char* valueName) {
    std::wstring text;
    if (!key || !TryReadValueText(key, valueName, text)) throw RegException(keyPath);
    return text;
}

std::wstring ReadRegistryText(HKEY root, const char* keyPath, const char* valueName, REGSAM access) {
    win32::unique_hkey key;
    RegOpenKeyExA(root, keyPath, 0, access, key.put());
    return ReadRegistryText(key.get(), keyPath, valueName);
}

bool IsDirectoryPath(const char* path) { return IsDirectoryPath(win32::widen(path, std::strlen(path)).c_str()); }

bool IsDirectoryPath(const wchar_t* path) {
    // An existing file is answered from its attributes, as the search would find it: a search
    // opens and reads its folder. Wildcards, folders and paths without attributes take the search.
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) && !std::wcspbrk(path, L"*?"))
        return false;

    WIN32_FIND_DATAW found;
    win32::unique_find search(FindFirstFileW(path, &found));
    if (!search) return false;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;

    std::wstring fullPath(GetFullPathNameW(path, 0, nullptr, nullptr), L'\0');
    fullPath.resize(GetFullPathNameW(path, static_cast<DWORD>(fullPath.size()), &fullPath[0], nullptr));
    DebugLog("is dir ----------- chk yes : %s  ", win32::narrow(fullPath).c_str());
    return true;
}

void CPMenu::ReadSettings() {
    m_language = kLanguageKorean;
    m_mainPath.clear();
    g_selFileName.clear();

    // Read access is all that either value needs: a key that an administrator made read-only still
    // gives both. A missing key is missing for either.
    win32::unique_hkey settings;
    RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, settings.put());
    std::string language;
    const bool languageRead = settings && TryReadValueText(settings.get(), kLanguageValue, language);
    if (languageRead) {
        const CWideString text(language.c_str());
        if (text.isEqual("kor"))
            m_language = kLanguageKorean;
        else if (text.isEqual("eng"))
            m_language = kLanguageEnglish;
        DebugLog("<logo1>language version: %s ", language.c_str());
    }

    try {
        m_mainPath = ReadRegistryText(settings.get(), kSettingsKey, kMainPathValue);
    } catch (const RegException&) {
        // No viewer folder: the launch then builds its path from the empty folder.
    }
}

}  // namespace dravik
