#include "handler/pmenu.h"

#include "com/resource.h"
#include "com/server_module.h"
#include "win32/module_instance.h"

namespace dravik {

SelectedFileName g_selFileName;

// A live handler keeps the module loaded.
CPMenu::CPMenu() : m_menuBitmap(LoadBitmapA(win32::this_module(), MAKEINTRESOURCEA(IDB_MENU_BITMAP))) {
    g_module.Lock();
}

CPMenu::~CPMenu() { g_module.Unlock(); }

}  // namespace dravik
