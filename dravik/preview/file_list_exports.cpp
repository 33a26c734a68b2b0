#include <climits>
#include <cstdint>

#include "preview/file_list.h"
#include "preview/shared_memory.h"
#include "win32/com_boundary.h"

using dravik::CSharedMemory;

namespace {

int ReadListSize() {
    CSharedMemory block;
    std::int32_t length = 0;
    if (!block.open(dravik::kFileListSizeName) || block.read(&length, sizeof(length)) != sizeof(length)) return 0;
    // No handler writes these: the block was written by someone else.
    if (length < 0 || length == INT32_MAX) return 0;
    return length + 1;
}

int ReadListString(int size, char* buffer) {
    if (size <= 0 || !buffer) return 0;
    CSharedMemory block;
    if (!block.open(dravik::kFileListStringName)) return 0;
    // A list longer than the block arrives cut at the block's end.
    const size_t copied = block.read(buffer, static_cast<size_t>(size) - 1);
    buffer[copied] = '\0';
    return 1;
}

}  // namespace

// The exports run their bodies inside the module's exception boundary; 0 is their "no list".
extern "C" int get_FileListSize() { return win32::export_boundary(0, ReadListSize); }

extern "C" int WINAPI get_FileListString(int size, char* buffer) {
    return win32::export_boundary(0, [&] { return ReadListString(size, buffer); });
}
