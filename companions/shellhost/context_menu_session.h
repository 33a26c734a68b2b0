// One handler at work on one right-click, driven the way the shell drives it: created through
// COM, initialised with the shell's data object for the selection, asked for its entries, sent
// the menu's owner-draw messages and told which entry was picked.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace shellhost {

// What the handler answered to the owner-draw messages of its entries.
struct OwnerDrawAnswers {
    unsigned initMenuPopup = 0;
    unsigned measureItem = 0;
    unsigned drawItem = 0;
    UINT measuredId = 0;  // the last entry measured, with the size the handler gave it
    UINT measuredWidth = 0;
    UINT measuredHeight = 0;
};

class ContextMenuSession {
public:
    HRESULT Create(const CLSID& clsid);
    // Hands the handler the selection; the class key is the one the handler was found under.
    HRESULT Initialize(const std::vector<std::wstring>& paths, HKEY classKey);

    // Lets the handler add its entries at the position, numbered from firstId on.
    HRESULT AddEntries(HMENU menu, UINT position, UINT firstId, UINT lastId);
    // Whether the identifier is one of the entries the handler added.
    bool Owns(UINT id) const { return id >= m_firstId && id < m_firstId + m_idCount; }
    UINT firstId() const { return m_firstId; }

    // Hands a message of the open menu to the handler when it concerns the handler; true with the
    // handler's answer when it was handed on.
    bool Forward(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    const OwnerDrawAnswers& answers() const { return m_answers; }

    // Runs the handler's entry as the shell does on a pick: the verb is the entry's offset.
    HRESULT Invoke(UINT id, HWND owner);

    // The shell lets go of the handler once the menu has closed, and of its module when the module
    // says it can be unloaded.
    void Release();

private:
    Microsoft::WRL::ComPtr<IShellExtInit> m_init;
    Microsoft::WRL::ComPtr<IContextMenu> m_menu;
    Microsoft::WRL::ComPtr<IContextMenu2> m_menu2;
    Microsoft::WRL::ComPtr<IContextMenu3> m_menu3;
    UINT m_firstId = 0;
    UINT m_idCount = 0;
    OwnerDrawAnswers m_answers;
};

}  // namespace shellhost
