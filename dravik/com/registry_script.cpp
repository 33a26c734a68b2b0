#include "com/registry_script.h"

#include <oleauto.h>

#include "win32/code_page.h"

namespace dravik {
namespace {

// Limits of the script language: a token and a type each fit a 4096-byte buffer with their
// terminator, a quoted token is at most 4094 bytes, a value name fits 260 bytes with its terminator.
constexpr size_t kTokenBytes = 4096;
constexpr size_t kQuotedTokenLimit = 4094;
constexpr size_t kValueNameBytes = 260;
// Blocks nest no deeper than the registry's own keys do; a deeper script would only exhaust the
// stack of the walk.
constexpr int kNestingLimit = 512;

// Keys of these names are never deleted with their subtree, whatever a script says.
const char* const kNeverForceDelete[] = {"CLSID", "TYPELIB"};

struct RootKey {
    const char* name;
    HKEY key;
};

HKEY RootKeyFromName(const std::string& name) {
    static const RootKey kRootKeys[] = {
        {"HKCR", HKEY_CLASSES_ROOT},
        {"HKCU", HKEY_CURRENT_USER},
        {"HKLM", HKEY_LOCAL_MACHINE},
        {"HKU", HKEY_USERS},
        {"HKPD", HKEY_PERFORMANCE_DATA},
        {"HKDD", HKEY_DYN_DATA},
        {"HKCC", HKEY_CURRENT_CONFIG},
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKEY_USERS", HKEY_USERS},
        {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const RootKey& root : kRootKeys)
        if (lstrcmpiA(root.name, name.c_str()) == 0) return root.key;
    return nullptr;
}

bool Is(const std::string& token, const char* word) { return lstrcmpiA(token.c_str(), word) == 0; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// A key's own name: not empty (an empty name stands for the parent key itself, which opening,
// writing or deleting would then reach) and not a path of several keys.
bool IsKeyName(const std::string& name) { return !name.empty() && name.find('\\') == std::string::npos; }

bool IsNeverForceDeleted(const std::string& name) {
    for (const char* never : kNeverForceDelete)
        if (Is(name, never)) return true;
    return false;
}

std::string JoinPath(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + '\\' + name;
}

win32::unique_hkey OpenKey(HKEY parent, const char* name, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name, 0, access, &key) != ERROR_SUCCESS) return {};
    return win32::unique_hkey(key);
}

// A query that fails counts as no subkeys.
bool HasSubKeys(HKEY key) {
    DWORD subKeys = 0;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys > 0;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;  // anything else counts as 0
}

// The registry type and bytes of a value text of the given type letter.
HRESULT EncodeValue(const std::string& type, const std::string& text, DWORD& regType, std::vector<BYTE>& data) {
    if (Is(type, "S")) {
        regType = REG_SZ;
        data.assign(text.c_str(), text.c_str() + text.size() + 1);
        return S_OK;
    }
    if (Is(type, "D")) {
        ULONG number = 0;
        // Text that is no number cannot be stored: the script fails as for any value not written.
        std::wstring wide = win32::widen(text);
        if (FAILED(VarUI4FromStr(&wide[0], 0, 0, &number))) return DISP_E_EXCEPTION;
        regType = REG_DWORD;
        data.assign(reinterpret_cast<const BYTE*>(&number), reinterpret_cast<const BYTE*>(&number) + sizeof(number));
        return S_OK;
    }
    if (Is(type, "B")) {
        if (text.size() % 2 != 0) return E_FAIL;
        regType = REG_BINARY;
        data.clear();
        for (size_t i = 0; i < text.size(); i += 2)
            data.push_back(static_cast<BYTE>(HexDigit(text[i]) << 4 | HexDigit(text[i + 1])));
        return S_OK;
    }
    return DISP_E_EXCEPTION;
}

}  // namespace

LONG RecurseDeleteKey(HKEY parent, const char* name) {
    // No name would open the parent itself and delete it with everything below.
    if (!name || !*name) return ERROR_INVALID_PARAMETER;
    HKEY raw = nullptr;
    LONG result = RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE, &raw);
    if (result != ERROR_SUCCESS) return result;
    win32::unique_hkey key(raw);
    for (;;) {
        DWORD longest = 0;
        RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        std::string subKey(longest + 1, '\0');
        DWORD length = longest + 1;
        result = RegEnumKeyExA(key.get(), 0, &subKey[0], &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) return result;
        subKey.resize(length);
        result = RecurseDeleteKey(key.get(), subKey.c_str());
        if (result != ERROR_SUCCESS) return result;
    }
    key.reset();
    return RegDeleteKeyA(parent, name);
}

HRESULT RegistryScriptParser::RegisterScript(const std::string& script) { return Apply(script, Mode::Register); }

HRESULT RegistryScriptParser::UnregisterScript(const std::string& script, const char* onlyKey) {
    m_onlyKey = onlyKey;
    const HRESULT hr = Apply(script, Mode::Unregister);
    m_onlyKey = nullptr;
    return hr;
}

HRESULT RegistryScriptParser::Apply(const std::string& script, Mode mode) {
    m_appliedRootBlocks = 0;
    HRESULT hr = PreprocessScript(script, m_map, m_text);
    if (FAILED(hr)) return hr;

    m_pos = m_text.c_str();
    m_nesting = 0;
    while (*m_pos) {
        if (!NextToken()) return DISP_E_EXCEPTION;
        const HKEY root = RootKeyFromName(m_token);
        if (!root || !NextToken() || m_token != "{") return DISP_E_EXCEPTION;
        hr = mode == Mode::Register ? RegisterRootBlock(root) : ProcessBlock(root, {}, Mode::Unregister, false);
        if (FAILED(hr)) return hr;
        ++m_appliedRootBlocks;
        SkipWhiteSpace();
    }
    return S_OK;
}

HRESULT RegistryScriptParser::RegisterRootBlock(HKEY root) {
    m_changes.clear();
    const HRESULT hr = ProcessBlock(root, {}, Mode::Register, false);
    // Not the block walked in unregister mode: that would take what the block names also where
    // another registration (the module's other kind) wrote it before this one.
    if (FAILED(hr)) PutBackChanges(root);
    m_changes.clear();
    return hr;
}

HRESULT RegistryScriptParser::ProcessBlock(HKEY parent, const std::string& parentPath, Mode mode, bool recovering) {
    if (m_nesting >= kNestingLimit || !NextToken()) return DISP_E_EXCEPTION;
    ++m_nesting;
    CurrentKey current;
    HRESULT hr = S_OK;
    while (SUCCEEDED(hr) && m_token != "}")
        hr = mode == Mode::Register ? RegisterEntry(parent, parentPath, current) : UnregisterEntry(parent, recovering);
    --m_nesting;
    return hr;
}

HRESULT RegistryScriptParser::RegisterEntry(HKEY parent, const std::string& parentPath, CurrentKey& current) {
    if (Is(m_token, "ForceRemove") || Is(m_token, "Delete")) {
        const bool deleteOnly = Is(m_token, "Delete");
        if (!NextToken() || !IsKeyName(m_token)) return DISP_E_EXCEPTION;
        if (!IsNeverForceDeleted(m_token)) RemoveKey(parent, parentPath, m_token);
        if (deleteOnly) {
            if (!NextToken() || !SkipAssignment()) return DISP_E_EXCEPTION;
            // The language gives a "Delete" entry no block; one here would land on another key.
            return m_token == "{" ? DISP_E_EXCEPTION : S_OK;
        }
    }
    if (Is(m_token, "NoRemove") && !NextToken()) return DISP_E_EXCEPTION;

    HRESULT hr;
    if (Is(m_token, "Val")) {
        std::string name;
        hr = ReadValueName(name);
        if (FAILED(hr)) return hr;
        hr = AddValue(parent, parentPath, name.c_str());
        if (FAILED(hr)) return hr;
        return EnterBlock(current);
    }

    if (!IsKeyName(m_token)) return DISP_E_EXCEPTION;
    hr = OpenOrCreateKey(parent, parentPath, current);
    if (FAILED(hr)) return hr;
    if (!NextToken()) return DISP_E_EXCEPTION;
    if (m_token == "=") {
        hr = AddValue(current.key.get(), current.path, nullptr);
        if (FAILED(hr)) return hr;
    }
    return EnterBlock(current);
}

HRESULT RegistryScriptParser::OpenOrCreateKey(HKEY parent, const std::string& parentPath, CurrentKey& current) {
    const std::string path = JoinPath(parentPath, m_token);
    win32::unique_hkey key = OpenKey(parent, m_token.c_str(), KEY_ALL_ACCESS);
    if (!key) key = OpenKey(parent, m_token.c_str(), KEY_READ);
    if (!key) {
        HKEY created = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExA(parent, m_token.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &created, &disposition) != ERROR_SUCCESS)
            return DISP_E_EXCEPTION;
        key.reset(created);
        if (disposition == REG_CREATED_NEW_KEY) m_changes.emplace_back(Change::Kind::MadeKey, parentPath, m_token);
    }
    current.key = std::move(key);
    current.path = path;
    return S_OK;
}

// A "{" after an entry of a register-mode block descends into the block's current key.
HRESULT RegistryScriptParser::EnterBlock(CurrentKey& current) {
    if (m_token != "{") return S_OK;
    const HRESULT hr = ProcessBlock(current.key.get(), current.path, Mode::Register, false);
    if (FAILED(hr)) return hr;
    return NextToken() ? S_OK : DISP_E_EXCEPTION;
}

HRESULT RegistryScriptParser::UnregisterEntry(HKEY parent, bool recovering) {
    if ((Is(m_token, "ForceRemove") || Is(m_token, "Delete")) && !NextToken()) return DISP_E_EXCEPTION;
    const bool noRemove = Is(m_token, "NoRemove");
    if (noRemove && !NextToken()) return DISP_E_EXCEPTION;
    // An entry of the root block outside the key the walk is limited to is only read.
    const bool outside = m_onlyKey && m_nesting == 1 && !Is(m_token, m_onlyKey);

    if (Is(m_token, "Val")) {
        std::string name;
        const HRESULT hr = ReadValueName(name);
        if (FAILED(hr)) return hr;
        if (!recovering && !outside) RegDeleteValueA(parent, name.c_str());
        return SkipAssignment() ? S_OK : DISP_E_EXCEPTION;
    }

    if (!IsKeyName(m_token)) return DISP_E_EXCEPTION;
    // A key that is not there turns its entry and block into a walk that only reads tokens. The
    // right to set values lets "Val" entries of its block go even when the key itself stays.
    win32::unique_hkey key;
    if (!recovering && !outside) key = OpenKey(parent, m_token.c_str(), KEY_READ | KEY_SET_VALUE);
    if (!recovering && !outside && !key) key = OpenKey(parent, m_token.c_str(), KEY_READ);
    const bool entryRecovering = recovering || !key;
    const std::string name = m_token;

    if (!NextToken() || !SkipAssignment()) return DISP_E_EXCEPTION;
    if (m_token == "{") {
        const HRESULT hr = ProcessBlock(key.get(), {}, Mode::Unregister, entryRecovering);
        if (FAILED(hr)) return hr;
        if (!NextToken() || !SkipAssignment()) return DISP_E_EXCEPTION;
    }

    if (entryRecovering || HasSubKeys(key.get())) return S_OK;
    if (RegCloseKey(key.release()) != ERROR_SUCCESS) return DISP_E_EXCEPTION;
    if (!noRemove) RegDeleteKeyA(parent, name.c_str());
    return S_OK;
}

// Entered with the "=" of an assignment just read; leaves the token that follows the value.
HRESULT RegistryScriptParser::AddValue(HKEY key, const std::string& keyPath, const char* name) {
    const char* const valueName = name ? name : "";
    if (!NextToken()) return DISP_E_EXCEPTION;
    const std::string type = m_token;
    if (!Is(type, "S") && !Is(type, "D") && !Is(type, "B")) return DISP_E_EXCEPTION;
    if (!NextToken()) return DISP_E_EXCEPTION;

    DWORD regType = REG_NONE;
    std::vector<BYTE> data;
    const HRESULT hr = EncodeValue(type, m_token, regType, data);
    if (FAILED(hr)) return hr;
    Change wrote(Change::Kind::WroteValue, keyPath, valueName);
    wrote.replaced = CopyRegistryValue(key, win32::widen(wrote.name), wrote.before);
    // A value that cannot be written fails the script like a key that cannot be created.
    if (RegSetValueExA(key, valueName, 0, regType, data.data(), static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
        return DISP_E_EXCEPTION;
    m_changes.push_back(std::move(wrote));
    return NextToken() ? S_OK : DISP_E_EXCEPTION;
}

// Reads the name after "Val" and the "=" that must follow it.
HRESULT RegistryScriptParser::ReadValueName(std::string& name) {
    if (!NextToken() || m_token.size() >= kValueNameBytes) return DISP_E_EXCEPTION;
    name = m_token;
    return NextToken() && m_token == "=" ? S_OK : DISP_E_EXCEPTION;
}

bool RegistryScriptParser::SkipAssignment() {
    if (m_token != "=") return true;
    return NextToken() && NextToken() && NextToken();
}

void RegistryScriptParser::SkipWhiteSpace() {
    while (IsSpace(*m_pos)) m_pos = CharNextA(m_pos);
}

// A quoted token runs to the next single quote that is not doubled; any other token runs to the
// next white space. False at the end of the text, in an unclosed quote, and for a token that
// does not fit its buffer.
bool RegistryScriptParser::NextToken() {
    SkipWhiteSpace();
    if (!*m_pos) return false;
    m_token.clear();

    if (*m_pos == '\'') {
        const char* p = m_pos + 1;
        for (;;) {
            if (!*p) return false;
            if (*p == '\'') {
                if (p[1] != '\'') break;
                m_token += '\'';
                p += 2;
            } else {
                const char* next = CharNextA(p);
                m_token.append(p, next);
                p = next;
            }
            if (m_token.size() > kQuotedTokenLimit) return false;
        }
        m_pos = p + 1;
        return true;
    }

    const char* p = m_pos;
    while (*p && !IsSpace(*p)) {
        p = CharNextA(p);
        if (static_cast<size_t>(p - m_pos) >= kTokenBytes) return false;
    }
    m_token.assign(m_pos, p);
    m_pos = p;
    return true;
}

void RegistryScriptParser::RemoveKey(HKEY parent, const std::string& parentPath, const std::string& name) {
    win32::unique_hkey key = OpenKey(parent, name.c_str(), KEY_READ);
    if (!key) return;
    Change removed(Change::Kind::RemovedKey, parentPath, name);
    CopyRegistryKey(key.get(), removed.removed);
    key.reset();
    m_changes.push_back(std::move(removed));
    RecurseDeleteKey(parent, name.c_str());
}

// Last change first, so that every change finds the registry as it left it.
void RegistryScriptParser::PutBackChanges(HKEY root) {
    for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it) {
        win32::unique_hkey opened;
        HKEY key = root;
        if (!it->keyPath.empty()) {
            opened = OpenKey(root, it->keyPath.c_str(), KEY_READ | KEY_WRITE);
            if (!opened) continue;  // gone already, and what it held with it
            key = opened.get();
        }
        switch (it->kind) {
            case Change::Kind::MadeKey: RecurseDeleteKey(key, it->name.c_str()); break;
            case Change::Kind::WroteValue:
                if (it->replaced)
                    RestoreRegistryValue(key, it->before);
                else
                    RegDeleteValueA(key, it->name.c_str());
                break;
            case Change::Kind::RemovedKey: RestoreRegistryKey(key, win32::widen(it->name), it->removed); break;
        }
    }
}

}  // namespace dravik
