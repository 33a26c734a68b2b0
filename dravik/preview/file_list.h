// The shared file list: the names of the selected items, each followed by "|", in two named
// blocks that the viewer reads back through the module's exports.
#pragma once

#include <windows.h>

#include <cstdint>

namespace dravik {

// Holds the text's full length as a signed 32-bit value, also when the string block holds less.
constexpr char kFileListSizeName[] = "LumorexFileList[Size]";
constexpr DWORD kFileListSizeBytes = sizeof(std::int32_t);
// Holds the text's first bytes, without terminator; the tail of a longer earlier text stays.
constexpr char kFileListStringName[] = "LumorexFileList[String]";
constexpr DWORD kFileListStringBytes = 0x100000;

constexpr char kFileListSeparator = '|';

// The writer's side, in the handler's process (the writing itself is CPMenu::fileToMemoryMap).
// Gives the started viewer handles of its own to both blocks, so that the list it was started for
// lives as long as it does, also after this module has unloaded.
void LendFileListTo(HANDLE process);
// Gives the writer's blocks back; the module does this when it unloads.
void ReleaseFileListBlocks();

}  // namespace dravik

// The reader's side, in the viewer's process. The size a buffer needs for the text and its
// terminator, or 0 when there is no list: no process holds the string block.
extern "C" int get_FileListSize();
// Copies the text into buffer, which holds size bytes, as far as both the buffer and the string
// block reach, and terminates it: the text of the list whose size the last get_FileListSize gave,
// if it gave one since the last call. 1 on success; 0 for no list, no buffer or a size below 1.
extern "C" int WINAPI get_FileListString(int size, char* buffer);
