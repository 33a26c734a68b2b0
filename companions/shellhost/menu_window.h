// The window a right-click happens in: it shows the selected items as a folder view does, owns
// the context menu while it is open and hands the menu's owner-draw messages to the handler.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace shellhost {

class ContextMenuSession;

class MenuWindow {
public:
    // layoutPath: where to keep the open menus' layout (MenuLayout), nothing when empty.
    MenuWindow(ContextMenuSession& session, std::string layoutPath);
    ~MenuWindow();
    MenuWindow(const MenuWindow&) = delete;
    MenuWindow& operator=(const MenuWindow&) = delete;

    // Shows the window with the selected items, in front; false when it cannot be created.
    bool Show(const std::vector<std::wstring>& paths);
    HWND handle() const { return m_window; }

    // Opens the menu at the right-click point beside the first item, in front of the window, and
    // returns the identifier of the entry picked, 0 when the menu closed without a pick or when
    // the time ran out.
    UINT Track(HMENU menu, DWORD timeoutMs);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc) const;
    void WriteLayout() const noexcept;

    ContextMenuSession& m_session;
    const std::string m_layoutPath;
    HWND m_window = nullptr;
    std::wstring m_folder;
    std::vector<std::wstring> m_names;
    HMENU m_menu = nullptr;     // the menu while it is open
    HMENU m_submenu = nullptr;  // the submenu opened last while the menu is open
};

}  // namespace shellhost
