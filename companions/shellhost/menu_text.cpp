#include "menu_text.h"

#include "context_menu_session.h"

namespace shellhost {
namespace {

MENUITEMINFOA ItemInfo(HMENU menu, UINT item, BOOL byPosition) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
    if (!GetMenuItemInfoA(menu, item, byPosition, &info)) info.fType = MFT_SEPARATOR;
    return info;
}

std::string Caption(HMENU menu, UINT position) {
    char caption[256] = {};
    GetMenuStringA(menu, position, caption, sizeof(caption), MF_BYPOSITION);
    return caption;
}

std::string DescribeItem(HMENU menu, UINT position, const ContextMenuSession& session) {
    const MENUITEMINFOA info = ItemInfo(menu, position, TRUE);
    if (info.hSubMenu) {
        std::string text = Caption(menu, position) + " > [";
        for (int i = 0; i < GetMenuItemCount(info.hSubMenu); ++i)
            text += (i ? "; " : "") + DescribeItem(info.hSubMenu, i, session);
        return text + "]";
    }
    const std::string offset = session.Owns(info.wID) ? "@" + std::to_string(info.wID - session.firstId()) : "";
    if (info.fType & MFT_SEPARATOR) return "---" + offset;
    if (info.fType & MFT_OWNERDRAW) return "(owner-drawn)" + offset;
    if (info.fType & MFT_BITMAP) return "(bitmap)" + offset;
    return Caption(menu, position) + offset;
}

std::string Rect(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

void AddItemRects(HMENU menu, const char* name, std::string& text) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        RECT r;
        if (GetMenuItemRect(nullptr, menu, i, &r))
            text += std::string(name) + "." + std::to_string(i) + "=" + Rect(r) + "\n";
    }
}

}  // namespace

std::string DescribeMenu(HMENU menu, const ContextMenuSession& session) {
    std::string text;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) text += (i ? " | " : "") + DescribeItem(menu, i, session);
    return text;
}

std::string DescribeEntry(HMENU menu, UINT id, const ContextMenuSession& session) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const MENUITEMINFOA info = ItemInfo(menu, i, TRUE);
        if (info.hSubMenu) {
            const std::string inside = DescribeEntry(info.hSubMenu, id, session);
            if (!inside.empty()) return inside;
        } else if (info.wID == id && !(info.fType & MFT_SEPARATOR)) {
            return DescribeItem(menu, i, session);
        }
    }
    return {};
}

std::string MenuLayout(HMENU menu, HMENU submenu) {
    std::string text;
    AddItemRects(menu, "item", text);
    if (submenu) AddItemRects(submenu, "subitem", text);
    return text;
}

}  // namespace shellhost
