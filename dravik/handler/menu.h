// How the preview entry is inserted, by the version of the shell that shows the menu.
#pragma once

#include <windows.h>
#include <shlwapi.h>

namespace dravik {

enum class PreviewItemKind {
    None,       // a shell older than 4.71: no preview entry
    OwnerDraw,  // the thumbnail drawn by the handler
    Bitmap,     // shell version unknown: the thumbnail as the entry's bitmap
};

// shellVersion is null when shell32 is not loaded or does not tell its version.
PreviewItemKind PreviewItemKindFor(const DLLVERSIONINFO* shellVersion);

}  // namespace dravik
