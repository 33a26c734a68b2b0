// Self-registration from the registry script that a module carries as a "REGISTRY" resource.
#pragma once

#include <windows.h>

namespace dravik {

// Applies the module's script resource in register or unregister mode, with "%MODULE%" standing
// for the module's short path (single quotes doubled, so that a quoted token reads it back).
HRESULT UpdateRegistryFromResource(HINSTANCE module, UINT resourceId, bool registering);

}  // namespace dravik
