#include "preview/file_list.h"

#include <algorithm>
#include <cstring>

#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "preview/shared_memory.h"
#include "win32/srw_lock.h"

namespace dravik {
namespace {

SRWLOCK g_writerLock = SRWLOCK_INIT;

// The writer's blocks, opened by the first write in the process and reused by every later one.
// Never destroyed: a viewer started just before the shell unloads the module reads the list
// afterwards, so the handles stay open until the process ends.
CSharedMemory& SizeWriter() {
    static CSharedMemory* block = new CSharedMemory;
    return *block;
}
CSharedMemory& StringWriter() {
    static CSharedMemory* block = new CSharedMemory;
    return *block;
}

}  // namespace

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
    CSharedMemory& sizeBlock = SizeWriter();
    if (!sizeBlock.create(kFileListSizeName, kFileListSizeBytes)) {
        DebugLog("do not write memory file.");
        return false;
    }
    DebugLog("CPMenu::----2");
    sizeBlock.write(&stored, sizeof(stored));
    DebugLog("CPMenu::----3");

    CSharedMemory& stringBlock = StringWriter();
    if (!stringBlock.create(kFileListStringName, kFileListStringBytes)) return false;
    DebugLog("CPMenu::----4 (here.)[ size  = %d/%d ]", static_cast<int>(stored), static_cast<int>(kFileListStringBytes));
    stringBlock.write(text, std::min<size_t>(length, kFileListStringBytes));
    DebugLog("CPMenu::----5");
    return true;
}

}  // namespace dravik
