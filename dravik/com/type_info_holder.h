// IDispatch for a dual interface, answered from its registered type library. The type
// information is loaded on first use and kept until the module stops.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <vector>

#include "win32/unique_bstr.h"

namespace dravik {

class TypeInfoHolder {
public:
    TypeInfoHolder(const IID* iid, const GUID* libid, WORD major, WORD minor)
        : m_iid(iid), m_libid(libid), m_major(major), m_minor(minor) {}
    // Runs after the module's stop has cleaned up, or when the process ends without one: names
    // still cached then are left to the ending process, as oleaut32 may be detached already.
    ~TypeInfoHolder();
    TypeInfoHolder(const TypeInfoHolder&) = delete;
    TypeInfoHolder& operator=(const TypeInfoHolder&) = delete;

    HRESULT GetTypeInfo(LCID lcid, ITypeInfo** typeInfo);
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* dispIds);
    HRESULT Invoke(IDispatch* self, DISPID member, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError);

private:
    struct NameCacheEntry {
        win32::unique_bstr name;
        UINT length;
        DISPID dispid;
    };

    // S_OK once the type information is there, else the failure of loading it.
    HRESULT EnsureLoaded(LCID lcid);
    HRESULT Load(LCID lcid);
    void BuildNameCache(ITypeInfo* typeInfo);
    static void Cleanup(void* holder) noexcept;

    const IID* m_iid;
    const GUID* m_libid;
    WORD m_major;
    WORD m_minor;
    std::atomic<ITypeInfo*> m_typeInfo{nullptr};  // published once the name cache is built
    std::vector<NameCacheEntry> m_nameCache;
    bool m_cleanupRegistered = false;
};

}  // namespace dravik
