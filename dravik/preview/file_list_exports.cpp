#include <climits>
#include <cstdint>

#include "preview/file_list.h"
#include "preview/shared_memory.h"
#include "win32/com_boundary.h"
#include "win32/srw_lock.h"

using dravik::CSharedMemory;

namespace {

SRWLOCK g_readerLock = SRWLOCK_INIT;

// The size block, held and mapped from the first read that finds a list on. Opening and mapping
// a block costs about as much as copying a whole list out of one, so a read then opens only the
// string block.
CSharedMemory g_sizeBlock;

// The string block that the last get_FileListSize found, kept for the get_FileListString that
// follows it: the text then comes from the list whose size the reader was given.
CSharedMemory g_foundText;

bool ReadStoredLength(std::int32_t& length) {
    if (!g_sizeBlock.holdsView()) {
        g_sizeBlock.close();
        if (!g_sizeBlock.open(dravik::kFileListSizeName)) return false;
    }
    return g_sizeBlock.read(&length, sizeof(length)) == sizeof(length);
}

int ReadListSize() {
    win32::scoped_exclusive_lock guard(g_readerLock);
    g_foundText.close();
    // Between calls only writers hold the string block, and a reader between its two calls. With
    // none of them left the list is gone: the size block is let go as well, so that the blocks
    // vanish as they would if no reader had held one.
    if (!g_foundText.find(dravik::kFileListStringName)) {
        g_sizeBlock.close();
        return 0;
    }
    std::int32_t length = 0;
    // No handler writes a negative length or the largest: the block was written by someone else.
    if (!ReadStoredLength(length) || length < 0 || length == INT32_MAX) {
        g_foundText.close();
        return 0;
    }
    return length + 1;
}

int ReadListString(int size, char* buffer) {
    if (size <= 0 || !buffer) return 0;
    win32::scoped_exclusive_lock guard(g_readerLock);
    if (!g_foundText.mapping() && !g_foundText.find(dravik::kFileListStringName)) return 0;
    const bool mapped = g_foundText.mapForReading();
    // A list longer than the block arrives cut at the block's end.
    const size_t copied = mapped ? g_foundText.read(buffer, static_cast<size_t>(size) - 1) : 0;
    g_foundText.close();
    if (!mapped) return 0;
    buffer[copied] = '\0';
    return 1;
}

int ReadWideListSize() {
    CSharedMemory sizeBlock;
    dravik::FileListLength length = 0;
    if (!sizeBlock.open(dravik::kWideFileListSizeName) || sizeBlock.read(&length, sizeof(length)) != sizeof(length))
        return 0;
    // No handler writes a negative length or the largest: the block was written by someone else.
    return length < 0 || length == INT32_MAX ? 0 : length + 1;
}

int ReadWideListString(int size, wchar_t* buffer) {
    if (size <= 0 || !buffer) return 0;
    CSharedMemory stringBlock;
    if (!stringBlock.open(dravik::kWideFileListStringName)) return 0;
    // A list longer than the block arrives cut at the block's end.
    const size_t copied = stringBlock.read(buffer, (static_cast<size_t>(size) - 1) * sizeof(wchar_t)) / sizeof(wchar_t);
    buffer[copied] = L'\0';
    return 1;
}

}  // namespace

// The exports run their bodies inside the module's exception boundary; 0 is their "no list".
extern "C" int get_FileListSize() { return win32::export_boundary(0, ReadListSize); }

extern "C" int WINAPI get_FileListString(int size, char* buffer) {
    return win32::export_boundary(0, [&] { return ReadListString(size, buffer); });
}

// The wide list's exports open what they read at each call and close it before they return: a
// reader holds nothing between calls, so once no writer or started viewer holds the blocks they
// are gone and both answer 0.
extern "C" int get_FileListSizeW() { return win32::export_boundary(0, ReadWideListSize); }

extern "C" int WINAPI get_FileListStringW(int size, wchar_t* buffer) {
    return win32::export_boundary(0, [&] { return ReadWideListString(size, buffer); });
}
