#include "com/replacement_map.h"

#include <cstring>

#include "win32/code_page.h"

namespace dravik {

void ReplacementMap::Add(std::wstring name, std::wstring value) { m_pairs.push_back({std::move(name), std::move(value)}); }

const std::wstring* ReplacementMap::Find(const std::string& name) const {
    for (const Pair& pair : m_pairs)
        if (lstrcmpiA(win32::narrow(pair.name).c_str(), name.c_str()) == 0) return &pair.value;
    return nullptr;
}

HRESULT PreprocessScript(const std::string& text, const ReplacementMap& map, std::string& result) {
    result.clear();
    result.reserve(text.size() * 2);
    // The script is a C string: it ends at its first zero byte.
    const char* const end = text.c_str() + strlen(text.c_str());
    for (const char* p = text.c_str(); p < end;) {
        const char* next = CharNextA(p);
        if (*p != '%') {
            result.append(p, next);
            p = next;
            continue;
        }
        if (*next == '%') {
            result += '%';
            p = CharNextA(next);
            continue;
        }
        const char* close = next;
        while (close < end && *close != '%') close = CharNextA(close);
        if (close >= end) return DISP_E_EXCEPTION;
        const std::string name(next, close);
        if (name.size() >= kVariableNameLimit) return E_FAIL;
        const std::wstring* value = map.Find(name);
        if (!value) return DISP_E_EXCEPTION;
        result += win32::narrow(*value);
        p = close + 1;
    }
    return S_OK;
}

}  // namespace dravik
