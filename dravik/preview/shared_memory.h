// One named, page-file-backed mapping and its view. Copies in and out never pass the view's real
// size: a mapping that another process created first keeps the size it was created with.
#pragma once

#include <windows.h>

#include <cstddef>

#include "win32/unique_handle.h"

namespace dravik {

class CSharedMemory {
public:
    CSharedMemory() = default;
    virtual ~CSharedMemory() = default;
    CSharedMemory(const CSharedMemory&) = delete;
    CSharedMemory& operator=(const CSharedMemory&) = delete;

    // Creates the mapping, or opens it when it exists, and maps all of it for writing. Keeps what
    // an earlier call obtained, so a second call maps no second view. True when a view is mapped.
    bool create(const char* name, DWORD size);
    // Opens an existing mapping and maps all of it for reading; false at once when a mapping is
    // already held.
    bool open(const char* name);
    // The two steps of open: the existing mapping opened for reading, then all of it mapped.
    bool find(const char* name);
    bool mapForReading();
    bool close();

    // The mapping, null when none is held; for lending it to another process.
    HANDLE mapping() const noexcept { return m_hMap.get(); }
    bool holdsView() const noexcept { return m_viewSize > 0; }

    // Copies at most count bytes to or from the start of the view; the number of bytes copied.
    std::size_t write(const void* data, std::size_t count);
    std::size_t read(void* data, std::size_t count) const;

private:
    bool mapView(DWORD access);

    win32::unique_handle m_hMap;
    win32::unique_view m_pView;
    std::size_t m_viewSize = 0;
};

}  // namespace dravik
