// Owners for what a data object hands out: the storage medium, given back with ReleaseStgMedium,
// and a lock on its global memory block, undone with GlobalUnlock.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <utility>

namespace win32 {

class unique_stg_medium {
public:
    unique_stg_medium() noexcept = default;
    // Takes over a medium that GetData filled.
    explicit unique_stg_medium(const STGMEDIUM& medium) noexcept : m_medium(medium) {}
    ~unique_stg_medium() { reset(); }
    unique_stg_medium(const unique_stg_medium&) = delete;
    unique_stg_medium& operator=(const unique_stg_medium&) = delete;

    const STGMEDIUM& get() const noexcept { return m_medium; }
    void reset() noexcept {
        if (m_medium.tymed == TYMED_NULL) return;
        ::ReleaseStgMedium(&m_medium);
        m_medium = STGMEDIUM{};
    }

private:
    STGMEDIUM m_medium = {};
};

class scoped_global_lock {
public:
    explicit scoped_global_lock(HGLOBAL block) noexcept
        : m_block(block), m_data(block ? ::GlobalLock(block) : nullptr) {}
    ~scoped_global_lock() { reset(); }
    scoped_global_lock(const scoped_global_lock&) = delete;
    scoped_global_lock& operator=(const scoped_global_lock&) = delete;

    // The block's memory; null when it could not be locked.
    void* get() const noexcept { return m_data; }
    void reset() noexcept {
        if (std::exchange(m_data, nullptr)) ::GlobalUnlock(m_block);
    }

private:
    HGLOBAL m_block;
    void* m_data;
};

}  // namespace win32
