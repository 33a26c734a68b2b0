#include "com/type_info_holder.h"

#include <wrl/client.h>

#include <utility>

#include "com/server_module.h"
#include "win32/srw_lock.h"

using Microsoft::WRL::ComPtr;

namespace dravik {

TypeInfoHolder::~TypeInfoHolder() {
    for (NameCacheEntry& entry : m_nameCache) entry.name.release();
}

HRESULT TypeInfoHolder::GetTypeInfo(LCID lcid, ITypeInfo** typeInfo) {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    const HRESULT hr = EnsureLoaded(lcid);
    if (FAILED(hr)) return hr;
    *typeInfo = m_typeInfo.load();
    (*typeInfo)->AddRef();
    return S_OK;
}

HRESULT TypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* dispIds) {
    if (count && (!names || !dispIds)) return E_POINTER;
    HRESULT hr = EnsureLoaded(lcid);
    if (FAILED(hr)) return hr;
    ITypeInfo* const typeInfo = m_typeInfo.load();
    for (UINT i = 0; i < count; ++i) {
        const UINT length = static_cast<UINT>(lstrlenW(names[i]));
        bool cached = false;
        for (auto entry = m_nameCache.rbegin(); entry != m_nameCache.rend() && !cached; ++entry) {
            if (entry->length == length && memcmp(entry->name.get(), names[i], length * sizeof(wchar_t)) == 0) {
                dispIds[i] = entry->dispid;
                cached = true;
            }
        }
        if (cached) continue;
        hr = typeInfo->GetIDsOfNames(names + i, 1, dispIds + i);
        if (FAILED(hr)) break;
    }
    return hr;
}

HRESULT TypeInfoHolder::Invoke(IDispatch* self, DISPID member, LCID lcid, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    const HRESULT hr = EnsureLoaded(lcid);
    if (FAILED(hr)) return hr;
    return m_typeInfo.load()->Invoke(self, member, flags, params, result, exception, argError);
}

HRESULT TypeInfoHolder::EnsureLoaded(LCID lcid) {
    if (m_typeInfo.load()) return S_OK;
    HRESULT hr;
    bool firstAttempt;
    {
        win32::scoped_exclusive_lock guard(g_module.typeInfoLock);
        if (m_typeInfo.load()) return S_OK;
        hr = Load(lcid);
        firstAttempt = !std::exchange(m_cleanupRegistered, true);
    }
    // One clean-up for the life of the module, however many loads fail before one succeeds.
    if (firstAttempt) g_module.AddTermCallback(&TypeInfoHolder::Cleanup, this);
    return hr;
}

HRESULT TypeInfoHolder::Load(LCID lcid) {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadRegTypeLib(*m_libid, m_major, m_minor, lcid, &library);
    if (FAILED(hr)) return hr;
    ComPtr<ITypeInfo> typeInfo;
    hr = library->GetTypeInfoOfGuid(*m_iid, &typeInfo);
    if (FAILED(hr)) return hr;
    ComPtr<ITypeInfo2> typeInfo2;
    if (SUCCEEDED(typeInfo.As(&typeInfo2))) typeInfo = typeInfo2;
    BuildNameCache(typeInfo.Get());
    m_typeInfo.store(typeInfo.Detach());
    return S_OK;
}

void TypeInfoHolder::BuildNameCache(ITypeInfo* typeInfo) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(typeInfo->GetTypeAttr(&attributes))) return;
    m_nameCache.clear();
    m_nameCache.reserve(attributes->cFuncs);
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(typeInfo->GetFuncDesc(i, &function))) continue;
        win32::unique_bstr name;
        if (SUCCEEDED(typeInfo->GetDocumentation(function->memid, name.put(), nullptr, nullptr, nullptr)) && name) {
            const UINT length = SysStringLen(name.get());
            m_nameCache.push_back({std::move(name), length, function->memid});
        }
        typeInfo->ReleaseFuncDesc(function);
    }
    typeInfo->ReleaseTypeAttr(attributes);
}

void TypeInfoHolder::Cleanup(void* context) noexcept {
    auto* holder = static_cast<TypeInfoHolder*>(context);
    if (ITypeInfo* typeInfo = holder->m_typeInfo.exchange(nullptr)) typeInfo->Release();
    holder->m_nameCache.clear();
    holder->m_cleanupRegistered = false;
}

}  // namespace dravik
