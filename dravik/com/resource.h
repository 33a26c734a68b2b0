// Resource numbers of the Dravik module.
#pragma once

#define IDB_MENU_BITMAP 210
