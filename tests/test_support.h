// Helpers shared by the test programs: second processes, scratch folders, files.
#pragma once

#include <windows.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace test_support {

// The folder of the running test program, with a trailing backslash: the modules, companions and
// support programs are built next to it.
inline std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// Runs a command line and waits for it; returns the exit code, or STILL_ACTIVE (after killing
// the process) when it did not end in time. workingDir null: the caller's.
inline DWORD RunCommand(std::string commandLine, DWORD creationFlags = 0, const char* workingDir = nullptr,
                        DWORD timeoutMs = 30000) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, creationFlags, nullptr, workingDir,
                        &startup, &process))
        return static_cast<DWORD>(-1);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, STILL_ACTIVE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Runs a program of the build's bin folder.
inline DWORD RunProcess(const std::string& commandLine, DWORD creationFlags = 0, DWORD timeoutMs = 30000) {
    return RunCommand(BinDir() + commandLine, creationFlags, nullptr, timeoutMs);
}

// The "name=value" lines of a report file written by a support program.
inline std::map<std::string, std::string> ReadReport(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

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
    ~ScopedTempDir() { RemoveTree(m_path); }
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    // The folder with a trailing backslash.
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + name; }

private:
    static void RemoveTree(const std::string& dir) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((dir + "*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = entry.cFileName;
                if (name == "." || name == "..") continue;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(dir + name + "\\");
                else
                    DeleteFileA((dir + name).c_str());
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryA(dir.c_str());
    }

    std::string m_path;
};

}  // namespace test_support
