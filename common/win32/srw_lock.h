// Holds a slim reader/writer lock for one scope, exclusively or shared. The lock itself needs no
// set-up and no clean-up (SRWLOCK_INIT), so it can guard state that lives until a module unloads.
#pragma once

#include <windows.h>

namespace win32 {

template <bool Exclusive>
class scoped_srw_lock {
public:
    explicit scoped_srw_lock(SRWLOCK& lock) noexcept : m_lock(lock) {
        if constexpr (Exclusive)
            ::AcquireSRWLockExclusive(&m_lock);
        else
            ::AcquireSRWLockShared(&m_lock);
    }
    ~scoped_srw_lock() {
        if constexpr (Exclusive)
            ::ReleaseSRWLockExclusive(&m_lock);
        else
            ::ReleaseSRWLockShared(&m_lock);
    }
    scoped_srw_lock(const scoped_srw_lock&) = delete;
    scoped_srw_lock& operator=(const scoped_srw_lock&) = delete;

private:
    SRWLOCK& m_lock;
};

using scoped_exclusive_lock = scoped_srw_lock<true>;
using scoped_shared_lock = scoped_srw_lock<false>;

}  // namespace win32
