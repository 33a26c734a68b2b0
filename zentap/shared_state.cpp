#include "shared_state.h"

namespace zentap {

#if defined(_MSC_VER)
#pragma section(".Zentapx", read, write, shared)
__declspec(allocate(".Zentapx")) SharedState g_sharedState = {};
#else
SharedState g_sharedState __attribute__((section(".Zentapx"), shared)) = {};
#endif

}  // namespace zentap
