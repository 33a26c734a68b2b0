// Writes the shared file list in a process of its own, as the shell's handler does, and keeps the
// blocks until told to end. With --small it first creates both blocks one page large, as another
// program might have. Usage:
//   file_list_writer.exe <ready event> <quit event> [--small] <text file>...
#include <windows.h>

#include <string>

#include "handler/pmenu.h"
#include "preview/file_list.h"
#include "samples/files.h"
#include "win32/unique_handle.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    win32::unique_handle small[2];
    int arg = 3;
    if (arg < argc && std::string(argv[arg]) == "--small") {
        ++arg;
        small[0].reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, dravik::kFileListSizeName));
        small[1].reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, dravik::kFileListStringName));
    }
    dravik::CPMenu menu;
    for (; arg < argc; ++arg)
        if (!menu.fileToMemoryMap(samples::ReadWholeFile(argv[arg]).c_str())) return 3;

    const win32::unique_handle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]));
    const win32::unique_handle quit(OpenEventA(SYNCHRONIZE, FALSE, argv[2]));
    if (!ready || !quit) return 4;
    SetEvent(ready.get());
    WaitForSingleObject(quit.get(), 60000);
    return 0;
}
