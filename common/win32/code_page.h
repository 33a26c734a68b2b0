// Text between a narrow code page and UTF-16, of any length.
#pragma once

#include <windows.h>

#include <climits>
#include <string>

namespace win32 {

// One call converts at most INT_MAX characters; a negative count would read up to a zero instead.
inline int converted_count(size_t length) { return length < INT_MAX ? static_cast<int>(length) : INT_MAX; }

// Byte sequences the code page does not know become its default character.
inline std::wstring widen(const char* text, size_t bytes, UINT codePage = CP_ACP) {
    if (bytes == 0) return {};
    const int size = converted_count(bytes);
    const int units = ::MultiByteToWideChar(codePage, 0, text, size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) ::MultiByteToWideChar(codePage, 0, text, size, &wide[0], units);
    return wide;
}

inline std::wstring widen(const std::string& text, UINT codePage = CP_ACP) {
    return widen(text.data(), text.size(), codePage);
}

// Characters the code page lacks become its best fit or its default character.
inline std::string narrow(const wchar_t* text, size_t units, UINT codePage = CP_ACP) {
    if (units == 0) return {};
    const int size = converted_count(units);
    const int bytes = ::WideCharToMultiByte(codePage, 0, text, size, nullptr, 0, nullptr, nullptr);
    std::string narrowed(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) ::WideCharToMultiByte(codePage, 0, text, size, &narrowed[0], bytes, nullptr, nullptr);
    return narrowed;
}

inline std::string narrow(const std::wstring& text, UINT codePage = CP_ACP) {
    return narrow(text.data(), text.size(), codePage);
}

}  // namespace win32
