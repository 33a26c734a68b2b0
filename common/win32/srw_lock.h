// Holds a slim reader/writer lock for one scope, exclusively or shared. The lock itself needs no
// set-up and no clean-up (SRWLOCK_INIT), so it can guard state that lives until a module unloads.
#pragma once

#include <windows.h>

namespace win32 {

template <VOID(WINAPI* Acquire)(PSRWLOCK), VOID(WINAPI* Release)(PSRWLOCK)>
class scoped_srw_lock {
public:
    explicit scoped_srw_lock(SRWLOCK& lock) noexcept : m_lock(lock) { Acquire(&m_lock); }
    ~scoped_srw_lock() { Release(&m_lock); }
    scoped_srw_lock(const scoped_srw_lock&) = delete;
    scoped_srw_lock& operator=(const scoped_srw_lock&) = delete;

private:
    SRWLOCK& m_lock;
};

using scoped_exclusive_lock = scoped_srw_lock<::AcquireSRWLockExclusive, ::ReleaseSRWLockExclusive>;
using scoped_shared_lock = scoped_srw_lock<::AcquireSRWLockShared, ::ReleaseSRWLockShared>;

}  // namespace win32
