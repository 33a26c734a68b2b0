// Joins the calling thread to COM for one scope and leaves the thread's COM state as it was.
#pragma once

#include <objbase.h>

namespace win32 {

// A thread without COM is initialised (multithreaded: nothing here pumps messages) and
// uninitialised at scope exit; a thread already in an apartment of either kind is used as it is.
// Every COM pointer obtained in the scope must be released before the guard ends.
class com_apartment {
public:
    com_apartment() noexcept : m_result(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~com_apartment() {
        // S_OK and S_FALSE both took a reference on the thread's initialisation.
        if (SUCCEEDED(m_result)) ::CoUninitialize();
    }
    com_apartment(const com_apartment&) = delete;
    com_apartment& operator=(const com_apartment&) = delete;

    // RPC_E_CHANGED_MODE: the thread is a single-threaded apartment already, which serves as well.
    explicit operator bool() const noexcept { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }

private:
    HRESULT m_result;
};

}  // namespace win32
