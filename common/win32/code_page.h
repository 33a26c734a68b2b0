// Text between a narrow code page and UTF-16, of any length.
#pragma once

#include <windows.h>

#include <algorithm>
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

// The text in the code page exactly, into `narrowed`: every character has bytes of its own there
// (no best fit, no default character) and those bytes convert back to the same text. False, with
// `narrowed` undefined, when the code page cannot spell the text.
inline bool narrow_exactly(const wchar_t* text, size_t units, std::string& narrowed, UINT codePage = CP_ACP) {
    // ANSI code pages keep ASCII as it is.
    if (std::all_of(text, text + units, [](wchar_t c) { return c < 0x80; })) {
        narrowed.assign(text, text + units);
        return true;
    }
    if (units >= INT_MAX / 3) return false;
    const int count = static_cast<int>(units);
    // A UTF-8 code page has no best fits and refuses the two flags below; lone surrogates are what
    // it cannot spell.
    const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && ::GetACP() == CP_UTF8);
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    narrowed.resize(units * 3);  // the most bytes a unit takes in any code page
    const int bytes = ::WideCharToMultiByte(codePage, flags, text, count, &narrowed[0], static_cast<int>(narrowed.size()),
                                            nullptr, utf8 ? nullptr : &usedDefault);
    if (bytes <= 0 || usedDefault) return false;
    narrowed.resize(static_cast<size_t>(bytes));
    // Some code pages give two characters the same bytes: only the way back shows the form exact.
    std::wstring back(units + 1, L'\0');
    const int backUnits = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, narrowed.data(), bytes, &back[0],
                                                static_cast<int>(back.size()));
    return backUnits == count && back.compare(0, units, text, units) == 0;
}

inline bool narrow_exactly(const std::wstring& text, std::string& narrowed, UINT codePage = CP_ACP) {
    return narrow_exactly(text.data(), text.size(), narrowed, codePage);
}

// The text in the code page with "?" for every character that it cannot spell exactly (a pair of
// surrogates is one character): never a best fit, which may spell another name ("cafē" is not
// "cafe"). Each character is tried on its own, so this is for texts that narrow_exactly refused.
inline std::string narrow_or_question_marks(const wchar_t* text, size_t units, UINT codePage = CP_ACP) {
    std::string narrowed, character;
    for (size_t i = 0; i < units;) {
        const size_t length = IS_HIGH_SURROGATE(text[i]) && i + 1 < units && IS_LOW_SURROGATE(text[i + 1]) ? 2 : 1;
        if (narrow_exactly(text + i, length, character, codePage))
            narrowed += character;
        else
            narrowed += '?';
        i += length;
    }
    return narrowed;
}

}  // namespace win32
