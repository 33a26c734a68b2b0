#include <windows.h>

#include <cstring>
#include <string>

#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "outside/viewer.h"
#include "preview/file_list.h"
#include "win32/code_page.h"
#include "win32/unique_handle.h"

namespace dravik {
namespace {

// The executable path (unquoted), then the keyword, the folder field and the list field, each in
// double quotes: "%s  \"%s\"   \"%s\"   \"%s\"   ". In UTF-16, so that the folder arrives exactly
// whatever the ANSI code page can spell; a viewer that reads its command line as ANSI gets it in
// that code page.
std::wstring FormatCommandLine(const std::wstring& executable, const char* keyword, const std::wstring& folderField,
                               const char* listField) {
    return executable + L"  \"" + win32::widen(keyword, std::strlen(keyword)) + L"\"   \"" + folderField + L"\"   \"" +
           win32::widen(listField, std::strlen(listField)) + L"\"   ";
}

// The value WinExec gives for the error CreateProcess met.
int WinExecError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return static_cast<int>(error);
        case ERROR_BAD_EXE_FORMAT: return ERROR_BAD_FORMAT;
        default: return 0;
    }
}

}  // namespace

bool IsFullyQualifiedPath(const std::string& path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    const char drive = static_cast<char>(path.empty() ? 0 : path[0] | 0x20);
    if (path.size() >= 3 && drive >= 'a' && drive <= 'z' && path[1] == ':' && separator(path[2])) return true;
    return path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}

std::string CollapseDoubledBackslashes(const std::string& path) {
    std::string result;
    result.reserve(path.size());
    const char* c = path.c_str();
    if (IsFullyQualifiedPath(path) && c[0] == '\\' && c[1] == '\\') {
        result.append(c, 2);
        c += 2;
    }
    while (*c) {
        const char* next = CharNextA(c);
        result.append(c, next);
        if (*c == '\\' && *next == '\\') ++next;
        c = next;
    }
    return result;
}

int CPMenu::LaunchViewer(const char* keyword, const std::wstring& folderField, const char* listField) {
    // An empty folder would make the path "\Lumorex.exe", and a relative one a path under the
    // shell's current folder: whatever lies there, on a stick, a share or in a download, would run.
    if (m_mainPath.empty()) {
        DebugLog("no viewer folder set: viewer not started");
        return ERROR_PATH_NOT_FOUND;
    }
    if (!IsFullyQualifiedPath(m_mainPath)) {
        DebugLog("viewer folder is not a full path: viewer not started");
        return ERROR_PATH_NOT_FOUND;
    }
    const std::wstring executable = win32::widen(CollapseDoubledBackslashes(m_mainPath + kViewerFileName));
    std::wstring commandLine = FormatCommandLine(executable, keyword, folderField, listField);
    DebugLog("*****");
    DebugLog("REC : %s ", win32::narrow(commandLine).c_str());

    // The executable is named on its own: the system then never tries the prefixes of a path with
    // spaces (C:\Program.exe for C:\Program Files\...). The command line keeps it unquoted, as
    // the viewer parses it.
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(executable.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return WinExecError(GetLastError());
    // The handler neither waits for the viewer nor keeps it: both handles close here.
    const win32::unique_handle thread(process.hThread);
    const win32::unique_handle started(process.hProcess);
    LendFileListTo(started.get());
    return kViewerStarted;
}

}  // namespace dravik
