// The edge between this code and a caller that knows nothing of C++: every COM method and every
// export runs its body here, so an exception becomes a failure the caller understands instead of
// unwinding into it. Methods that only count (AddRef, Release) cannot throw and are noexcept.
#pragma once

#include <windows.h>

#include <new>

namespace win32 {

// For the methods and exports that answer an HRESULT.
template <typename Body>
HRESULT com_boundary(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// For the exports whose failure is a value of their own (0 for "no list").
template <typename Result, typename Body>
Result export_boundary(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

}  // namespace win32
