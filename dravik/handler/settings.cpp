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

bool TryReadRegistryText(HKEY root, const char* keyPath, const char* valueName, REGSAM access, std::string& text) {
    win32::unique_hkey key;
    return RegOpenKeyExA(root, keyPath, 0, access, key.put()) == ERROR_SUCCESS &&
           TryReadValueText(key.get(), valueName, text);
}

std::string ReadRegistryText(HKEY key, const char* keyPath, const char* valueName) {
    std::string text;
    if (!key || !TryReadValueText(key, valueName, text)) throw RegException(keyPath);
    return text;
}

std::string ReadRegistryText(HKEY root, const char* keyPath, const char* valueName, REGSAM access) {
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

    // Full access takes in the read and write access the language is read with, so one opening
    // serves both values. Refused full access, the language is read with the access it needs and
    // the viewer folder stays unread; a missing key is missing for either.
    win32::unique_hkey settings;
    const LSTATUS opened = RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, settings.put());
    std::string language;
    bool languageRead = false;
    if (opened == ERROR_SUCCESS)
        languageRead = TryReadValueText(settings.get(), kLanguageValue, language);
    else if (opened != ERROR_FILE_NOT_FOUND)
        languageRead =
            TryReadRegistryText(HKEY_CURRENT_USER, kSettingsKey, kLanguageValue, KEY_READ | KEY_WRITE, language);
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
