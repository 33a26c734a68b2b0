// Second processes that run alongside a test: started from the build's bin folder, waited for
// while this thread keeps handling the messages other processes send to its windows.
#pragma once

#include <windows.h>

#include <string>

#include "test_support.h"
#include "win32/unique_handle.h"

namespace zentap_test {

// Waits for `object` while dispatching this thread's messages; true when it was signalled in time.
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

class ChildProcess {
public:
    explicit ChildProcess(const std::string& commandLine) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        std::string command = test_support::BinDir() + commandLine;
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            m_process.reset(process.hProcess);
            CloseHandle(process.hThread);
        }
    }
    ~ChildProcess() {
        if (m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.get(), STILL_ACTIVE);
        if (m_process) WaitForSingleObject(m_process.get(), 5000);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_process.is_valid(); }
    HANDLE handle() const { return m_process.get(); }

    // The exit code, or STILL_ACTIVE when the process did not end in time.
    DWORD Wait(DWORD timeoutMs = 30000) {
        if (!m_process || !WaitDispatching(m_process.get(), timeoutMs)) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_process.get(), &code);
        return code;
    }

private:
    win32::unique_handle m_process;
};

// Runs a program to its end while this thread keeps handling messages; its exit code.
inline DWORD RunDispatching(const std::string& commandLine) { return ChildProcess(commandLine).Wait(); }

}  // namespace zentap_test
