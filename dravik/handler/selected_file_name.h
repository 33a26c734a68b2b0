// The name of the single selected file, drawn under the thumbnail. One per process: the most
// recent Initialize of any handler decides it. The shell runs handlers on several threads, so one
// thread's Initialize may write it while another draws; a reader gets a copy taken under the lock,
// never a torn or freed string. Held in UTF-16, as the shell names the file.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "win32/code_page.h"
#include "win32/srw_lock.h"

namespace dravik {

class SelectedFileName {
public:
    void assign(std::wstring name) {
        {
            win32::scoped_exclusive_lock guard(m_lock);
            m_name.swap(name);
        }
        // The replaced text is freed here, outside the lock.
    }
    // A name in the ANSI code page.
    void assign(const std::string& name) { assign(win32::widen(name)); }
    void clear() { assign(std::wstring()); }
    std::wstring wide() const {
        win32::scoped_shared_lock guard(m_lock);
        return m_name;
    }
    // The name in the ANSI code page.
    std::string get() const { return win32::narrow(wide()); }

private:
    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    std::wstring m_name;
};

extern SelectedFileName g_selFileName;

}  // namespace dravik
