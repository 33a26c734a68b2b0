// The handler's two settings under HKEY_CURRENT_USER, read afresh at every Initialize.
#pragma once

#include <windows.h>

#include <string>

namespace dravik {

constexpr char kSettingsKey[] = "SOFTWARE\\Corvane\\Lumorex";
constexpr char kLanguageValue[] = "shmenu_language";
constexpr char kMainPathValue[] = "Main Path";
constexpr DWORD kSettingValueBytes = 1000;

constexpr int kLanguageEnglish = 0;
constexpr int kLanguageKorean = 1;

// Thrown by the registry reader when a key or value cannot be read; carries the key path.
class RegException {
public:
    explicit RegException(std::string keyPath) : m_keyPath(std::move(keyPath)) {}
    const std::string& keyPath() const { return m_keyPath; }

private:
    std::string m_keyPath;
};

// The value's data as text, up to its first NUL or its stored length, from an open key; text is
// left as it was when the value cannot be read. Data that does not fit in kSettingValueBytes
// counts as missing. The registry type is not checked.
bool TryReadValueText(HKEY key, const char* valueName, std::string& text);
// The same in UTF-16: a string value exactly as stored (at most kSettingValueBytes characters with
// its terminator), data of any other type as the ANSI reading above gives it.
bool TryReadValueText(HKEY key, const char* valueName, std::wstring& text);
// The value in UTF-16, throwing RegException on failure: from the key opened at keyPath under
// root, or from the open key (which failed to open when null).
std::wstring ReadRegistryText(HKEY root, const char* keyPath, const char* valueName, REGSAM access);
std::wstring ReadRegistryText(HKEY key, const char* keyPath, const char* valueName);

// True when path names an existing folder. The search is on the exact path, so a drive root
// finds nothing and is not a folder.
bool IsDirectoryPath(const char* path);
bool IsDirectoryPath(const wchar_t* path);

}  // namespace dravik
