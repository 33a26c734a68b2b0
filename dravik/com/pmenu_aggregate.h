// A handler made part of an outer object: the outer object holds this one's own IUnknown, and
// the handler's interfaces answer for the outer object.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "handler/pmenu.h"

namespace dravik {

// The handler inside an aggregate: its three interface tables pass QueryInterface, AddRef and
// Release to the outer unknown.
class CPMenuContained final : public CPMenu {
public:
    explicit CPMenuContained(IUnknown* outer) : m_outer(outer) {}

    // The outer unknown's answer when it has one; otherwise the handler's own table.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return m_outer->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return m_outer->Release(); }

private:
    IUnknown* m_outer;  // not owned: the outer object owns this one
};

class CPMenuAggregate final : public IUnknown {
public:
    // Only IID_IUnknown can be asked for: the class factory refuses anything else.
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    // Its own IUnknown, or an interface of the contained handler.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

private:
    explicit CPMenuAggregate(IUnknown* outer) : m_contained(outer) {}

    ULONG m_refCount = 0;
    CPMenuContained m_contained;
};

}  // namespace dravik
