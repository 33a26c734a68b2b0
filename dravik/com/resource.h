// Resource numbers of the Dravik module.
#pragma once

#define IDS_PROJNAME 100
#define IDR_PMENU 102
#define IDB_MENU_BITMAP 210
