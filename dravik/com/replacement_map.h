// Variables of a registry script: "%NAME%" in the text stands for a value of this map.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dravik {

class ReplacementMap {
public:
    void Add(std::wstring name, std::wstring value);
    // The value of the first pair whose name matches, ignoring letter case; null when none does.
    const std::wstring* Find(const std::string& name) const;

private:
    struct Pair {
        std::wstring name;
        std::wstring value;
    };
    std::vector<Pair> m_pairs;
};

// A variable name of this many bytes or more is refused with E_FAIL.
constexpr size_t kVariableNameLimit = 32;

// The script with every "%NAME%" replaced by its value in the ANSI code page and every "%%" by
// one "%". DISP_E_EXCEPTION for an unclosed "%" or a name the map lacks.
HRESULT PreprocessScript(const std::string& text, const ReplacementMap& map, std::string& result);

}  // namespace dravik
