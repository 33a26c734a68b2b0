// The module's class table: the one creatable class PMenu.
#pragma once

#include "com/server_module.h"

namespace dravik {

extern ObjectMapEntry g_objectMap[];

}  // namespace dravik
