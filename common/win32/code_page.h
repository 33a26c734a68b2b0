// Text between a narrow code page and UTF-16, of any length.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

inline std::wstring widen(const std::string& text, UINT codePage = CP_ACP) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (units > 0) ::MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], units);
    return wide;
}

inline std::string narrow(const std::wstring& text, UINT codePage = CP_ACP) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrowed(static_cast<size_t>(bytes), '\0');
    if (bytes > 0) ::WideCharToMultiByte(codePage, 0, text.data(), size, &narrowed[0], bytes, nullptr, nullptr);
    return narrowed;
}

}  // namespace win32
