// The handler's string: every text held twice, in code page 949 (what the ANSI functions, the
// registry and the menus take) and in UTF-16 (what searching and cutting work on).
#pragma once

namespace dravik {

// Owns both forms of one text. Every change frees both blocks and allocates new ones of exactly
// the size needed; copies are always deep.
class CWideBuffer {
public:
    CWideBuffer();
    explicit CWideBuffer(const char* text);
    explicit CWideBuffer(const wchar_t* text);
    CWideBuffer(const CWideBuffer&) = delete;
    CWideBuffer& operator=(const CWideBuffer&) = delete;
    ~CWideBuffer();

    void release();
    // Narrow input in code page 949, kept byte for byte; returns the UTF-16 units produced.
    int setText(const char* text);
    // UTF-16 input; the narrow form is regenerated. Returns the narrow bytes produced.
    int setWideText(const wchar_t* text);
    int appendBuffer(const CWideBuffer& other);
    int appendText(const char* text);

    const char* getText() const { return m_pszText; }
    const wchar_t* getWideText() const { return m_pwszText; }
    int getLength() const { return m_nLength; }

private:
    char* m_pszText = nullptr;
    wchar_t* m_pwszText = nullptr;
    int m_nLength = 0;
};

class CWideString {
public:
    CWideString() = default;
    explicit CWideString(const char* text);
    CWideString(const CWideString& other);
    CWideString& operator=(const CWideString& other);
    virtual ~CWideString() = default;

    void assign(const char* text);
    void assign(const CWideString& other);
    void appendText(const char* text);
    bool isEqual(const char* text) const;

    const char* getText() const { return m_buffer.getText(); }
    const wchar_t* getWideText() const { return m_buffer.getWideText(); }
    int getLength() const { return m_buffer.getLength(); }

    // Index of the first occurrence of text at or after start, or -1.
    int find(const char* text, int start) const;
    // Units start .. end-1; the empty string for an empty or out-of-range interval.
    CWideString substring(int start, int end) const;
    // Every occurrence of search, left to right without overlap, replaced. An empty search text
    // matches nowhere, so the result is an equal copy.
    CWideString replace(const char* search, const char* replacement) const;

private:
    CWideBuffer m_buffer;
};

}  // namespace dravik
