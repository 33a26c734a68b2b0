// What a view of a named mapping lets a copy touch. A mapping that another program created first
// under the name keeps the pages it was created with: only reserved ones (SEC_RESERVE), fewer
// than the layout needs, or read-only ones. Copying into any of those is an access violation in
// the process that copies, and the system does not stop the open or the map.
#pragma once

#include <windows.h>

#include <cstddef>

namespace win32 {

// Bytes from the start of `view` that are committed and allow `access` (FILE_MAP_READ or
// FILE_MAP_WRITE); 0 when none do.
inline std::size_t usable_view_size(const void* view, DWORD access) noexcept {
    MEMORY_BASIC_INFORMATION region = {};
    if (!view || !VirtualQuery(view, &region, sizeof(region)) || region.State != MEM_COMMIT) return 0;
    if (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) return 0;
    constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if ((access & FILE_MAP_WRITE) && !(region.Protect & kWritable)) return 0;
    const auto* start = static_cast<const BYTE*>(view);
    return static_cast<std::size_t>(static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize - start);
}

}  // namespace win32
