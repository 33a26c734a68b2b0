// Stand-ins for the context-menu methods until the menu is built: no entries and no commands.
#include "handler/pmenu.h"

namespace dravik {

HRESULT CPMenu::QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) { return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0); }

HRESULT CPMenu::InvokeCommand(CMINVOKECOMMANDINFO*) { return E_NOTIMPL; }

HRESULT CPMenu::GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) { return E_NOTIMPL; }

}  // namespace dravik
