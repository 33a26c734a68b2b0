// Writes the shared file list in a process of its own, as the shell's handler does, and keeps the
// blocks until told to end: each text file's bytes as the ANSI list, and the same bytes read as
// UTF-8 as the wide list. With --small it first creates every block one page large, as another
// program might have. Usage:
//   file_list_writer.exe <ready event> <quit event> [--small] <text file>...
#include <windows.h>

#include <string>

#include "handler/pmenu.h"
#include "preview/file_list.h"
#include "samples/files.h"
#include "win32/code_page.h"
#include "win32/unique_handle.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const char* const blocks[] = {dravik::kFileListSizeName, dravik::kFileListStringName,
                                  dravik::kWideFileListSizeName, dravik::kWideFileListStringName};
    win32::unique_handle small[4];
    int arg = 3;
    if (arg < argc && std::string(argv[arg]) == "--small") {
        ++arg;
        for (int i = 0; i < 4; ++i)
            small[i].reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, blocks[i]));
    }
    dravik::CPMenu menu;
    for (; arg < argc; ++arg) {
        const std::string text = samples::ReadWholeFile(argv[arg]);
        if (!menu.fileToMemoryMap(text.c_str(), win32::widen(text, CP_UTF8).c_str())) return 3;
    }

    const win32::unique_handle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]));
    const win32::unique_handle quit(OpenEventA(SYNCHRONIZE, FALSE, argv[2]));
    if (!ready || !quit) return 4;
    SetEvent(ready.get());
    WaitForSingleObject(quit.get(), 60000);
    return 0;
}
