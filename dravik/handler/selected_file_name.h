// The name of the single selected file, drawn under the thumbnail. One per process: the most
// recent Initialize of any handler decides it. The shell runs handlers on several threads, so one
// thread's Initialize may write it while another draws; a reader gets a copy taken under the lock,
// never a torn or freed string.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "win32/srw_lock.h"

namespace dravik {

class SelectedFileName {
public:
    void assign(std::string name) {
        {
            win32::scoped_exclusive_lock guard(m_lock);
            m_name.swap(name);
        }
        // The replaced text is freed here, outside the lock.
    }
    void clear() { assign(std::string()); }
    std::string get() const {
        win32::scoped_shared_lock guard(m_lock);
        return m_name;
    }

private:
    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    std::string m_name;
};

extern SelectedFileName g_selFileName;

}  // namespace dravik
