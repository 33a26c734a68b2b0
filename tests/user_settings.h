// The user's own handler settings, saved when a test starts and put back when it ends, so that the
// suite is safe on a developer's own machine: the settings key with everything under it, and the
// debug marker file. In between, the test starts from neither. Tests that use this take the
// "settings" lock.
#pragma once

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>

#include "handler/debug_log.h"
#include "handler/settings.h"
#include "registry_state.h"
#include "samples/files.h"
#include "win32/unique_handle.h"

namespace test_support {

class ScopedUserSettings {
public:
    ScopedUserSettings() {
        // A backup that a crashed run left behind holds the user's settings: put it back first.
        if (KeyExists(HKEY_CURRENT_USER, kBackupKey)) PutBackupBack();
        m_savedKey = CopyTree(dravik::kSettingsKey, kBackupKey);
        if (GetFileAttributesA(dravik::kDebugMarkerFile) != INVALID_FILE_ATTRIBUTES)
            m_savedMarker = samples::ReadWholeFile(dravik::kDebugMarkerFile);
        Clear();
    }
    ~ScopedUserSettings() {
        Clear();
        if (m_savedKey) PutBackupBack();
        if (m_savedMarker) samples::WriteWholeFile(dravik::kDebugMarkerFile, *m_savedMarker);
    }
    ScopedUserSettings(const ScopedUserSettings&) = delete;
    ScopedUserSettings& operator=(const ScopedUserSettings&) = delete;

    static bool Set(const char* name, const std::string& data, DWORD type = REG_SZ) {
        const auto key = CreateRegistryKey(HKEY_CURRENT_USER, dravik::kSettingsKey);
        const DWORD size = static_cast<DWORD>(data.size() + (type == REG_SZ ? 1 : 0));
        return key && RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()), size) ==
                          ERROR_SUCCESS;
    }
    // A text in UTF-16, of any script.
    static bool Set(const char* name, const std::wstring& text) {
        const auto key = CreateRegistryKey(HKEY_CURRENT_USER, dravik::kSettingsKey);
        const std::wstring wideName(name, name + std::strlen(name));
        return key && RegSetValueExW(key.get(), wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    static void Clear() {
        RegDeleteTreeA(HKEY_CURRENT_USER, dravik::kSettingsKey);
        DeleteFileA(dravik::kDebugMarkerFile);
    }

private:
    static constexpr char kBackupKey[] = "SOFTWARE\\Corvane\\Lumorex (saved by the tests)";

    static bool CopyTree(const char* from, const char* to) {
        const auto source = OpenRegistryKey(HKEY_CURRENT_USER, from);
        const auto target = source ? CreateRegistryKey(HKEY_CURRENT_USER, to) : win32::unique_hkey();
        return target && RegCopyTreeA(source.get(), nullptr, target.get()) == ERROR_SUCCESS;
    }
    static void PutBackupBack() {
        RegDeleteTreeA(HKEY_CURRENT_USER, dravik::kSettingsKey);
        if (CopyTree(kBackupKey, dravik::kSettingsKey)) RegDeleteTreeA(HKEY_CURRENT_USER, kBackupKey);
    }

    bool m_savedKey = false;
    std::optional<std::string> m_savedMarker;
};

}  // namespace test_support
