// The shared file list: the names of the selected items, each followed by "|", in two named
// blocks that the viewer reads back through the module's exports. Beside it the same list in
// UTF-16, in two blocks of its own, with every name exactly as the shell gave it. Where the ANSI
// code page cannot spell a name, the ANSI list holds its short name, or, where it has none, the
// name with "?" for each character the code page lacks: never a best fit, which may name another
// file.
#pragma once

#include <windows.h>

#include <cstdint>

namespace dravik {

// What a size block holds: the text's full length without terminator (in bytes for the ANSI list,
// in UTF-16 units for the wide one), also when the string block holds less.
using FileListLength = std::int32_t;

constexpr char kFileListSizeName[] = "LumorexFileList[Size]";
constexpr DWORD kFileListSizeBytes = sizeof(FileListLength);
// Holds the text's first bytes, without terminator; the tail of a longer earlier text stays.
constexpr char kFileListStringName[] = "LumorexFileList[String]";
constexpr DWORD kFileListStringBytes = 0x100000;

constexpr char kWideFileListSizeName[] = "LumorexFileListW[Size]";
constexpr DWORD kWideFileListSizeBytes = sizeof(FileListLength);
// Holds the text's first UTF-16 units, without terminator, as many units as the ANSI block holds
// bytes: a name the code page spells takes at least as many bytes there as units here, so every
// list that fits the ANSI block fits this one.
constexpr char kWideFileListStringName[] = "LumorexFileListW[String]";
constexpr DWORD kWideFileListStringBytes = kFileListStringBytes * sizeof(WCHAR);

// Both lists of one command are published under this named mutex, and the exports read under it:
// a reader never gets one publish's size with another's text. Holders keep it for the copies; a
// writer or reader waits for it this long at the most, and then publishes or reads nothing.
constexpr char kFileListLockName[] = "LumorexFileList[Lock]";
constexpr DWORD kFileListLockWaitMs = 1000;

constexpr char kFileListSeparator = '|';
constexpr wchar_t kWideFileListSeparator = L'|';

// The writer's side, in the handler's process (the publishing itself is CPMenu::fileToMemoryMap).
// Gives the started viewer handles of its own to the blocks of both lists, so that the list it was
// started for lives as long as it does, also after this module has unloaded.
void LendFileListTo(HANDLE process);
// Gives the writer's blocks back; the module does this when it unloads.
void ReleaseFileListBlocks();

}  // namespace dravik

// The reader's side, in the viewer's process. The size a buffer needs for the text and its
// terminator, or 0 when there is no list: no process holds the string block. The text of that list
// is kept for the get_FileListString that follows, whatever is published meanwhile.
extern "C" int get_FileListSize();
// Copies the text into buffer, which holds size bytes, as far as both the buffer and the text reach,
// and terminates it: the text of the list whose size the last get_FileListSize gave, if it gave one
// since the last call, else the string block's as far as it reaches. 1 on success; 0 for no list,
// no buffer or a size below 1.
extern "C" int WINAPI get_FileListString(int size, char* buffer);

// The same for the wide list, in UTF-16 units: the size in characters with the terminator, 0 when
// no process holds the blocks; the text copied as far as the buffer of size characters and the
// text reach, and terminated, 1 on success, 0 for no list, no buffer or a size below 1. Between two
// calls a reader holds no block.
extern "C" int get_FileListSizeW();
extern "C" int WINAPI get_FileListStringW(int size, wchar_t* buffer);
