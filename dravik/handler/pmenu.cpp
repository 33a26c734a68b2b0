#include "handler/pmenu.h"

#include "com/resource.h"
#include "win32/module_instance.h"

namespace dravik {

std::string g_selFileName;

CPMenu::CPMenu() : m_menuBitmap(LoadBitmapA(win32::this_module(), MAKEINTRESOURCEA(IDB_MENU_BITMAP))) {}

CPMenu::~CPMenu() = default;

}  // namespace dravik
