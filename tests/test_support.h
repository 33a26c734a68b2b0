// Helpers shared by the test programs: second processes, scratch folders, files.
#pragma once

#include <windows.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "samples/files.h"
#include "win32/unique_handle.h"

namespace test_support {

using samples::ReadWholeFile;
using samples::ScopedTempDir;
using samples::WaitForFile;
using samples::WriteWholeFile;

// The folder of the running test program, with a trailing backslash: the modules, companions and
// support programs are built next to it.
inline std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// The bin folder of the other target's build, for processes of the other kind (32-bit beside
// 64-bit): scripts/test.sh builds both targets before it runs either suite.
inline std::string OtherKindBinDir() {
    const std::string relative = BinDir() + (sizeof(void*) == 8 ? "..\\..\\x86\\bin\\" : "..\\..\\x64\\bin\\");
    char full[MAX_PATH] = {};
    return GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr) ? full : relative;
}

// How this machine runs 32-bit programs: scripts/wine-env.sh says it in LUMOREX_WINE32_MODE ("native",
// "emulated" or "none": only 64-bit programs run), which Wine hands on to the programs it starts.
inline std::string Wine32Mode() {
    char mode[16] = {};
    GetEnvironmentVariableA("LUMOREX_WINE32_MODE", mode, sizeof(mode));
    return mode;
}
inline bool OtherKindRuns() { return Wine32Mode() != "none"; }
#define SKIP_UNLESS_THE_OTHER_KIND_RUNS()                                                        \
    if (!test_support::OtherKindRuns())                                                          \
    GTEST_SKIP() << "32-bit programs do not run on this machine (LUMOREX_WINE32_MODE=none)"

// The folder of the system's programs of the other kind: a 64-bit process sees the 32-bit ones in
// the WOW64 folder, a 32-bit one reaches the 64-bit ones through the "sysnative" alias.
inline std::string OtherKindSystemDir() {
    char folder[MAX_PATH] = {};
    if (sizeof(void*) == 8) {
        GetSystemWow64DirectoryA(folder, MAX_PATH);
        return std::string(folder) + "\\";
    }
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\sysnative\\";
}

// Waits for `object` while dispatching this thread's messages, so that windows of this thread
// keep answering other processes; true when it was signalled in time.
inline bool WaitDispatching(HANDLE object, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        const DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

// A manual-reset event whose name is unique to this test process, for a child to open.
class NamedEvent {
public:
    NamedEvent() {
        static int counter = 0;
        m_name = "lumorex_test_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
        m_event.reset(CreateEventA(nullptr, TRUE, FALSE, m_name.c_str()));
    }
    const std::string& name() const { return m_name; }
    void Set() { SetEvent(m_event.get()); }
    bool Wait(DWORD timeoutMs = 30000) { return WaitDispatching(m_event.get(), timeoutMs); }

private:
    std::string m_name;
    win32::unique_handle m_event;
};

// A program of the build's bin folder, as a command line.
inline std::string InBin(const std::string& commandLine) { return BinDir() + commandLine; }

// A second process, ended at scope exit if it still runs.
class ChildProcess {
public:
    explicit ChildProcess(std::string commandLine, DWORD creationFlags = 0, const char* workingDir = nullptr) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, creationFlags, nullptr, workingDir,
                           &startup, &process)) {
            m_process.reset(process.hProcess);
            CloseHandle(process.hThread);
        }
    }
    ~ChildProcess() {
        if (m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.get(), STILL_ACTIVE);
        if (m_process) WaitForSingleObject(m_process.get(), 5000);
    }
    // The same with a UTF-16 command line, for arguments the ANSI code page cannot spell.
    explicit ChildProcess(std::wstring commandLine, DWORD creationFlags = 0) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr, &startup,
                           &process)) {
            m_process.reset(process.hProcess);
            CloseHandle(process.hThread);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_process.is_valid(); }
    HANDLE handle() const { return m_process.get(); }

    // The exit code, or STILL_ACTIVE when the process did not end in time (it is then ended).
    DWORD Wait(DWORD timeoutMs = 30000) {
        if (!m_process || !WaitDispatching(m_process.get(), timeoutMs)) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_process.get(), &code);
        return code;
    }

private:
    win32::unique_handle m_process;
};

// A callable run on a thread of its own, joined at the latest when the object goes. (The compiler
// runtime the modules are built with has no std::thread.)
class Thread {
public:
    template <typename Body>
    explicit Thread(Body body) : m_body(std::make_unique<std::function<void()>>(std::move(body))) {
        m_thread.reset(CreateThread(nullptr, 0, &Thread::Run, m_body.get(), 0, nullptr));
    }
    Thread(Thread&&) = default;
    Thread& operator=(Thread&&) = default;
    ~Thread() { join(); }

    void join() {
        if (m_thread) WaitForSingleObject(m_thread.get(), INFINITE);
        m_thread.reset();
    }

private:
    static DWORD WINAPI Run(void* body) {
        (*static_cast<std::function<void()>*>(body))();
        return 0;
    }

    std::unique_ptr<std::function<void()>> m_body;
    win32::unique_handle m_thread;
};

// Runs a command line to its end; its exit code.
inline DWORD RunCommand(const std::string& commandLine, DWORD creationFlags = 0, const char* workingDir = nullptr) {
    return ChildProcess(commandLine, creationFlags, workingDir).Wait();
}

// Runs a program of the build's bin folder to its end; its exit code.
inline DWORD RunProcess(const std::string& commandLine, DWORD creationFlags = 0) {
    return RunCommand(InBin(commandLine), creationFlags);
}

// Counts the processes started by this process (and by those) from its construction on: the
// first one puts this process into a job, which every later child joins.
class StartedProcesses {
public:
    StartedProcesses() : m_before(Total()) {}
    bool counting() const { return Job() != nullptr; }
    DWORD count() const { return Total() - m_before; }

private:
    static HANDLE Job() {
        static const HANDLE job = [] {
            HANDLE created = CreateJobObjectA(nullptr, nullptr);
            if (created && !AssignProcessToJobObject(created, GetCurrentProcess())) {
                CloseHandle(created);
                created = nullptr;
            }
            return created;
        }();
        return job;
    }
    static DWORD Total() {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
        if (Job()) QueryInformationJobObject(Job(), JobObjectBasicAccountingInformation, &info, sizeof(info), nullptr);
        return info.TotalProcesses;
    }

    DWORD m_before;
};

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

// The report of a support program once it is there and can be read: the writers put it in place
// whole, yet under Wine a reader may be refused the file for a moment while the rename that put it
// there still holds it. Empty when it did not come in time.
inline std::map<std::string, std::string> WaitForReport(const std::string& path, DWORD timeoutMs = 30000) {
    for (const DWORD start = GetTickCount();; Sleep(20)) {
        std::map<std::string, std::string> report = ReadReport(path);
        if (!report.empty() || GetTickCount() - start > timeoutMs) return report;
    }
}

}  // namespace test_support
