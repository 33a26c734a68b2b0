// Self-registration from the registry script that a module carries as a "REGISTRY" resource.
#pragma once

#include <windows.h>

namespace dravik {

// Applies the module's script resource in register or unregister mode, with "%MODULE%" standing
// for the module's short path (single quotes doubled, so that a quoted token reads it back). With
// onlyKey, unregistering takes only the entries below the root blocks' key of that name.
HRESULT UpdateRegistryFromResource(HINSTANCE module, UINT resourceId, bool registering, const char* onlyKey = nullptr);

}  // namespace dravik
