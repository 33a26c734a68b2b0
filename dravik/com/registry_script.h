// Applies a registry script to the registry in register or unregister mode. A script is a list of
// root blocks; each entry names a key (optionally with a default value), a named value, or a key
// to remove, and a block in braces holds the entries below a key:
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {...} = s 'PMenu Class'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "com/registry_copy.h"
#include "com/replacement_map.h"
#include "win32/unique_handle.h"

namespace dravik {

class RegistryScriptParser {
public:
    explicit RegistryScriptParser(const ReplacementMap& map) : m_map(map) {}

    // A failure inside a root block puts back what that block changed before it is returned, and
    // nothing else: keys and values it made go, values it replaced and keys it removed come back.
    // Root blocks that completed earlier stay written.
    HRESULT RegisterScript(const std::string& script);
    // Removes the keys and values the script names, except "NoRemove" keys and keys that still
    // hold subkeys the script does not name. The first failure ends the walk. With onlyKey, only
    // the entries of the root blocks' key of that name are removed; the rest is only read.
    HRESULT UnregisterScript(const std::string& script, const char* onlyKey = nullptr);

    // Root blocks that the last call applied in full.
    int appliedRootBlocks() const { return m_appliedRootBlocks; }

private:
    enum class Mode { Register, Unregister };

    // The key that a register-mode block entry opened, which a following "{" descends into.
    struct CurrentKey {
        win32::unique_hkey key;
        std::string path;
    };

    // What a register walk changed, for a failed walk to put back: a key it made where none was,
    // a value it wrote (and the one it replaced), a key it removed with everything below it.
    struct Change {
        enum class Kind { MadeKey, WroteValue, RemovedKey };
        Change(Kind changed, std::string path, std::string changedName)
            : kind(changed), keyPath(std::move(path)), name(std::move(changedName)) {}
        Kind kind;
        std::string keyPath;  // of the key that holds it, from the root
        std::string name;     // the key's or the value's ("" the default value)
        bool replaced = false;
        RegistryValueCopy before;
        RegistryKeyCopy removed;
    };

    HRESULT Apply(const std::string& script, Mode mode);
    HRESULT RegisterRootBlock(HKEY root);
    HRESULT ProcessBlock(HKEY parent, const std::string& parentPath, Mode mode, bool recovering);
    HRESULT RegisterEntry(HKEY parent, const std::string& parentPath, CurrentKey& current);
    HRESULT UnregisterEntry(HKEY parent, bool recovering);
    HRESULT OpenOrCreateKey(HKEY parent, const std::string& parentPath, CurrentKey& current);
    HRESULT EnterBlock(CurrentKey& current);
    // Stores a value of the key: the one named, or the default value for a null name.
    HRESULT AddValue(HKEY key, const std::string& keyPath, const char* name);
    HRESULT ReadValueName(std::string& name);
    bool NextToken();
    bool SkipAssignment();
    void SkipWhiteSpace();
    // Removes parent\name with everything below, having kept a copy of it among the changes.
    void RemoveKey(HKEY parent, const std::string& parentPath, const std::string& name);
    void PutBackChanges(HKEY root);

    const ReplacementMap& m_map;
    std::string m_text;
    const char* m_pos = nullptr;
    std::string m_token;
    std::vector<Change> m_changes;
    const char* m_onlyKey = nullptr;
    int m_nesting = 0;
    int m_appliedRootBlocks = 0;
};

// Deletes parent\name with everything below it. The first failure is returned and ends the walk;
// an empty name deletes nothing.
LONG RecurseDeleteKey(HKEY parent, const char* name);

}  // namespace dravik
