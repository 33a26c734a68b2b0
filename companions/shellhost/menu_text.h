// Menus as text, for the report and for the programs that drive the host: what a menu holds, and
// where its entries are on the screen while it is open.
#pragma once

#include <windows.h>

#include <string>

namespace shellhost {

class ContextMenuSession;

// The entries in order, " | " between them: a caption; "---" a separator; "(owner-drawn)" and
// "(bitmap)" entries without text; "caption > [...]" a submenu with its entries, "; " between
// them. The handler's entries carry "@offset", their identifier less the first one.
std::string DescribeMenu(HMENU menu, const ContextMenuSession& session);

// The entry with the identifier as DescribeMenu writes it, searched in submenus too; a
// separator that shares the identifier does not count. Empty when there is none.
std::string DescribeEntry(HMENU menu, UINT id, const ContextMenuSession& session);

// "item.<position>=left,top,right,bottom" in screen coordinates for each entry of the menu,
// then "subitem.<position>=..." for the open submenu, when there is one on the screen.
std::string MenuLayout(HMENU menu, HMENU submenu);

}  // namespace shellhost
