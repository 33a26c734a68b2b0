#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "preview/file_list.h"
#include "preview/shared_memory.h"
#include "win32/com_boundary.h"
#include "win32/scoped_mutex.h"
#include "win32/srw_lock.h"
#include "win32/unique_handle.h"

using dravik::CSharedMemory;
using dravik::FileListLength;

namespace {

// One list's names and what a reader of it keeps between a size call and the string call after it.
template <typename Char>
struct ListReader {
    const char* sizeName;
    const char* stringName;
    size_t capacity;  // of the string block as the writers make it, in units
    // The text of the list whose size the last size call gave, copied under the lock of the
    // publishes: the string call hands out that list whatever was published in between, and drops
    // it. The room stays for the next list: under Wine a fresh megabyte costs several copies of one.
    std::vector<Char> found;
    size_t foundUnits = 0;
    bool holdsFound = false;
};

SRWLOCK g_readerLock = SRWLOCK_INIT;
ListReader<char> g_ansiList = {dravik::kFileListSizeName, dravik::kFileListStringName, dravik::kFileListStringBytes,
                               {}, 0, false};
ListReader<wchar_t> g_wideList = {dravik::kWideFileListSizeName, dravik::kWideFileListStringName,
                                  dravik::kWideFileListStringBytes / sizeof(wchar_t), {}, 0, false};

// The ANSI list's size block, held and mapped from the first read that finds a list on. Opening
// and mapping a block costs about as much as copying a whole list out of one, so a read then opens
// only the string block. The wide list's reader holds no block between calls.
CSharedMemory g_ansiSizeBlock;

// The lock of the publishes, made or opened on first use: a writer of an earlier build, which
// knows no lock, leaves it to the readers alone.
win32::unique_handle g_publishLock;

HANDLE PublishLock() {
    if (!g_publishLock) g_publishLock.reset(CreateMutexA(nullptr, FALSE, dravik::kFileListLockName));
    return g_publishLock.get();
}

// The stored length, or -1 for none: no block, or a value no handler writes (the block was
// written by someone else).
FileListLength ReadStoredLength(CSharedMemory& sizeBlock, const char* name) {
    FileListLength length = -1;
    if (!sizeBlock.holdsView()) {
        sizeBlock.close();
        if (!sizeBlock.open(name)) return -1;
    }
    if (sizeBlock.read(&length, sizeof(length)) != sizeof(length) || length == INT32_MAX) return -1;
    return length;
}

// The string block's first units, at most `units` and never past the block, into text, which grows
// to hold them; false when no process holds the block. The units read, in `read`.
template <typename Char>
bool ReadText(const ListReader<Char>& list, size_t units, std::vector<Char>& text, size_t& read) {
    CSharedMemory stringBlock;
    if (!stringBlock.open(list.stringName)) return false;
    units = std::min(units, list.capacity);
    if (text.size() < units) text.resize(units);
    read = units ? stringBlock.read(text.data(), units * sizeof(Char)) / sizeof(Char) : 0;
    return true;
}

template <typename Char>
int ReadListSize(ListReader<Char>& list, CSharedMemory& sizeBlock) {
    win32::scoped_exclusive_lock guard(g_readerLock);
    list.holdsFound = false;
    const win32::scoped_mutex reading(PublishLock(), dravik::kFileListLockWaitMs);
    if (!reading) return 0;
    const FileListLength length = ReadStoredLength(sizeBlock, list.sizeName);
    // Between calls only writers hold the string block, and started viewers. With none of them
    // left the list is gone: a size block held here is let go as well, so that the blocks vanish
    // as they would if no reader had held one.
    if (length < 0 || !ReadText(list, static_cast<size_t>(length), list.found, list.foundUnits)) {
        sizeBlock.close();
        return 0;
    }
    list.holdsFound = true;
    return length + 1;
}

template <typename Char>
int ReadListString(ListReader<Char>& list, int size, Char* buffer) {
    if (size <= 0 || !buffer) return 0;
    win32::scoped_exclusive_lock guard(g_readerLock);
    const size_t wanted = static_cast<size_t>(size) - 1;
    size_t units = 0;
    const Char* text = nullptr;
    std::vector<Char> afresh;
    if (list.holdsFound) {
        list.holdsFound = false;
        units = list.foundUnits;
        text = list.found.data();
    } else {
        const win32::scoped_mutex reading(PublishLock(), dravik::kFileListLockWaitMs);
        if (!reading || !ReadText(list, wanted, afresh, units)) return 0;
        text = afresh.data();
    }
    const size_t copied = std::min(wanted, units);
    std::copy(text, text + copied, buffer);
    buffer[copied] = Char();
    return 1;
}

// The wide reader's size call keeps no size block: a scratch one goes at the end of each call.
int ReadWideListSize() {
    CSharedMemory sizeBlock;
    return ReadListSize(g_wideList, sizeBlock);
}

}  // namespace

// The exports run their bodies inside the module's exception boundary; 0 is their "no list".
extern "C" int get_FileListSize() {
    return win32::export_boundary(0, [] { return ReadListSize(g_ansiList, g_ansiSizeBlock); });
}

extern "C" int WINAPI get_FileListString(int size, char* buffer) {
    return win32::export_boundary(0, [&] { return ReadListString(g_ansiList, size, buffer); });
}

extern "C" int get_FileListSizeW() { return win32::export_boundary(0, ReadWideListSize); }

extern "C" int WINAPI get_FileListStringW(int size, wchar_t* buffer) {
    return win32::export_boundary(0, [&] { return ReadListString(g_wideList, size, buffer); });
}
