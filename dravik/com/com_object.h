// Steps that every COM object of the module takes the same way.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace dravik {

// Hands out an interface pointer with a reference added.
inline HRESULT HandOut(IUnknown* unknown, void** ppv) {
    unknown->AddRef();
    *ppv = unknown;
    return S_OK;
}

// A newly allocated object (null when allocation failed) asked for riid; destroyed again when it
// lacks the interface.
template <typename Object>
HRESULT QueryNewObject(Object* object, REFIID riid, void** ppv) {
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    if (FAILED(hr)) delete object;
    return hr;
}

// Release for an object used on one thread. The count stays at 1 while the object is destroyed,
// so that a Release reached from its destruction cannot destroy it twice.
template <typename Object>
ULONG ReleaseSingleThreaded(Object* object, ULONG& count) {
    const ULONG remaining = --count;
    if (remaining == 0) {
        count = 1;
        delete object;
    }
    return remaining;
}

}  // namespace dravik
