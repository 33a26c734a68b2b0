#include "started_processes.h"

#include <tlhelp32.h>

#include <algorithm>

#include "win32/unique_handle.h"

namespace shellhost {
namespace {

// The processes whose parent is this one.
std::vector<PROCESSENTRY32> Children() {
    std::vector<PROCESSENTRY32> children;
    // A snapshot that failed is INVALID_HANDLE_VALUE, as a file that failed to open is.
    const win32::unique_file snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return children;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        if (entry.th32ParentProcessID == GetCurrentProcessId()) children.push_back(entry);
    return children;
}

}  // namespace

StartedProcesses::StartedProcesses() {
    for (const PROCESSENTRY32& child : Children()) m_before.push_back(child.th32ProcessID);
}

std::vector<std::string> StartedProcesses::WaitForEnd(DWORD timeoutMs) const {
    std::vector<std::string> names;
    std::vector<win32::unique_handle> started;
    for (const PROCESSENTRY32& child : Children()) {
        if (std::find(m_before.begin(), m_before.end(), child.th32ProcessID) != m_before.end()) continue;
        names.push_back(child.szExeFile);
        win32::unique_handle process(OpenProcess(SYNCHRONIZE, FALSE, child.th32ProcessID));
        if (process) started.push_back(std::move(process));
    }
    const DWORD start = GetTickCount();
    for (const win32::unique_handle& process : started) {
        const DWORD elapsed = GetTickCount() - start;
        WaitForSingleObject(process.get(), elapsed < timeoutMs ? timeoutMs - elapsed : 0);
    }
    return names;
}

}  // namespace shellhost
