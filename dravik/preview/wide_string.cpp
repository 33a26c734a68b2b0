#include "preview/wide_string.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

namespace dravik {
namespace {

constexpr UINT kCodePage = 949;

}  // namespace

CWideBuffer::CWideBuffer() { setText(nullptr); }
CWideBuffer::CWideBuffer(const char* text) { setText(text); }
CWideBuffer::CWideBuffer(const wchar_t* text) { setWideText(text); }
CWideBuffer::~CWideBuffer() { release(); }

void CWideBuffer::release() {
    delete[] m_pszText;
    delete[] m_pwszText;
    m_pszText = nullptr;
    m_pwszText = nullptr;
    m_nLength = 0;
}

int CWideBuffer::setText(const char* text) {
    if (!text) text = "";
    const int bytes = static_cast<int>(std::strlen(text));
    // Allocate before releasing: text may point into the blocks being replaced.
    auto wide = std::make_unique<wchar_t[]>(bytes + 1);
    const int units = bytes ? MultiByteToWideChar(kCodePage, 0, text, bytes, wide.get(), bytes) : 0;
    wide[units] = L'\0';
    auto narrow = std::make_unique<char[]>(bytes + 1);
    std::memcpy(narrow.get(), text, bytes + 1);

    release();
    m_pwszText = wide.release();
    m_pszText = narrow.release();
    m_nLength = units;
    return units;
}

int CWideBuffer::setWideText(const wchar_t* text) {
    if (!text) text = L"";
    const int units = static_cast<int>(std::wcslen(text));
    auto wide = std::make_unique<wchar_t[]>(units + 1);
    std::wmemcpy(wide.get(), text, units + 1);
    auto narrow = std::make_unique<char[]>(2 * units + 1);
    const int bytes =
        units ? WideCharToMultiByte(kCodePage, 0, wide.get(), units, narrow.get(), 2 * units, nullptr, nullptr) : 0;
    narrow[bytes] = '\0';

    release();
    m_pwszText = wide.release();
    m_pszText = narrow.release();
    m_nLength = units;
    return bytes;
}

int CWideBuffer::appendBuffer(const CWideBuffer& other) {
    const int own = m_nLength;
    const int added = other.m_nLength;
    auto joined = std::make_unique<wchar_t[]>(own + added + 1);
    std::wmemcpy(joined.get(), m_pwszText, own);
    std::wmemcpy(joined.get() + own, other.m_pwszText, added);
    joined[own + added] = L'\0';
    setWideText(joined.get());
    return m_nLength;
}

int CWideBuffer::appendText(const char* text) {
    CWideBuffer other(text);
    return appendBuffer(other);
}

CWideString::CWideString(const char* text) { m_buffer.setText(text); }
CWideString::CWideString(const CWideString& other) { m_buffer.setWideText(other.m_buffer.getWideText()); }

CWideString& CWideString::operator=(const CWideString& other) {
    assign(other);
    return *this;
}

void CWideString::assign(const char* text) { m_buffer.setText(text); }
void CWideString::assign(const CWideString& other) {
    if (this != &other) m_buffer.setWideText(other.m_buffer.getWideText());
}
void CWideString::appendText(const char* text) { m_buffer.appendText(text); }

bool CWideString::isEqual(const char* text) const {
    return std::strcmp(m_buffer.getText(), text ? text : "") == 0;
}

int CWideString::find(const char* text, int start) const {
    const CWideBuffer search(text);
    const int m = search.getLength();
    const int n = getLength();
    const wchar_t* units = getWideText();
    for (int i = start < 0 ? 0 : start; i <= n - m; ++i) {
        if (std::wmemcmp(units + i, search.getWideText(), m) == 0) return i;
    }
    return -1;
}

CWideString CWideString::substring(int start, int end) const {
    if (start < 0) start = 0;
    if (end - start <= 0 || end > getLength()) return CWideString();
    const std::wstring piece(getWideText() + start, getWideText() + end);
    const CWideBuffer converted(piece.c_str());
    return CWideString(converted.getText());
}

CWideString CWideString::replace(const char* search, const char* replacement) const {
    const int m = CWideBuffer(search).getLength();
    if (m == 0) return *this;

    CWideString result;
    int pos = 0;
    for (int i = find(search, pos); i != -1; i = find(search, pos)) {
        result.appendText(substring(pos, i).getText());
        result.appendText(replacement);
        pos = i + m;
    }
    result.appendText(substring(pos, getLength()).getText());
    return result;
}

}  // namespace dravik
