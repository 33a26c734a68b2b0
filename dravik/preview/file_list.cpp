#include "preview/file_list.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <new>
#include <utility>

#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "preview/shared_memory.h"
#include "win32/srw_lock.h"

namespace dravik {
namespace {

// The writer's two blocks, made by the first write of the module's life and reused by every later
// one, so that a process holds one pair however often it writes. They are given back when the
// module unloads; the viewer started for a list gets handles of its own (LendFileListTo), so the
// list it was started for outlives the module that wrote it. Held through a pointer: nothing of
// them is released when the process ends.
struct WriterBlocks {
    CSharedMemory size;
    CSharedMemory string;
};

SRWLOCK g_writerLock = SRWLOCK_INIT;
WriterBlocks* g_writerBlocks = nullptr;

}  // namespace

void LendFileListTo(HANDLE process) {
    win32::scoped_exclusive_lock guard(g_writerLock);
    if (!g_writerBlocks) return;
    for (const CSharedMemory* block : {&g_writerBlocks->size, &g_writerBlocks->string}) {
        HANDLE lent = nullptr;
        // The viewer opens the blocks by name: its handles only keep them in existence.
        if (block->mapping())
            DuplicateHandle(GetCurrentProcess(), block->mapping(), process, &lent, FILE_MAP_READ, FALSE, 0);
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
    const bool published = fileToMemoryMap(text.c_str());
    DebugLog("get file staring end:");
    if (!published) return std::nullopt;
    return std::string();
}

bool CPMenu::fileToMemoryMap(const char* text) {
    DebugLog("CPMenu::fileToMemoryMap");
    DebugLog("CPMenu::----1");
    const size_t length = text ? std::strlen(text) : 0;
    // The reader adds one for the terminator.
    const std::int32_t stored = static_cast<std::int32_t>(std::min<size_t>(length, INT32_MAX - 1));

    win32::scoped_exclusive_lock guard(g_writerLock);
    if (!g_writerBlocks) g_writerBlocks = new (std::nothrow) WriterBlocks;
    CSharedMemory* const sizeBlock = g_writerBlocks ? &g_writerBlocks->size : nullptr;
    if (!sizeBlock || !sizeBlock->create(kFileListSizeName, kFileListSizeBytes)) {
        DebugLog("do not write memory file.");
        return false;
    }
    DebugLog("CPMenu::----2");
    sizeBlock->write(&stored, sizeof(stored));
    DebugLog("CPMenu::----3");

    CSharedMemory& stringBlock = g_writerBlocks->string;
    if (!stringBlock.create(kFileListStringName, kFileListStringBytes)) return false;
    DebugLog("CPMenu::----4 (here.)[ size  = %d/%d ]", static_cast<int>(stored), static_cast<int>(kFileListStringBytes));
    stringBlock.write(text, std::min<size_t>(length, kFileListStringBytes));
    DebugLog("CPMenu::----5");
    return true;
}

}  // namespace dravik
