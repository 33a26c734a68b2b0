// Files for the programs around the modules and for their tests: whole-file reads and writes, and
// a scratch folder that goes with everything in it.
#pragma once

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "win32/code_page.h"

namespace samples {

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

// The same at a path in UTF-16, for names the ANSI code page cannot spell.
inline bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = bytes.size() <= MAXDWORD &&
                       WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
    CloseHandle(file);
    return whole;
}

// Writes the file whole under another name first and then puts it in place, so that a reader who
// waits for the file never finds half of it.
inline bool ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    const std::string partial = path + ".part";
    return WriteWholeFile(partial, bytes) && MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Waits until a file exists; false when it did not appear in time.
inline bool WaitForFile(const std::string& path, DWORD timeoutMs = 30000) {
    for (const DWORD start = GetTickCount(); GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; Sleep(20))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

// A fresh folder under the temporary folder, removed with everything in it at scope exit.
class ScopedTempDir {
public:
    ScopedTempDir() {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        for (unsigned attempt = GetTickCount();; ++attempt) {
            m_path = std::string(base) + "lumorex_test_" + std::to_string(GetCurrentProcessId()) + "_" +
                     std::to_string(attempt);
            if (CreateDirectoryA(m_path.c_str(), nullptr)) break;
        }
        m_path += '\\';
    }
    ~ScopedTempDir() { RemoveTree(win32::widen(m_path)); }
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    // The folder with a trailing backslash.
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + name; }

private:
    // In UTF-16: the names inside may be any the file system holds.
    static void RemoveTree(const std::wstring& dir) {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW((dir + L"*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(dir + name + L"\\");
                else
                    DeleteFileW((dir + name).c_str());
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryW(dir.c_str());
    }

    std::string m_path;
};

}  // namespace samples
