// The edge between this code and a caller that knows nothing of C++: COM methods and exports run
// their body here, so an exception becomes a failure code instead of unwinding into the caller.
#pragma once

#include <windows.h>

#include <new>

namespace win32 {

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

}  // namespace win32
