#include "preview/file_list.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <new>
#include <utility>

#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "preview/shared_memory.h"
#include "win32/scoped_mutex.h"
#include "win32/srw_lock.h"

namespace dravik {
namespace {

struct ListBlocks {
    CSharedMemory size;
    CSharedMemory string;
};

// The writer's blocks of both lists, made by the first write of the module's life and reused by
// every later one, so that a process holds one set however often it writes. They are given back
// when the module unloads; the viewer started for a list gets handles of its own (LendFileListTo),
// so the list it was started for outlives the module that wrote it. Held through a pointer:
// nothing of them is released when the process ends.
struct WriterBlocks {
    ListBlocks ansi;
    ListBlocks wide;
    win32::unique_handle lock;  // the named mutex of the publishes, opened with the blocks
};

SRWLOCK g_writerLock = SRWLOCK_INIT;
WriterBlocks* g_writerBlocks = nullptr;

// The blocks and the lock, made on first use; null when there is no memory for them. Under the
// lock of this process's writers.
WriterBlocks* HeldBlocks() {
    if (!g_writerBlocks) g_writerBlocks = new (std::nothrow) WriterBlocks;
    if (g_writerBlocks && !g_writerBlocks->lock)
        g_writerBlocks->lock.reset(CreateMutexA(nullptr, FALSE, kFileListLockName));
    return g_writerBlocks;
}

// Both blocks of a list, created or opened and mapped.
bool Create(ListBlocks& list, const char* sizeName, const char* stringName, DWORD stringBytes) {
    return list.size.create(sizeName, kFileListSizeBytes) && list.string.create(stringName, stringBytes);
}

// Stores the text's length in the size block; the value stored.
FileListLength StoreLength(CSharedMemory& sizeBlock, size_t length) {
    // The reader adds one for the terminator.
    const FileListLength stored = static_cast<FileListLength>(std::min<size_t>(length, INT32_MAX - 1));
    sizeBlock.write(&stored, sizeof(stored));
    return stored;
}

}  // namespace

void LendFileListTo(HANDLE process) {
    win32::scoped_exclusive_lock guard(g_writerLock);
    if (!g_writerBlocks) return;
    for (const ListBlocks* list : {&g_writerBlocks->ansi, &g_writerBlocks->wide}) {
        for (const CSharedMemory* block : {&list->size, &list->string}) {
            HANDLE lent = nullptr;
            // The viewer opens the blocks by name: its handles only keep them in existence.
            if (block->mapping())
                DuplicateHandle(GetCurrentProcess(), block->mapping(), process, &lent, FILE_MAP_READ, FALSE, 0);
        }
    }
}

void ReleaseFileListBlocks() {
    win32::scoped_exclusive_lock guard(g_writerLock);
    delete std::exchange(g_writerBlocks, nullptr);
}

std::optional<std::string> CPMenu::BuildFileListString() {
    DebugLog("get file list string[param no.3].");
    size_t length = 0;
    for (const std::string& name : m_fileNames) length += name.size() + 1;
    DebugLog("new keyword start");
    std::string text;
    text.reserve(length);
    DebugLog("new keyword end");
    for (const std::string& name : m_fileNames) {
        text += name;
        text += kFileListSeparator;
    }
    // A viewer reads whichever list it knows: both must be this selection's.
    const bool published = fileToMemoryMap(text.c_str(), m_wideFileList.c_str());
    DebugLog("get file staring end:");
    if (!published) return std::nullopt;
    return std::string();
}

bool CPMenu::fileToMemoryMap(const char* text, const wchar_t* wideText) {
    DebugLog("CPMenu::fileToMemoryMap");
    DebugLog("CPMenu::----1");
    const size_t length = text ? std::strlen(text) : 0;
    const size_t wideLength = wideText ? std::wcslen(wideText) : 0;

    win32::scoped_exclusive_lock guard(g_writerLock);
    WriterBlocks* const blocks = HeldBlocks();
    // Another process's reader or writer holds the lock for its copies only; every block is there
    // before anything is written, so that a publish is whole or none at all.
    const win32::scoped_mutex publishing(blocks ? blocks->lock.get() : nullptr, kFileListLockWaitMs);
    if (!publishing ||
        !Create(blocks->ansi, kFileListSizeName, kFileListStringName, kFileListStringBytes) ||
        !Create(blocks->wide, kWideFileListSizeName, kWideFileListStringName, kWideFileListStringBytes)) {
        DebugLog("do not write memory file.");
        return false;
    }
    DebugLog("CPMenu::----2");
    const FileListLength stored = StoreLength(blocks->ansi.size, length);
    DebugLog("CPMenu::----3");
    DebugLog("CPMenu::----4 (here.)[ size  = %d/%d ]", static_cast<int>(stored), static_cast<int>(kFileListStringBytes));
    blocks->ansi.string.write(text, std::min<size_t>(length, kFileListStringBytes));
    DebugLog("CPMenu::----5");
    StoreLength(blocks->wide.size, wideLength);
    blocks->wide.string.write(wideText, std::min<size_t>(wideLength * sizeof(wchar_t), kWideFileListStringBytes));
    return true;
}

}  // namespace dravik
