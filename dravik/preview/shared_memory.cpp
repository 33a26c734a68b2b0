#include "preview/shared_memory.h"

#include <algorithm>
#include <cstring>

#include "win32/mapped_view.h"

namespace dravik {

bool CSharedMemory::create(const char* name, DWORD size) {
    if (m_pView) return true;
    if (!m_hMap) m_hMap.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name));
    return m_hMap && mapView(FILE_MAP_WRITE);
}

bool CSharedMemory::open(const char* name) { return find(name) && mapForReading(); }

bool CSharedMemory::find(const char* name) {
    if (m_hMap) return false;
    m_hMap.reset(OpenFileMappingA(FILE_MAP_READ, FALSE, name));
    return static_cast<bool>(m_hMap);
}

bool CSharedMemory::mapForReading() { return m_hMap && mapView(FILE_MAP_READ); }

bool CSharedMemory::close() {
    m_pView.reset();
    m_hMap.reset();
    m_viewSize = 0;
    return true;
}

bool CSharedMemory::mapView(DWORD access) {
    m_pView.reset(MapViewOfFile(m_hMap.get(), access, 0, 0, 0));
    m_viewSize = win32::usable_view_size(m_pView.get(), access);
    // A view with nothing to copy into (a mapping made with reserved pages only) is no view: kept,
    // it would let the next create report success and write nothing.
    if (m_viewSize == 0) m_pView.reset();
    return m_viewSize > 0;
}

std::size_t CSharedMemory::write(const void* data, std::size_t count) {
    count = std::min(count, m_viewSize);
    if (count) std::memcpy(m_pView.get(), data, count);
    return count;
}

std::size_t CSharedMemory::read(void* data, std::size_t count) const {
    count = std::min(count, m_viewSize);
    if (count) std::memcpy(data, m_pView.get(), count);
    return count;
}

}  // namespace dravik
