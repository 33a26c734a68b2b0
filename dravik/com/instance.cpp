#include "com/instance.h"

#include "com/object_map.h"
#include "preview/file_list.h"
#include "preview/thumbnail_cache.h"

namespace dravik {

void InitInstance(HINSTANCE instance) noexcept { g_module.Start(instance, g_objectMap); }

void ExitInstance(bool processEnding) noexcept {
    if (processEnding) return;
    g_module.Stop();
    ReleaseFileListBlocks();
    ReleaseThumbnailCache();
}

}  // namespace dravik
